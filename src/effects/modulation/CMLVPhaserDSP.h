#pragma once
#include "effects/CpuFeatures.h"
#include "effects/modulation/LfoOscillator.h"
#include "effects/modulation/ModulationFrame.h"
#include "effects/modulation/PhaserChain.h"
#include <array>
#include <memory>

class LowBandBypassSplit;

// Six first-order all-pass sections per channel with feedback, their common corner swept by one LFO
// from 350 Hz upwards. The bass variant keeps the low band out of the sweep.
class CMLVPhaserDSP : public CMLVModulationDSP {
  public:
    // Main thread.
    CMLVPhaserDSP(double sampleRate, int maxBlockSize);
    ~CMLVPhaserDSP() override;
    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One sweep, one all-pass chain per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    enum Parameter : int { kMix = 2, kRate, kDepth, kResonance, kSyncCoeff, kTap };
    // The bass variant's "Impact" moves the pair after "Resonance" up by one.
    int SyncCoeffIndex() const;

    // Corner of the all-pass sections at the bottom of the sweep, as a fraction of the Nyquist frequency.
    float SweepBottom() const { return wMin; }

  protected:
    // Main thread. The bass variant.
    CMLVPhaserDSP(double sampleRate, int maxBlockSize, bool bass);

  private:
    template <bool Split, int C>
    void Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    // Chunk of the chains, fused where the processor has it.
    template <int C>
    void RunChains(PhaserChain* chains, const float* c, const phaserchain::Frames& x, phaserchain::Frames& u,
                   int n) const;

    const bool bass;
    LfoOscillator lfo;
    std::array<PhaserChain, 2> channel{};
    const bool fused = HasFma();
    std::unique_ptr<LowBandBypassSplit> split;
    float wet = 0.5f, dry = 0.5f, feedback = 0.0f, wMin = 0.0f, wRange = 0.0f;
};

// The bass phaser: "Impact" chooses how much of the low band bypasses the sweep.
class CMLVPhaserBassDSP : public CMLVPhaserDSP {
  public:
    // Main thread.
    CMLVPhaserBassDSP(double sampleRate_, int maxBlockSize_)
        : CMLVPhaserDSP(sampleRate_, maxBlockSize_, true) {}
    enum BassParameter : int { kImpact = kResonance + 1, kSyncCoeff, kTap };
};
