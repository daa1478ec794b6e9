#include "effects/modulation/CMLVAutoPanDSP.h"
#include "effects/WorkingCopy.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

CMLVAutoPanDSP::CMLVAutoPanDSP(double sampleRate_, int maxBlockSize_)
    : CMLVShapedLfoDSP(sampleRate_, maxBlockSize_) {
    Setup({"AP - Auto Pan", "AP", FourCC("apu1")},
          SyncMultiplier::WithSyncAndTap(
              {
                  ShapeRecord(kWaveShape),
                  TempoRecord(kTempo, 100),
                  {kCenter, "Center", {"% Left", "% Right"}, -40, 40, 1, 0, Bipolar},
                  {kStereo, "Stereo", "%", 0, 100, 1, 100, Linear},
              },
              kSyncCoeff),
          {
              {"Default", {0, 100, 0, 100, 0, 0}},
              {"Slow song", {0, 100, 0, 62, 0, 0}},
              {"Leslie rotary", {1, 240, 0, 78, 0, 0}},
              {"Slow pan", {3, 100, 0, 100, 0, 0}},
              {"Stereo gap", {2, 200, 0, 100, 0, 0}},
          });
}

int CMLVAutoPanDSP::UpdateCoefficients(bool full) {
    UpdateLfo(full, kTempo, kWaveShape, kSyncCoeff);
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
    WorkingCopy<LfoOscillator> osc(lfo);
    if (channelMode) {
        return RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
            const float gl = static_cast<float>(osc->value() * mg + og);
            const float gr = 2.0f - gl;
            osc->tick();
            y[0] = x[0] * gl;
            y[1] = x[1] * gr;
        });
    }
    return RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
        const float gl = static_cast<float>(osc->value() * mg + og);
        const float gr = 2.0f - gl;
        osc->tick();
        const float m = static_cast<float>((static_cast<double>(x[0]) + x[1]) * 0.5);
        y[0] = m * gl;
        y[1] = m * gr;
    });
}

MLV_REGISTER_ALGORITHM(5, CMLVAutoPanDSP)
