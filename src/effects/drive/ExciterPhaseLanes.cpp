#include "effects/drive/ExciterPhaseLanes.h"
#include "effects/PeakUpdate.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

static_assert(ExciterPhaseLanes::kChunk % 8 == 0, "whole groups of outputs per chunk");

// Calls f(group, element) for the group and element that hold a lane.
template <typename F> void ExciterPhaseLanes::ForLane(int lane, F&& f) {
    if (lane < Group<Float8>::kWidth)
        f(wide, lane);
    else
        f(narrow, lane - Group<Float8>::kWidth);
}

void ExciterPhaseLanes::Load(int c, const FilterSection bandSec[kPhases], const FilterSection dcSec[kPhases],
                             const Resampler5& taps) {
    for (int p = 0; p < kPhases; ++p) {
        ForLane(kPhases * c + p, [&](auto& group, int e) {
            for (int k = 0; k < 2; ++k) {
                const FilterSection& f = k == 0 ? bandSec[p] : dcSec[p];
                group.g[k][e] = f.g;
                group.b1[k][e] = f.b1;
                group.b2[k][e] = f.b2;
                group.a1[k][e] = f.a1;
                group.a2[k][e] = f.a2;
            }
            for (int q = 0; q < kPhases; ++q)
                group.interp[q][e] = taps.interp[kPhases * q + p];
        });
    }
    std::copy_n(taps.decim, Resampler5::kTaps, decim[c]);
}

void ExciterPhaseLanes::Clear() {
    auto clear = [](auto& group) {
        using V = std::remove_reference_t<decltype(group.s1[0])>;
        for (int k = 0; k < 2; ++k)
            group.s1[k] = group.s2[k] = V{};
        for (V& row : group.inputs)
            row = V{};
    };
    clear(wide);
    clear(narrow);
    std::memset(high, 0, sizeof high);
}

template <typename V>
inline __attribute__((always_inline)) void
ExciterPhaseLanes::Group<V>::Step(int i, const ExciterPolynomial& poly, float c0s, float drive, float mix) {
    V u = V{};
    for (int q = 0; q < kPhases; ++q)
        u += interp[q] * inputs[kPast + i - q];
    const V x = FilterSection::Step<V>(drive * u, g[0], b1[0], b2[0], a1[0], a2[0], s1[0], s2[0]);
    const V y = FilterSection::Step<V>(poly(x, c0s), g[1], b1[1], b2[1], a1[1], a2[1], s1[1], s2[1]);
    phases[i] = y * mix + u;
}

// Where the processor has AVX, the group of eight is one register and the three-operand form saves
// register copies.
__attribute__((target_clones("avx", "default"))) void
ExciterPhaseLanes::Process(const float* const in[2], float* const out[2], int n, int channels,
                           const ExciterPolynomial& poly, const float* c0s, float drive, float mix,
                           float inPeak[2], float outPeak[2]) {
    for (int i = 0; i < n; ++i) {
        const float l = in[0][i], r = in[1][i];
        inPeak[0] = PeakUpdate(inPeak[0], l);
        if (channels == 2) inPeak[1] = PeakUpdate(inPeak[1], r);
        wide.inputs[kPast + i] = Float8{l, l, l, l, l, r, r, r};
        narrow.inputs[kPast + i] = Float4{r, r, 0.0f, 0.0f};
    }
    // Interpolation, both sections and the polynomial: the only recursions, run across lanes.
    const ExciterPolynomial shape = poly; // a local copy stays in registers across the stores
    // The group of four holds channel 1's last phases only. Both groups in one loop: two independent
    // recursions keep the processor busier than one.
    if (channels == 2) {
        for (int i = 0; i < n; ++i) {
            wide.Step(i, shape, c0s[i], drive, mix);
            narrow.Step(i, shape, c0s[i], drive, mix);
        }
    } else {
        for (int i = 0; i < n; ++i)
            wide.Step(i, shape, c0s[i], drive, mix);
    }
    for (int c = 0; c < channels; ++c)
        for (int p = 0; p < kPhases; ++p)
            ForLane(kPhases * c + p, [&](auto& group, int e) {
                for (int i = 0; i < n; ++i)
                    high[c][p][kPast + i] = group.phases[i][e];
            });
    // Decimation, eight outputs at a time: tap 5 m + r weighs phase 4 - r of the sample m back, newest tap
    // first.
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < n; i += 8) {
            Float8 acc = Float8{};
            for (int m = 0; m < kPhases; ++m)
                for (int r = 0; r < kPhases; ++r)
                    acc += decim[c][kPhases * m + r] *
                           LoadLanes<Float8>(high[c][kPhases - 1 - r] + kPast + i - m);
            std::memcpy(out[c] + i, &acc, sizeof(float) * static_cast<size_t>(std::min(8, n - i)));
        }
        for (int i = 0; i < n; ++i)
            outPeak[c] = PeakUpdate(outPeak[c], out[c][i]);
    }
    for (int r = 0; r < kPast; ++r) {
        wide.inputs[r] = wide.inputs[n + r];
        narrow.inputs[r] = narrow.inputs[n + r];
        for (int c = 0; c < 2; ++c)
            for (int p = 0; p < kPhases; ++p)
                high[c][p][r] = high[c][p][n + r];
    }
}
