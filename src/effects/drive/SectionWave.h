#pragma once
#include "effects/drive/BiquadSection.h"
#include "effects/drive/Float4.h"
#include <cstring>
#include <type_traits>

// Four biquad sections in series for C channels (1 or 2), run as a wavefront: lane C k + c holds section k
// of channel c, which works on the sample k steps behind the one entering section 0. One vector step moves
// every section on by a sample, so the chain costs one step per sample instead of four dependent ones, and
// lanes a channel alone would leave idle do work. Each lane performs exactly BiquadSection::Process.
// Audio thread; only ever inlined.
template <int C> struct SectionWave {
    using V = typename std::conditional<C == 2, Float8, Float4>::type;
    using I = typename std::conditional<C == 2, int32_t __attribute__((vector_size(32))), IntLanes>::type;
    static constexpr int kLanes = 4 * C;
    V s1{}, s2{}, b1{}, b2{}, a1{}, a2{}, g{};
    V v{}; // the last step's outputs

    // Channel c's four sections into their lanes, and their states back.
    void Load(int c, const BiquadSection (&sec)[4]) {
        for (int k = 0; k < 4; ++k) {
            const int l = C * k + c;
            s1[l] = sec[k].s1, s2[l] = sec[k].s2, b1[l] = sec[k].b1, b2[l] = sec[k].b2;
            a1[l] = sec[k].a1, a2[l] = sec[k].a2, g[l] = sec[k].g;
        }
    }
    void Store(int c, BiquadSection (&sec)[4]) const {
        for (int k = 0; k < 4; ++k) {
            sec[k].s1 = s1[C * k + c];
            sec[k].s2 = s2[C * k + c];
        }
    }

    // Step t of a block of m samples: `fresh` (lanes 0 .. C - 1) enters section 0 as sample t; afterwards
    // the last C lanes of v hold the chain's output for sample t - 3. Sections whose sample t - k lies
    // outside the block keep their state; `full` says that all lie inside (3 <= t < m).
    void Step(V fresh, int t, int m, bool full) {
        const V in = __builtin_shuffle(v, fresh, Up());
        const V w = Flush(s1 + in);
        const V n1 = b1 * in + s2 - a1 * w;
        const V n2 = b2 * in - a2 * w;
        if (full) {
            s1 = n1;
            s2 = n2;
        } else {
            const I k = Section();
            const I live = (t - k >= 0) & (t - k < m);
            s1 = reinterpret_cast<V>((reinterpret_cast<I>(n1) & live) | (reinterpret_cast<I>(s1) & ~live));
            s2 = reinterpret_cast<V>((reinterpret_cast<I>(n2) & live) | (reinterpret_cast<I>(s2) & ~live));
        }
        v = Flush(g * w);
    }

  private:
    // Every lane moves up by C; lanes 0 .. C - 1 take the fresh samples (the second operand).
    static I Up() {
        if constexpr (C == 2)
            return I{8, 9, 0, 1, 2, 3, 4, 5};
        else
            return I{4, 0, 1, 2};
    }
    static I Section() {
        if constexpr (C == 2)
            return I{0, 0, 1, 1, 2, 2, 3, 3};
        else
            return I{0, 1, 2, 3};
    }
    // BiquadSection's flush on every lane. The test is a predicted branch, as in the scalar form, so that
    // it stays off the step's dependent chain; lanes at the edges of a block carry zeros and take the
    // slow path now and then.
    static V Flush(V x) {
        if constexpr (C == 1) {
            return FlushDenormal(x);
        } else {
            const I u = reinterpret_cast<I>(x);
            const I zero = (u & 0x7f800000) == 0;
            IntLanes half[2];
            std::memcpy(half, &zero, sizeof half);
            if (__builtin_expect(_mm_movemask_ps(reinterpret_cast<__m128>(half[0] | half[1])) == 0, 1))
                return x;
            return reinterpret_cast<V>(u & ~zero);
        }
    }
};
