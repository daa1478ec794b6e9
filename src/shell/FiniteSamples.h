#pragma once
#include <cstdint>
#include <cstring>

// Checks for NaN and infinity by their exponent bits: a branch-free pass the compiler vectorises, cheap
// enough to run over every block.
inline bool AllFinite(const float* x, int n) {
    uint32_t nonFinite = 0;
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, x + i, sizeof bits);
        nonFinite |= (bits & 0x7f800000u) == 0x7f800000u;
    }
    return nonFinite == 0;
}

// Copies x to y with every NaN and infinity replaced by zero; x may equal y.
inline void ZeroNonFinite(const float* x, float* y, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, x + i, sizeof bits);
        y[i] = (bits & 0x7f800000u) == 0x7f800000u ? 0.0f : x[i];
    }
}
