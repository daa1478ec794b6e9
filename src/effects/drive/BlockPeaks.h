#pragma once
#include "effects/PeakUpdate.h"
#include "effects/drive/Float4.h"
#include <cstring>
#include <type_traits>

// PeakUpdate over blocks of samples in the lanes of V (Float4 or Float8), giving exactly the scalar
// running peak: the largest |x| that is not a NaN, or 0, whatever the order. Audio thread; only ever
// inlined.

// PeakUpdate in every lane.
template <class V> inline __attribute__((always_inline)) V PeakLanes(V peak, V x) {
    using I =
        typename std::conditional<sizeof(V) == 32, int32_t __attribute__((vector_size(32))), IntLanes>::type;
    const V a = reinterpret_cast<V>(reinterpret_cast<I>(x) & 0x7fffffff);
    return a > peak ? a : peak;
}
// The largest lane, as PeakUpdate would have found it sample by sample (no lane holds a NaN).
template <class V> inline __attribute__((always_inline)) float LargestLane(V peak, float start) {
    for (int e = 0; e < int(sizeof(V) / sizeof(float)); ++e)
        start = peak[e] > start ? peak[e] : start;
    return start;
}
// PeakUpdate over x[0 .. n), sixteen samples per round in 16 / W chains.
template <class V> inline float BlockPeak(const float* x, int n) {
    constexpr int W = sizeof(V) / sizeof(float), H = 16 / W;
    V pv[H] = {};
    int i = 0;
    for (; i + 16 <= n; i += 16)
        for (int h = 0; h < H; ++h)
            pv[h] = PeakLanes(pv[h], LoadLanes<V>(x + i + W * h));
    float p = 0.0f;
    for (int h = 0; h < H; ++h)
        p = LargestLane(pv[h], p);
    for (; i < n; ++i)
        p = PeakUpdate(p, x[i]);
    return p;
}
// y[i] = G y[i] over [0, n); returns the peak of the results.
template <class V> inline float ScaleBlock(float* y, int n, float G) {
    constexpr int W = sizeof(V) / sizeof(float), H = 16 / W;
    const V g = V{} + G;
    V pv[H] = {};
    int i = 0;
    for (; i + 16 <= n; i += 16)
        for (int h = 0; h < H; ++h) {
            const V yv = g * LoadLanes<V>(y + i + W * h);
            std::memcpy(y + i + W * h, &yv, sizeof yv);
            pv[h] = PeakLanes(pv[h], yv);
        }
    float p = 0.0f;
    for (int h = 0; h < H; ++h)
        p = LargestLane(pv[h], p);
    for (; i < n; ++i) {
        y[i] = G * y[i];
        p = PeakUpdate(p, y[i]);
    }
    return p;
}
