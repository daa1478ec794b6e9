#pragma once
#include "effects/modulation/ModulatedDelayLine.h"
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/TriangleParabolaOscillator.h"
#include <array>
#include <memory>

class LowBandBypassSplit;

// A short delay with feedback per channel, swept through a window of 1.1 .. 12 ms; the right sweep runs
// a quarter period behind the left. The bass variant keeps the low band out of the comb.
class CMLVFlangerDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVFlangerDSP(double sampleRate, int maxBlockSize);
    ~CMLVFlangerDSP() override;
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One oscillator and comb per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread. Clears the comb; the oscillators keep their phase.
    void Reset() override;

    enum Parameter : int { kFxTune = 2, kRate, kDepth, kRegeneration, kSyncCoeff, kTap };
    // The bass variant's "Impact" moves the pair after "Regeneration" up by one.
    int SyncCoeffIndex() const;

    // The current sweep window in samples, for displays and tests.
    int UpperDelay() const { return upper; }
    int LowerDelay() const { return lower; }

  protected:
    // Main thread. The bass variant.
    CMLVFlangerDSP(double sampleRate, int maxBlockSize, bool bass);

  private:
    // Groups of four samples (see SampleGroup.h) of C channels, the low band split off first when Split.
    template <int C, bool Split>
    void Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);

    const bool bass;
    ModulatedDelayLine line;
    std::array<TriangleParabolaOscillator, 2> osc{{{1.0f, 0.0f, -1}, {0.0f, -1.0f, 1}}};
    std::unique_ptr<LowBandBypassSplit> split;
    int maxDelay = 0, minDelay = 0;
    int upper = 0, lower = 0;
    float feedback = 0.0f, half = 0.0f;
};

// The bass flanger: "Impact" chooses how much of the low band bypasses the comb.
class CMLVFlangerBassDSP : public CMLVFlangerDSP {
  public:
    // Main thread.
    CMLVFlangerBassDSP(double sampleRate_, int maxBlockSize_)
        : CMLVFlangerDSP(sampleRate_, maxBlockSize_, true) {}
    enum BassParameter : int { kImpact = kRegeneration + 1, kSyncCoeff, kTap };
};
