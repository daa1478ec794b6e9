#include "effects/drive/BassPreampStage.h"
#include "effects/drive/PairLanes.h"

// BassPreampStage::ProcessPair: Tick for both channels in SSE lanes. Each Tick holds two recursions through a
// valve table, the first valve with its high-pass and feedback and the second valve with its own, and the
// first feeds the second only forwards, through the tone network. So each step runs the first valve's loop
// for sample i (lanes 0 and 1: the two channels) and the second valve's loop for sample i - 2 (lanes 2 and 3)
// in the same registers: one chain of lookups per sample instead of two in a row. The network's recursion
// runs beside it in double lanes. Each lane performs Tick's operations in Tick's order.
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
// Lanes 2 and 3 as doubles.
D2 WidenHigh(F4 x) {
    const __m128 v = reinterpret_cast<__m128>(x);
    return reinterpret_cast<D2>(_mm_cvtps_pd(_mm_movehl_ps(v, v)));
}
// a narrowed into lanes 0 and 1, b into lanes 2 and 3.
F4 Narrow(D2 a, D2 b) {
    return reinterpret_cast<F4>(_mm_movelh_ps(_mm_cvtpd_ps(reinterpret_cast<__m128d>(a)),
                                              _mm_cvtpd_ps(reinterpret_cast<__m128d>(b))));
}
// Lanes 0 and 1 of low, 2 and 3 of high.
F4 Join(F4 low, F4 high) {
    return reinterpret_cast<F4>(_mm_move_sd(reinterpret_cast<__m128d>(high), reinterpret_cast<__m128d>(low)));
}
// Zero where |x| < limit (Quiet, the recursion's floor), x elsewhere. A predicted branch, as in Tick: the
// test stays off the recursion's chain.
D2 ZeroBelow(D2 x, double limit) {
    const __m128d v = reinterpret_cast<__m128d>(x);
    const __m128d small = _mm_cmplt_pd(_mm_andnot_pd(_mm_set1_pd(-0.0), v), _mm_set1_pd(limit));
    if (__builtin_expect(_mm_movemask_pd(small) == 0, 1)) return x;
    return reinterpret_cast<D2>(_mm_andnot_pd(small, v));
}

// The two valves of both channels, each followed by its high-pass section: the first valve in lanes 0 and 1,
// the second with its 0.1 scaling in lanes 2 and 3 (scaling by 1 is exact).
struct ValveLanes {
    F4 g, b1, b2, a1, a2, s1, s2;
    ValveLanes(const FilterSection& a0, const FilterSection& a1_, const FilterSection& b0,
               const FilterSection& b1_)
        : g{a0.g, a1_.g, b0.g, b1_.g}, b1{a0.b1, a1_.b1, b0.b1, b1_.b1}, b2{a0.b2, a1_.b2, b0.b2, b1_.b2},
          a1{a0.a1, a1_.a1, b0.a1, b1_.a1}, a2{a0.a2, a1_.a2, b0.a2, b1_.a2},
          s1{a0.s1, a1_.s1, b0.s1, b1_.s1}, s2{a0.s2, a1_.s2, b0.s2, b1_.s2} {}
    F4 Step(F4 v) {
        // AmpModel::BassValveA and BassValveB: ClampInput, row ((int)(32 c) >> 4 or 5) + 33, EvalCubic. Below
        // 16 (32) in magnitude the clamps change nothing, |k| < 512 (1024) and every row lies inside the
        // table: a predicted branch takes the clamps off the chain, and each lane converts straight to an
        // integer.
        const __m128 inside =
            _mm_cmplt_ps(reinterpret_cast<__m128>(Abs(v)), _mm_setr_ps(16.0f, 16.0f, 32.0f, 32.0f));
        if (__builtin_expect(_mm_movemask_ps(inside) == 15, 1)) {
            const __m128 k = reinterpret_cast<__m128>(32.0f * v);
            const float* const r[4] = {
                AmpModel::kBassValveA[(_mm_cvttss_si64(k) >> 4) + 33],
                AmpModel::kBassValveA[(_mm_cvttss_si64(_mm_shuffle_ps(k, k, 1)) >> 4) + 33],
                AmpModel::kBassValveB[(_mm_cvttss_si64(_mm_movehl_ps(k, k)) >> 5) + 33],
                AmpModel::kBassValveB[(_mm_cvttss_si64(_mm_shuffle_ps(k, k, 3)) >> 5) + 33]};
            return Section(Cubic4(r, v));
        }
        const F4 c = Min(Max(v, F4{-17.0f, -17.0f, -33.0f, -33.0f}), F4{17.0f, 17.0f, 33.0f, 33.0f});
        const __m128i k = _mm_cvttps_epi32(reinterpret_cast<__m128>(32.0f * c));
        // The two shifts at once: |k| < 2^15, and the high half of k times 2^12 (2^11) is k >> 4 (k >> 5) in
        // both 16-bit halves of a lane, so the lane holds the shifted 32-bit k.
        const __m128i shifted =
            _mm_mulhi_epi16(k, _mm_set_epi16(2048, 2048, 2048, 2048, 4096, 4096, 4096, 4096));
        const __m128i rows = ClampRows(_mm_add_epi32(shifted, _mm_set1_epi32(33)), 65);
        const float* const r[4] = {AmpModel::kBassValveA[_mm_extract_epi16(rows, 0)],
                                   AmpModel::kBassValveA[_mm_extract_epi16(rows, 2)],
                                   AmpModel::kBassValveB[_mm_extract_epi16(rows, 4)],
                                   AmpModel::kBassValveB[_mm_extract_epi16(rows, 6)]};
        return Section(Cubic4(r, c));
    }
    // The second valve's 0.1, then FilterSection::Process.
    F4 Section(F4 valve) {
        const F4 x = F4{1.0f, 1.0f, 0.1f, 0.1f} * valve;
        const F4 u = Flush(g * x, 15);
        const F4 w = Flush(s1 + u, 15);
        s1 = b1 * u - a1 * w + s2;
        s2 = b2 * u - a2 * w;
        return w;
    }
};
} // namespace

