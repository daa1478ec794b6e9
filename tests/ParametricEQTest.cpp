#include "TestSupport.h"
#include "effects/drive/CMLVParametricEQDSP.h"
#include <gtest/gtest.h>

using namespace tsupport;

namespace {
using cd = std::complex<double>;

struct PeCase {
    int type;
    double gain, freq, q;
};

// Analog cookbook prototypes at normalised s (corner at 1); the bilinear transform pre-warped at the corner
// maps physical f to s = j tan(pi f / fs) / tan(pi f0 / fs).
cd Prototype(const PeCase& c, double f, double fs) {
    const cd s(0.0, Warp(f, fs) / Warp(c.freq, fs));
    const double w0 = 2.0 * kPi * c.freq / fs;
    auto qFromOctaves = [&](double bw) {
        return 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * bw * w0 / std::sin(w0)));
    };
    switch (c.type) {
    case 0:
    case 1: {
        const double A = std::pow(10.0, c.gain / 40.0);
        const double k = std::sqrt(A) * std::sqrt((A + 1.0 / A) * (1.0 / c.q - 1.0) + 2.0); // sqrt(A)/Q
        if (c.type == 0) return A * (s * s + k * s + A) / (A * s * s + k * s + 1.0);
        return A * (A * s * s + k * s + 1.0) / (s * s + k * s + A);
    }
    case 2: {
        const double A = std::pow(10.0, c.gain / 40.0), Q = qFromOctaves(2.0 * c.q);
        return (s * s + s * (A / Q) + 1.0) / (s * s + s / (A * Q) + 1.0);
    }
    case 3:
    case 4: {
        // Pass filters: Gain acts as an output gain of Gain/2 dB.
        const double g = std::pow(10.0, c.gain / 40.0);
        const cd num = c.type == 3 ? cd(1.0) : s * s;
        return g * num / (s * s + s / c.q + 1.0);
    }
    default: {
        const double Q = qFromOctaves(2.0 * c.q);
        return std::pow(10.0, c.gain / 20.0) * (s * s + 1.0) / (s * s + s / Q + 1.0);
    }
    }
}

class ParametricEQResponse : public ::testing::TestWithParam<PeCase> {};

TEST_P(ParametricEQResponse, MatchesAnalogPrototype) {
    const PeCase c = GetParam();
    const double fs = 48000;
    CMLVParametricEQDSP pe(fs, 256);
    SetValues(pe, {c.gain, c.freq, c.q, double(c.type)});
    const auto x = Impulse(1 << 15);
    const auto h = RenderChannel(pe, x, x);
    for (double r : {0.1, 0.3, 0.7, 0.93, 1.0, 1.07, 1.5, 3.0, 8.0}) {
        const double f = c.freq * r;
        if (f >= 0.45 * fs) continue;
        const double want = std::abs(Prototype(c, f, fs));
        const double got = std::abs(Dft(h, f, fs));
        EXPECT_NEAR(got, want, 1e-4 + 1e-3 * want) << "type " << c.type << " at " << f << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ParametricEQResponse,
                         ::testing::Values(PeCase{0, 9, 300, 1}, PeCase{0, -12, 120, 0.5},
                                           PeCase{0, 6, 2000, 3}, PeCase{1, 0, 1000, 1},
                                           PeCase{1, 12, 4000, 1}, PeCase{1, -7.5, 800, 0.3},
                                           PeCase{2, 12, 1000, 0.1}, PeCase{2, -9, 250, 1},
                                           PeCase{2, 5, 6000, 3}, PeCase{3, 0, 800, 0.776},
                                           PeCase{3, 12, 2500, 3}, PeCase{4, -12, 150, 0.7},
                                           PeCase{4, 4, 5000, 2}, PeCase{5, 0, 1000, 0.5},
                                           PeCase{5, 12, 3000, 1.5}, PeCase{5, -6, 200, 0.2}));

} // namespace
