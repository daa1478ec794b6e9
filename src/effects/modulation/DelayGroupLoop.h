#pragma once
#include "effects/PeakUpdate.h"
#include "effects/drive/BlockPeaks.h"
#include "effects/modulation/LowBandBypassSplit.h"
#include "effects/modulation/ModulatedDelayLine.h"
#include "effects/modulation/SampleGroup.h"

// The block loop of the chorus and the flanger: groups of samples (SampleGroup) through the delay line,
// with each group's inputs, crossover and sweep taken a group ahead so that their recursions run while the
// previous group's reads and writes are in flight; a sample at a time where a group's positions would
// overlap, and for the block's tail. What differs between the effects comes in as functions:
//   groupDepths()                  the next group's delays in lanes (steps the sweep)
//   mixGroup(cursor, xs, lows, v)  writes the line for a group and returns its output
//   one(cursor, c, x, low, d, r, w) the same for one sample of channel c at positions r and w
//   afterGroups()                  hands the group sweep back to the scalar oscillators
//   tailDepths(d)                  the next tail sample's delay per channel (steps the oscillators)
// Audio thread; only ever inlined.
template <int C, bool Split, class GroupDepths, class MixGroup, class One, class AfterGroups,
          class TailDepths>
inline __attribute__((always_inline)) void
RunDelayGroups(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n,
               ModulatedDelayLine& line, LowBandBypassSplit* split, GroupDepths&& groupDepths,
               MixGroup&& mixGroup, One&& one, AfterGroups&& afterGroups, TailDepths&& tailDepths) {
    using namespace samplegroup;
    constexpr int kSpan = Span<C>;
    ModulatedDelayLine::Cursor cursor = line.Begin();
    LowBandBypassSplit::Band band[2] = {};
    if (Split) ForChannels<C>([&](auto c) { band[c] = split->Begin(c); });
    LowBandBypassSplit::BandPair bands = {};
    if (Split && C == 2) bands = split->BeginPair();
    __m128 ip = _mm_setzero_ps(), op = _mm_setzero_ps();
    struct Group {
        __m128 input, xs, lows, d;
    };
    const auto prepare = [&](int at) __attribute__((always_inline)) {
        Group g;
        g.input = Load<C>(in, at);
        g.xs = g.input;
        g.lows = _mm_setzero_ps();
        if (Split) LowBandBypassSplit::SplitGroup<C>(bands, band[0], in[0] + at, g.input, g.xs, g.lows);
        g.d = groupDepths();
        return g;
    };
    int i = 0;
    Group next = {};
    if (kSpan <= n) next = prepare(0);
    for (; i + kSpan <= n; i += kSpan) {
        const Group g = next;
        if (i + 2 * kSpan <= n) next = prepare(i + kSpan);
        ip = PeakLanes(ip, g.input);
        __m128 v, y;
        if (cursor.template ReadGroup<C>(g.d, v)) {
            y = mixGroup(cursor, g.xs, g.lows, v);
        } else {
            alignas(16) float ds[4], ys[4], x[4], low[4];
            _mm_store_ps(ds, g.d);
            _mm_store_ps(x, g.xs);
            _mm_store_ps(low, g.lows);
            int r = cursor.ReadIndex(), w = cursor.WriteIndex();
            for (int t = 0; t < kSpan; ++t, r = cursor.Next(r), w = cursor.Next(w))
                for (int c = 0; c < C; ++c) {
                    const int l = c * kSpan + t;
                    ys[l] = one(cursor, c, x[l], low[l], ds[l], r, w);
                }
            y = _mm_load_ps(ys);
        }
        op = PeakLanes(op, y);
        Store<C>(out, i, y);
        cursor.Advance(kSpan);
    }
    afterGroups();
    float inP[2], outP[2];
    if (Split && C == 2) {
        split->End(bands);
        ForChannels<C>([&](auto c) { band[c] = split->Begin(c); });
    }
    PeaksOf<C>(ip, inP);
    PeaksOf<C>(op, outP);
    for (; i < n; ++i) {
        float d[2];
        tailDepths(d);
        ForChannels<C>([&](auto c) {
            float x = in[c][i], low = 0.0f;
            inP[c] = PeakUpdate(inP[c], x);
            if (Split) band[c].Split(x, low, x);
            const float y = one(cursor, c, x, low, d[c], cursor.ReadIndex(), cursor.WriteIndex());
            out[c][i] = y;
            outP[c] = PeakUpdate(outP[c], y);
        });
        cursor.Advance();
    }
    ForChannels<C>([&](auto c) {
        inPeak[c] = inP[c];
        outPeak[c] = outP[c];
        if (Split) split->End(c, band[c]);
    });
    line.End(cursor);
}
