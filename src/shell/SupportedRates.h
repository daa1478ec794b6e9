#pragma once

// The sample rates every effect is designed for, both ends included; hosts refuse to run others.
constexpr double kMinSampleRate = 8000.0;
constexpr double kMaxSampleRate = 384000.0;

inline bool IsSupportedSampleRate(double fs) {
    return fs >= kMinSampleRate && fs <= kMaxSampleRate;
}
