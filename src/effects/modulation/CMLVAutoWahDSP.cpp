#include "effects/modulation/CMLVAutoWahDSP.h"
#include "effects/modulation/RiseTime.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"
#include "effects/PeakUpdate.h"
#include <algorithm>
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

template <int Channels> double CMLVAutoWahDSP::Sweep::Step(float x0, float x1) {
    // Without the silent second channel the detector sees the same power: its square is +0 and the floor
    // below is far above it. Squares of finite input are never NaN, so plain compares give what std::fmax
    // gives without its library call.
    const float pw = Channels == 2 ? std::max(std::max(x0 * x0, x1 * x1), 1e-7f) : std::max(x0 * x0, 1e-7f);
    e = static_cast<float>(static_cast<double>(e) * keep + static_cast<double>(pw) * kEnv);
    const float gate = e > th ? 1.0f : 1e-7f;
    const float change = gate - last;
    if (change > 0.0f)
        kt = rise;
    else if (change < 0.0f)
        kt = fall;
    last = gate;
    tr = static_cast<float>((1.0 - kt) * tr + static_cast<double>(kt) * gate);
    const float p = o.parabola;
    const float m = modeB ? p * tr : (1.0f - tr) * p;
    o.tick();
    return (1.0 + m) * half + base;
}

void CMLVAutoWahDSP::DesignChunk(int n) {
    const double sr = sampleRate, qd = q;
    const double* f = frequency;
    WahFilter::Coefficients* k = design;
    int i = 0;
    for (; i + 1 < n; i += 2)
        WahFilter::DesignPair(f + i, qd, sr, k + i);
    if (i < n) k[i] = WahFilter::Design(f[i], qd, sr);
}

template <int Channels>
void CMLVAutoWahDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    // Locals, so that the stores into the buffers cannot force reloads through `this`.
    Sweep s{env, lastGate, kTrigger, trig, osc, ke, keepE, kRise, kFall, threshold, modeB, half, base};
    WahFilter f[2] = {filter[0], filter[1]};
    float ip[2] = {inPeak[0], inPeak[1]}, op[2] = {outPeak[0], outPeak[1]};
    double* fr = frequency;
    const WahFilter::Coefficients* k = design;
    const float* x0 = in[0];
    const float* x1 = in[Channels - 1];
    const double dry = dryGain / 100.0;
    // Filters sample i of the block with design j.
    const auto filterAt = [&](int i, int j) {
        float x[2], y[2];
        for (int c = 0; c < Channels; ++c)
            x[c] = in[c][i];
        // The filter's output carries the wet gain (wetGain %) itself.
        for (int c = 0; c < Channels; ++c)
            y[c] = static_cast<float>(f[c].Process(x[c], k[j]) + dry * x[c]);
        for (int c = 0; c < Channels; ++c) {
            out[c][i] = y[c];
            ip[c] = PeakUpdate(ip[c], x[c]);
            op[c] = PeakUpdate(op[c], y[c]);
        }
    };
    const int first = std::min(kChunk, n);
    for (int i = 0; i < first; ++i)
        fr[i] = s.Step<Channels>(x0[i], x1[i]);
    DesignChunk(first);
    // Each chunk's filters with the next chunk's sweep; the sweep reads only inputs not yet written.
    for (int start = 0; start < n; start += kChunk) {
        const int len = std::min(kChunk, n - start), next = start + len, nextLen = std::min(kChunk, n - next);
        int i = 0;
        for (; i < nextLen; ++i) {
            fr[i] = s.Step<Channels>(x0[next + i], x1[next + i]);
            filterAt(start + i, i);
        }
        for (; i < len; ++i)
            filterAt(start + i, i);
        if (nextLen > 0) DesignChunk(nextLen);
    }
    env = s.e, lastGate = s.last, kTrigger = s.kt, trig = s.tr;
    osc = s.o;
    for (int c = 0; c < Channels; ++c) {
        filter[c] = f[c];
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
}

int CMLVAutoWahDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    return WithActiveChannels([&](auto c) { Run<decltype(c)::value>(in, out, inPeak, outPeak, n); });
}

MLV_REGISTER_ALGORITHM(15, CMLVAutoWahDSP)
