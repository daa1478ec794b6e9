#include "effects/modulation/CMLVPedalWahDSP.h"
#include "effects/WorkingCopy.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

namespace {
constexpr double kToeFrequencyHz = 2500.0;
}

CMLVPedalWahDSP::CMLVPedalWahDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    Setup({"PW - Pedal Wah", "PW", FourCC("pwu1")},
          {
              {kPedal, "Pedal", "%", 1, 100, 1, 50, Linear},
              {kResonance, "Resonance", "", 10, 100, 0.5, 52, Linear},
              {kRange, "Range", "Hz", 200, 440, 1, 300, Linear},
          },
          {
              {"Default", {50, 52, 300}},
              {"Sweet Mummy", {31, 10, 242}},
              {"Shy Baby", {1, 37, 330}},
              {"Angry Daddy", {1, 70, 440}},
              {"House Opposite", {1, 100, 200}},
          });
}

int CMLVPedalWahDSP::UpdateCoefficients(bool full) {
    if (full) {
        position = 0.0f;
        q = 52;
        Reset();
    }
    q = static_cast<int>(GetParameter(kResonance)->GetValue());
    // A Q of 0 would divide by zero; the knob stops at 10.
    if (q < 1) q = 1;
    target = static_cast<float>(GetParameter(kPedal)->GetValue() / 100.0 - 0.01);
    const double range = GetParameter(kRange)->GetValue();
    logRange = std::log(range > 0.0 ? range : 1.0);
    logSpan = std::log(kToeFrequencyHz) - logRange;
    cachedPosition[0] = cachedPosition[1] = -1.0f;
    position = Smooth(position);
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

WahFilter::Coefficients CMLVPedalWahDSP::CoefficientsAt(float p) {
    if (p == cachedPosition[0]) return cached[0];
    if (p == cachedPosition[1]) return cached[1];
    const double f = std::exp(logRange + logSpan * p);
    const WahFilter::Coefficients k = WahFilter::DesignFast(f, q, sampleRate);
    cachedPosition[cacheNext] = p;
    cached[cacheNext] = k;
    cacheNext ^= 1;
    return k;
}

int CMLVPedalWahDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    WorkingCopy<float> p(position);
    WorkingCopy<std::array<WahFilter, 2>> f(filter);
    return RunFrame(in, out, inPeak, outPeak, n, [&](auto channels, const float* x, float* y) {
        *p = Smooth(*p);
        const WahFilter::Coefficients k = CoefficientsAt(*p);
        for (int c = 0; c < channels; ++c)
            y[c] = (*f)[c].Process(x[c], k);
    });
}

MLV_REGISTER_ALGORITHM(150, CMLVPedalWahDSP)
