#include "TestSupport.h"
#include "effects/drive/CMLVExciterDSP.h"
#include <array>
#include <gtest/gtest.h>

using namespace tsupport;

namespace {
using cd = std::complex<double>;
// Parameter order: Drive, 1st, 2nd, 3rd, Frequency, Mix, 4th, 5th, x5.
std::vector<double> Settings(double drive, std::array<double, 5> h, double freq, double mix, bool x5) {
    return {drive, h[0], h[1], h[2], freq, mix, h[3], h[4], x5 ? 1.0 : 0.0};
}

TEST(Exciter, NoHarmonicsLeavesInputUntouched) {
    CMLVExciterDSP ex(48000, 256);
    SetValues(ex, Settings(150, {0, 0, 0, 0, 0}, 700, 100, false));
    std::vector<float> x(3000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(0.9 * std::sin(0.013 * i * i));
    const auto y = RenderChannel(ex, x, x, 111);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(y[i], x[i]) << i;
}

// With only the first harmonic the polynomial is the identity: the added part is the driven input through
// two first-order high-passes at the band frequency and a second-order 20 Hz high-pass, times the mix.
TEST(Exciter, FirstHarmonicAddsDoublyHighPassedInput) {
    const double fs = 44100;
    for (double fb : {500.0, 2000.0, 8000.0}) {
        CMLVExciterDSP ex(fs, 256);
        const double drive = 120, mix = 40;
        SetValues(ex, Settings(drive, {100, 0, 0, 0, 0}, fb, mix, false));
        const auto x = Impulse(1 << 15, 0.5f);
        auto y = RenderChannel(ex, x, x);
        for (size_t i = 0; i < y.size(); ++i)
            y[i] -= x[i];
        // Below a few hundred hertz the single-precision 20 Hz section's rounding noise dominates.
        for (double f : {300.0, 1000.0, 3000.0, 9000.0, 16000.0}) {
            const cd s1(0, std::tan(M_PI * f / fs) / std::tan(M_PI * fb / fs));
            const cd s2(0, std::tan(M_PI * f / fs) / std::tan(M_PI * 20 / fs));
            const cd hp = s1 / (s1 + 1.0);
            const cd dc = s2 * s2 / (s2 * s2 + std::sqrt(2.0) * s2 + 1.0);
            const double want = 0.5 * (drive / 150) * (mix / 100) * std::abs(hp * hp * dc);
            EXPECT_NEAR(std::abs(Dft(y, f, fs)), want, 1e-5 + 2e-3 * want) << fb << " " << f;
        }
    }
}

// The resampler design is the least-squares fit to a brick wall at 0.1 without a transition band, whose
// solution is known in closed form: the ideal low-pass response truncated to 25 taps.
TEST(Exciter, ResamplerFilterIsLeastSquaresFit) {
    const auto h = DesignLeastSquaresLowPass(25, 0.1);
    ASSERT_EQ(h.size(), 25u);
    for (int n = 0; n < 25; ++n) {
        const int k = n - 12;
        const double want = k == 0 ? 0.2 : std::sin(2 * M_PI * 0.1 * k) / (M_PI * k);
        EXPECT_NEAR(h[size_t(n)], want, 1e-12) << n;
    }
    // Its response: flat in the lower passband, Gibbs-limited near the edge, > 20 dB down from 0.16.
    auto H = [&](double f) {
        cd acc = 0;
        for (int n = 0; n < 25; ++n)
            acc += h[size_t(n)] * std::polar(1.0, -2 * M_PI * f * n);
        return std::abs(acc);
    };
    for (double f = 0; f <= 0.05; f += 0.005)
        EXPECT_NEAR(Db(H(f)), 0.0, 0.5) << f;
    EXPECT_NEAR(H(0.1), 0.5, 0.05); // half amplitude at the edge
    for (double f = 0.16; f <= 0.5; f += 0.005)
        EXPECT_LT(Db(H(f)), -20.0) << f;
}

TEST(Exciter, OversampledPathDelaysByReportedLatency) {
    const double fs = 48000;
    CMLVExciterDSP ex(fs, 256);
    SetValues(ex, Settings(100, {0, 0, 0, 0, 0}, 1000, 50, true));
    const auto x = Sine(500, fs, 4000, 0.8);
    const auto y = RenderChannel(ex, x, x);
    EXPECT_EQ(ex.GetLatency(), 4);
    // Best-fitting gain and residual for a delay of d samples; the reported delay fits best, and closely.
    auto residual = [&](size_t d) {
        double xy = 0, xx = 0;
        for (size_t i = 200; i < x.size(); ++i)
            xy += double(y[i]) * x[i - d], xx += double(x[i - d]) * x[i - d];
        const double g = xy / xx;
        double r = 0;
        for (size_t i = 200; i < x.size(); ++i)
            r = std::max(r, std::fabs(y[i] - g * x[i - d]));
        EXPECT_NEAR(g, 1.0, 0.05);
        return r;
    };
    const size_t lat = size_t(ex.GetLatency());
    const double atLatency = residual(lat);
    EXPECT_LT(atLatency, 0.002);
    EXPECT_GT(residual(lat - 1), 10 * atLatency);
    EXPECT_GT(residual(lat + 1), 10 * atLatency);
    ex.GetParameter(10)->SetValue(0);
    RenderChannel(ex, x, x);
    EXPECT_EQ(ex.GetLatency(), 0);
}

// A 5 kHz tone with one harmonic chosen: in oversampled mode the spectrum holds that harmonic (and the
// lower ones the Chebyshev weighting leaves at partial drive), nothing off the harmonic lines.
TEST(Exciter, OversamplingKeepsAliasesLow) {
    const double fs = 48000, f0 = 5000;
    for (int harmonic = 2; harmonic <= 4; ++harmonic) {
        std::array<double, 5> h{0, 0, 0, 0, 0};
        h[size_t(harmonic - 1)] = 100;
        CMLVExciterDSP ex(fs, 256);
        SetValues(ex, Settings(150, h, 1000, 100, true));
        const auto x = Sine(f0, fs, 48000, 0.9);
        const auto y = RenderChannel(ex, x, x);
        const size_t from = 24000, count = 19200; // whole periods of every probe
        const double wanted = ToneAmplitude(y, from, count, harmonic * f0, fs);
        ASSERT_GT(wanted, 1e-3);
        for (double f = 500; f < 24000; f += 500) {
            if (std::fmod(f, f0) == 0.0) continue;
            const double a = ToneAmplitude(y, from, count, f, fs);
            EXPECT_LT(Db(a / wanted), -40.0) << "harmonic " << harmonic << " at " << f;
        }
    }
}

// A harmonic beyond the base Nyquist folds back at the base rate; oversampled, the decimator removes most
// of it: the 5th harmonic of 9 kHz (45 kHz) lands on 3 kHz at 48 kHz.
TEST(Exciter, OversamplingSuppressesFoldedHarmonic) {
    double folded[2];
    for (int x5 = 0; x5 < 2; ++x5) {
        CMLVExciterDSP ex(48000, 256);
        SetValues(ex, Settings(150, {0, 0, 0, 0, 100}, 1000, 100, x5 == 1));
        const auto x = Sine(9000, 48000, 48000, 0.9);
        const auto y = RenderChannel(ex, x, x);
        folded[x5] = ToneAmplitude(y, 24000, 19200, 3000, 48000);
    }
    EXPECT_GT(folded[0], 0.1);
    EXPECT_LT(Db(folded[1] / folded[0]), -20.0);
}

TEST(Exciter, ConstantTermChangeLeavesNoOffset) {
    CMLVExciterDSP ex(48000, 256);
    SetValues(ex, Settings(100, {0, 0, 0, 0, 0}, 1000, 100, false));
    const std::vector<float> silence(48000, 0.0f);
    RenderChannel(ex, silence, silence);
    ex.GetParameter(4)->SetValue(100); // 2nd harmonic: constant term -1
    const auto y = RenderChannel(ex, silence, silence);
    double peak = 0, tail = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        peak = std::max(peak, double(std::fabs(y[i])));
        if (i > 40000) tail = std::max(tail, double(std::fabs(y[i])));
    }
    EXPECT_GT(peak, 5e-4); // the pulse
    EXPECT_LT(peak, 0.2);
    EXPECT_LT(tail, 1e-5);
}
} // namespace
