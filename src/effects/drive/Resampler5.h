#pragma once
#include <vector>

// Linear-phase least-squares low-pass FIR of `taps` (odd) coefficients: the best fit, in the integral
// squared-error sense over 0..0.5 cycles per sample, to 1 below `edge` and 0 above it. Solves the
// normal equations of the cosine basis. Pure function.
std::vector<double> DesignLeastSquaresLowPass(int taps, double edge);

// Interpolation and decimation by 5 with one 25-tap linear-phase FIR each, in polyphase form. Together
// they delay the base-rate signal by exactly 4 samples (12 + 12 high-rate samples plus the phase offset).
struct Resampler5 {
    static constexpr int kFactor = 5, kTaps = 25, kLatency = 4;
    float interp[kTaps] = {}; // design taps times 5
    float decim[kTaps] = {};
    float history[kFactor] = {}; // last base-rate inputs, newest first
    float high[kTaps] = {};      // last high-rate samples, oldest first

    void Design();
    void Clear();
    // Five high-rate samples for one base-rate input.
    void Interpolate(float x, float u[kFactor]) {
        for (int q = kFactor - 1; q > 0; --q)
            history[q] = history[q - 1];
        history[0] = x;
        for (int p = 0; p < kFactor; ++p) {
            float acc = 0.0f;
            for (int q = 0; q < kFactor; ++q)
                acc += interp[kFactor * q + p] * history[q];
            u[p] = acc;
        }
    }
    // One base-rate output for five high-rate samples.
    float Decimate(const float z[kFactor]) {
        for (int j = 0; j < kTaps - kFactor; ++j)
            high[j] = high[j + kFactor];
        for (int p = 0; p < kFactor; ++p)
            high[kTaps - kFactor + p] = z[p];
        float acc = 0.0f;
        for (int j = 0; j < kTaps; ++j)
            acc += decim[j] * high[kTaps - 1 - j];
        return acc;
    }
};
