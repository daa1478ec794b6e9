#pragma once
#include <vector>

// Linear-phase least-squares low-pass FIR of `taps` (odd) coefficients: the best fit, in the integral
// squared-error sense over 0..0.5 cycles per sample, to 1 below `edge` and 0 above it. Solves the
// normal equations of the cosine basis. Pure function.
std::vector<double> DesignLeastSquaresLowPass(int taps, double edge);

// Taps of the interpolation and decimation by 5: one 25-tap linear-phase FIR each, used in polyphase
// form. Together they delay the base-rate signal by exactly 4 samples (12 + 12 high-rate samples plus
// the phase offset).
struct Resampler5 {
    static constexpr int kFactor = 5, kTaps = 25, kLatency = 4;
    float interp[kTaps] = {}; // design taps times 5
    float decim[kTaps] = {};

    void Design();
};
