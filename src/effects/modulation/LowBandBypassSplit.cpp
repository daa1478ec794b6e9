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

CMLVParameterRecord LowBandBypassSplit::ThreeStepImpactRecord(int index) {
    return {index, "Impact", {"Gentle |==== Full", "Gentle ==|== Full", "Gentle ====| Full"}, 0, 2, 1,
            0,     List};
}
