#include "DynTestUtil.h"
#include "effects/modulation/CMLVCompressorDSP.h"
#include "effects/modulation/CMLVExpanderGateDSP.h"
#include "effects/modulation/CMLVNoiseGateDSP.h"
#include <gtest/gtest.h>
#include <random>

using namespace dyntest;

namespace {
constexpr double kFs = 48000.0;
constexpr double kPi = 3.14159265358979323846;

// 1 kHz at 48 kHz: 48 samples a period, sample 12 of each period lands exactly on the crest.
Stereo Sine(double amplitude, double seconds) {
    return Mono(static_cast<size_t>(seconds * kFs), [=](size_t i) {
        return amplitude * std::sin(2.0 * kPi * 1000.0 * static_cast<double>(i) / kFs);
    });
}

// Gain seen on a DC input (left channel).
std::vector<double> GainOf(const Stereo& in, const Stereo& out) {
    std::vector<double> g(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        g[i] = static_cast<double>(out.l[i]) / in.l[i];
    return g;
}

Stereo Steps(std::initializer_list<std::pair<double, double>> levelsAndSeconds) {
    Stereo s;
    for (auto [level, seconds] : levelsAndSeconds) {
        size_t n = static_cast<size_t>(seconds * kFs);
        s.l.insert(s.l.end(), n, static_cast<float>(level));
        s.r.insert(s.r.end(), n, static_cast<float>(level));
    }
    return s;
}
} // namespace

// ---------------------------------------------------------------- compressor

struct CompressorCurveCase {
    double threshold, ratio;
    bool autoGain;
};

class CompressorCurve : public ::testing::TestWithParam<CompressorCurveCase> {};

// Output level of a steady sine against the textbook curve: above the threshold the output rises
// 1/R dB per input dB (R = 50 limits), below it the gain is unity; auto gain adds the make-up.
TEST_P(CompressorCurve, SteadySineFollowsStaticCurve) {
    const auto c = GetParam();
    const double T = std::pow(10.0, c.threshold / 20.0);
    const double makeUpDb =
        c.autoGain ? -0.99 * (c.ratio == 50 ? 1.0 : 1.0 - 1.0 / c.ratio) * (c.threshold + 2.0) : 0.0;
    for (double rel = -9.0; rel <= 15.0; rel += 3.0) {
        CMLVCompressorDSP comp(kFs, 256);
        Set(comp, 2, c.threshold);
        Set(comp, 5, c.ratio);
        Set(comp, 6, c.autoGain ? 1 : 0);
        const double A = T * std::pow(10.0, rel / 20.0);
        if (A > 1.0) continue;
        Stereo in = Sine(A, 3.0);
        Stereo out = Render(comp, in);
        const double measured = Db(PeakAbs(out.l, in.size() - 480, in.size()));
        double expected = Db(A) + makeUpDb;
        if (rel > 0)
            expected = c.ratio == 50 ? c.threshold + makeUpDb : c.threshold + rel / c.ratio + makeUpDb;
        EXPECT_NEAR(measured, expected, 0.06) << "input " << rel << " dB re threshold";
    }
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorCurve,
                         ::testing::Values(CompressorCurveCase{-6, 8, true},
                                           CompressorCurveCase{-20, 2, false},
                                           CompressorCurveCase{-30, 50, false},
                                           CompressorCurveCase{-12, 4, true},
                                           CompressorCurveCase{0, 10, true}));

TEST(Dynamics, CompressorRatioOneIsTransparent) {
    CMLVCompressorDSP comp(kFs, 256);
    Set(comp, 5, 1);
    Set(comp, 2, -40);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    Stereo in(20000);
    for (size_t i = 0; i < in.size(); ++i) {
        in.l[i] = u(rng);
        in.r[i] = 0.3f * u(rng);
    }
    Stereo out = Render(comp, in, 97);
    EXPECT_EQ(out.l, in.l);
    EXPECT_EQ(out.r, in.r);
}

struct CompressorTimeCase {
    double attack, release, expectedOnsetMs;
};
class CompressorOnset : public ::testing::TestWithParam<CompressorTimeCase> {};

// A DC step from below to far above the threshold. One sample after the jump the peak detector settles
// at x / (1 + rc) (rc the per-sample release), which nudges the target up once; from then on the
// reduction moves as a one-pole smoother on the shorter of the two times, 10-90 % in that time.
TEST_P(CompressorOnset, StepResponseTime) {
    const auto c = GetParam();
    CMLVCompressorDSP comp(kFs, 256);
    Set(comp, 2, -20);
    Set(comp, 3, c.attack);
    Set(comp, 4, c.release);
    Set(comp, 5, 50);
    Set(comp, 6, 0);
    Stereo in = Steps({{0.01, 0.5}, {0.5, 4.0}});
    auto g = GainOf(in, Render(comp, in));
    const size_t onset = static_cast<size_t>(0.5 * kFs);
    EXPECT_NEAR(g[onset - 1], 1.0, 1e-6);
    // Limited to the threshold, 0.1 / 0.5, seen through the settled detector.
    const double rc = 2200.0 / kFs / c.release;
    EXPECT_NEAR(g.back(), 0.2 * (1.0 + rc), 5e-5); // the float smoother stalls within a few ulps
    // 10 % and 90 % of the way from 1 to 0.2.
    const double samples = TransitionSamples(g, onset, 1.0 - 0.08, 1.0 - 0.72);
    const double expected = c.expectedOnsetMs * 1e-3 * kFs * std::log(9.0) / 2.2;
    EXPECT_NEAR(samples, expected, 0.01 * expected + 2) << c.attack << "/" << c.release;
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorOnset,
                         ::testing::Values(CompressorTimeCase{20, 600, 20}, CompressorTimeCase{120, 40, 40},
                                           CompressorTimeCase{2, 60, 2}, CompressorTimeCase{200, 150, 150},
                                           CompressorTimeCase{0, 600, 0.5}));

class CompressorRelease : public ::testing::TestWithParam<std::pair<double, double>> {};

// After the level drops below the threshold the peak envelope decays by 2200 / fs / release per
// sample, 19.1 dB per release time; the gain recovers at (1 - 1/R) of that rate.
TEST_P(CompressorRelease, RecoverySlope) {
    const auto [release, ratio] = GetParam();
    CMLVCompressorDSP comp(kFs, 256);
    Set(comp, 2, -20);
    Set(comp, 3, 1);
    Set(comp, 4, release);
    Set(comp, 5, ratio);
    Set(comp, 6, 0);
    Stereo in = Steps({{0.9, 1.0}, {0.01, 3.0}});
    auto g = GainOf(in, Render(comp, in));
    const size_t drop = static_cast<size_t>(1.0 * kFs);
    const double R = ratio == 50 ? 1e300 : ratio;
    // Envelope from 0.9 to the threshold 0.1 takes 19.1 dB per release time: sample a window inside it.
    const double crossMs = Db(9.0) / (20.0 * std::log10(std::exp(1.0)) * 2.2) * release;
    const size_t n1 = drop + static_cast<size_t>(0.2 * crossMs * 1e-3 * kFs);
    const size_t n2 = drop + static_cast<size_t>(0.8 * crossMs * 1e-3 * kFs);
    const double slopeDbPerSample = (Db(g[n2]) - Db(g[n1])) / static_cast<double>(n2 - n1);
    const double expected = -Db(1.0 - 2200.0 / kFs / release) * (1.0 - 1.0 / R);
    EXPECT_NEAR(slopeDbPerSample, expected, 0.01 * expected);
    EXPECT_NEAR(g.back(), 1.0, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorRelease,
                         ::testing::Values(std::make_pair(600.0, 50.0), std::make_pair(2000.0, 50.0),
                                           std::make_pair(300.0, 8.0), std::make_pair(150.0, 2.0)));

TEST(Dynamics, CompressorOverThresholdReadout) {
    CMLVCompressorDSP comp(kFs, 256);
    ASSERT_EQ(comp.GetReadoutCount(), 1);
    Set(comp, 2, -20);
    Render(comp, Steps({{0.05, 0.01}}));
    EXPECT_EQ(comp.GetReadoutValue(0), 0.0f);
    Render(comp, Steps({{0.2, 0.01}}));
    EXPECT_EQ(comp.GetReadoutValue(0), 1.0f);
    Render(comp, Steps({{0.0, 0.01}}));
    EXPECT_EQ(comp.GetReadoutValue(0), 0.0f);
}

// ---------------------------------------------------------------- noise gate

class NoiseGateCurve : public ::testing::TestWithParam<double> {};

// The detector averages the power: a sine opens the gate once its mean power A^2 / 2 reaches the
// threshold power, that is at a crest 3 dB above the threshold.
TEST_P(NoiseGateCurve, OpensAtSinePowerEqualToThreshold) {
    const double thresholdDb = GetParam();
    for (double rel : {-1.0, -0.5, 0.5, 1.0}) {
        CMLVNoiseGateDSP gate(kFs, 256);
        Set(gate, 2, thresholdDb);
        const double A = std::pow(10.0, (thresholdDb + 10.0 * std::log10(2.0) + rel) / 20.0);
        Stereo in = Sine(A, 1.5);
        Stereo out = Render(gate, in);
        const double ratio = PeakAbs(out.l, in.size() - 480, in.size()) / A;
        if (rel > 0)
            EXPECT_NEAR(ratio, 1.0, 1e-4) << rel;
        else
            EXPECT_LT(ratio, 1e-6) << rel;
        EXPECT_EQ(gate.GetReadoutValue(0), rel > 0 ? 0.0f : 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Dynamics, NoiseGateCurve, ::testing::Values(-50.0, -30.0, -12.0));

struct GateTimeCase {
    double attack, release;
};
class NoiseGateTimes : public ::testing::TestWithParam<GateTimeCase> {};

// Opening and closing are one-pole moves with 10-90 % times of "Attack" (at least 0.5 ms) and "Release".
TEST_P(NoiseGateTimes, StepResponses) {
    const auto c = GetParam();
    CMLVNoiseGateDSP gate(kFs, 256);
    Set(gate, 2, -40);
    Set(gate, 3, c.attack);
    Set(gate, 4, c.release);
    Stereo in = Steps({{0.001, 1.0}, {0.5, 2.0}, {0.001, 10.0}});
    auto g = GainOf(in, Render(gate, in));
    const double attackMs = std::max(c.attack, 0.5);
    const double k = std::log(9.0) / 2.2 * 1e-3 * kFs;
    double open = TransitionSamples(g, static_cast<size_t>(1.0 * kFs), 0.1, 0.9);
    EXPECT_NEAR(open, attackMs * k, 0.01 * attackMs * k + 2);
    double close = TransitionSamples(g, static_cast<size_t>(3.0 * kFs), 0.9, 0.1);
    EXPECT_NEAR(close, c.release * k, 0.01 * c.release * k + 2);
    EXPECT_LT(g.back(), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, NoiseGateTimes,
                         ::testing::Values(GateTimeCase{5, 185}, GateTimeCase{50, 1000}, GateTimeCase{0, 61},
                                           GateTimeCase{170, 1880}));

TEST(Dynamics, NoiseGateLearnSetsThresholdAfterOneSecond) {
    CMLVNoiseGateDSP gate(kFs, 256);
    gate.SetParameter(5, 1.0f);
    EXPECT_EQ(gate.GetParameter(5)->GetValue(), 1.0);
    Stereo in = Sine(0.1, 1.0);
    in.l.resize(in.size() - 1);
    in.r.resize(in.size() - 1);
    Render(gate, in, 128);
    EXPECT_FALSE(gate.HasMeasurementReport()) << "finished before one second";
    EXPECT_EQ(gate.GetParameter(2)->GetValue(), -50.0);
    Render(gate, Sine(0.1, 0.01), 128);
    ASSERT_TRUE(gate.HasMeasurementReport());
    EXPECT_NEAR(gate.GetParameter(2)->GetValue(), -20.0, 1e-5);
    EXPECT_EQ(gate.GetParameter(5)->GetValue(), 0.0);
    EXPECT_EQ(gate.GetParameter(5)->FormatValue(false, false), "Measuring finished");
    EXPECT_NEAR(gate.GetReadoutValue(1), -20.0f, 1e-5);
    gate.ClearMeasurementReport();
    EXPECT_FALSE(gate.HasMeasurementReport());
    // No second measurement follows.
    Render(gate, Sine(0.3, 1.5), 128);
    EXPECT_FALSE(gate.HasMeasurementReport());
    EXPECT_NEAR(gate.GetParameter(2)->GetValue(), -20.0, 1e-5);
}

// ---------------------------------------------------------------- expander gate

namespace {
// A square wave keeps |x| constant, so the peak detector settles at 0.4 / 0.41 of it.
Stereo Square(double amplitude, double seconds) {
    return Mono(static_cast<size_t>(seconds * kFs),
                [=](size_t i) { return (i / 24) % 2 ? amplitude : -amplitude; });
}
} // namespace

struct ExpanderCase {
    double threshold, ratioKnob, levelRelDb;
};
class ExpanderCurve : public ::testing::TestWithParam<ExpanderCase> {};

// Below the threshold the output falls rho dB per input dB, rho = 1 / (1 - knob / 50).
TEST_P(ExpanderCurve, SteadyLevelFollowsExpansionRatio) {
    const auto c = GetParam();
    CMLVExpanderGateDSP eg(kFs, 256);
    Set(eg, 2, c.threshold);
    Set(eg, 5, c.ratioKnob);
    const double T = std::pow(10.0, c.threshold / 20.0);
    const double A = T * std::pow(10.0, c.levelRelDb / 20.0);
    Stereo in = Square(A, 1.0);
    Stereo out = Render(eg, in);
    const double detected = A * 0.4 / 0.41;
    double expectedGain = 1.0;
    if (c.threshold != 0.0 && detected < T) {
        const double rho = c.ratioKnob == 50 ? 1e4 : 1.0 / (1.0 - c.ratioKnob / 50.0);
        expectedGain = std::pow(detected / T, rho - 1.0);
    }
    const double gain = std::fabs(out.l.back() / in.l.back());
    EXPECT_NEAR(gain, expectedGain, 1e-4 * expectedGain + 1e-7);
    EXPECT_EQ(eg.GetReadoutValue(0), c.threshold != 0.0 && detected < T ? 1.0f : 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, ExpanderCurve,
                         ::testing::Values(ExpanderCase{-20, 25, -10}, ExpanderCase{-20, 25, -3},
                                           ExpanderCase{-20, 25, 3}, ExpanderCase{-30, 10, -12},
                                           ExpanderCase{-30, 40, -6}, ExpanderCase{-10, 0, -20},
                                           ExpanderCase{-20, 50, -1}, ExpanderCase{0, 50, -40},
                                           ExpanderCase{-6, 25, -30}));

class ExpanderAttack : public ::testing::TestWithParam<double> {};

TEST_P(ExpanderAttack, OpeningTakesAttackTime) {
    const double attackMs = GetParam();
    CMLVExpanderGateDSP eg(kFs, 256);
    Set(eg, 2, -20);
    Set(eg, 3, attackMs);
    Set(eg, 5, 50);
    Stereo in = Steps({{0.001, 0.5}, {0.5, 1.5}});
    auto g = GainOf(in, Render(eg, in));
    EXPECT_LT(g[static_cast<size_t>(0.5 * kFs) - 1], 1e-6);
    const double samples = TransitionSamples(g, static_cast<size_t>(0.5 * kFs), 0.1, 0.9);
    const double expected = attackMs * 1e-3 * kFs * std::log(9.0) / 2.2;
    EXPECT_NEAR(samples, expected, 0.01 * expected + 2);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, ExpanderAttack, ::testing::Values(5.0, 20.0, 120.0));

class ExpanderRelease : public ::testing::TestWithParam<double> {};

// On a slow fade below the threshold the target keeps falling faster than the smoother can follow,
// so the gain decays at the smoother's own rate: 19.1 dB per release time.
TEST_P(ExpanderRelease, GainDecaysAtReleaseRate) {
    const double releaseMs = GetParam();
    CMLVExpanderGateDSP eg(kFs, 256);
    Set(eg, 2, -10);
    Set(eg, 4, releaseMs);
    Set(eg, 5, 25);
    const size_t hold = static_cast<size_t>(0.5 * kFs);
    Stereo in =
        Mono(hold + 8000, [=](size_t i) { return i < hold ? 0.9 : 0.9 * std::pow(0.995, double(i - hold)); });
    auto g = GainOf(in, Render(eg, in));
    const size_t n1 = hold + 2000, n2 = hold + 7000;
    const double slope = (Db(g[n2]) - Db(g[n1])) / static_cast<double>(n2 - n1);
    const double expected = -2.2 / (releaseMs * 1e-3 * kFs) * 20.0 * std::log10(std::exp(1.0));
    EXPECT_NEAR(slope, expected, 0.03 * std::fabs(expected));
}

INSTANTIATE_TEST_SUITE_P(Dynamics, ExpanderRelease, ::testing::Values(200.0, 400.0, 1000.0));

TEST(Dynamics, ExpanderDetectsTheLouderChannelOfEachBlock) {
    CMLVExpanderGateDSP eg(kFs, 256);
    EXPECT_TRUE(eg.DependsOnBlockSize());
    Set(eg, 2, -20);
    Set(eg, 5, 50);
    // Loud on the right only: the left must pass too.
    Stereo in(static_cast<size_t>(kFs));
    for (size_t i = 0; i < in.size(); ++i) {
        in.l[i] = 0.001f;
        in.r[i] = (i / 24) % 2 ? 0.5f : -0.5f;
    }
    Stereo out = Render(eg, in);
    // The float smoother stalls a few ulps short of 1.
    EXPECT_NEAR(out.l.back(), 0.001f, 2e-8);
    std::swap(in.l, in.r);
    out = Render(eg, in);
    EXPECT_NEAR(out.r.back(), 0.001f, 2e-8);
}
