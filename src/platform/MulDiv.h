#pragma once
#include <cstdint>

// a * b / c in 64 bits, rounded to the nearest integer with halves away from zero; -1 when c is 0.
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t num = static_cast<int64_t>(a) * b;
    bool negative = (num < 0) != (c < 0);
    uint64_t un = static_cast<uint64_t>(num < 0 ? -num : num);
    uint64_t uc = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
    uint64_t q = (un + uc / 2) / uc;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q));
}
