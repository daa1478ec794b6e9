#pragma once
#include "effects/drive/BiquadSection.h"
#include <cstdint>
#include <cstring>

// Four floats in one SSE register (FloatLanes, with its FlushDenormal), eight in one AVX register (GCC and
// Clang vector extensions; without AVX the compiler splits the eight into two halves), for independent
// filters run side by side. Element-wise arithmetic rounds exactly as the scalar operations do. Only
// ever inlined, so the register a vector is passed in never crosses a call.
typedef FloatLanes Float4;
typedef float Float8 __attribute__((vector_size(32)));
#if defined(__GNUC__) && !defined(__clang__)
// GCC notes that an eight-float vector travels in other registers with AVX than without: never the case
// for functions that are always inlined.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

// FlushDenormal on each of eight lanes, without a branch. The exponent bits alone, read as a float, are
// zero exactly when the scalar version flushes; comparing them as floats keeps the eight lanes in one AVX
// instruction, which has no eight-lane integer compare.
inline __attribute__((always_inline)) Float8 FlushDenormal(Float8 x) {
    typedef int32_t Int8 __attribute__((vector_size(32)));
    const Int8 u = reinterpret_cast<Int8>(x);
    const Float8 exponent = reinterpret_cast<Float8>(u & 0x7f800000);
    return reinterpret_cast<Float8>(u & (exponent != 0.0f));
}

// A vector of floats from any address.
template <typename V> inline __attribute__((always_inline)) V LoadLanes(const float* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
