#include "effects/modulation/CMLVNoiseGateDSP.h"
#include "effects/modulation/RiseTime.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>

namespace {
const CMLVReadout kNoiseGateReadouts[] = {
    {"gate_closed", "Gate closed", "", 0.0f, 1.0f},
    {"learned_threshold", "Learned threshold", "dB", -140.0f, 0.0f},
};
} // namespace

CMLVNoiseGateDSP::CMLVNoiseGateDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    Setup({"NG - Noise Gate", "NG", FourCC("ngu1")},
          {
              {kThresholdLevel, "Threshold Level", "dB", -100, 0, 0.5, -50, Linear},
              {kAttack, "Attack", "ms", 0, 200, 1, 5, Linear},
              {kRelease, "Release", "ms", 1, 2000, 1, 185, Linear},
              {kLearn, "Learn", {"Measuring finished", "Measuring input level"}, 0, 1, 1, 0, List},
          },
          {
              {"Default", {-50, 5, 185, 0}},
              {"Very Fast", {-50, 5, 61, 0}},
              {"Fast", {-50, 5, 185, 0}},
              {"Standard", {-50, 50, 1000, 0}},
              {"Slow", {-36, 120, 1630, 0}},
              {"Very Slow", {-62, 170, 1880, 0}},
          });
}

const CMLVReadout* CMLVNoiseGateDSP::GetReadoutInfo(int index) const {
    return index >= 0 && index < 2 ? &kNoiseGateReadouts[index] : nullptr;
}

float CMLVNoiseGateDSP::GetReadoutValue(int index) const {
    if (index == 0) return gateClosed.load(std::memory_order_relaxed) ? 1.0f : 0.0f;
    if (index == 1) return learnedThreshold.load(std::memory_order_relaxed);
    return 0.0f;
}

int CMLVNoiseGateDSP::UpdateCoefficients(bool full) {
    const double linear = std::pow(10.0, GetParameter(kThresholdLevel)->GetValue() / 20.0);
    thresholdPower = static_cast<float>(linear * linear);
    a = static_cast<float>(
        RiseTime::LinearCoefficient(sampleRate, std::max(GetParameter(kAttack)->GetValue(), 0.5)));
    // The range starts at 1 ms; a preset value below would make the coefficient blow up.
    closingCoef = static_cast<float>(
        RiseTime::LinearCoefficient(sampleRate, std::max(GetParameter(kRelease)->GetValue(), 0.5)));
    k = a;
    const bool learn = GetParameter(kLearn)->GetValue() != 0.0;
    // A new measurement always runs its full second, even after one that was cut short.
    if (learn && !learning) {
        learnCounter = 0;
        learnPeak = 0.0f;
    }
    learning = learn;
    if (full) {
        envelope = 0.0f;
        gain = 0.0f;
        previousTarget = 0.0f;
        Reset();
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVNoiseGateDSP::Reset() {
    learnCounter = 0;
    learnPeak = 0.0f;
}

int CMLVNoiseGateDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    float env = envelope, g = gain, prev = previousTarget, kc = k;
    const float ca = a, closing = closingCoef, thr = thresholdPower;
    const int learnLength = static_cast<int>(sampleRate);
    RunKernel(in, out, inPeak, outPeak, n, [&](auto, const float* x, float* y) {
        const float xl = x[0], xr = x[1];
        const float p = std::max(std::max(xl * xl, xr * xr), 1e-7f);
        env = static_cast<float>((1.0 - ca) * env + static_cast<double>(ca) * p);
        if (learning) {
            learnPeak = std::max(learnPeak, std::sqrt(p));
            if (++learnCounter >= learnLength) {
                const float learned = static_cast<float>(20.0 * std::log10(static_cast<double>(learnPeak)));
                GetParameter(kThresholdLevel)->SetValue(learned);
                GetParameter(kLearn)->SetValue(0.0);
                learnedThreshold.store(learned, std::memory_order_relaxed);
                measurementReport.store(true, std::memory_order_release);
                learning = false;
                learnCounter = 0;
                learnPeak = 0.0f;
            }
        }
        const float target = env >= thr ? 1.0f : 1e-7f;
        if (target > prev)
            kc = ca;
        else if (target < prev)
            kc = closing;
        prev = target;
        g = static_cast<float>((1.0 - kc) * g + static_cast<double>(kc) * target);
        y[0] = xl * g;
        y[1] = xr * g;
    });
    envelope = env;
    gain = g;
    previousTarget = prev;
    k = kc;
    gateClosed.store(g < 0.001f, std::memory_order_relaxed);
    return 0;
}

MLV_REGISTER_ALGORITHM(105, CMLVNoiseGateDSP)
