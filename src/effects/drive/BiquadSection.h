#pragma once
#include <cstdint>
#include <cstring>
#include <xmmintrin.h>

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

// Up to four independent sections (channels) in the lanes of one SSE vector. Each lane performs exactly
// the operations of BiquadSection, in the same order, so its results are bit for bit the same.
typedef float FloatLanes __attribute__((vector_size(16)));
typedef int32_t IntLanes __attribute__((vector_size(16)));

// Flushes lane by lane. The test is a branch, as in the scalar form: in a recursion a predicted branch
// costs no latency, a blend on every step would.
inline FloatLanes FlushDenormal(FloatLanes x) {
    const IntLanes bits = reinterpret_cast<IntLanes>(x);
    const IntLanes keep = (bits & 0x7f800000) != 0;
    if (__builtin_expect(_mm_movemask_ps(reinterpret_cast<__m128>(keep)) == 0xf, 1)) return x;
    return reinterpret_cast<FloatLanes>(bits & keep);
}

struct BiquadLanes {
    FloatLanes s1{}, s2{}, b1{}, b2{}, a1{}, a2{}, g{};

    // Audio thread.
    FloatLanes Process(FloatLanes x) { return Step(x, b1, b2, a1, a2, g, s1, s2); }
    static FloatLanes Step(FloatLanes x, FloatLanes b1, FloatLanes b2, FloatLanes a1, FloatLanes a2,
                           FloatLanes g, FloatLanes& s1, FloatLanes& s2) {
        const FloatLanes w = FlushDenormal(s1 + x);
        s1 = b1 * x + s2 - a1 * w;
        s2 = b2 * x - a2 * w;
        return FlushDenormal(g * w);
    }
    // Audio thread: moves one section into or out of a lane.
    void Load(int lane, const BiquadSection& s) {
        s1[lane] = s.s1, s2[lane] = s.s2, b1[lane] = s.b1, b2[lane] = s.b2;
        a1[lane] = s.a1, a2[lane] = s.a2, g[lane] = s.g;
    }
    void Store(int lane, BiquadSection& s) const {
        s.s1 = s1[lane];
        s.s2 = s2[lane];
    }
};
