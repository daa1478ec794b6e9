#pragma once

// Five coefficients {g, b1, b2, a1, a2} of a second-order section
// g (1 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2); where g is applied is up to the caller.
struct CoefficientSet {
    float g = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;

    // Writes the five numbers, in this order, into the first five slots of a caller's storage.
    void WriteTo(float* dst) const {
        dst[0] = g;
        dst[1] = b1;
        dst[2] = b2;
        dst[3] = a1;
        dst[4] = a2;
    }
};
