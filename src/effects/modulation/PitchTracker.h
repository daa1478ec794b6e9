#pragma once
#include "effects/drive/FilterSection.h"
#include "effects/modulation/RealFft.h"
#include <memory>

// Fundamental-frequency tracker for the tuner. Each frame: a coarse period from the autocorrelation of the
// band-limited signal, exact partial frequencies from the phase advance between two windows one sample
// apart, the fundamental as the mean spacing of the partials that agree with the coarse period; then a
// short history, a smoothed note track, the nearest equal-tempered note and the deviation from it.
class PitchTracker {
  public:
    static constexpr int kFrameLength = 4097; // analysis length plus the one-sample offset
    static constexpr int kAnalysisLength = 4096;
    static constexpr int kMaxPeaks = 100;
    static constexpr double kLowHz = 50.0, kHighHz = 2200.0;
    static constexpr double kPeakRangeDb = 45.0;
    static constexpr int kReferenceNote = 57; // A4 counted in semitones from C0

    // Main thread (makes FFT plans).
    PitchTracker(int frameLength, int sampleRate);

    // Audio thread. Reference pitch of A4 in Hz.
    void SetReference(double a4);
    // Audio thread. Forgets history, filter states, note and deviation.
    void Clear();
    // Audio thread. Analyses frameLength samples (band-passed in place) and returns the smoothed frequency,
    // which stays as it was when the frame holds no pitch.
    float Analyse(float* frame);

    int GetSampleRate() const { return sampleRate; }
    double GetBaseFrequency() const { return base; }
    // Raw estimate of the last frame, 0 when it held no pitch.
    float GetRawFrequency() const { return raw; }
    float GetFrequency() const { return smoothed; }
    // Nearest note, semitones above C0, of the note track; valid once a pitch has been seen.
    bool HasNote() const { return hasNote; }
    int GetNoteIndex() const { return note; }
    const char* GetNoteName() const { return noteName; }
    // Distance from the note on the display scale: 50 at the neighbouring note's frequency, linear in Hz
    // on each side.
    float GetDeviation() const { return deviation; }

    // Pure helpers, shared with the display and the command line.
    // Index of the note base * 2^(k/12) closest to f in Hz (ties to the lower note).
    static int NearestNote(double f, double base);
    // "A 4", "C 4#" (letter, octave in two characters, sharp last); empty for no note.
    static void FormatNoteName(int note, char out[8]);
    static double DeviationFrom(double f, int note, double base);
    // Second-order band-pass whose -3 dB edges are the detection range.
    static void DesignDetectionBandPass(FilterSection& section, int sampleRate);

  private:
    double CoarseEstimate();
    double SpectralEstimate(double coarse);

    int frameLength, sampleRate;
    double semitone, base = 0.0;
    int lowBin, highBin;
    FilterSection bandPass;
    RealFft fft, fftPadded;
    FftwArray<float> copy, work, window;
    FftwArray<FftComplex> binsA, binsB;
    FftwArray<float> level;
    FftwArray<float> padded;
    FftwArray<FftComplex> paddedBins;
    int peakBins[kMaxPeaks];
    double peakFreqs[kMaxPeaks];

    float history[3] = {0, 0, 0};
    float raw = 0.0f, smoothed = 0.0f;
    double lpB0, lpB1, lpB2, lpA1, lpA2;
    double lpX1 = 0, lpX2 = 0, lpY1 = 0, lpY2 = 0;
    double track = 0.0;
    bool hasNote = false;
    int note = 0;
    char noteName[8] = {0};
    float deviation = 0.0f;
};
