#include "effects/modulation/PhaserChain.h"
#include "effects/drive/BiquadSection.h"
#include "effects/modulation/SampleGroup.h"
#include <immintrin.h>

float PhaserChain::Step(double c, double fb, float x) {
    float u = static_cast<float>(feedbackValue * fb + x);
    for (int k = 0; k < kStages; ++k) {
        const float v = FlushDenormal(static_cast<float>(c * u + state[k]));
        state[k] = static_cast<float>(u - v * c);
        u = v;
    }
    feedbackValue = u;
    return u;
}

namespace phaserchain {

template <int C> void RunExact(PhaserChain* ch, const float* c, float fb, const Frames& x, Frames& u, int n) {
    for (int k = 0; k < C; ++k) {
        PhaserChain chain = ch[k];
        for (int i = 0; i < n; ++i)
            u[i][k] = chain.Step(c[i], fb, x[i][k]);
        ch[k] = chain;
    }
}

namespace {
// Lane k of the low two holds channel k.
__attribute__((target("fma"))) inline __m128 Pair(float a, float b) {
    return _mm_setr_ps(a, b, 0.0f, 0.0f);
}
__attribute__((target("fma"))) inline __m128 LoadFrame(const float* frame) {
    return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(frame)));
}
// float(a * b + s) with a, b and s widened to double: the exact step, for the two low lanes.
__attribute__((target("fma"))) inline __m128 Rounded(__m128d a, __m128 b, __m128 s) {
    return _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(a, _mm_cvtps_pd(b)), _mm_cvtps_pd(s)));
}
// All ones in the lanes where a and b have the same bits.
__attribute__((target("fma"))) inline __m128i Same(__m128 a, __m128 b) {
    return _mm_cmpeq_epi32(_mm_castps_si128(a), _mm_castps_si128(b));
}
} // namespace

template <int C>
__attribute__((target("fma"))) bool RunFused(PhaserChain* ch, const float* c, float fb, const Frames& x,
                                             Frames& u, int n) {
    __m128 s[PhaserChain::kStages];
    for (int k = 0; k < PhaserChain::kStages; ++k)
        s[k] = Pair(ch[0].state[k], C > 1 ? ch[1].state[k] : 0.0f);
    __m128 back = Pair(ch[0].feedbackValue, C > 1 ? ch[1].feedbackValue : 0.0f);
    const __m128 fbf = _mm_set1_ps(fb);
    const __m128d fbd = _mm_set1_pd(fb);
    __m128i same = _mm_set1_epi32(-1);
    for (int i = 0; i < n; ++i) {
        const __m128 in = C > 1 ? LoadFrame(x[i]) : _mm_load_ss(x[i]);
        __m128 v = _mm_fmadd_ps(back, fbf, in);
        same = _mm_and_si128(same, Same(v, Rounded(fbd, back, in)));
        const __m128 cf = _mm_set1_ps(c[i]);
        const __m128d cd = _mm_set1_pd(c[i]);
        for (int k = 0; k < PhaserChain::kStages; ++k) {
            const __m128 prev = v;
            v = _mm_fmadd_ps(cf, prev, s[k]);
            // The exact step flushes; where that changes the result, the check fails.
            same = _mm_and_si128(same, Same(v, samplegroup::FlushDenormals(Rounded(cd, prev, s[k]))));
            s[k] = _mm_cvtpd_ps(_mm_sub_pd(_mm_cvtps_pd(prev), _mm_mul_pd(_mm_cvtps_pd(v), cd)));
        }
        back = v;
        if (C > 1)
            _mm_store_sd(reinterpret_cast<double*>(u[i]), _mm_castps_pd(v));
        else
            _mm_store_ss(u[i], v);
    }
    if ((_mm_movemask_ps(_mm_castsi128_ps(same)) & ((1 << C) - 1)) != (1 << C) - 1) return false;
    for (int k = 0; k < C; ++k) {
        float lanes[4];
        for (int j = 0; j < PhaserChain::kStages; ++j) {
            _mm_storeu_ps(lanes, s[j]);
            ch[k].state[j] = lanes[k];
        }
        _mm_storeu_ps(lanes, back);
        ch[k].feedbackValue = lanes[k];
    }
    return true;
}

template void RunExact<1>(PhaserChain*, const float*, float, const Frames&, Frames&, int);
template void RunExact<2>(PhaserChain*, const float*, float, const Frames&, Frames&, int);
template bool RunFused<1>(PhaserChain*, const float*, float, const Frames&, Frames&, int);
template bool RunFused<2>(PhaserChain*, const float*, float, const Frames&, Frames&, int);
} // namespace phaserchain
