#pragma once
#include <cstdint>
#include <cstring>

// True when no sample of a[0 .. n) and, unless b is null, of b[0 .. n) is NaN or infinity. Runs over every
// block's input and output, so it is a branch-free pass over both channels at once. Audio thread.
bool AllFinite(const float* a, const float* b, int n);

// Copies x to y with every NaN and infinity replaced by zero; x may equal y.
inline void ZeroNonFinite(const float* x, float* y, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, x + i, sizeof bits);
        y[i] = (bits & 0x7f800000u) == 0x7f800000u ? 0.0f : x[i];
    }
}
