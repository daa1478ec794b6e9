#include "effects/modulation/CMLVCompressorDSP.h"
#include "effects/modulation/RiseTime.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

namespace {
const CMLVReadout kCompressorReadouts[] = {{"over_threshold", "Over threshold", "", 0.0f, 1.0f}};
} // namespace

CMLVCompressorDSP::CMLVCompressorDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    Setup({"CM - Compressor", "CM", FourCC("cmu1")},
          {
              {kThresholdLevel, "Threshold Level", "dB", -60, 0, 0.5, -6, Linear},
              {kAttackTime, "Attack Time", "ms", 0, 200, 1, 20, Linear},
              {kReleaseTime, "Release Time", "ms", 20, 4000, 1, 600, Linear},
              {kRatio, "Ratio", "", 1, 50, 1, 8, Linear},
              {kAutoGain, "Auto Gain", {"Off", "On"}, 0, 1, 1, 1, List},
          },
          {
              {"Default", {-6, 20, 600, 8, 1}},
              {"Hard 1", {-10, 2, 2000, 10, 0}},
              {"Hard 2", {-17, 10, 410, 50, 0}},
              {"Hi Attack", {-15, 120, 3200, 2, 0}},
              {"Hi Sustain", {-20, 2, 560, 10, 0}},
              {"2:1 Compressor", {-12, 20, 150, 2, 0}},
          });
}

const CMLVReadout* CMLVCompressorDSP::GetReadoutInfo(int index) const {
    return index == 0 ? &kCompressorReadouts[0] : nullptr;
}

float CMLVCompressorDSP::GetReadoutValue(int index) const {
    return index == 0 && publishedOverThreshold.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
}

int CMLVCompressorDSP::UpdateCoefficients(bool full) {
    const double threshold = GetParameter(kThresholdLevel)->GetValue();
    const double attackMs = GetParameter(kAttackTime)->GetValue();
    // Release is at least 20 ms by range, but a preset may carry anything: keep the coefficient finite.
    const double releaseMs = std::max(GetParameter(kReleaseTime)->GetValue(), 1e-3);
    const CMLVParameter* ratio = GetParameter(kRatio);
    const double R = std::max(ratio->GetValue(), 1.0);

    thresholdLinear = static_cast<float>(std::pow(10.0, threshold / 20.0));
    inverseThreshold = static_cast<float>(1.0 / thresholdLinear);

    const double attackCoef = RiseTime::LinearCoefficient(sampleRate, std::max(attackMs, 0.5));
    const double releaseCoef = RiseTime::LinearCoefficient(sampleRate, releaseMs);
    releaseKeep = static_cast<float>(1.0 - releaseCoef);
    // The rise coefficient always belongs to the shorter of the two times.
    const bool swapped = attackMs > releaseMs;
    riseCoef = static_cast<float>(swapped ? releaseCoef : attackCoef);
    fallCoef = static_cast<float>(swapped ? attackCoef : releaseCoef);
    a = riseCoef;
    oneMinusA = 1.0f - a;

    if (ratio->GetValue() == ratio->maxValue) {
        exponent = -1.0f; // limiting
        makeUp = static_cast<float>(std::pow(10.0, -0.99 * (threshold + 2.0) / 20.0));
    } else {
        exponent = static_cast<float>(1.0 / R - 1.0);
        makeUp = static_cast<float>(std::pow(10.0, -0.99 * (1.0 - 1.0 / R) * (threshold + 2.0) / 20.0));
    }
    autoGain = GetParameter(kAutoGain)->GetValue() != 0.0;

    if (full) Reset();
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVCompressorDSP::Reset() {
    envelope = 0.0f;
    previousTarget = 0.0f;
    smoothedGain = 1.0f;
}

int CMLVCompressorDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n, true)) return 0;
    float e = envelope, gs = smoothedGain, prev = previousTarget;
    float ca = a, cb = oneMinusA;
    const float keep = releaseKeep, inv = inverseThreshold, thr = thresholdLinear, ex = exponent;
    const float rise = riseCoef, fall = fallCoef;
    const float outGain = autoGain ? makeUp : 1.0f;
    bool over = false;
    RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
        const float xl = x[0], xr = x[1];
        const float xm = std::max(std::fabs(xl), std::fabs(xr));
        if (xm > thr) over = true;
        const float xs = xm > 1e-7f ? xm : 1e-7f;
        e = static_cast<float>(static_cast<double>(keep) * e + std::max(static_cast<double>(xs) - e, 0.0));
        const double r = static_cast<double>(e) * inv;
        const float g = r > 1.0 ? static_cast<float>(std::pow(r, static_cast<double>(ex))) : 1.0f;
        const double dg = static_cast<double>(g) - prev;
        if (dg > 1e-6) {
            ca = rise;
            cb = 1.0f - rise;
        } else if (dg < -1e-6) {
            ca = fall;
            cb = 1.0f - fall;
        }
        prev = g;
        gs = static_cast<float>(static_cast<double>(cb) * gs + static_cast<double>(ca) * g);
        const float gain = gs * outGain;
        y[0] = xl * gain;
        y[1] = xr * gain;
    });
    envelope = e;
    smoothedGain = gs;
    previousTarget = prev;
    a = ca;
    oneMinusA = cb;
    overThreshold = over;
    if (publishedOverThreshold.load(std::memory_order_relaxed) != over)
        publishedOverThreshold.store(over, std::memory_order_relaxed);
    return 0;
}

MLV_REGISTER_ALGORITHM(35, CMLVCompressorDSP)
