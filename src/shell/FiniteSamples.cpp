#include "shell/FiniteSamples.h"

namespace {
typedef uint32_t Bits8 __attribute__((vector_size(32)));
constexpr uint32_t kExponent = 0x7f800000u, kExponentOne = 0x00800000u;
} // namespace

// Adding one to the exponent field carries into the sign bit only when the field is all ones (NaN or
// infinity), so an and, an add and an or per sample collect the answer; eight samples of each channel a
// step, in two accumulators.
__attribute__((target_clones("avx2", "default"))) bool AllFinite(const float* a, const float* b, int n) {
    Bits8 ca{}, cb{};
    int i = 0;
    const float* second = b ? b : a + 8;
    const int step = b ? 8 : 16;
    for (; i + step <= n; i += step) {
        Bits8 x, y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, second + i, sizeof y);
        ca |= (x & kExponent) + kExponentOne;
        cb |= (y & kExponent) + kExponentOne;
    }
    ca |= cb;
    uint32_t carries = 0;
    for (int l = 0; l < 8; ++l)
        carries |= ca[l];
    for (; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, a + i, sizeof bits);
        carries |= (bits & kExponent) + kExponentOne;
        if (b) {
            std::memcpy(&bits, b + i, sizeof bits);
            carries |= (bits & kExponent) + kExponentOne;
        }
    }
    return (carries & 0x80000000u) == 0;
}
