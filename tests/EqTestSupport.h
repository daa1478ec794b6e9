#pragma once
// Helpers for the equaliser and cabinet tests: drive an algorithm block by block and measure responses
// with a direct DFT in double precision.
#include "TestSupport.h"
#include "params/CMLVDSPAlgInterface.h"
#include <cmath>
#include <complex>
#include <vector>

namespace eqtest {

// Sets plain parameter values (index 2, 3, ... in order) and marks the algorithm as freshly created.
inline void SetValues(CMLVDSPAlgInterface& alg, const std::vector<double>& values) {
    int index = 2;
    for (double v : values)
        alg.GetParameter(index++)->SetValue(v);
    alg.fullUpdatePending = true;
}

// Runs both channels through the algorithm in blocks; returns channel `channel` of the output.
inline std::vector<float> Run(CMLVDSPAlgInterface& alg, const std::vector<float>& left,
                              const std::vector<float>& right, int block = 256, int channel = 0) {
    std::vector<float> outL, outR;
    tsupport::RenderStereo(alg, left, right, outL, outR, block);
    return channel == 0 ? outL : outR;
}

inline std::vector<float> Impulse(size_t n, float amplitude = 1.0f, size_t at = 0) {
    std::vector<float> x(n, 0.0f);
    x[at] = amplitude;
    return x;
}

inline std::vector<float> Sine(size_t n, double f, double fs, double amplitude = 1.0) {
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(amplitude * std::sin(2.0 * tsupport::kPi * f * i / fs));
    return x;
}

// DFT of h at frequency f, scaled by 1/scale.
inline std::complex<double> Dft(const std::vector<float>& h, double f, double fs, double scale = 1.0,
                                size_t from = 0) {
    std::complex<double> acc = 0;
    const double w = 2.0 * tsupport::kPi * f / fs;
    for (size_t i = from; i < h.size(); ++i)
        acc += double(h[i]) * std::polar(1.0, -w * double(i - from));
    return acc / scale;
}

using tsupport::Db;

// Amplitude of a sinusoid at f in x[from..], by correlation over a whole number of periods.
inline double ToneAmplitude(const std::vector<float>& x, double f, double fs, size_t from, size_t count) {
    std::complex<double> acc = 0;
    const double w = 2.0 * tsupport::kPi * f / fs;
    for (size_t i = 0; i < count; ++i)
        acc += double(x[from + i]) * std::polar(1.0, -w * double(i));
    return 2.0 * std::abs(acc) / double(count);
}

} // namespace eqtest
