#pragma once
#include <emmintrin.h>
#include <type_traits>

// Four samples in the lanes of an SSE register: with two channels, samples n and n + 1 of the left
// channel, then the same two of the right; with one channel, samples n .. n + 3. The delay effects run
// their per-sample arithmetic on a whole group; each lane sees exactly the float and double operations
// of the one-sample code, so the result does not depend on how a block is cut.
namespace samplegroup {

// Samples per channel in a group of C channels.
template <int C> constexpr int Span = 4 / C;
// Each lane's sample offset inside the group.
template <int C> inline __m128i Offsets() {
    return C == 2 ? _mm_setr_epi32(0, 1, 0, 1) : _mm_setr_epi32(0, 1, 2, 3);
}

inline __m128 LoadTwo(const float* p) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}
template <int C> inline __m128 Load(float* const x[2], int n) {
    if constexpr (C == 2) return _mm_movelh_ps(LoadTwo(x[0] + n), LoadTwo(x[1] + n));
    return _mm_loadu_ps(x[0] + n);
}
template <int C> inline void Store(float* const y[2], int n, __m128 v) {
    if constexpr (C == 2) {
        _mm_storel_pi(reinterpret_cast<__m64*>(y[0] + n), v);
        _mm_storeh_pi(reinterpret_cast<__m64*>(y[1] + n), v);
    } else {
        _mm_storeu_ps(y[0] + n, v);
    }
}
template <int l> inline float Lane(__m128 v) {
    return _mm_cvtss_f32(_mm_shuffle_ps(v, v, l));
}
inline __m128 Make(float a, float b, float c, float d) {
    return _mm_movelh_ps(_mm_unpacklo_ps(_mm_set_ss(a), _mm_set_ss(b)),
                         _mm_unpacklo_ps(_mm_set_ss(c), _mm_set_ss(d)));
}

// Lanes 0, 1 and lanes 2, 3 widened to double.
inline __m128d Low(__m128 v) {
    return _mm_cvtps_pd(v);
}
inline __m128d High(__m128 v) {
    return _mm_cvtps_pd(_mm_movehl_ps(v, v));
}
inline __m128 Narrow(__m128d low, __m128d high) {
    return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

// Each channel's peak over its lanes (collected with PeakLanes), as PeakUpdate would have found it sample by
// sample (the largest |x| that is not a NaN, or 0).
template <int C> inline void PeaksOf(__m128 peak, float out[2]) {
    const auto larger = [](float a, float b) { return b > a ? b : a; };
    const float a = _mm_cvtss_f32(peak), b = Lane<1>(peak), c = Lane<2>(peak), d = Lane<3>(peak);
    if constexpr (C == 2) {
        out[0] = larger(a, b);
        out[1] = larger(c, d);
    } else {
        out[0] = larger(larger(larger(a, b), c), d);
    }
}

// FlushDenormal in every lane: zero and subnormal to +0, everything else kept.
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

} // namespace samplegroup
