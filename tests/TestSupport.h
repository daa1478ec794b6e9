#pragma once
// What most tests need: pi, the shell's preparation of an algorithm, and double-precision references
// for filters (responses from coefficients, a direct-form biquad, the bilinear transform).
#include "params/CMLVDSPAlgInterface.h"
#include "shell/AlgorithmRegistry.h"
#include <cmath>
#include <algorithm>
#include <complex>
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
