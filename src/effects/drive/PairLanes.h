#pragma once
#include <emmintrin.h>

// Two channels of a scalar float kernel in the two low lanes of an SSE register (the upper two carry values
// nobody reads, unless a kernel fills them). Comparisons and selections reproduce the scalar ternaries
// exactly: maxps and minps are `a > b ? a : b` and `a < b ? a : b`, and a value replaced by zero is +0 in
// both forms. Only ever inlined.
namespace PairLanes {
typedef float F4 __attribute__((vector_size(16)));

inline F4 Pair(float a, float b) {
    return F4{a, b, 0.0f, 0.0f};
}
// All ones in the lanes that FlushDenormal zeroes (zero or subnormal), zeros elsewhere.
inline __m128i Denormal(F4 x) {
    const __m128i bits = _mm_castps_si128(reinterpret_cast<__m128>(x));
    return _mm_cmpeq_epi32(_mm_and_si128(bits, _mm_set1_epi32(0x7f800000)), _mm_setzero_si128());
}
// True when FlushDenormal would zero one of the two live lanes of a lane mask.
inline bool AnyLive(__m128i mask) {
    return (_mm_movemask_ps(_mm_castsi128_ps(mask)) & 3) != 0;
}
// FlushDenormal of the two live lanes; a predicted branch, as in the scalar form.
inline F4 Flush(F4 x) {
    const __m128i zero = Denormal(x);
    if (__builtin_expect(!AnyLive(zero), 1)) return x;
    return reinterpret_cast<F4>(_mm_andnot_ps(_mm_castsi128_ps(zero), reinterpret_cast<__m128>(x)));
}
inline F4 Max(F4 a, F4 b) {
    return reinterpret_cast<F4>(_mm_max_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
}
inline F4 Min(F4 a, F4 b) {
    return reinterpret_cast<F4>(_mm_min_ps(reinterpret_cast<__m128>(a), reinterpret_cast<__m128>(b)));
}
inline F4 Abs(F4 x) {
    return reinterpret_cast<F4>(_mm_andnot_ps(_mm_set1_ps(-0.0f), reinterpret_cast<__m128>(x)));
}
// AmpModel::ClampInput lane by lane.
inline F4 ClampInput(F4 v, float lo, float hi) {
    return Min(Max(v, F4{} + lo), F4{} + hi);
}
// AmpModel::ClampRow(i, last) in each 32-bit lane, for |i| < 32768: the two 16-bit halves clamp apart,
// and the upper half of such an i is 0 or -1. Read a lane's row with _mm_extract_epi16(rows, 2 * lane).
inline __m128i ClampRows(__m128i i, int last) {
    return _mm_max_epi16(_mm_min_epi16(i, _mm_set1_epi32(last)), _mm_setzero_si128());
}
// AmpModel::EvalCubic at c with the coefficients of row r0 in lane 0 and of row r1 in lane 1.
inline F4 Cubic2(const float* r0, const float* r1, F4 c) {
    const __m128 a = _mm_loadu_ps(r0), b = _mm_loadu_ps(r1);
    const __m128 low = _mm_unpacklo_ps(a, b), high = _mm_unpackhi_ps(a, b); // c0 c0' c1 c1', c2 c2' c3 c3'
    const F4 c0 = reinterpret_cast<F4>(low), c1 = reinterpret_cast<F4>(_mm_movehl_ps(low, low));
    const F4 c2 = reinterpret_cast<F4>(high), c3 = reinterpret_cast<F4>(_mm_movehl_ps(high, high));
    return ((c0 * c + c1) * c + c2) * c + c3;
}
// The same with row r[l] in lane l, for all four lanes.
inline F4 Cubic4(const float* const r[4], F4 c) {
    __m128 a = _mm_loadu_ps(r[0]), b = _mm_loadu_ps(r[1]), d = _mm_loadu_ps(r[2]), e = _mm_loadu_ps(r[3]);
    _MM_TRANSPOSE4_PS(a, b, d, e);
    const F4 c0 = reinterpret_cast<F4>(a), c1 = reinterpret_cast<F4>(b);
    const F4 c2 = reinterpret_cast<F4>(d), c3 = reinterpret_cast<F4>(e);
    return ((c0 * c + c1) * c + c2) * c + c3;
}
} // namespace PairLanes
