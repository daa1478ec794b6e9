#pragma once
#include <cstdint>
#include <cstring>

// Replaces zero and subnormal floats (biased exponent 0) by +0, so no denormal reaches filter state.
inline float FlushDenormal(float x) {
    uint32_t u;
    std::memcpy(&u, &x, sizeof u);
    return (u & 0x7f800000u) ? x : 0.0f;
}

// Second-order section g (1 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), transposed direct form II
// with the gain at the output. Plain data, owned by the effect that embeds it.
struct BiquadSection {
    float s1 = 0.0f, s2 = 0.0f;
    float b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float g = 1.0f;

    // Audio thread.
    float Process(float x) {
        const float w = FlushDenormal(s1 + x);
        s1 = b1 * x + s2 - a1 * w;
        s2 = b2 * x - a2 * w;
        return FlushDenormal(g * w);
    }
    // Audio thread.
    void Clear() { s1 = s2 = 0.0f; }
    // Same step on coefficients shared by several states (the drives' tone stages).
    static float Step(float x, float b1, float b2, float a1, float a2, float g, float& s1, float& s2) {
        const float w = FlushDenormal(s1 + x);
        s1 = b1 * x + s2 - a1 * w;
        s2 = b2 * x - a2 * w;
        return FlushDenormal(g * w);
    }
};
