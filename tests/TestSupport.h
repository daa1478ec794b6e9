#pragma once
// What the algorithm tests share: the shell's preparation of an algorithm, rendering as the effect
// process does, test signals, and double-precision references and measurements (responses from
// coefficients, a direct-form biquad, the bilinear transform, single-frequency DFTs, pitch).
#include "params/CMLVDSPAlgInterface.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>
#include <cmath>
#include <complex>
#include <fftw3.h>
#include <functional>
#include <memory>
#include <vector>

namespace tsupport {

constexpr double kPi = 3.14159265358979323846;

inline double Db(double linear) {
    return 20.0 * std::log10(linear);
}
inline double Db(std::complex<double> h) {
    return Db(std::abs(h));
}

// The analog frequency (in units of 2 fs) the bilinear transform maps f to.
inline double Warp(double f, double fs) {
    return std::tan(kPi * f / fs);
}

// What the shell does once the sample rate is final: store it and ask for a full update.
inline void PrepareLikeShell(CMLVDSPAlgInterface& a, double fs) {
    a.sampleRate = fs;
    a.fullUpdatePending = true;
}

// An effect's algorithm by type, prepared as the shell prepares it.
inline std::unique_ptr<CMLVDSPAlgInterface> MakePrepared(int type, double fs, int maxBlock = 256) {
    std::unique_ptr<CMLVDSPAlgInterface> a(AlgorithmRegistry::Create(type, fs, maxBlock));
    if (a) PrepareLikeShell(*a, fs);
    return a;
}

// Runs planar stereo through an algorithm in blocks of `block`, as the effect process does; the outputs
// are separate vectors (in place gives the same, as the catalogue-wide tests check).
inline void RenderStereo(CMLVDSPAlgInterface& a, const std::vector<float>& l, const std::vector<float>& r,
                         std::vector<float>& ol, std::vector<float>& orr, int block = 256) {
    ol.assign(l.size(), 0.0f);
    orr.assign(r.size(), 0.0f);
    float ip[2], op[2];
    for (size_t pos = 0; pos < l.size(); pos += static_cast<size_t>(block)) {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), l.size() - pos));
        float* in[2] = {const_cast<float*>(l.data() + pos), const_cast<float*>(r.data() + pos)};
        float* out[2] = {ol.data() + pos, orr.data() + pos};
        a.Process(in, out, ip, op, n);
    }
}

// Stores a plain value exactly, as a preset recall does (the host path rounds through a float 0..1).
inline void Set(CMLVDSPAlgInterface& a, int index, double plain) {
    a.GetParameter(index)->SetValue(plain);
}

// Sets plain values of the parameters 2, 3, ... in order and marks the algorithm as freshly created.
inline void SetValues(CMLVDSPAlgInterface& a, const std::vector<double>& values) {
    int index = 2;
    for (double v : values)
        a.GetParameter(index++)->SetValue(v);
    a.fullUpdatePending = true;
}

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(size_t n = 0) : l(n, 0.0f), r(n, 0.0f) {}
    Stereo(std::vector<float> left, std::vector<float> right) : l(std::move(left)), r(std::move(right)) {}
    size_t size() const { return l.size(); }
};

inline Stereo Render(CMLVDSPAlgInterface& a, const Stereo& x, int block = 256) {
    Stereo y;
    RenderStereo(a, x.l, x.r, y.l, y.r, block);
    return y;
}

// Channel `channel` of the output for the two inputs.
inline std::vector<float> RenderChannel(CMLVDSPAlgInterface& a, const std::vector<float>& l,
                              const std::vector<float>& r, int block = 256, int channel = 0) {
    std::vector<float> ol, orr;
    RenderStereo(a, l, r, ol, orr, block);
    return channel == 0 ? ol : orr;
}

// Same signal on both channels.
inline Stereo Mono(size_t n, const std::function<double(size_t)>& f) {
    Stereo s(n);
    for (size_t i = 0; i < n; ++i)
        s.l[i] = s.r[i] = static_cast<float>(f(i));
    return s;
}

inline std::vector<float> Impulse(size_t n, float amplitude = 1.0f, size_t at = 0) {
    std::vector<float> x(n, 0.0f);
    x[at] = amplitude;
    return x;
}

inline std::vector<float> Sine(double f, double fs, size_t n, double amplitude = 0.5, double phase = 0.0) {
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = static_cast<float>(amplitude * std::sin(2.0 * kPi * f * static_cast<double>(i) / fs + phase));
    return x;
}

inline double PeakAbs(const std::vector<float>& x, size_t from, size_t to) {
    double p = 0.0;
    for (size_t i = from; i < to; ++i)
        p = std::max(p, static_cast<double>(std::fabs(x[i])));
    return p;
}

// DFT of h[from..] at frequency f, divided by scale.
inline std::complex<double> Dft(const std::vector<float>& h, double f, double fs, double scale = 1.0,
                                size_t from = 0) {
    std::complex<double> acc = 0;
    const double w = 2.0 * kPi * f / fs;
    for (size_t i = from; i < h.size(); ++i)
        acc += double(h[i]) * std::polar(1.0, -w * double(i - from));
    return acc / scale;
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

// (sum b[k] z^-k) / (sum a[k] z^-k), k < n, at z = e^(j 2 pi f / fs).
inline std::complex<double> Response(const double* b, const double* a, int n, double f, double fs) {
    const std::complex<double> zi = std::polar(1.0, -2.0 * kPi * f / fs);
    std::complex<double> num = 0, den = 0, zk = 1;
    for (int k = 0; k < n; ++k, zk *= zi) {
        num += b[k] * zk;
        den += a[k] * zk;
    }
    return num / den;
}

// g (1 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2): any section with those fields, float or double.
template <class Section> std::complex<double> SectionResponse(const Section& s, double f, double fs) {
    const double b[3] = {1.0, double(s.b1), double(s.b2)}, a[3] = {1.0, double(s.a1), double(s.a2)};
    return double(s.g) * Response(b, a, 3, f, fs);
}

// Direct form I biquad in double.
struct RefBiquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double operator()(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
    RefBiquad& Scale(double g) {
        b0 *= g, b1 *= g, b2 *= g;
        return *this;
    }
    // (B2 s^2 + B1 s + B0) / (A2 s^2 + A1 s + A0) with s = k (1 - z^-1) / (1 + z^-1).
    static RefBiquad Bilinear(double B2, double B1, double B0, double A2, double A1, double A0,
                              double k = 1) {
        const double n0 = B2 * k * k + B1 * k + B0, n1 = 2 * (B0 - B2 * k * k), n2 = B2 * k * k - B1 * k + B0;
        const double d0 = A2 * k * k + A1 * k + A0, d1 = 2 * (A0 - A2 * k * k), d2 = A2 * k * k - A1 * k + A0;
        RefBiquad q;
        q.b0 = n0 / d0, q.b1 = n1 / d0, q.b2 = n2 / d0, q.a1 = d1 / d0, q.a2 = d2 / d0;
        return q;
    }
};

} // namespace tsupport