void BassPreampStage::ProcessPair(BassPreampStage (&stage)[2], float* in[2], float* out[2], float inPeak[2],
                                  float outPeak[2], int n) {
    if (n <= 0) return;
    BassPreampStage& p = stage[0];
    BassPreampStage& q = stage[1];
    const F4 inputGain = Pair(p.inputGain, q.inputGain),
             outputGain = {0.0f, 0.0f, p.outputGain, q.outputGain};
    const D2 kf1 = Pair(p.kf1, q.kf1), kf2 = Pair(p.kf2, q.kf2);
    D2 a[5], b[5];
    for (int k = 0; k < 5; ++k) {
        a[k] = Pair(p.a[k], q.a[k]);
        b[k] = Pair(p.b[k], q.b[k]);
    }
    D2 w = Pair(p.w, q.w), w1 = Pair(p.w1, q.w1), w2 = Pair(p.w2, q.w2), w3 = Pair(p.w3, q.w3),
       w4 = Pair(p.w4, q.w4), f1 = Pair(p.f1, q.f1), f2 = Pair(p.f2, q.f2);
    D2 tone1 = {}, tone2 = {}; // the second valve's inputs before feedback, one and two samples back
    ValveLanes valves(p.h1, q.h1, p.h2, q.h2);
    F4 ip = Pair(inPeak[0], inPeak[1]), op = {0.0f, 0.0f, outPeak[0], outPeak[1]};

    // Sample i's input, driven, before the first valve's feedback.
    const auto drive = [&](int i) {
        const F4 x = Pair(in[0][i], in[1][i]);
        ip = Max(Abs(x), ip);
        return Widen(inputGain * x);
    };
    // The first valve's input for a sample driven to d.
    const auto first = [&](D2 d) { return ZeroBelow(d + kf1 * f1, 1e-20); };
    // The second valve's input two samples back.
    const auto second = [&]() { return ZeroBelow(tone2 + kf2 * f2, 1e-20); };
    // The first valve's output (lanes 0 and 1 of s) through the network.
    const auto network = [&](F4 s) {
        f1 = Widen(s);
        w4 = w3;
        w3 = w2;
        w2 = w1;
        w1 = w;
        w = ZeroBelow(f1 - a[1] * w1 - a[2] * w2 - a[3] * w3 - a[4] * w4, 1e-30);
        tone2 = tone1;
        tone1 = b[0] * w + b[1] * w1 + b[2] * w2 + b[3] * w3 + b[4] * w4;
    };
    // The second valve's output (lanes 2 and 3 of s) as sample i.
    const auto output = [&](F4 s, int i) {
        const F4 o = outputGain * s;
        out[0][i] = o[2];
        out[1][i] = o[3];
        op = Max(Abs(o), op);
    };
    // The first valve's half of sample i, if live, beside the second valve's half of sample i - 2, if live.
    // The second lags by two so that the network's latency stays off the step's chain. An idle half runs on
    // zero input and gets its state back.
    const auto edge = [&](int i, bool liveFirst, bool liveSecond) {
        const F4 s1 = valves.s1, s2 = valves.s2;
        const F4 s = valves.Step(Narrow(liveFirst ? first(drive(i)) : D2{}, liveSecond ? second() : D2{}));
        valves.s1 = Join(liveFirst ? valves.s1 : s1, liveSecond ? valves.s1 : s1);
        valves.s2 = Join(liveFirst ? valves.s2 : s2, liveSecond ? valves.s2 : s2);
        if (liveFirst)
            network(s);
        else
            tone2 = tone1;
        if (liveSecond) {
            f2 = WidenHigh(s);
            output(s, i - 2);
        }
    };

    int i = 0;
    for (; i < n && i < 2; ++i)
        edge(i, true, false);
    // One loop: the valves' lookups lie inside their recursions, so separate passes would only add stores
    // and loads; the lanes already keep one chain of lookups per sample.
    for (; i < n; ++i) {
        const F4 s = valves.Step(Narrow(first(drive(i)), second()));
        network(s);
        f2 = WidenHigh(s);
        output(s, i - 2);
    }
    for (i = n; i < n + 2; ++i)
        edge(i, false, i >= 2);

    p.w = w[0], q.w = w[1], p.w1 = w1[0], q.w1 = w1[1], p.w2 = w2[0], q.w2 = w2[1];
    p.w3 = w3[0], q.w3 = w3[1], p.w4 = w4[0], q.w4 = w4[1];
    p.f1 = f1[0], q.f1 = f1[1], p.f2 = f2[0], q.f2 = f2[1];
    p.h1.s1 = valves.s1[0], q.h1.s1 = valves.s1[1], p.h2.s1 = valves.s1[2], q.h2.s1 = valves.s1[3];
    p.h1.s2 = valves.s2[0], q.h1.s2 = valves.s2[1], p.h2.s2 = valves.s2[2], q.h2.s2 = valves.s2[3];
    inPeak[0] = ip[0], inPeak[1] = ip[1], outPeak[0] = op[2], outPeak[1] = op[3];
}
