#pragma once

// One channel of the phaser's all-pass chain: the feedback, then six first-order all-pass stages on one
// coefficient per sample. Plain data; the kernels below run a chunk of samples for C channels.
struct PhaserChain {
    static constexpr int kStages = 6;
    float state[kStages];
    float feedbackValue;

    // One sample: each step in double precision, rounded to float. Audio thread.
    float Step(double c, double fb, float x);
};

namespace phaserchain {
constexpr int kChunk = 64;
// Channel ch of sample i at [i][ch].
typedef float Frames[kChunk][2];

// Audio thread: n <= kChunk samples of C channels through chains ch[0 .. C - 1]; c[i] is sample i's
// coefficient, x the input, u the chain's output.
template <int C> void RunExact(PhaserChain* ch, const float* c, float fb, const Frames& x, Frames& u, int n);

// The same with one fused multiply-add per step. The phaser is bound by the latency of its seven
// dependent steps per sample, and a fused step takes a third of the time of a double-precision one. Every
// product in the chain is exact in double precision, so the two differ only where rounding the double
// to float falls on a tie it did not start from (about one step in 10^8), or where the exact step
// flushes a negative zero or a subnormal. Each fused result is checked against the exact one, off the
// chain; if any differs, returns false with the chains untouched, for RunExact to take the chunk.
// Audio thread; only where HasFma().
template <int C>
__attribute__((target("fma"))) bool RunFused(PhaserChain* ch, const float* c, float fb, const Frames& x,
                                             Frames& u, int n);
} // namespace phaserchain
