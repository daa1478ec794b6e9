#pragma once
#include <cmath>

// The running peak of |x|; a NaN sample leaves it as it is. A plain compare: std::fmax would be a library
// call per sample. Audio thread.
inline float PeakUpdate(float peak, float x) {
    const float a = std::fabs(x);
    return a > peak ? a : peak;
}
