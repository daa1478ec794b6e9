#pragma once
#include "effects/drive/FilterSection.h"
#include "effects/modulation/SampleGroup.h"
#include "params/CMLVEffectSetup.h"
#include <cfloat>
#include <cmath>

// Crossover of the bass modulation effects: a first-order low-pass per channel takes the low band out,
// the effect works on the rest (high = x - low) and the low band is added back unprocessed. Below a
// threshold frequency the split is off and the whole band goes through the effect.
class LowBandBypassSplit {
  public:
    // The split works for frequencies >= threshold (inclusive) or > threshold.
    LowBandBypassSplit(float threshold_, bool inclusive_, float initialFrequency)
        : threshold(threshold_), inclusive(inclusive_), frequency(initialFrequency) {}

    // Main thread. The bass chorus's and bass flanger's "Impact": three steps from a gentle split (most
    // of the low band bypasses the effect) to the full band through the effect.
    static CMLVParameterRecord ThreeStepImpactRecord(int index);

    // Audio thread (full update). Fresh filters at the sample rate, low-pass, current frequency.
    void Create(double sampleRate);
    // Audio thread. Stores the split frequency; the filters keep their previous one when it is not
    // in 0 .. fs/2 (exclusive).
    void SetFrequency(float f);
    // Audio thread.
    void Clear() {
        for (auto& f : filter)
            f.Clear();
    }
    bool Active() const { return inclusive ? frequency >= threshold : frequency > threshold; }
    float Frequency() const { return frequency; }

    // One channel's filter copied out for a block, so its state stays in registers. Split() is the filter's
    // step with the flushes as predictable branches, off its feedback path: low is the filtered sample,
    // high what remains. Audio thread, per sample of an active split.
    struct Band {
        float g, b1, b2, a1, a2, s1, s2;
        void Split(float x, float& low, float& high) {
            float u = g * x;
            if (std::fabs(u) < FLT_MIN) u = 0.0f;
            float w = s1 + u;
            if (std::fabs(w) < FLT_MIN) w = 0.0f;
            s1 = b1 * u - a1 * w + s2;
            s2 = b2 * u - a2 * w;
            low = w;
            high = x - w;
        }
    };
    Band Begin(int channel) const {
        const FilterSection& f = filter[channel];
        return {f.g, f.b1, f.b2, f.a1, f.a2, f.s1, f.s2};
    }
    void End(int channel, const Band& b) {
        filter[channel].s1 = b.s1;
        filter[channel].s2 = b.s2;
    }

    // Both channels' filters in lanes 0 and 1 of SSE registers, for stereo blocks: each lane with
    // Band::Split()'s operations.
    struct BandPair {
        __m128 g, b1, b2, a1, a2, s1, s2;
        // Lanes 0 and 1 of x, low and high: left and right.
        void Split(__m128 x, __m128& low, __m128& high) {
            const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff)),
                         tiny = _mm_set1_ps(FLT_MIN);
            __m128 u = _mm_mul_ps(g, x);
            u = _mm_andnot_ps(_mm_cmplt_ps(_mm_and_ps(u, magnitude), tiny), u);
            __m128 w = _mm_add_ps(s1, u);
            const __m128 small = _mm_cmplt_ps(_mm_and_ps(w, magnitude), tiny);
            if (_mm_movemask_ps(small) & 3) w = _mm_andnot_ps(small, w);
            s1 = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(b1, u), _mm_mul_ps(a1, w)), s2);
            s2 = _mm_sub_ps(_mm_mul_ps(b2, u), _mm_mul_ps(a2, w));
            low = w;
            high = _mm_sub_ps(x, w);
        }
    };
    BandPair BeginPair() const {
        const Band l = Begin(0), r = Begin(1);
        const auto lanes = [](float a, float b) { return _mm_unpacklo_ps(_mm_set_ss(a), _mm_set_ss(b)); };
        return {lanes(l.g, r.g),   lanes(l.b1, r.b1), lanes(l.b2, r.b2), lanes(l.a1, r.a1),
                lanes(l.a2, r.a2), lanes(l.s1, r.s1), lanes(l.s2, r.s2)};
    }
    // The crossover over one group of samples (lane layout of samplegroup, C channels): stereo steps
    // both channels' filters in the lanes of `pair`, mono its one filter `band` four times. `high` is
    // what the effect works on, `low` what bypasses it.
    template <int C>
    static void SplitGroup(BandPair& pair, Band& band, const float* left, __m128 input, __m128& high,
                           __m128& low) {
        if constexpr (C == 2) {
            // [left n, right n, left n + 1, right n + 1]: one sample of both channels per step.
            const __m128 x = _mm_shuffle_ps(input, input, _MM_SHUFFLE(3, 1, 2, 0));
            __m128 l0, h0, l1, h1;
            pair.Split(x, l0, h0);
            pair.Split(_mm_movehl_ps(x, x), l1, h1);
            high = _mm_unpacklo_ps(h0, h1);
            low = _mm_unpacklo_ps(l0, l1);
        } else {
            float lo[4], hi[4];
            for (int t = 0; t < 4; ++t)
                band.Split(left[t], lo[t], hi[t]);
            // Built in registers: one wide load of four scalar stores would stall on the forwarding.
            high = samplegroup::Make(hi[0], hi[1], hi[2], hi[3]);
            low = samplegroup::Make(lo[0], lo[1], lo[2], lo[3]);
        }
    }
    void End(const BandPair& b) {
        filter[0].s1 = _mm_cvtss_f32(b.s1);
        filter[1].s1 = _mm_cvtss_f32(_mm_shuffle_ps(b.s1, b.s1, 1));
        filter[0].s2 = _mm_cvtss_f32(b.s2);
        filter[1].s2 = _mm_cvtss_f32(_mm_shuffle_ps(b.s2, b.s2, 1));
    }

  private:
    float threshold;
    bool inclusive;
    float frequency;
    FilterSection filter[2];
};
