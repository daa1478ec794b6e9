#include "effects/modulation/LowBandBypassSplit.h"

void LowBandBypassSplit::Create(double sampleRate) {
    for (auto& f : filter) {
        f = FilterSection();
        f.SetSampleRate(static_cast<float>(sampleRate));
        f.SetType(FilterSection::LowPass1);
        f.SetFrequency(frequency);
    }
}

void LowBandBypassSplit::SetFrequency(float f) {
    frequency = f;
    for (auto& s : filter)
        s.SetFrequency(f);
}
