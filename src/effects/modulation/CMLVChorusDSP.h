#pragma once
#include "effects/modulation/ModulatedDelayLine.h"
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/TriangleParabolaOscillator.h"
#include <memory>

class LowBandBypassSplit;

// One modulated 6 ms voice per channel, both swept by one oscillator; the stereo image comes from
// different sweep depths. The bass variant keeps the low band out of the voice.
class CMLVChorusDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVChorusDSP(double sampleRate, int maxBlockSize);
    ~CMLVChorusDSP() override;
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One oscillator, one delay line per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread. Clears the voice and the crossover; the oscillator keeps its phase.
    void Reset() override;

    enum Parameter : int { kMix = 2, kRate, kDepth, kStereo, kSyncCoeff, kTap };
    // The bass variant's "Impact" moves the pair after "Stereo" up by one.
    int SyncCoeffIndex() const;

  protected:
    // Main thread. The bass variant.
    CMLVChorusDSP(double sampleRate, int maxBlockSize, bool bass);

  private:
    // Groups of four samples (see SampleGroup.h) of C channels, the low band split off first when Split.
    template <int C, bool Split>
    void Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);

    const bool bass;
    ModulatedDelayLine line;
    TriangleParabolaOscillator osc{1.0f, 0.0f, 1};
    std::unique_ptr<LowBandBypassSplit> split;
    int depthSamples = 0;
    float wet = 0.5f, dry = 0.5f;
};

// The bass chorus: "Impact" chooses how much of the low band bypasses the voice.
class CMLVChorusBassDSP : public CMLVChorusDSP {
  public:
    // Main thread.
    CMLVChorusBassDSP(double sampleRate_, int maxBlockSize_)
        : CMLVChorusDSP(sampleRate_, maxBlockSize_, true) {}
    enum BassParameter : int { kImpact = kStereo + 1, kSyncCoeff, kTap };
};
