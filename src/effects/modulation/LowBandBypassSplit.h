#pragma once
#include "effects/drive/FilterSection.h"
#include "params/CMLVEffectSetup.h"

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

  private:
    float threshold;
    bool inclusive;
    float frequency;
    FilterSection filter[2];
};
