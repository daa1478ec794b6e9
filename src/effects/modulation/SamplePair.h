#pragma once
#include <emmintrin.h>
#include <type_traits>

// Two consecutive samples of one channel in lanes 0 and 1 of an SSE register. The delay effects run their
// per-sample arithmetic on both at once; each lane sees exactly the float and double operations of the
// one-sample code, so the result does not depend on how a block is cut. Lanes 2 and 3 are don't-care.
namespace samplepair {

inline __m128 Load(const float* p) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
inline void Store(float* p, __m128 v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(v));
}
inline __m128 Make(float a, float b) {
    return _mm_unpacklo_ps(_mm_set_ss(a), _mm_set_ss(b));
}
inline float Lane0(__m128 v) {
    return _mm_cvtss_f32(v);
}
inline float Lane1(__m128 v) {
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1));
}

// PeakUpdate on both lanes: |x| > peak ? |x| : peak.
inline __m128 Peak(__m128 peak, __m128 x) {
    return _mm_max_ps(_mm_and_ps(x, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff))), peak);
}
// The larger of the two lane peaks, as PeakUpdate would have found it sample by sample.
inline float PeakOf(__m128 peak) {
    const float a = Lane0(peak), b = Lane1(peak);
    return b > a ? b : a;
}

// FlushDenormal on both lanes: zero and subnormal to +0, everything else kept.
inline __m128 FlushDenormals(__m128 x) {
    const __m128i e = _mm_and_si128(_mm_castps_si128(x), _mm_set1_epi32(0x7f800000));
    return _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(e, _mm_setzero_si128())), x);
}

// f(channel) for channel 0 .. C - 1 as compile-time constants, so per-channel state indexed by the channel
// stays in registers.
template <int C, class F> inline void ForChannels(F&& f) {
    f(std::integral_constant<int, 0>{});
    if constexpr (C > 1) f(std::integral_constant<int, 1>{});
}

inline __m128d Wide(__m128 v) {
    return _mm_cvtps_pd(v);
}
inline __m128 Narrow(__m128d v) {
    return _mm_cvtpd_ps(v);
}

} // namespace samplepair
