#include "effects/drive/BassPreampStage.h"
#include "effects/drive/PairLanes.h"

// BassPreampStage::ProcessPair: the two channels of Tick in the two low lanes of SSE registers. Double
// arithmetic runs in __m128d lanes, float arithmetic in the low two lanes of __m128.
using namespace PairLanes;
namespace {
typedef double D2 __attribute__((vector_size(16)));

using PairLanes::Pair;
D2 Pair(double a, double b) {
    return D2{a, b};
}
D2 Widen(F4 x) {
    return reinterpret_cast<D2>(_mm_cvtps_pd(reinterpret_cast<__m128>(x)));
}
F4 Narrow(D2 x) {
    return reinterpret_cast<F4>(_mm_cvtpd_ps(reinterpret_cast<__m128d>(x)));
}
// Zero where |x| < limit (Quiet, the recursion's floor), x elsewhere.
D2 ZeroBelow(D2 x, double limit) {
    const __m128d v = reinterpret_cast<__m128d>(x);
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    return reinterpret_cast<D2>(_mm_and_pd(v, _mm_cmpnlt_pd(magnitude, _mm_set1_pd(limit))));
}
// A valve table: ClampInput, the row of each lane (ClampRow of (int)(32 c) >> shift + 33), EvalCubic.
F4 Valve(const float (*table)[4], F4 v, float limit, int shift) {
    const F4 c = ClampInput(v, -limit, limit);
    const __m128i scaled = _mm_cvttps_epi32(reinterpret_cast<__m128>(c * 32.0f));
    const int k0 = _mm_cvtsi128_si32(scaled) >> shift,
              k1 = _mm_cvtsi128_si32(_mm_srli_si128(scaled, 4)) >> shift;
    return Cubic2(table[AmpModel::ClampRow(k0 + 33, 65)], table[AmpModel::ClampRow(k1 + 33, 65)], c);
}

// A FilterSection's coefficients and state, one section per lane.
struct SectionPair {
    F4 g, b1, b2, a1, a2, s1, s2;
    SectionPair(const FilterSection& x, const FilterSection& y)
        : g(Pair(x.g, y.g)), b1(Pair(x.b1, y.b1)), b2(Pair(x.b2, y.b2)), a1(Pair(x.a1, y.a1)),
          a2(Pair(x.a2, y.a2)), s1(Pair(x.s1, y.s1)), s2(Pair(x.s2, y.s2)) {}
    F4 Process(F4 x) {
        const F4 u = Flush(g * x);
        const F4 w = Flush(s1 + u);
        s1 = b1 * u - a1 * w + s2;
        s2 = b2 * u - a2 * w;
        return w;
    }
    void Store(FilterSection& x, FilterSection& y) const {
        x.s1 = s1[0], y.s1 = s1[1];
        x.s2 = s2[0], y.s2 = s2[1];
    }
};
} // namespace

void BassPreampStage::ProcessPair(BassPreampStage (&stage)[2], float* in[2], float* out[2], float inPeak[2],
                                  float outPeak[2], int n) {
    BassPreampStage& p = stage[0];
    BassPreampStage& q = stage[1];
    const F4 inputGain = Pair(p.inputGain, q.inputGain), outputGain = Pair(p.outputGain, q.outputGain);
    const D2 kf1 = Pair(p.kf1, q.kf1), kf2 = Pair(p.kf2, q.kf2);
    D2 a[5], b[5];
    for (int k = 0; k < 5; ++k) {
        a[k] = Pair(p.a[k], q.a[k]);
        b[k] = Pair(p.b[k], q.b[k]);
    }
    D2 w = Pair(p.w, q.w), w1 = Pair(p.w1, q.w1), w2 = Pair(p.w2, q.w2), w3 = Pair(p.w3, q.w3),
       w4 = Pair(p.w4, q.w4), f1 = Pair(p.f1, q.f1), f2 = Pair(p.f2, q.f2);
    SectionPair h1(p.h1, q.h1), h2(p.h2, q.h2);
    F4 ip = Pair(inPeak[0], inPeak[1]), op = Pair(outPeak[0], outPeak[1]);
    for (int i = 0; i < n; ++i) {
        const F4 x = Pair(in[0][i], in[1][i]);
        const D2 v = Widen(inputGain * x) + kf1 * f1;
        f1 = Widen(h1.Process(Valve(AmpModel::kBassValveA, Narrow(ZeroBelow(v, 1e-20)), 17.0f, 4)));
        w4 = w3;
        w3 = w2;
        w2 = w1;
        w1 = w;
        w = ZeroBelow(f1 - a[1] * w1 - a[2] * w2 - a[3] * w3 - a[4] * w4, 1e-30);
        const D2 y = b[0] * w + b[1] * w1 + b[2] * w2 + b[3] * w3 + b[4] * w4 + kf2 * f2;
        f2 = Widen(h2.Process(0.1f * Valve(AmpModel::kBassValveB, Narrow(ZeroBelow(y, 1e-20)), 33.0f, 5)));
        const F4 o = outputGain * Narrow(f2);
        out[0][i] = o[0];
        out[1][i] = o[1];
        ip = Max(Abs(x), ip);
        op = Max(Abs(o), op);
    }
    p.w = w[0], q.w = w[1], p.w1 = w1[0], q.w1 = w1[1], p.w2 = w2[0], q.w2 = w2[1];
    p.w3 = w3[0], q.w3 = w3[1], p.w4 = w4[0], q.w4 = w4[1];
    p.f1 = f1[0], q.f1 = f1[1], p.f2 = f2[0], q.f2 = f2[1];
    h1.Store(p.h1, q.h1);
    h2.Store(p.h2, q.h2);
    inPeak[0] = ip[0], inPeak[1] = ip[1], outPeak[0] = op[0], outPeak[1] = op[1];
}
