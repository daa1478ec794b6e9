#pragma once
#include <cstdint>
#include <cstring>

// Checks for NaN and infinity by their exponent bits: a branch-free pass the compiler vectorises, cheap
// enough to run over every block. Adding one to the exponent field carries into the sign bit only when the
// field is all ones, so one and, add and or per sample collect the answer.
inline bool AllFinite(const float* x, int n) {
    uint32_t carries = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, x + i, sizeof bits);
        carries |= (bits & 0x7f800000u) + 0x00800000u;
    }
    return (carries & 0x80000000u) == 0;
}

// Copies x to y with every NaN and infinity replaced by zero; x may equal y.
inline void ZeroNonFinite(const float* x, float* y, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, x + i, sizeof bits);
        y[i] = (bits & 0x7f800000u) == 0x7f800000u ? 0.0f : x[i];
    }
}
