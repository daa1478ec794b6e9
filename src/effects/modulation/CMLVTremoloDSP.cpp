#include "effects/modulation/CMLVTremoloDSP.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

namespace {
const std::vector<std::string> kShapes{"Triangular", "Logarithmic", "Rectangular", "Exponential",
                                       "Sinusoidal"};
}

CMLVTremoloDSP::CMLVTremoloDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    name = "TR - Tremolo";
    shortName = "TR";
    pluginId = FourCC("tru1");
    AddPreset(0, "Default", {300, 0, 21, 0, 0});
    AddPreset(1, "Light tremolo", {300, 0, 21, 0, 0});
    AddPreset(2, "Fast tremolo", {671, 4, 31, 0, 0});
    AddPreset(3, "Hard tremolo", {98.4f, 0, 100, 0, 0});
    AddPreset(4, "Gap", {240, 2, 100, 0, 0});
    AddParameter(kTempo, "Tempo", "BPM", 10, 700, 1, 300, Linear);
    AddParameter(kWaveShape, "Wave shape", kShapes, 0, 4, 1, 0, List);
    AddParameter(kDepth, "Depth", "%", 0, 100, 1, 21, Linear);
    AddParameter(kSyncCoeff, "Sync coeff", SyncMultiplier::Labels(), 0, 8, 1, 0, List);
    AddParameter(kTap, "Tap", SyncMultiplier::TapLabels(), 0, 1, 1, 0, List);
    RecallPreset("Default");
    UpdateCoefficients(true);
}

int CMLVTremoloDSP::UpdateCoefficients(bool full) {
    if (full) {
        lfo.setSampleRate(static_cast<float>(sampleRate));
        Reset();
    }
    const double t =
        SyncMultiplier::Tempo(GetParameter(kSyncCoeff)->GetValue(), tempo, GetParameter(kTempo)->GetValue());
    lfo.setTempo(static_cast<float>(t));
    lfo.setShape(static_cast<int>(GetParameter(kWaveShape)->GetValue()));
    const double d = GetParameter(kDepth)->GetValue() / 100.0;
    // At full depth the gain swings 0 .. sqrt(2); the level stays close to the dry level on average.
    modGain = static_cast<float>(d * 0.7071);
    offsetGain = static_cast<float>((1.0 - d) * 0.2929 + 0.7071);
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

int CMLVTremoloDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    const double mg = modGain, og = offsetGain;
    return RunKernel(in, out, inPeak, outPeak, n, [&](auto channels, const float* x, float* y) {
        const float g = static_cast<float>(lfo.value() * mg + og);
        lfo.tick();
        for (int c = 0; c < channels; ++c)
            y[c] = x[c] * g;
    });
}

MLV_REGISTER_ALGORITHM(180, CMLVTremoloDSP)
