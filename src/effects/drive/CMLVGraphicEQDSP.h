#pragma once
#include "params/CMLVParRelations.h"
#include <array>
#include <vector>

// Seven-band graphic equaliser: six peaks and a second-order high shelf, plus an output gain. The guitar
// and bass variants differ only in their band frequencies and labels.
class CMLVGraphicEQDSP : public CMLVParRelations {
  public:
    static constexpr int kBands = 7;
    // One gain per band from kFirstBand on, then the output gain.
    enum Parameter : int { kFirstBand = 2, kOutput = kFirstBand + kBands };
    struct Band {
        float b1, b2, a1, a2;
    };
    // One block of coefficients shared by both channels; b0 of each band is folded into G.
    struct Coefficients {
        std::array<Band, kBands> band;
        float G;
    };

    // Audio thread.
    int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) override;
    // Any thread. One set of band states per channel.
    bool ChannelsIndependent() const override { return true; }
    // Audio thread.
    int UpdateCoefficients(bool full) override;
    // Audio thread.
    void Reset() override;

    // Designs all bands from their gains in dB (0 = inactive) at fs; active[k] is set for non-zero gains.
    static Coefficients Design(const std::array<double, kBands>& freqs,
                               const std::array<double, kBands>& gains, double outputDb, double fs,
                               std::array<bool, kBands>& active);

    // Main thread, tests: the four-lane kernels even where AVX2 is present.
    void UseNarrowLanes() { wide = false; }

  protected:
    // Main thread.
    CMLVGraphicEQDSP(double sampleRate, int maxBlockSize, const CMLVEffectIdentity& identity,
                     const std::array<double, kBands>& freqs, const std::array<const char*, kBands>& labels,
                     const CMLVPresetTable& factoryPresets);

  private:
    // Audio thread, the block after BeginBlock.
    void RunWide(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    void RunNarrow(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    template <class V> void RunWith(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    template <class V, int C>
    void RunFlat(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    template <class V, int C, int NV>
    void RunWave(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n);
    struct ChannelState {
        float s1[kBands] = {}, s2[kBands] = {};
    };
    std::array<double, kBands> freqs;
    Coefficients coeffs{};
    std::array<bool, kBands> active{};
    int activeList[kBands] = {};
    int activeCount = 0;
    ChannelState state[2];
    // The kernels in eight-lane AVX2 registers, else in four-lane ones; both give the same bits.
    bool wide;
};
