#pragma once
#include "effects/modulation/RealFft.h"
#include <memory>

// Phase-vocoder pitch shifter: overlapping windowed frames, per-bin true frequency from the phase
// advance, bins moved by the pitch ratio, resynthesis by overlap-add. Delays its output by
// GetLatency() samples.
class PitchShifter {
  public:
    // Main thread (makes FFT plans).
    PitchShifter(int sampleRate, int overlap, double semitones);
    // Frame length used at a sample rate: longer frames keep the resolution of bass notes at high rates.
    static int FrameSizeFor(int sampleRate);

    // Audio thread. Clears the queues, the overlap-add accumulator and the phase memories.
    void Reset();
    // Audio thread. Any block length; in may equal out.
    void Process(const float* in, float* out, int n);
    // Audio thread. Both shifters take the same input; while they are in step (alike, and fed alike since
    // their last Reset) the analysis of each frame is done once for both. Otherwise as two Process calls.
    static void ProcessInStep(PitchShifter& a, PitchShifter& b, const float* in, float* outA, float* outB,
                              int n);

    int GetFrameSize() const { return frameSize; }
    int GetStep() const { return step; }
    int GetLatency() const { return latency; }

  private:
    // One frame: magnitudes and true frequencies of the queued input; then the shifted spectrum back to the
    // output queue.
    void Analyse();
    void Resynthesise();

    int frameSize, overlap, step, latency, half;
    float ratio, freqPerBin;
    int rover;
    std::unique_ptr<RealFft> fft;
    FftwArray<float> window, inQueue, outQueue, outAccum, frame;
    FftwArray<FftComplex> bins;
    FftwArray<float> lastPhase, sumPhase, anaMag, anaFreq, synMag, synFreq;
    // Phase advance of bin k's centre over one step, reduced to [0, 2 pi).
    FftwArray<float> binAdvance;
    // Table indices and the values read there, for the bin loops.
    FftwArray<float> tableIndex, tableValue, tableIndex2, tableValue2;
};
