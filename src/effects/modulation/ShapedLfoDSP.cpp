#include "effects/modulation/ShapedLfoDSP.h"
#include "effects/modulation/SyncMultiplier.h"

CMLVParameterRecord CMLVShapedLfoDSP::TempoRecord(int index, double defaultBpm) {
    return {index, "Tempo", "BPM", 10, 700, 1, defaultBpm, Linear};
}

CMLVParameterRecord CMLVShapedLfoDSP::ShapeRecord(int index) {
    static const std::vector<std::string> shapes{"Triangular", "Logarithmic", "Rectangular", "Exponential",
                                                 "Sinusoidal"};
    return {index, "Wave shape", shapes, 0, 4, 1, 0, List};
}

void CMLVShapedLfoDSP::UpdateLfo(bool full, int tempoIndex, int shapeIndex, int syncIndex) {
    if (full) {
        lfo.setSampleRate(static_cast<float>(sampleRate));
        Reset();
    }
    const double t = SyncMultiplier::Tempo(GetParameter(syncIndex)->GetValue(), tempo,
                                           GetParameter(tempoIndex)->GetValue());
    lfo.setTempo(static_cast<float>(t));
    lfo.setShape(static_cast<int>(GetParameter(shapeIndex)->GetValue()));
}
