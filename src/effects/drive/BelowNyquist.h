#pragma once
#include <algorithm>

// A design frequency at or above half the sample rate folds back, or turns a bilinear design's
// pre-warping tangent negative and its poles unstable. Designs take at most this fraction of the rate, a
// little below the Nyquist limit, so that low rates keep a clean top edge instead.
constexpr double kMaxDesignFraction = 0.45;

inline double BelowNyquist(double f, double fs) {
    return std::min(f, kMaxDesignFraction * fs);
}
