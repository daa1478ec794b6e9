#include "effects/modulation/CMLVExpanderGateDSP.h"
#include "effects/modulation/RiseTime.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

namespace {
const CMLVReadout kExpanderReadouts[] = {{"expanding", "Expanding", "", 0.0f, 1.0f}};

} // namespace

CMLVExpanderGateDSP::CMLVExpanderGateDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    Setup({"EG - Expander Gate", "EG", FourCC("egu1")},
          {
              {kThresholdLevel, "Treshold Level", "dB", -60, 0, 0.5, 0, Linear},
              {kAttackTime, "Attack Time", "ms", 0, 200, 1, 20, Linear},
              {kReleaseTime, "Release Time", "ms", 0, 4000, 1, 200, Linear},
              {kRatio, "Ratio", "", 0, 50, 1, 0, Linear},
          },
          {
              {"Default", {0, 20, 200, 0}},
              {"Half 2:1", {-6, 5, 400, 25}},
          });
}

const CMLVReadout* CMLVExpanderGateDSP::GetReadoutInfo(int index) const {
    return index == 0 ? &kExpanderReadouts[0] : nullptr;
}

float CMLVExpanderGateDSP::GetReadoutValue(int index) const {
    return index == 0 && expanding.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
}

int CMLVExpanderGateDSP::UpdateCoefficients(bool full) {
    const double level = GetParameter(kThresholdLevel)->GetValue();
    // At exactly 0 dB the expander is off.
    thresholdLinear = level == 0.0 ? 0.0f : static_cast<float>(std::pow(10.0, level / 20.0));
    logThreshold = thresholdLinear > 0.0f ? std::log10(static_cast<double>(thresholdLinear)) : 0.0;
    // The ratio follows the knob position: 1 / (1 - r), a hard gate at the top.
    const double q = 1.0 - GetParameter(kRatio)->normalizedValue;
    exponentK = q == 0.0 ? -10000.0 : 1.0 - 1.0 / q;
    attackCoef = RiseTime::ExactCoefficient(sampleRate, GetParameter(kAttackTime)->GetValue());
    releaseCoef = RiseTime::ExactCoefficient(sampleRate, GetParameter(kReleaseTime)->GetValue());
    coef = attackCoef;
    if (full) {
        detectorDecay = 0.01f;
        detectorRise = 0.4f;
        holdLength = 20;
        Reset();
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVExpanderGateDSP::Reset() {
    envelope = 1e-6f;
    target = 1e-6f;
    previous = 0.0f;
    smoothedGain = 0.0f;
    holdCounter = 0;
    riseHeld = fallHeld = false;
}

int CMLVExpanderGateDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n, true)) return 0;
    // Detector channel: the one with the larger mean square over this block.
    double sum0 = 0.0, sum1 = 0.0;
    for (int i = 0; i < n; ++i) {
        sum0 += static_cast<double>(in[0][i]) * in[0][i];
        sum1 += static_cast<double>(in[1][i]) * in[1][i];
    }
    const int detector = sum1 > sum0 ? 1 : 0;

    float env = envelope, tgt = target, prev = previous, gs = smoothedGain, c = coef;
    int counter = holdCounter;
    bool rise = riseHeld, fall = fallHeld, expanded = false;
    const double keep = 1.0 - detectorDecay, riseGain = detectorRise;
    const float thr = thresholdLinear;
    RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
        const float xl = x[0], xr = x[1];
        const float xd = std::fabs(detector ? xr : xl);
        env = static_cast<float>(keep * env + riseGain * std::max(static_cast<double>(xd) - env, 0.0));
        prev = tgt;
        if (env > 0.0f && env < thr) {
            tgt = static_cast<float>(
                std::pow(10.0, -exponentK * (std::log10(static_cast<double>(env)) - logThreshold)));
            expanded = true;
        } else {
            tgt = 1.0f;
        }
        if (tgt >= prev && !rise) {
            c = attackCoef;
            rise = fall = true;
        } else if (prev > tgt && !fall) {
            c = releaseCoef;
            rise = fall = true;
        }
        if (++counter >= holdLength) {
            counter = 0;
            rise = fall = false;
        }
        y[0] = xl * gs;
        y[1] = xr * gs;
        gs = static_cast<float>((1.0 - c) * gs + static_cast<double>(c) * prev);
    });
    envelope = env;
    target = tgt;
    previous = prev;
    smoothedGain = gs;
    coef = c;
    holdCounter = counter;
    riseHeld = rise;
    fallHeld = fall;
    expanding.store(expanded, std::memory_order_relaxed);
    return 0;
}

MLV_REGISTER_ALGORITHM(60, CMLVExpanderGateDSP)
