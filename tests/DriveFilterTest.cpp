// Second-order building blocks checked against their analog prototypes. With K = tan(pi fc / fs) and
// T = tan(pi f / fs), a bilinear design with pre-warping has |H(e^jw)| = |Ha(jT)| exactly, where Ha is
// the textbook analog filter with its corner at K; the only deviation is the rounding of the five
// coefficients to single precision.
#include "effects/drive/BilinearTransform.h"
#include "effects/drive/BiquadSection.h"
#include "effects/drive/EqBandSet.h"
#include "effects/drive/FilterDesigners.h"
#include "effects/drive/FilterSection.h"
#include "TestSupport.h"
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <vector>

namespace {
using cd = std::complex<double>;
using namespace tsupport;

// Bound, in dB, of what rounding the five coefficients to float does to |H| at f: each coefficient
// moves by at most 2^-24 of itself, so numerator and denominator move by at most
// 2^-24 (|b1| + |b2|) / |N| and 2^-24 (|a1| + |a2|) / |D| relative (first order). Poles close to z = 1
// (low corners at high rates) make |D| small and the bound large; elsewhere it is ~1e-5 dB. Twice the
// bound plus 1e-4 dB still fails any wrong formula, which errs by hundredths of a dB or more.
double RoundingTolDb(double b1, double b2, double a1, double a2, double f, double fs) {
    const cd zi = std::polar(1.0, -2.0 * kPi * f / fs);
    const double n = std::abs(1.0 + b1 * zi + b2 * zi * zi), d = std::abs(1.0 + a1 * zi + a2 * zi * zi);
    const double rel = std::ldexp(1.0, -24) *
                       (1.0 + (std::fabs(b1) + std::fabs(b2)) / n + (std::fabs(a1) + std::fabs(a2)) / d);
    return 2.0 * 8.686 * rel + 1e-4;
}
template <class S> double TolDb(const S& s, double f, double fs) {
    return RoundingTolDb(s.b1, s.b2, s.a1, s.a2, f, fs);
}

// Analog prototypes in the warped variable s = jT.
cd LowShelf1(cd s, double k, double v) {
    return v >= 1 ? (s + v * k) / (s + k) : (s + k) / (s + k / v);
}
cd HighShelf1(cd s, double k, double v) {
    return v >= 1 ? (v * s + k) / (s + k) : v * (s + k) / (s + v * k);
}
// Second-order shelf with DC gain v: (s^2 + sqrt(2 v) K s + v K^2) / (s^2 + sqrt(2) K s + K^2).
cd LowShelf2(cd s, double k, double v) {
    return (s * s + std::sqrt(2 * v) * k * s + v * k * k) / (s * s + std::sqrt(2.0) * k * s + k * k);
}
// Second-order shelf with gain v at infinity.
cd HighShelf2(cd s, double k, double v) {
    return (v * s * s + std::sqrt(2 * v) * k * s + k * k) / (s * s + std::sqrt(2.0) * k * s + k * k);
}
// Peak of gain v at centre W = tan(w0 / 2) whose all-pass bandwidth parameter is kb:
// bandwidth B = kb (1 + W^2) for a boost, kb (1 + W^2) / v for a cut (the cut mirrors the boost).
cd Peak(cd s, double w, double kb, double v) {
    const double b = kb * (1 + w * w) / (v >= 1 ? 1.0 : v);
    return (s * s + v * b * s + w * w) / (s * s + b * s + w * w);
}
cd Butter2Low(cd s, double k) {
    return k * k / (s * s + std::sqrt(2.0) * k * s + k * k);
}
cd Butter2High(cd s, double k) {
    return s * s / (s * s + std::sqrt(2.0) * k * s + k * k);
}

const double kProbe[] = {20, 55, 100, 250, 700, 1500, 3000, 6000, 9000, 12000, 15000, 19000};

// At the centre of a peak or the corner of a Butterworth section the poles are far from z = 1.
const double kTolDb = 0.001;

struct BandCase {
    EqBandDescriptor band;
    double fs;
};

class EqBandDesign : public ::testing::TestWithParam<BandCase> {};

TEST_P(EqBandDesign, MatchesAnalogPrototype) {
    const BandCase& c = GetParam();
    BiquadSection s;
    s.s1 = 0.25f; // the designer must leave the state alone
    s.s2 = -0.5f;
    DesignEqBand(c.band, s, c.fs);
    EXPECT_EQ(s.s1, 0.25f);
    EXPECT_EQ(s.s2, -0.5f);
    const double v = std::pow(10.0, c.band.gainTenths / 200.0);
    const double k = Warp(c.band.frequency, c.fs);
    for (double f : kProbe) {
        if (f >= c.fs / 2) continue;
        const cd sj(0.0, Warp(f, c.fs));
        cd ref = 1.0;
        switch (c.band.type) {
        case 1: {
            const double n = c.band.bandwidth, kk = std::pow(2.0, n / 12.0);
            ref = Peak(sj, k, Warp(0.5 * (kk - 1 / kk) * c.band.frequency, c.fs), v);
            break;
        }
        case 2:
            ref = LowShelf1(sj, k, v);
            break;
        case 3:
            ref = HighShelf1(sj, k, v);
            break;
        case 4:
            ref = LowShelf2(sj, k, v);
            break;
        }
        EXPECT_NEAR(Db(SectionResponse(s, f, c.fs)), Db(ref), TolDb(s, f, c.fs)) << "f=" << f;
    }
    if (c.band.type == 1) { // the peak reaches its full gain at the centre
        EXPECT_NEAR(Db(SectionResponse(s, c.band.frequency, c.fs)), c.band.gainTenths / 10.0, kTolDb);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, EqBandDesign,
    ::testing::Values(BandCase{{2, 40, -240, 0, 0}, 44100}, BandCase{{2, 40, -240, 0, 0}, 96000},
                      BandCase{{2, 300, 60, 0, 0}, 48000}, BandCase{{1, 68, -240, 2, 0}, 48000},
                      BandCase{{1, 1625, -49, 10, 0}, 44100}, BandCase{{1, 5383, 136, 5, 0}, 48000},
                      BandCase{{1, 11246, 191, 5, 0}, 96000}, BandCase{{1, 11776, 203, 5, 0}, 32000},
                      BandCase{{3, 2000, 90, 0, 0}, 48000}, BandCase{{3, 2000, -90, 0, 0}, 44100},
                      BandCase{{4, 100, 84, 0, 0}, 44100}, BandCase{{4, 200, 85, 0, 0}, 192000},
                      BandCase{{0, 1000, 120, 3, 0}, 48000}, BandCase{{7, 1000, 120, 3, 0}, 48000}));

// FilterSection designers, each against its analog prototype.
struct SectionCase {
    int type;
    float f, gain, q;
    float fs;
};

class FilterSectionDesign : public ::testing::TestWithParam<SectionCase> {};

TEST_P(FilterSectionDesign, MatchesAnalogPrototype) {
    const SectionCase& c = GetParam();
    FilterSection s;
    s.SetSampleRate(c.fs);
    if (c.type == 1) {
        s.DesignPeak(c.f, c.gain, c.q); // a Q that is not a whole number needs the designer itself
    } else { // the other designers through the type setter's redesign from the stored values
        s.frequency = c.f, s.gain = c.gain, s.q = c.q;
        s.SetType(c.type);
    }
    EXPECT_EQ(s.type, c.type);
    EXPECT_EQ(s.frequency, c.f);
    const double v = std::pow(10.0, c.gain / 20.0), k = Warp(c.f, c.fs);
    const double w0 = Warp(c.f, c.fs);
    for (double f : kProbe) {
        if (f >= c.fs / 2) continue;
        const cd sj(0.0, Warp(f, c.fs));
        cd ref;
        switch (c.type) {
        case 1:
            ref = Peak(sj, w0, Warp(c.f / c.q, c.fs), v);
            break;
        case 2:
            ref = k / (sj + k);
            break;
        case 3:
            ref = Butter2Low(sj, k);
            break;
        case 4:
            ref = sj / (sj + k);
            break;
        case 5:
            ref = Butter2High(sj, k);
            break;
        case 6:
            ref = LowShelf1(sj, k, v);
            break;
        case 7: // always a cut: DC gain v for cuts, 1 / v for boosts
            ref = c.gain <= 0 ? LowShelf2(sj, k, v) : 1.0 / LowShelf2(sj, k, v);
            break;
        case 8:
            ref = HighShelf1(sj, k, v);
            break;
        case 9: // always a boost: 1 / v at the top for cuts, v for boosts
            ref = c.gain <= 0 ? 1.0 / HighShelf2(sj, k, v) : HighShelf2(sj, k, v);
            break;
        case 10: { // band-pass of unit peak gain, bandwidth parameter tan(pi bw / fs)
            const double b = Warp(c.q, c.fs) * (1 + w0 * w0);
            ref = b * sj / (sj * sj + b * sj + w0 * w0);
            break;
        }
        case 11: {
            const double b = Warp(c.f / c.q, c.fs) * (1 + w0 * w0);
            ref = (sj * sj + w0 * w0) / (sj * sj + b * sj + w0 * w0);
            break;
        }
        }
        const cd h = SectionResponse(s, f, c.fs);
        if (std::abs(ref) < 1e-3) // deep stop band or notch: compare linear magnitudes
            EXPECT_NEAR(std::abs(h), std::abs(ref), 1e-5) << "f=" << f;
        else
            EXPECT_NEAR(Db(h), Db(ref), TolDb(s, f, c.fs)) << "f=" << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, FilterSectionDesign,
    ::testing::Values(SectionCase{1, 1000, 9, 2, 48000}, SectionCase{1, 3000, -12, 0.7f, 44100},
                      SectionCase{2, 800, 0, 0, 48000}, SectionCase{3, 5000, 0, 0, 44100},
                      SectionCase{3, 120, 0, 0, 96000}, SectionCase{4, 200, 0, 0, 48000},
                      SectionCase{5, 20, 0, 0, 48000}, SectionCase{5, 40, 0, 0, 192000},
                      SectionCase{6, 250, 6, 0, 48000}, SectionCase{6, 250, -6, 0, 48000},
                      SectionCase{7, 300, 8, 0, 44100}, SectionCase{7, 300, -8, 0, 44100},
                      SectionCase{8, 3000, 5, 0, 48000}, SectionCase{8, 3000, -5, 0, 32000},
                      SectionCase{9, 2000, 1, 0, 48000}, SectionCase{9, 2000, -7, 0, 96000},
                      SectionCase{10, 1200, 0, 300, 48000}, SectionCase{11, 60, 0, 4, 44100}));

TEST(FilterSection, ZeroGainIsExactPassThroughForEveryBranch) {
    for (int type = 1; type <= 4; ++type) {
        BiquadSection s;
        DesignEqBand({type, 1234, 0, 4, 0}, s, 48000);
        EXPECT_TRUE(s.g == 1.0f && s.b1 == s.a1 && s.b2 == s.a2) << type;
    }
    for (bool second : {false, true}) {
        FilterSection lo, hi, pk;
        lo.DesignLowShelf(500, 0, second);
        hi.DesignHighShelf(500, 0, second);
        pk.DesignPeak(500, 0, 2);
        for (const FilterSection* s : {&lo, &hi, &pk})
            EXPECT_TRUE(s->g == 1.0f && s->b1 == s->a1 && s->b2 == s->a2);
    }
}

TEST(FilterDesigners, PeakWithQReachesItsGainAndBandwidth) {
    for (double gain : {-15.0, -3.0, 0.0, 4.5, 12.0}) {
        for (double q : {0.3, 0.707, 4.0}) {
            const double fs = 48000, f0 = 1700;
            const CoefficientSet c = DesignPeakWithQ(gain, f0, q, fs);
            EXPECT_NEAR(Db(SectionResponse(c, f0, fs)), gain, kTolDb);
            // Analog (s^2 + kn s + 1) / (s^2 + kd s + 1) in s / K, kn / kd = V.
            const double v = std::pow(10.0, std::fabs(gain) / 20.0), k = Warp(f0, fs);
            const double kn = gain > 0 ? v / q : 1 / q, kd = gain > 0 ? 1 / q : v / q;
            for (double f : kProbe) {
                const cd s = cd(0.0, Warp(f, fs)) / k;
                EXPECT_NEAR(Db(SectionResponse(c, f, fs)),
                            Db((s * s + kn * s + 1.0) / (s * s + kd * s + 1.0)), kTolDb);
            }
        }
    }
}

// Bilinear mapping against evaluating N(s) / D(s) at s = c (1 - z^-1) / (1 + z^-1) directly.
TEST(BilinearTransform, MatchesDirectEvaluation) {
    struct Ratio {
        double n[3], d[3]; // leading, s, constant
    };
    const Ratio ratios[] = {
        {{1.551e-9 + 8e-13 * 50000, 1.27e-4 + 1e-8 * 50000, 1}, {1.551e-9, 1.27e-4, 1}}, // real roots
        {{1, 2000, 4e8}, {2, 30000, 3e9}},                                               // complex pairs
        {{3e-6, 1, 0}, {1e-8, 2e-3, 1}},                                                 // root at s = 0
    };
    for (double fs : {44100.0, 48000.0, 96000.0}) {
        const double c = static_cast<float>(2 * fs);
        EXPECT_EQ(BilinearConstant(fs), c);
        for (const Ratio& r : ratios) {
            const CoefficientSet m = BilinearMapRatio(r.n[0], r.n[1] / r.n[0], r.n[2] / r.n[0], r.d[0],
                                                      r.d[1] / r.d[0], r.d[2] / r.d[0], fs);
            for (double f : kProbe) {
                const cd zi = std::polar(1.0, -2.0 * kPi * f / fs);
                const cd s = c * (1.0 - zi) / (1.0 + zi);
                const cd ref =
                    (r.n[0] * s * s + r.n[1] * s + r.n[2]) / (r.d[0] * s * s + r.d[1] * s + r.d[2]);
                const cd h = SectionResponse(m, f, fs);
                EXPECT_NEAR(std::abs(h), std::abs(ref), 1e-4 * std::abs(ref) + 1e-9) << f;
            }
        }
    }
    // A supplied discriminant replaces the computed one.
    const BilinearPolynomial a = BilinearMapMonic(1000, 1e5, 96000),
                             b = BilinearMapMonic(1000, 1e5, 96000, 6e5);
    EXPECT_EQ(a.a0, b.a0);
    EXPECT_NE(BilinearMapMonic(1000, 1e5, 96000, 5e5).a0, a.a0);
}

// The per-sample forms against a double-precision difference equation of the same transfer function.
TEST(SectionProcessing, ImpulseResponsesMatchTransferFunction) {
    BiquadSection bq;
    DesignEqBand({1, 1000, 60, 3, 0}, bq, 48000);
    FilterSection fsec;
    fsec.SetSampleRate(48000);
    fsec.DesignLowPass(3000, true);
    // Impulse response by the difference equation in double; the float forms agree to rounding.
    auto check = [](auto& sec) {
        RefBiquad ref{sec.g, sec.g * sec.b1, sec.g * sec.b2, sec.a1, sec.a2};
        for (int n = 0; n < 64; ++n)
            EXPECT_NEAR(sec.Process(n == 0 ? 1.0f : 0.0f), ref(n == 0), 1e-6) << n;
    };
    check(bq);
    check(fsec);
}

} // namespace
