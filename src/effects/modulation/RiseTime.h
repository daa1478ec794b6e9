#pragma once
#include <cmath>

// Coefficients of one-pole smoothers y += k (x - y) set by a rise time. Such a smoother goes from 10 %
// to 90 % of a step in ln 9 ≈ 2.2 time constants, so a rise over T samples wants k = 1 - e^(-2.2 / T),
// and k ≈ 2.2 / T while k is small.
namespace RiseTime {
constexpr double kTimeConstants = 2.2; // ln 9, rounded as the effects were voiced with it

// The small-k form for a time in milliseconds (unitsPerSecond 1000) or tenths of a millisecond (10000).
inline double LinearCoefficient(double sampleRate, double time, double unitsPerSecond = 1000.0) {
    return kTimeConstants * unitsPerSecond / sampleRate / time;
}

// The exact form for a time in milliseconds; no time at all follows at once.
inline float ExactCoefficient(double sampleRate, double ms) {
    const double samples = sampleRate * ms / 1000.0;
    if (!(samples > 0.0)) return 1.0f;
    return static_cast<float>(1.0 - std::exp(-kTimeConstants / samples));
}
} // namespace RiseTime
