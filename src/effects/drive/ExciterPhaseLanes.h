#pragma once
#include "effects/drive/FilterSection.h"
#include "effects/drive/Float4.h"
#include "effects/drive/Resampler5.h"

// The exciter's fifth-order polynomial with its smoothed constant term; every power is flushed. T is
// float, or Float4 for four lanes.
struct ExciterPolynomial {
    float c5 = 0, c4 = 0, c3 = 0, c2 = 0, c1 = 0;

    template <typename T> __attribute__((always_inline)) T operator()(T v, float c0s) const {
        const T v2 = FlushDenormal(v * v);
        const T v3 = FlushDenormal(v2 * v);
        const T v4 = FlushDenormal(v3 * v);
        const T v5 = FlushDenormal(v4 * v);
        return c5 * v5 + c4 * v4 + c3 * v3 + c2 * v2 + c1 * v + c0s;
    }
};

// The oversampled exciter path of both channels. The five phases of the two channels are independent
// recursions, so they run side by side as lanes: lane 5 c + p is channel c, phase p; lanes 0 to 7 form
// one group of eight, lanes 8 and 9 (and two idle ones) a group of four. The resampling FIRs have no
// feedback: they run over a chunk of samples, several outputs at once, each output still summing its taps
// in the one-at-a-time order, so the results are the same bits as one phase and one sample at a time.
class ExciterPhaseLanes {
  public:
    static constexpr int kPhases = Resampler5::kFactor;
    static constexpr int kChunk = 64; // samples per Process; whole groups of eight outputs

    // Audio thread. Copies the coefficients of channel c's per-phase sections and resampler taps.
    void Load(int c, const FilterSection band[kPhases], const FilterSection dc[kPhases],
              const Resampler5& taps);
    // Audio thread.
    void Clear();
    // Audio thread. At most kChunk samples; c0s holds the constant term for each sample; in may equal out.
    // Raises the peaks to the largest magnitudes of the input and output. With one channel the second
    // output and its peaks are left alone.
    void Process(const float* const in[2], float* const out[2], int n, int channels,
                 const ExciterPolynomial& poly, const float* c0s, float drive, float mix, float inPeak[2],
                 float outPeak[2]);

  private:
    static constexpr int kPast = kPhases - 1; // base-rate samples of history each FIR needs

    // One group of lanes: coefficients and state of both kinds of section, interpolator taps, inputs
    // repeated across each channel's lanes (kPast rows of history first) and the driven phases.
    template <typename V> struct Group {
        V g[2], b1[2], b2[2], a1[2], a2[2], s1[2], s2[2]; // [0] at the band frequency, [1] at 20 Hz
        V interp[kPhases];                                // tap 5 q + p of the lane's channel, by q
        V inputs[kPast + kChunk];
        V phases[kChunk];

        static constexpr int kWidth = sizeof(V) / sizeof(float);
        // One sample: interpolation, section, polynomial, section, mix.
        __attribute__((always_inline)) void Step(int i, const ExciterPolynomial& poly, float c0s, float drive,
                                                 float mix);
    };
    template <typename F> void ForLane(int lane, F&& f);

    Group<Float8> wide{};
    Group<Float4> narrow{};
    float decim[2][Resampler5::kTaps] = {};
    // Driven phases by channel and phase, kPast samples of history first.
    alignas(32) float high[2][kPhases][kPast + kChunk] = {};
};
