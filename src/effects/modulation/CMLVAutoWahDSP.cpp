#include "effects/modulation/CMLVAutoWahDSP.h"
#include "effects/modulation/RiseTime.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>

CMLVAutoWahDSP::CMLVAutoWahDSP(double sampleRate_, int maxBlockSize_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_) {
    Setup({"AW - Auto Wah", "AW", FourCC("awu1")},
          SyncMultiplier::WithSyncAndTap(
              {
                  {kSensitivity, "Sensitivity", "dB", -100, 0, 1, -16, Linear},
                  {kRate, "Rate", "Hz", 0.05, 10, 0.05, 0.692, Logarithmic},
                  {kDepth, "Depth", "%", 0, 100, 1, 50, Linear},
                  {kCenter, "Center", "%", 1, 100, 1, 50, Linear},
                  {kMode, "Mode", {"A", "B"}, 0, 1, 1, 0, List},
              },
              kSyncCoeff),
          {
              {"Default", {-16, 0.692f, 50, 50, 0, 0, 0}},
              {"Classic", {-50, 0.575f, 100, 40, 1, 0, 0}},
              {"Fast & Deep", {-100, 3.235f, 100, 50, 1, 0, 0}},
              {"Fast & High", {-60, 3.311f, 63, 59, 1, 0, 0}},
              {"Decay wah", {-33.3f, 3.311f, 80, 38, 0, 0, 0}},
          });
}

void CMLVAutoWahDSP::Reset() {
    for (auto& f : filter)
        f.Clear();
    env = lastGate = trig = 0.0f;
}

int CMLVAutoWahDSP::UpdateCoefficients(bool full) {
    if (full) {
        // The envelope's time is one time constant; the trigger's are rise times.
        ke = static_cast<float>(10000.0 / sampleRate / envelopeTenthsMs);
        keepE = static_cast<float>(1.0 - ke);
        kRise = static_cast<float>(RiseTime::LinearCoefficient(sampleRate, triggerRiseTenthsMs, 10000.0));
        kFall = static_cast<float>(RiseTime::LinearCoefficient(sampleRate, triggerFallTenthsMs, 10000.0));
        kTrigger = kRise;
        trig = 0.0f;
        Reset();
    }
    const double level = std::pow(10.0, GetParameter(kSensitivity)->GetValue() / 20.0);
    threshold = static_cast<float>(level * level);
    modeB = GetParameter(kMode)->GetValue() == 1.0;
    f0 = std::pow(10.0, 1.4 * GetParameter(kCenter)->GetValue() / 100.0 - 1.4) * sampleRate /
         ((sweepWidth + 10) / 5.0);
    const double k = sweepWidth / 1000.0 * GetParameter(kDepth)->GetValue() + 1.0;
    const double fHigh = f0 * k, fLow = f0 / k;
    half = (fHigh - fLow) * 0.25;
    base = f0 - half;
    osc.setRate(
        SyncMultiplier::Rate(GetParameter(kSyncCoeff)->GetValue(), tempo, GetParameter(kRate)->GetValue()),
        sampleRate);
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

int CMLVAutoWahDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const double sr = sampleRate, qd = q, dry = dryGain / 100.0;
    return RunFrame(in, out, inPeak, outPeak, n, [&](auto channels, const float* x, float* y) {
        // Without the silent second channel the detector sees the same power: its square is +0 and the
        // floor below is far above it. Squares of finite input are never NaN, so plain compares give what
        // std::fmax gives without its library call.
        const float pw = channels == 2 ? std::max(std::max(x[0] * x[0], x[1] * x[1]), 1e-7f)
                                       : std::max(x[0] * x[0], 1e-7f);
        env = static_cast<float>(static_cast<double>(env) * keepE + static_cast<double>(pw) * ke);
        const float gate = env > threshold ? 1.0f : 1e-7f;
        const float change = gate - lastGate;
        if (change > 0.0f)
            kTrigger = kRise;
        else if (change < 0.0f)
            kTrigger = kFall;
        lastGate = gate;
        trig = static_cast<float>((1.0 - kTrigger) * trig + static_cast<double>(kTrigger) * gate);
        const float p = osc.parabola;
        const float m = modeB ? p * trig : (1.0f - trig) * p;
        const double f = (1.0 + m) * half + base;
        const WahFilter::Coefficients k = WahFilter::Design(f, qd, sr);
        // The filter's output carries the wet gain (wetGain %) itself.
        for (int c = 0; c < channels; ++c)
            y[c] = static_cast<float>(filter[c].Process(x[c], k) + dry * x[c]);
        osc.tick();
    });
}

MLV_REGISTER_ALGORITHM(15, CMLVAutoWahDSP)
