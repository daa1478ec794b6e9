#include "effects/modulation/CMLVNoiseGateDSP.h"
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
    : CMLVParRelations(sampleRate_, maxBlockSize_) {
    name = "NG - Noise Gate";
    shortName = "NG";
    pluginId = FourCC("ngu1");
    AddPreset(0, "Default", {-50, 5, 185, 0});
    AddPreset(1, "Very Fast", {-50, 5, 61, 0});
    AddPreset(2, "Fast", {-50, 5, 185, 0});
    AddPreset(3, "Standard", {-50, 50, 1000, 0});
    AddPreset(4, "Slow", {-36, 120, 1630, 0});
    AddPreset(5, "Very Slow", {-62, 170, 1880, 0});
    AddParameter(2, "Threshold Level", "dB", -100, 0, 0.5, -50, Linear);
    AddParameter(3, "Attack", "ms", 0, 200, 1, 5, Linear);
    AddParameter(4, "Release", "ms", 1, 2000, 1, 185, Linear);
    AddParameter(5, "Learn", std::vector<std::string>{"Measuring finished", "Measuring input level"}, 0, 1, 1,
                 0, List);
    RecallPreset("Default");
    UpdateCoefficients(true);
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
    const double linear = std::pow(10.0, GetParameter(2)->GetValue() / 20.0);
    thresholdPower = static_cast<float>(linear * linear);
    a = static_cast<float>(2200.0 / sampleRate / std::max(GetParameter(3)->GetValue(), 0.5));
    // The range starts at 1 ms; a preset value below would make the coefficient blow up.
    closingCoef = static_cast<float>(2200.0 / sampleRate / std::max(GetParameter(4)->GetValue(), 0.5));
    k = a;
    const bool learn = GetParameter(5)->GetValue() != 0.0;
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
    float ip0 = 0, ip1 = 0, op0 = 0, op1 = 0;
    for (int i = 0; i < n; ++i) {
        const float xl = in[0][i], xr = in[1][i];
        const float p = std::max(std::max(xl * xl, xr * xr), 1e-7f);
        env = static_cast<float>((1.0 - ca) * env + static_cast<double>(ca) * p);
        if (learning) {
            learnPeak = std::max(learnPeak, std::sqrt(p));
            if (++learnCounter >= learnLength) {
                const float learned = static_cast<float>(20.0 * std::log10(static_cast<double>(learnPeak)));
                GetParameter(2)->SetValue(learned);
                GetParameter(5)->SetValue(0.0);
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
        const float yl = xl * g, yr = xr * g;
        out[0][i] = yl;
        out[1][i] = yr;
        ip0 = std::max(ip0, std::fabs(xl));
        ip1 = std::max(ip1, std::fabs(xr));
        op0 = std::max(op0, std::fabs(yl));
        op1 = std::max(op1, std::fabs(yr));
    }
    envelope = env;
    gain = g;
    previousTarget = prev;
    k = kc;
    gateClosed.store(g < 0.001f, std::memory_order_relaxed);
    inPeak[0] = ip0;
    inPeak[1] = ip1;
    outPeak[0] = op0;
    outPeak[1] = op1;
    return 0;
}

MLV_REGISTER_ALGORITHM(105, CMLVNoiseGateDSP)
