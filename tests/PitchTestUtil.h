#pragma once
// Measurements for the pitch tests, computed in double precision directly from the definitions.
#include "TestSupport.h"
#include <cmath>
#include <complex>
#include <fftw3.h>
#include <vector>

namespace pitchtest {

using tsupport::kPi;

inline std::vector<float> Sine(double freq, double rate, int n, double amp = 0.5, double phase = 0.0) {
    std::vector<float> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<float>(amp * std::sin(2.0 * kPi * freq * i / rate + phase));
    return x;
}

// Amplitude of the component at freq in x[from, from + len): Hann-weighted DFT at that one frequency,
// scaled so that a sine of amplitude a reads a. Phasors by recurrence, in double precision.
inline double ToneAmplitude(const std::vector<float>& x, size_t from, size_t len, double freq, double rate) {
    const std::complex<double> rot = std::polar(1.0, -2.0 * kPi * freq / rate);
    const std::complex<double> wrot = std::polar(1.0, 2.0 * kPi / static_cast<double>(len));
    std::complex<double> ph = 1.0, wph = 1.0, acc = 0.0;
    for (size_t i = 0; i < len; ++i) {
        acc += (0.5 - 0.5 * wph.real()) * static_cast<double>(x[from + i]) * ph;
        ph *= rot;
        wph *= wrot;
    }
    return 2.0 * std::abs(acc) / (0.5 * static_cast<double>(len));
}

// Frequency of the strongest component between lo and hi Hz: the largest bin of a zero-padded Hann
// spectrum, refined by golden-section search on the single-frequency DFT.
inline double DominantFrequency(const std::vector<float>& x, size_t from, size_t len, double rate, double lo,
                                double hi) {
    size_t nfft = 1;
    while (nfft < 4 * len)
        nfft *= 2;
    std::vector<float> buf(nfft, 0.0f);
    for (size_t i = 0; i < len; ++i)
        buf[i] = static_cast<float>(x[from + i] * (0.5 - 0.5 * std::cos(2.0 * kPi * i / len)));
    std::vector<std::complex<float>> spectrum(nfft / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(static_cast<int>(nfft), buf.data(),
                                            reinterpret_cast<fftwf_complex*>(spectrum.data()), FFTW_ESTIMATE);
    fftwf_execute(plan);
    fftwf_destroy_plan(plan);
    const double binHz = rate / static_cast<double>(nfft);
    size_t best = static_cast<size_t>(lo / binHz);
    for (size_t k = best; k <= static_cast<size_t>(hi / binHz) && k < spectrum.size(); ++k)
        if (std::abs(spectrum[k]) > std::abs(spectrum[best])) best = k;
    double a = (static_cast<double>(best) - 1.0) * binHz, b = (static_cast<double>(best) + 1.0) * binHz;
    const double g = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int it = 0; it < 30; ++it) {
        const double c = b - g * (b - a), d = a + g * (b - a);
        if (ToneAmplitude(x, from, len, c, rate) > ToneAmplitude(x, from, len, d, rate))
            b = d;
        else
            a = c;
    }
    return 0.5 * (a + b);
}

} // namespace pitchtest
