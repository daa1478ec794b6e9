#include "effects/drive/CMLVGraphicEQDSP.h"
#include "effects/PeakUpdate.h"
#include "effects/drive/BelowNyquist.h"
#include <cmath>

CMLVGraphicEQDSP::CMLVGraphicEQDSP(double sampleRate_, int maxBlockSize_, const CMLVEffectIdentity& identity,
                                   const std::array<double, kBands>& freqs_,
                                   const std::array<const char*, kBands>& labels,
                                   const CMLVPresetTable& factoryPresets)
    : CMLVParRelations(sampleRate_, maxBlockSize_), freqs(freqs_) {
    CMLVParameterTable rows;
    for (int k = 0; k < kBands; ++k)
        rows.push_back({kFirstBand + k, labels[k], "dB", -18, 18, 0.1, 0, Linear});
    rows.push_back({kOutput, "Output", "dB", -18, 18, 0.1, 0, Linear});
    Setup(identity, rows, factoryPresets, CMLVFirstUpdate::FirstBlock);
}

CMLVGraphicEQDSP::Coefficients CMLVGraphicEQDSP::Design(const std::array<double, kBands>& freqs,
                                                        const std::array<double, kBands>& gains,
                                                        double outputDb, double fs,
                                                        std::array<bool, kBands>& active) {
    // The band designs use pi rounded to single precision.
    const double pi = static_cast<double>(static_cast<float>(M_PI));
    const double twoPi = static_cast<double>(static_cast<float>(2.0 * M_PI));
    Coefficients c{};
    double G = std::pow(10.0, outputDb / 20.0);
    for (int k = 0; k < kBands; ++k) {
        const double gk = gains[k], fk = BelowNyquist(freqs[k], fs);
        active[k] = gk != 0.0;
        if (!active[k]) {
            c.band[k] = {0, 0, 0, 0};
            continue;
        }
        if (k < kBands - 1) {
            // Peak through an all-pass, bandwidth fk / (2 sqrt 2).
            const double V0 = std::pow(10.0, gk / 20.0), H = (V0 - 1.0) / 2.0;
            const double Kb = std::tan(0.5 * (fk * 0.7071067776269051) * pi / fs);
            const double aB = gk < 0 ? (Kb - V0) / (Kb + V0) : (Kb - 1.0) / (Kb + 1.0);
            const double t = (aB + 1.0) * H;
            const double b0 = t + 1.0;
            const double a1 = -std::cos(twoPi * fk / fs) * (1.0 - aB);
            c.band[k] = {float(a1 / b0), float((-aB - t) / b0), float(a1), float(-aB)};
            G *= b0;
        } else {
            // High shelf; a cut uses the boost's poles as zeros, so equal cut and boost cancel.
            const double V = std::pow(10.0, std::fabs(gk) / 20.0);
            const double K = std::tan(pi * fk / fs), K2 = K * K;
            const double sq2V = std::sqrt(2.0 * V), sq2 = std::sqrt(2.0);
            const double RV = V + sq2V * K + K2, P = 1.0 + sq2 * K + K2;
            const double u1 = 2.0 * (K2 - V) / RV, u2 = (V - sq2V * K + K2) / RV;
            const double p1 = 2.0 * (K2 - 1.0) / P, p2 = (1.0 - sq2 * K + K2) / P;
            if (gk > 0) {
                c.band[k] = {float(u1), float(u2), float(p1), float(p2)};
                G *= RV / P;
            } else {
                c.band[k] = {float(p1), float(p2), float(u1), float(u2)};
                G *= P / RV;
            }
        }
    }
    c.G = static_cast<float>(G);
    return c;
}

int CMLVGraphicEQDSP::UpdateCoefficients(bool full) {
    if (full) {
        Reset();
        fullUpdatePending = false;
    }
    std::array<double, kBands> gains;
    for (int k = 0; k < kBands; ++k)
        gains[k] = GetParameter(kFirstBand + k)->GetValue();
    coeffs = Design(freqs, gains, GetParameter(kOutput)->GetValue(), sampleRate, active);
    activeCount = 0;
    for (int k = 0; k < kBands; ++k)
        if (active[k]) activeList[activeCount++] = k;
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVGraphicEQDSP::Reset() {
    state[0] = ChannelState{};
    state[1] = ChannelState{};
}

template <int C>
void CMLVGraphicEQDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const float G = coeffs.G;
    float ip[2] = {0, 0}, op[2] = {0, 0};
    // The channels in one pass: every input sample is read before its outputs are written.
    for (int i = 0; i < n; ++i) {
        float x[2];
        for (int c = 0; c < C; ++c) {
            x[c] = in[c][i];
            ip[c] = PeakUpdate(ip[c], x[c]);
            if (x[c] == 0.0f) x[c] = 1e-7f;
        }
        for (int j = 0; j < activeCount; ++j) {
            const int k = activeList[j];
            const Band& b = coeffs.band[k];
            for (int c = 0; c < C; ++c) {
                ChannelState& st = state[c];
                const float w = st.s1[k] + x[c];
                st.s1[k] = b.b1 * x[c] + st.s2[k] - b.a1 * w;
                st.s2[k] = b.b2 * x[c] - b.a2 * w;
                x[c] = w;
            }
        }
        for (int c = 0; c < C; ++c) {
            const float y = G * x[c];
            out[c][i] = y;
            op[c] = PeakUpdate(op[c], y);
        }
    }
    for (int c = 0; c < C; ++c) {
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
}

int CMLVGraphicEQDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    return WithActiveChannels([&](auto c) { Run<decltype(c)::value>(in, out, inPeak, outPeak, n); });
}
