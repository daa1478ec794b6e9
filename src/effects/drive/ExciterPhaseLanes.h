#pragma once
#include "effects/drive/FilterSection.h"
#include "effects/drive/Float4.h"
#include "effects/drive/Resampler5.h"

// The exciter's fifth-order polynomial with its smoothed constant term; every power is flushed. T is
// float, or Float4 for four lanes.
struct ExciterPolynomial {
    float c5 = 0, c4 = 0, c3 = 0, c2 = 0, c1 = 0;

    template <typename T> T operator()(T v, float c0s) const {
        const T v2 = FlushDenormal(v * v);
        const T v3 = FlushDenormal(v2 * v);
        const T v4 = FlushDenormal(v3 * v);
        const T v5 = FlushDenormal(v4 * v);
        return c5 * v5 + c4 * v4 + c3 * v3 + c2 * v2 + c1 * v + c0s;
    }
};

// The oversampled exciter path of both channels. The five phases of the two channels are independent
// recursions, so they run side by side as lanes (lane 5 c + p is channel c, phase p; two idle lanes make
// three groups of four). The resampling FIRs have no feedback: they run over a chunk of samples, several
// outputs at once, each output still summing its taps in the one-at-a-time order, so the results are the
// same bits as one phase and one sample at a time.
class ExciterPhaseLanes {
  public:
    static constexpr int kPhases = Resampler5::kFactor;
    static constexpr int kGroups = 3; // of four lanes
    static constexpr int kChunk = 64; // samples per Process; whole groups of four outputs

    // Audio thread. Copies the coefficients of channel c's per-phase sections and resampler taps.
    void Load(int c, const FilterSection band[kPhases], const FilterSection dc[kPhases],
              const Resampler5& taps);
    // Audio thread.
    void Clear();
    // Audio thread. At most kChunk samples; c0s holds the constant term for each sample; in may equal out.
    // Raises the peaks to the largest magnitudes of the input and output.
    void Process(const float* const in[2], float* const out[2], int n, const ExciterPolynomial& poly,
                 const float* c0s, float drive, float mix, float inPeak[2], float outPeak[2]);

  private:
    static constexpr int kPast = kPhases - 1; // base-rate samples of history each FIR needs
    // Coefficients and state of one kind of section, per lane.
    struct Sections {
        Float4 g[kGroups], b1[kGroups], b2[kGroups], a1[kGroups], a2[kGroups];
        Float4 s1[kGroups], s2[kGroups];
    };

    Sections band{}, dc{};
    Float4 interp[kPhases][kGroups] = {};    // tap 5 q + p of the lane's channel, by q
    Float4 decim[2][Resampler5::kTaps] = {}; // each tap in every lane
    // Base-rate inputs, each repeated across its channel's lanes; kPast rows of history first.
    Float4 inputs[kPast + kChunk][kGroups] = {};
    Float4 phases[kChunk][kGroups] = {};
    // Driven phases by channel and phase, kPast samples of history first.
    alignas(16) float high[2][kPhases][kPast + kChunk] = {};
};
