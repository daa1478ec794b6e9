#include "effects/drive/ExciterPhaseLanes.h"
#include <algorithm>
#include <cmath>
#include <cstring>

static_assert(ExciterPhaseLanes::kChunk % 4 == 0, "whole groups of outputs per chunk");

void ExciterPhaseLanes::Load(int c, const FilterSection bandSec[kPhases], const FilterSection dcSec[kPhases],
                             const Resampler5& taps) {
    for (int p = 0; p < kPhases; ++p) {
        const int l = kPhases * c + p, v = l / 4, e = l % 4;
        auto copy = [v, e](Sections& s, const FilterSection& f) {
            s.g[v][e] = f.g;
            s.b1[v][e] = f.b1;
            s.b2[v][e] = f.b2;
            s.a1[v][e] = f.a1;
            s.a2[v][e] = f.a2;
        };
        copy(band, bandSec[p]);
        copy(dc, dcSec[p]);
        for (int q = 0; q < kPhases; ++q)
            interp[q][v][e] = taps.interp[kPhases * q + p];
    }
    for (int j = 0; j < Resampler5::kTaps; ++j)
        decim[c][j] = Float4{} + taps.decim[j];
}

void ExciterPhaseLanes::Clear() {
    for (Sections* s : {&band, &dc})
        for (int v = 0; v < kGroups; ++v)
            s->s1[v] = s->s2[v] = Float4{};
    std::memset(inputs, 0, sizeof inputs);
    std::memset(high, 0, sizeof high);
}

// Where the processor has AVX its three-operand form saves the register copies of the two-operand one.
__attribute__((target_clones("avx", "default"))) void
ExciterPhaseLanes::Process(const float* const in[2], float* const out[2], int n,
                           const ExciterPolynomial& poly, const float* c0s, float drive, float mix,
                           float inPeak[2], float outPeak[2]) {
    for (int i = 0; i < n; ++i) {
        const float l = in[0][i], r = in[1][i];
        inPeak[0] = std::max(inPeak[0], std::fabs(l));
        inPeak[1] = std::max(inPeak[1], std::fabs(r));
        Float4* row = inputs[kPast + i];
        row[0] = Float4{l, l, l, l};
        row[1] = Float4{l, r, r, r};
        row[2] = Float4{r, r, 0.0f, 0.0f};
    }
    // Interpolation, both sections and the polynomial: the only recursions, run across lanes.
    // Local copies stay in registers or on the stack across the stores to phases.
    const ExciterPolynomial shape = poly;
    Sections b = band, d = dc;
    for (int i = 0; i < n; ++i) {
        const float k0 = c0s[i];
        for (int v = 0; v < kGroups; ++v) {
            Float4 u = Float4{};
            for (int q = 0; q < kPhases; ++q)
                u += interp[q][v] * inputs[kPast + i - q][v];
            const Float4 x = FilterSection::Step<Float4>(drive * u, b.g[v], b.b1[v], b.b2[v], b.a1[v],
                                                         b.a2[v], b.s1[v], b.s2[v]);
            const Float4 y = FilterSection::Step<Float4>(shape(x, k0), d.g[v], d.b1[v], d.b2[v], d.a1[v],
                                                         d.a2[v], d.s1[v], d.s2[v]);
            phases[i][v] = y * mix + u;
        }
    }
    std::copy_n(b.s1, kGroups, band.s1);
    std::copy_n(b.s2, kGroups, band.s2);
    std::copy_n(d.s1, kGroups, dc.s1);
    std::copy_n(d.s2, kGroups, dc.s2);
    for (int c = 0; c < 2; ++c)
        for (int p = 0; p < kPhases; ++p) {
            const int l = kPhases * c + p;
            for (int i = 0; i < n; ++i)
                high[c][p][kPast + i] = phases[i][l / 4][l % 4];
        }
    // Decimation, four outputs at a time: tap 5 m + r weighs phase 4 - r of the sample m back, newest tap
    // first.
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < n; i += 4) {
            Float4 acc = Float4{};
            for (int m = 0; m < kPhases; ++m)
                for (int r = 0; r < kPhases; ++r)
                    acc += decim[c][kPhases * m + r] * LoadFloat4(high[c][kPhases - 1 - r] + kPast + i - m);
            std::memcpy(out[c] + i, &acc, sizeof(float) * static_cast<size_t>(std::min(4, n - i)));
        }
        for (int i = 0; i < n; ++i)
            outPeak[c] = std::max(outPeak[c], std::fabs(out[c][i]));
    }
    for (int r = 0; r < kPast; ++r) {
        std::copy_n(inputs[n + r], kGroups, inputs[r]);
        for (int c = 0; c < 2; ++c)
            for (int p = 0; p < kPhases; ++p)
                high[c][p][r] = high[c][p][n + r];
    }
}
