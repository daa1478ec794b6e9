#pragma once

// Clamped polynomial waveshaper of the preamp stages: ylo below lo, yhi above hi, and in between
// c1 v + c2 v^2 + c3 v^3 + c4 v^4 (single precision). The end values sit where the polynomial levels
// off, so the curve stays continuous.
struct ClampedPolyShaper {
    float lo, hi, ylo, yhi;
    float c1, c2, c3, c4;

    // Audio thread.
    float operator()(float v) const {
        if (v < lo) return ylo;
        if (v > hi) return yhi;
        return (((c4 * v + c3) * v + c2) * v + c1) * v;
    }
};
