#pragma once
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/PitchTracker.h"
#include <atomic>
#include <memory>
#include <string>
#include <vector>

// Tuner: passes the audio unchanged and, every 4096 samples, reports the fundamental of the summed
// channels, the nearest note against the "A4" reference and the deviation from it.
class CMLVAutoTunerDSP : public CMLVModulationDSP {
  public:
    // Main thread. Makes the tracker (and its FFT plans) for the given rate.
    CMLVAutoTunerDSP(double sampleRate, int maxBlockSize);

    enum Parameter : int { kA4 = 2, kToneFrequency };
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Audio thread. With full set the tracker starts afresh (rebuilt only when the rate changed).
    int UpdateCoefficients(bool full) override;
    // Main thread.
    void PrepareForAudio() override;
    // Audio thread. Clears the frame being collected.
    void Reset() override;

    // Display and command line, any thread: the values of the last analysis.
    float GetFrequency() const { return frequency.load(std::memory_order_relaxed); }
    float GetDeviation() const { return deviation.load(std::memory_order_relaxed); }
    // Deviation in cents (hundredths of an equal-tempered semitone) from the note.
    float GetCents() const { return cents.load(std::memory_order_relaxed); }
    // Semitones above C0; -1000 until a pitch has been seen.
    int GetNoteIndex() const { return noteIndex.load(std::memory_order_relaxed); }
    // "A 4", "C 4#"; empty until a pitch has been seen.
    std::string GetNoteName() const;
    // Raw estimate of the last analysis, 0 when that frame held no pitch.
    float GetLastEstimate() const { return lastEstimate.load(std::memory_order_relaxed); }
    // Number of analyses since the last full update.
    long GetAnalysisCount() const { return analyses.load(std::memory_order_relaxed); }

    // Any thread.
    int GetReadoutCount() const override;
    const CMLVReadout* GetReadoutInfo(int index) const override;
    float GetReadoutValue(int index) const override;

    static constexpr int kNoNote = -1000;

  private:
    void Analyse();

    std::vector<float> frame;
    int writeIndex = 0;
    int builtRate = 0;
    std::unique_ptr<PitchTracker> tracker;
    std::atomic<float> frequency{0.0f}, deviation{0.0f}, cents{0.0f}, lastEstimate{0.0f};
    std::atomic<int> noteIndex{kNoNote};
    std::atomic<long> analyses{0};
};
