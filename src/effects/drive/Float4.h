#pragma once
#include "effects/drive/BiquadSection.h"
#include <cstdint>
#include <cstring>

// Four floats in one SSE register (GCC and Clang vector extension), for independent filters run side by
// side. Element-wise arithmetic rounds exactly as the scalar operations do.
typedef float Float4 __attribute__((vector_size(16)));

// FlushDenormal on each lane, without a branch.
inline Float4 FlushDenormal(Float4 x) {
    typedef int32_t Int4 __attribute__((vector_size(16)));
    const Int4 u = reinterpret_cast<Int4>(x);
    return reinterpret_cast<Float4>(u & ((u & 0x7f800000) != 0));
}

// Four floats from any address.
inline Float4 LoadFloat4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
