#include "effects/modulation/CMLVAutoPanDSP.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

namespace {
const std::vector<std::string> kShapes{"Triangular", "Logarithmic", "Rectangular", "Exponential",
                                       "Sinusoidal"};
}

CMLVAutoPanDSP::CMLVAutoPanDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    name = "AP - Auto Pan";
    shortName = "AP";
    pluginId = FourCC("apu1");
    AddPreset(0, "Default", {0, 100, 0, 100, 0, 0});
    AddPreset(1, "Slow song", {0, 100, 0, 62, 0, 0});
    AddPreset(2, "Leslie rotary", {1, 240, 0, 78, 0, 0});
    AddPreset(3, "Slow pan", {3, 100, 0, 100, 0, 0});
    AddPreset(4, "Stereo gap", {2, 200, 0, 100, 0, 0});
    AddParameter(kWaveShape, "Wave shape", kShapes, 0, 4, 1, 0, List);
    AddParameter(kTempo, "Tempo", "BPM", 10, 700, 1, 100, Linear);
    AddParameter(kCenter, "Center", std::vector<std::string>{"% Left", "% Right"}, -40, 40, 1, 0, Bipolar);
    AddParameter(kStereo, "Stereo", "%", 0, 100, 1, 100, Linear);
    AddParameter(kSyncCoeff, "Sync coeff", SyncMultiplier::Labels(), 0, 8, 1, 0, List);
    AddParameter(kTap, "Tap", SyncMultiplier::TapLabels(), 0, 1, 1, 0, List);
    RecallPreset("Default");
    UpdateCoefficients(true);
}

int CMLVAutoPanDSP::UpdateCoefficients(bool full) {
    if (full) {
        lfo.setSampleRate(static_cast<float>(sampleRate));
        Reset();
    }
    const double t =
        SyncMultiplier::Tempo(GetParameter(kSyncCoeff)->GetValue(), tempo, GetParameter(kTempo)->GetValue());
    lfo.setTempo(static_cast<float>(t));
    lfo.setShape(static_cast<int>(GetParameter(kWaveShape)->GetValue()));
    offsetGain = static_cast<float>(1.0 - GetParameter(kCenter)->GetValue() / 100.0);
    modGain = static_cast<float>(GetParameter(kStereo)->GetValue() / 100.0);
    channelMode = hostChannels > 1;
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

int CMLVAutoPanDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    const double mg = modGain, og = offsetGain;
    if (channelMode) {
        return RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
            const float gl = static_cast<float>(lfo.value() * mg + og);
            const float gr = 2.0f - gl;
            lfo.tick();
            y[0] = x[0] * gl;
            y[1] = x[1] * gr;
        });
    }
    return RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
        const float gl = static_cast<float>(lfo.value() * mg + og);
        const float gr = 2.0f - gl;
        lfo.tick();
        const float m = static_cast<float>((static_cast<double>(x[0]) + x[1]) * 0.5);
        y[0] = m * gl;
        y[1] = m * gr;
    });
}

MLV_REGISTER_ALGORITHM(5, CMLVAutoPanDSP)
