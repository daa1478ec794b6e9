#include "effects/drive/CMLVLevelControlDSP.h"
#include "effects/PeakUpdate.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVLevelControlDSP::CMLVLevelControlDSP(double sampleRate_, int maxBlockSize_)
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    Setup({"LC - Level Control", "LC", FourCC("lcu1")},
          {
              {kGain, "Gain", "dB", -60, 12, 0.5, 0, GainDb},
              {kLeft, "Left", "%", 0, 100, 1, 0, Linear},
              {kRight, "Right", "%", 0, 100, 1, 100, Linear},
              {kStereoMode, "Stereo Mode", {"Normal", "Wide"}, 0, 1, 1, 0, List},
          },
          {
              {"Default", {0, 0, 100, 0}},
              {"Gain It", {12, 0, 100, 0}},
              {"Wide Stereo", {0, 0, 100, 1}},
              {"Mono", {0, 50, 50, 0}},
              {"Both to L", {0, 0, 0, 0}},
              {"Both to R", {0, 100, 100, 0}},
          });
}

int CMLVLevelControlDSP::UpdateCoefficients(bool) {
    const CMLVParameter* gain = GetParameter(kGain);
    a = static_cast<float>(1.0 - GetParameter(kLeft)->GetValue() / 100.0);
    b = static_cast<float>(GetParameter(kRight)->GetValue() / 100.0);
    wide = GetParameter(kStereoMode)->GetValue() != 0.0;
    // The minimum is "-Inf": silence.
    g = gain->GetValue() > gain->minValue ? static_cast<float>(std::pow(10.0, gain->GetValue() / 20.0))
                                          : 0.0f;
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

int CMLVLevelControlDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    // Matrix coefficients: normal, or widened by 1.5 around the centre. The gain applies to the mix.
    const float ll = wide ? 1.5f * a - 0.5f : a, rl = wide ? 1.0f - 1.5f * b : 1.0f - b;
    const float lr = wide ? 1.0f - 1.5f * a : 1.0f - a, rr = wide ? 1.5f * b - 0.5f : b;
    const float gain = g;
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;
    for (int i = 0; i < n; ++i) {
        const float xl = in[0][i], xr = in[1][i];
        const float yl = gain * (ll * xl + rl * xr), yr = gain * (lr * xl + rr * xr);
        out[0][i] = yl;
        out[1][i] = yr;
        ip0 = PeakUpdate(ip0, xl);
        ip1 = PeakUpdate(ip1, xr);
        op0 = PeakUpdate(op0, yl);
        op1 = PeakUpdate(op1, yr);
    }
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(100, CMLVLevelControlDSP)
