#pragma once
#include "effects/drive/Float4.h"

// Up to 8 NV / C second-order sections in series for C channels (1 or 2), without gain or denormal flush
// (the graphic equaliser's bands), run as a wavefront in NV registers of eight lanes: lane C j + c holds
// section j of channel c, which works on the sample j steps behind the one entering section 0. One step
// moves every section on by a sample, so the chain costs one step per sample instead of one per section.
// Each lane performs exactly w = s1 + x; s1 = b1 x + s2 - a1 w; s2 = b2 x - a2 w; x = w. Lanes beyond the
// last section loaded run on zero coefficients and are never read. Audio thread; only ever inlined.
template <int C, int NV> struct BandWave {
    using V = Float8;
    using I = int32_t __attribute__((vector_size(32)));
    static constexpr int kSections = 8 * NV / C;
    V s1[NV] = {}, s2[NV] = {}, b1[NV] = {}, b2[NV] = {}, a1[NV] = {}, a2[NV] = {};
    V v[NV] = {}; // the last step's outputs

    // Section j of channel c into its lane, and its state back.
    void Load(int j, int c, float b1j, float b2j, float a1j, float a2j, float s1j, float s2j) {
        const int l = C * j + c;
        b1[l / 8][l % 8] = b1j, b2[l / 8][l % 8] = b2j, a1[l / 8][l % 8] = a1j, a2[l / 8][l % 8] = a2j;
        s1[l / 8][l % 8] = s1j, s2[l / 8][l % 8] = s2j;
    }
    void Store(int j, int c, float& s1j, float& s2j) const {
        const int l = C * j + c;
        s1j = s1[l / 8][l % 8];
        s2j = s2[l / 8][l % 8];
    }
    // Channel c's output of section j in the last step.
    float Out(int j, int c) const {
        const int l = C * j + c;
        return v[l / 8][l % 8];
    }

    // Step t of a block of m samples: `fresh` (lanes 0 .. C - 1) enters section 0 as sample t. Sections
    // whose sample t - j lies outside the block keep their state; `full` says that all lie inside.
    void Step(V fresh, int t, int m, bool full) {
        V in[NV];
        in[0] = __builtin_shuffle(v[0], fresh, Up(8));
        for (int i = 1; i < NV; ++i)
            in[i] = __builtin_shuffle(v[i], v[i - 1], Up(16 - C));
        for (int i = 0; i < NV; ++i) {
            const V w = s1[i] + in[i];
            const V n1 = b1[i] * in[i] + s2[i] - a1[i] * w;
            const V n2 = b2[i] * in[i] - a2[i] * w;
            if (full) {
                s1[i] = n1;
                s2[i] = n2;
            } else {
                const I j = Section(i);
                const I live = (t - j >= 0) & (t - j < m);
                s1[i] = reinterpret_cast<V>((reinterpret_cast<I>(n1) & live) |
                                            (reinterpret_cast<I>(s1[i]) & ~live));
                s2[i] = reinterpret_cast<V>((reinterpret_cast<I>(n2) & live) |
                                            (reinterpret_cast<I>(s2[i]) & ~live));
            }
            v[i] = w;
        }
    }

  private:
    // Every lane moves up by C; lanes 0 .. C - 1 take the second operand's lanes from `from` on.
    static I Up(int from) {
        if constexpr (C == 2)
            return I{from, from + 1, 0, 1, 2, 3, 4, 5};
        else
            return I{from, 0, 1, 2, 3, 4, 5, 6};
    }
    // The section of each lane of register i.
    static I Section(int i) {
        I j;
        for (int e = 0; e < 8; ++e)
            j[e] = (8 * i + e) / C;
        return j;
    }
};
