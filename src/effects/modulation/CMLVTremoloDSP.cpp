#include "effects/modulation/CMLVTremoloDSP.h"
#include "effects/WorkingCopy.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

CMLVTremoloDSP::CMLVTremoloDSP(double sampleRate_, int maxBlockSize_)
    : CMLVShapedLfoDSP(sampleRate_, maxBlockSize_) {
    Setup({"TR - Tremolo", "TR", FourCC("tru1")},
          SyncMultiplier::WithSyncAndTap(
              {
                  TempoRecord(kTempo, 300),
                  ShapeRecord(kWaveShape),
                  {kDepth, "Depth", "%", 0, 100, 1, 21, Linear},
              },
              kSyncCoeff),
          {
              {"Default", {300, 0, 21, 0, 0}},
              {"Light tremolo", {300, 0, 21, 0, 0}},
              {"Fast tremolo", {671, 4, 31, 0, 0}},
              {"Hard tremolo", {98.4f, 0, 100, 0, 0}},
              {"Gap", {240, 2, 100, 0, 0}},
          });
}

int CMLVTremoloDSP::UpdateCoefficients(bool full) {
    UpdateLfo(full, kTempo, kWaveShape, kSyncCoeff);
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
    WorkingCopy<LfoOscillator> osc(lfo);
    return RunKernel(in, out, inPeak, outPeak, n, [&](auto channels, const float* x, float* y) {
        const float g = static_cast<float>(osc->value() * mg + og);
        osc->tick();
        for (int c = 0; c < channels; ++c)
            y[c] = x[c] * g;
    });
}

MLV_REGISTER_ALGORITHM(180, CMLVTremoloDSP)
