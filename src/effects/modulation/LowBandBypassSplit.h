#pragma once
#include "effects/drive/FilterSection.h"
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

    // Audio thread, per sample of an active split.
    void Split(int channel, float x, float& low, float& high) {
        low = filter[channel].Process(x);
        high = x - low;
    }

    // One channel's filter copied out for a block, so its state stays in registers: Split() with the
    // flushes as predictable branches, off the filter's feedback path.
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

  private:
    float threshold;
    bool inclusive;
    float frequency;
    FilterSection filter[2];
};
