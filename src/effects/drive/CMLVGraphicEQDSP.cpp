#include "effects/drive/CMLVGraphicEQDSP.h"
#include "effects/CpuFeatures.h"
#include "effects/PeakUpdate.h"
#include "effects/drive/BelowNyquist.h"
#include "effects/drive/BlockPeaks.h"
#include "effects/drive/SectionWave.h"
#include <algorithm>
#include <cmath>
#include <cstring>

CMLVGraphicEQDSP::CMLVGraphicEQDSP(double sampleRate_, int maxBlockSize_, const CMLVEffectIdentity& identity,
                                   const std::array<double, kBands>& freqs_,
                                   const std::array<const char*, kBands>& labels,
                                   const CMLVPresetTable& factoryPresets)
    : CMLVParRelations(sampleRate_, maxBlockSize_), freqs(freqs_), wide(HasAvx2()) {
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

// No active band: each sample is only scaled, sixteen at a time. Every input of a group is read before its
// outputs are written, for both channels. Each group of V has its own peaks, so that one channel has
// several chains of maxima in flight.
template <class V, int C>
inline __attribute__((always_inline)) void
CMLVGraphicEQDSP::RunFlat(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    constexpr int W = sizeof(V) / sizeof(float), H = 16 / W;
    const float G = coeffs.G;
    const V g = V{} + G, tiny = V{} + 1e-7f;
    const float* const x[2] = {in[0], in[1]};
    float* const y[2] = {out[0], out[1]};
    V ipv[2][H] = {}, opv[2][H] = {};
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        V xv[2][H];
        for (int c = 0; c < C; ++c)
            for (int h = 0; h < H; ++h)
                xv[c][h] = LoadLanes<V>(x[c] + i + W * h);
        for (int c = 0; c < C; ++c)
            for (int h = 0; h < H; ++h) {
                ipv[c][h] = PeakLanes(ipv[c][h], xv[c][h]);
                const V yv = g * (xv[c][h] == 0.0f ? tiny : xv[c][h]);
                std::memcpy(y[c] + i + W * h, &yv, sizeof yv);
                opv[c][h] = PeakLanes(opv[c][h], yv);
            }
    }
    float ip[2] = {0, 0}, op[2] = {0, 0};
    for (int c = 0; c < C; ++c)
        for (int h = 0; h < H; ++h) {
            ip[c] = LargestLane(ipv[c][h], ip[c]);
            op[c] = LargestLane(opv[c][h], op[c]);
        }
    for (; i < n; ++i) {
        float xs[2];
        for (int c = 0; c < C; ++c) {
            xs[c] = x[c][i];
            ip[c] = PeakUpdate(ip[c], xs[c]);
        }
        for (int c = 0; c < C; ++c) {
            const float ys = G * (xs[c] == 0.0f ? 1e-7f : xs[c]);
            y[c][i] = ys;
            op[c] = PeakUpdate(op[c], ys);
        }
    }
    for (int c = 0; c < C; ++c) {
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
}

// The active bands as a wavefront (SectionWave), channel c's band j in lane C j + c: step t takes sample t
// into the first band and the last band's sample t - (m - 1) out.
template <class V, int C, int NV>
inline __attribute__((always_inline)) void
CMLVGraphicEQDSP::RunWave(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using Wave = SectionWave<V, C, NV, SectionKind::Plain>;
    const int m = activeCount, lag = m - 1;
    Wave wave;
    for (int j = 0; j < m; ++j) {
        const int k = activeList[j];
        const Band& b = coeffs.band[k];
        for (int c = 0; c < C; ++c)
            wave.Load(j, c, b.b1, b.b2, b.a1, b.a2, state[c].s1[k], state[c].s2[k]);
    }
    // Local copies: the stores through out could otherwise alias the pointers.
    const float* const x[2] = {in[0], in[1]};
    float* const y[2] = {out[0], out[1]};
    // The peaks and the output gain in passes of their own, off the loop that carries the chain.
    for (int c = 0; c < C; ++c)
        inPeak[c] = BlockPeak<V>(x[c], n);
    const auto fresh = [&](int t) __attribute__((always_inline)) {
        V f{};
        for (int c = 0; c < C; ++c)
            f[c] = x[c][t] == 0.0f ? 1e-7f : x[c][t];
        return f;
    };
    const auto emit = [&](int t) {
        for (int c = 0; c < C; ++c)
            y[c][t - lag] = wave.Out(lag, c);
    };
    // Filling the wavefront, running full, draining it.
    int t = 0;
    for (; t < std::min(lag, n); ++t)
        wave.Step(fresh(t), t, n, false);
    for (; t < n; ++t) {
        wave.Step(fresh(t), t, n, true);
        emit(t);
    }
    for (; t < n + lag; ++t) {
        wave.Step(V{}, t, n, false);
        if (t >= lag) emit(t);
    }
    for (int j = 0; j < m; ++j)
        for (int c = 0; c < C; ++c)
            wave.Store(j, c, state[c].s1[activeList[j]], state[c].s2[activeList[j]]);
    for (int c = 0; c < C; ++c)
        outPeak[c] = ScaleBlock<V>(y[c], n, coeffs.G);
}

// The kernel for the active channels and bands, in registers V: as few registers as the lanes need (up
// to 7 or 14).
template <class V>
inline __attribute__((always_inline)) void
CMLVGraphicEQDSP::RunWith(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    constexpr int W = sizeof(V) / sizeof(float);
    const int lanes = activeChannels * activeCount;
    if (activeCount == 0) {
        if (activeChannels == 1)
            RunFlat<V, 1>(in, out, inPeak, outPeak, n);
        else
            RunFlat<V, 2>(in, out, inPeak, outPeak, n);
    } else if (lanes <= W) {
        if (activeChannels == 1)
            RunWave<V, 1, 1>(in, out, inPeak, outPeak, n);
        else
            RunWave<V, 2, 1>(in, out, inPeak, outPeak, n);
    } else if constexpr (W == 8) {
        RunWave<V, 2, 2>(in, out, inPeak, outPeak, n);
    } else if (activeChannels == 1) {
        RunWave<V, 1, 2>(in, out, inPeak, outPeak, n);
    } else if (lanes <= 2 * W) {
        RunWave<V, 2, 2>(in, out, inPeak, outPeak, n);
    } else {
        RunWave<V, 2, 4>(in, out, inPeak, outPeak, n);
    }
}

// Eight lanes per register with AVX2, four without. Chosen by hand rather than by cloning one kernel: the
// lane shifts of an eight-lane register would go through memory without AVX.
__attribute__((target("avx2"))) void CMLVGraphicEQDSP::RunWide(float* in[2], float* out[2], float inPeak[2],
                                                               float outPeak[2], int n) {
    RunWith<Float8>(in, out, inPeak, outPeak, n);
}
void CMLVGraphicEQDSP::RunNarrow(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    RunWith<Float4>(in, out, inPeak, outPeak, n);
}

int CMLVGraphicEQDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (wide)
        RunWide(in, out, inPeak, outPeak, n);
    else
        RunNarrow(in, out, inPeak, outPeak, n);
    return 0;
}
