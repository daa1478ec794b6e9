#include "effects/drive/PairLanes.h"
#include "effects/drive/PowerAmpStage.h"

// PowerAmpStage::ProcessPair: Tick for both channels in the lanes of SSE registers. Up to the phase splitter
// lanes 0 and 1 are the two channels (2 and 3 stay zero); from the splitter's outputs on, lanes 0 and 1
// carry each channel's upper branch (p) and lanes 2 and 3 its lower branch (q), so the two branches' high
// passes and valve lookups run in one pass too. Each lane performs Tick's operations in Tick's order.
using namespace PairLanes;

void PowerAmpStage::ProcessPair(PowerAmpStage (&stage)[2], float* in[2], float* out[2], float inPeak[2],
                                float outPeak[2], int n) {
    const PowerAmpStage& a = stage[0];
    const PowerAmpStage& b = stage[1];
    // Channels in lanes 0 and 1.
    const auto channels = [&](float PowerAmpStage::*m) { return Pair(a.*m, b.*m); };
    const auto section = [&](const Coefficients PowerAmpStage::*k, float Coefficients::*m) {
        return Pair(a.*k.*m, b.*k.*m);
    };
    // Upper branch of both channels in lanes 0 and 1, lower branch in 2 and 3.
    const auto branches = [&](float Coefficients::*m) { return F4{a.ch2.*m, b.ch2.*m, a.ch3.*m, b.ch3.*m}; };
    const F4 inputGain = channels(&PowerAmpStage::inputGain), kd = channels(&PowerAmpStage::kd),
             outputGain = channels(&PowerAmpStage::outputGain);
    const F4 pg = section(&PowerAmpStage::cpres, &Coefficients::g),
             pb1 = section(&PowerAmpStage::cpres, &Coefficients::b1),
             pb2 = section(&PowerAmpStage::cpres, &Coefficients::b2),
             pa1 = section(&PowerAmpStage::cpres, &Coefficients::a1),
             pa2 = section(&PowerAmpStage::cpres, &Coefficients::a2);
    const F4 hg = section(&PowerAmpStage::ch1, &Coefficients::g),
             hb1 = section(&PowerAmpStage::ch1, &Coefficients::b1),
             hb2 = section(&PowerAmpStage::ch1, &Coefficients::b2),
             ha1 = section(&PowerAmpStage::ch1, &Coefficients::a1),
             ha2 = section(&PowerAmpStage::ch1, &Coefficients::a2);
    const F4 bg = branches(&Coefficients::g), bb1 = branches(&Coefficients::b1),
             bb2 = branches(&Coefficients::b2), ba1 = branches(&Coefficients::a1),
             ba2 = branches(&Coefficients::a2);
    const float(*const valve[4])[4] = {a.valve->table, b.valve->table, a.valve->table, b.valve->table};
    F4 ps1 = Pair(a.st[6], b.st[6]), ps2 = Pair(a.st[7], b.st[7]);
    F4 hs1 = Pair(a.st[0], b.st[0]), hs2 = Pair(a.st[1], b.st[1]);
    F4 bs1 = {a.st[2], b.st[2], a.st[4], b.st[4]}, bs2 = {a.st[3], b.st[3], a.st[5], b.st[5]};
    F4 ip = Pair(inPeak[0], inPeak[1]), op = Pair(outPeak[0], outPeak[1]);
    // A chunk at a time, in three passes through `branch`: the presence and high-pass recursions; the
    // splitter and the branches' high-passes; the valves and the transformer. Each pass is short, so the
    // core overlaps many successive samples instead of each waiting on one long chain of lookups.
    constexpr int kChunk = 64;
    F4 branch[kChunk];
    for (int start = 0; start < n; start += kChunk) {
        const int len = n - start < kChunk ? n - start : kChunk;
        for (int i = 0; i < len; ++i) {
            const F4 x = Pair(in[0][start + i], in[1][start + i]);
            ip = Max(Abs(x), ip);
            // Presence peak, flushing. The three flushes of Tick rarely change anything: one test for all of
            // them, and the flushing steps only when one would.
            const F4 scaled = inputGain * x, gained = pg * scaled, sum = ps1 + gained;
            F4 u = gained, w = sum;
            if (__builtin_expect(AnyLive(Denormal(scaled) | Denormal(gained) | Denormal(sum)), 0)) {
                u = Flush(pg * Flush(scaled));
                w = Flush(ps1 + u);
            }
            ps1 = pb1 * u - pa1 * w + ps2;
            ps2 = pb2 * u - pa2 * w;
            // High-pass, unflushed.
            u = hg * w;
            w = hs1 + u;
            hs1 = hb1 * u - ha1 * w + hs2;
            hs2 = hb2 * u - ha2 * w;
            branch[i] = w;
        }
        for (int i = 0; i < len; ++i) {
            // Phase splitter: rows of both channels; p from each row's first four entries, q from its last
            // four.
            const F4 c = ClampInput(branch[i], -17.0f, 17.0f);
            const __m128i split = ClampRows(
                _mm_add_epi32(_mm_srai_epi32(_mm_cvttps_epi32(reinterpret_cast<__m128>(32.0f * c)), 5),
                              _mm_set1_epi32(17)),
                33);
            const float* const r0 = AmpModel::kPhaseSplitter[_mm_extract_epi16(split, 0)];
            const float* const r1 = AmpModel::kPhaseSplitter[_mm_extract_epi16(split, 2)];
            const float* const splitRows[4] = {r0, r1, r0 + 4, r1 + 4};
            const F4 pq = Cubic4(splitRows, reinterpret_cast<F4>(_mm_movelh_ps(reinterpret_cast<__m128>(c),
                                                                               reinterpret_cast<__m128>(c))));
            // Both branches' high-passes.
            const F4 u = bg * pq;
            const F4 wb = bs1 + u;
            bs1 = bb1 * u - ba1 * wb + bs2;
            bs2 = bb2 * u - ba2 * wb;
            branch[i] = wb;
        }
        for (int i = 0; i < len; ++i) {
            const F4 wb = branch[i];
            // Output valves of both branches.
            const F4 cv = ClampInput(wb, -60.0f, 204.0f);
            const __m128i rows = ClampRows(
                _mm_add_epi32(
                    _mm_srai_epi32(
                        _mm_add_epi32(_mm_cvttps_epi32(reinterpret_cast<__m128>(cv)), _mm_set1_epi32(56)), 2),
                    _mm_set1_epi32(1)),
                65);
            const float* const valveRows[4] = {
                valve[0][_mm_extract_epi16(rows, 0)], valve[1][_mm_extract_epi16(rows, 2)],
                valve[2][_mm_extract_epi16(rows, 4)], valve[3][_mm_extract_epi16(rows, 6)]};
            const F4 pv = Cubic4(valveRows, cv);
            // Difference (q moved under p) and output transformer.
            const F4 qv = reinterpret_cast<F4>(
                _mm_movehl_ps(reinterpret_cast<__m128>(pv), reinterpret_cast<__m128>(pv)));
            const F4 v = ClampInput((pv - qv) * kd, -1.1f, 1.1f);
            const __m128i transformer = ClampRows(
                _mm_add_epi32(_mm_srai_epi32(_mm_cvttps_epi32(reinterpret_cast<__m128>(256.0f * v)), 5),
                              _mm_set1_epi32(9)),
                17);
            const F4 y =
                outputGain * Cubic2(AmpModel::kOutputTransformer[_mm_extract_epi16(transformer, 0)],
                                    AmpModel::kOutputTransformer[_mm_extract_epi16(transformer, 2)], v);
            out[0][start + i] = y[0];
            out[1][start + i] = y[1];
            op = Max(Abs(y), op);
        }
    }
    for (int c = 0; c < 2; ++c) {
        PowerAmpStage& s = stage[c];
        s.st[6] = ps1[c], s.st[7] = ps2[c], s.st[0] = hs1[c], s.st[1] = hs2[c];
        s.st[2] = bs1[c], s.st[3] = bs2[c], s.st[4] = bs1[c + 2], s.st[5] = bs2[c + 2];
        inPeak[c] = ip[c], outPeak[c] = op[c];
    }
}
