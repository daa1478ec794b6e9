#pragma once
#include "effects/drive/BiquadSection.h"
#include "effects/drive/Float4.h"
#include <cstring>
#include <type_traits>

// What each lane does around the shared recursion w = s1 + x; s1 = b1 x + s2 - a1 w; s2 = b2 x - a2 w.
enum class SectionKind {
    Plain,        // passes w on (the graphic equalisers' bands)
    FlushAndGain, // flushes w and passes on flushed g w: exactly BiquadSection::Process (the drives)
};

// Second-order sections in series for C channels (1 or 2), run as a wavefront in NV registers V (Float4 or
// Float8): lane C j + c holds section j of channel c, which works on the sample j steps behind the one
// entering section 0. One step moves every section on by a sample, so the chain costs one step per sample
// instead of one per section, and lanes one channel alone would leave idle do work. Lanes beyond the last
// section loaded run on zero coefficients and are never read. Audio thread. Whatever passes a vector by
// value is forced inline: an eight-float vector travels in other registers in AVX2 code than in the
// baseline code an out-of-line copy would be compiled as.
template <class V, int C, int NV, SectionKind K> struct SectionWave {
    static constexpr int kWidth = sizeof(V) / sizeof(float);
    using I =
        typename std::conditional<kWidth == 8, int32_t __attribute__((vector_size(32))), IntLanes>::type;
    V s1[NV] = {}, s2[NV] = {}, b1[NV] = {}, b2[NV] = {}, a1[NV] = {}, a2[NV] = {}, g[NV] = {};
    V v[NV] = {}; // the last step's outputs

    // Section j of channel c into its lane, and its state back.
    void Load(int j, int c, float b1j, float b2j, float a1j, float a2j, float s1j, float s2j) {
        const int r = (C * j + c) / kWidth, l = (C * j + c) % kWidth;
        s1[r][l] = s1j, s2[r][l] = s2j, b1[r][l] = b1j, b2[r][l] = b2j, a1[r][l] = a1j, a2[r][l] = a2j;
    }
    void Store(int j, int c, float& s1j, float& s2j) const {
        const int r = (C * j + c) / kWidth, l = (C * j + c) % kWidth;
        s1j = s1[r][l];
        s2j = s2[r][l];
    }
    // Channel c's four sections with their gains, all in one register. The lanes are written directly, not
    // through Load: GCC then keeps the stereo drive's stepping loop as tight as before (about 2 % fewer
    // instructions).
    void Load(int c, const BiquadSection (&sec)[4]) {
        static_assert(NV == 1 && 4 * C <= kWidth, "four sections per channel in one register");
        for (int k = 0; k < 4; ++k) {
            const int l = C * k + c;
            s1[0][l] = sec[k].s1, s2[0][l] = sec[k].s2, b1[0][l] = sec[k].b1, b2[0][l] = sec[k].b2;
            a1[0][l] = sec[k].a1, a2[0][l] = sec[k].a2, g[0][l] = sec[k].g;
        }
    }
    void Store(int c, BiquadSection (&sec)[4]) const {
        for (int k = 0; k < 4; ++k)
            Store(k, c, sec[k].s1, sec[k].s2);
    }
    // Channel c's output of the fourth section, read from a copy of the register: GCC then keeps v in a
    // register across the drive loop instead of storing it on every step.
    __attribute__((always_inline)) float Out4(int c) const {
        const V x = v[0];
        return x[3 * C + c];
    }
    // Channel c's output of section j in the last step.
    float Out(int j, int c) const { return v[(C * j + c) / kWidth][(C * j + c) % kWidth]; }

    // Step t of a block of n samples: `fresh` (lanes 0 .. C - 1) enters section 0 as sample t. Sections
    // whose sample t - j lies outside the block keep their state; `full` says that all lie inside.
    __attribute__((always_inline)) void Step(V fresh, int t, int n, bool full) {
        V in[NV];
        in[0] = __builtin_shuffle(v[0], fresh, Up<kWidth>());
        for (int r = 1; r < NV; ++r)
            in[r] = __builtin_shuffle(v[r], v[r - 1], Up<2 * kWidth - C>());
        for (int r = 0; r < NV; ++r) {
            V w = s1[r] + in[r];
            if constexpr (K == SectionKind::FlushAndGain) w = Flush(w);
            const V n1 = b1[r] * in[r] + s2[r] - a1[r] * w;
            const V n2 = b2[r] * in[r] - a2[r] * w;
            if (full) {
                s1[r] = n1;
                s2[r] = n2;
            } else {
                const I j = Section(r);
                const I live = (t - j >= 0) & (t - j < n);
                s1[r] = reinterpret_cast<V>((reinterpret_cast<I>(n1) & live) |
                                            (reinterpret_cast<I>(s1[r]) & ~live));
                s2[r] = reinterpret_cast<V>((reinterpret_cast<I>(n2) & live) |
                                            (reinterpret_cast<I>(s2[r]) & ~live));
            }
            if constexpr (K == SectionKind::FlushAndGain)
                v[r] = Flush(g[r] * w);
            else
                v[r] = w;
        }
    }

  private:
    // Every lane moves up by C; lanes 0 .. C - 1 take the second operand's lanes from F on.
    template <int F> __attribute__((always_inline)) static I Up() {
        if constexpr (kWidth == 8 && C == 2)
            return I{F, F + 1, 0, 1, 2, 3, 4, 5};
        else if constexpr (kWidth == 8)
            return I{F, 0, 1, 2, 3, 4, 5, 6};
        else if constexpr (C == 2)
            return I{F, F + 1, 0, 1};
        else
            return I{F, 0, 1, 2};
    }
    // The section of each lane of register r.
    __attribute__((always_inline)) static I Section(int r) {
        I j;
        for (int e = 0; e < kWidth; ++e)
            j[e] = (kWidth * r + e) / C;
        return j;
    }
    // BiquadSection's flush on every lane. The test is a predicted branch, as in the scalar form, so that
    // it stays off the step's dependent chain; lanes at the edges of a block carry zeros and take the
    // slow path now and then.
    __attribute__((always_inline)) static V Flush(V x) {
        if constexpr (kWidth == 4) {
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
