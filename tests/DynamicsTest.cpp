#include "TestSupport.h"
#include "effects/modulation/CMLVCompressorDSP.h"
#include "effects/modulation/CMLVExpanderGateDSP.h"
#include "effects/modulation/CMLVNoiseGateDSP.h"
#include <gtest/gtest.h>

using namespace tsupport;

namespace {
// Samples from g first reaching lo to first reaching hi after it (either direction), from index from.
double TransitionSamples(const std::vector<double>& g, size_t from, double lo, double hi) {
    auto reached = [&](size_t i, double level) { return hi > lo ? g[i] >= level : g[i] <= level; };
    size_t i = from;
    while (i < g.size() && !reached(i, lo))
        ++i;
    size_t j = i;
    while (j < g.size() && !reached(j, hi))
        ++j;
    return static_cast<double>(j) - static_cast<double>(i);
}

constexpr double kFs = 48000.0;
// Samples of a one-pole smoother's 10-90 % rise whose coefficient is set from ms as 2.2 / (fs ms).
constexpr double kRiseSamplesPerMs = 2.1972245773362196 / 2.2 * kFs / 1000.0; // ln 9 / 2.2

// 1 kHz at 48 kHz: sample 12 of each period lands exactly on the crest.
Stereo Sine(double amplitude, double seconds) {
    return Mono(static_cast<size_t>(seconds * kFs), [=](size_t i) {
        return amplitude * std::sin(2.0 * kPi * 1000.0 * static_cast<double>(i) / kFs);
    });
}

// A square wave keeps |x| constant.
Stereo Square(double amplitude, double seconds) {
    return Mono(static_cast<size_t>(seconds * kFs),
                [=](size_t i) { return (i / 24) % 2 ? amplitude : -amplitude; });
}

Stereo Steps(std::initializer_list<std::pair<double, double>> levelsAndSeconds) {
    Stereo s;
    for (auto [level, seconds] : levelsAndSeconds) {
        s.l.insert(s.l.end(), static_cast<size_t>(seconds * kFs), static_cast<float>(level));
        s.r.insert(s.r.end(), static_cast<size_t>(seconds * kFs), static_cast<float>(level));
    }
    return s;
}

// Gain applied to a DC (or any non-zero) left input.
std::vector<double> GainOf(CMLVDSPAlgInterface& alg, const Stereo& in) {
    Stereo out = Render(alg, in);
    std::vector<double> g(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        g[i] = static_cast<double>(out.l[i]) / in.l[i];
    return g;
}
} // namespace

struct CurveCase {
    double threshold, ratio;
    bool autoGain;
};
class CompressorCurve : public ::testing::TestWithParam<CurveCase> {};

// Steady sines against the textbook curve: above the threshold the output rises 1/R dB per input dB
// (R = 50 limits), below it the gain is unity; auto gain adds 0.99 (1 - 1/R) (-T - 2) dB. The readout
// shows when the level is over the threshold.
TEST_P(CompressorCurve, SteadySines) {
    const auto c = GetParam();
    const double makeUp =
        c.autoGain ? -0.99 * (c.ratio == 50 ? 1.0 : 1.0 - 1.0 / c.ratio) * (c.threshold + 2.0) : 0;
    for (double rel = -9.0; rel <= 15.0; rel += 3.0) {
        if (c.threshold + rel > 0) continue;
        CMLVCompressorDSP comp(kFs, 256);
        Set(comp, 2, c.threshold);
        Set(comp, 5, c.ratio);
        Set(comp, 6, c.autoGain);
        Stereo out = Render(comp, Sine(std::pow(10.0, (c.threshold + rel) / 20.0), 3.0));
        const double above = rel <= 0 ? rel : c.ratio == 50 ? 0.0 : rel / c.ratio;
        EXPECT_NEAR(Db(PeakAbs(out.l, out.size() - 480, out.size())), c.threshold + above + makeUp, 0.06)
            << rel;
        if (rel != 0) {
            EXPECT_EQ(comp.GetReadoutValue(0), rel > 0 ? 1.0f : 0.0f) << rel; // "over threshold"
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorCurve,
                         ::testing::Values(CurveCase{-6, 8, true}, CurveCase{-20, 2, false},
                                           CurveCase{-30, 50, false}, CurveCase{0, 10, true},
                                           CurveCase{-12, 1, true}));

struct TimeCase {
    double attack, release, expectedMs;
};
class CompressorOnset : public ::testing::TestWithParam<TimeCase> {};

// DC step to far above the threshold. One sample after the jump the peak detector settles at
// x / (1 + rc) (rc the per-sample release), which nudges the target up once; from then on the
// reduction moves as a smoother on the shorter of the two times.
TEST_P(CompressorOnset, StepResponse) {
    const auto c = GetParam();
    CMLVCompressorDSP comp(kFs, 256);
    SetValues(comp, {-20, c.attack, c.release, 50, 0});
    auto g = GainOf(comp, Steps({{0.01, 0.5}, {0.5, 4.0}}));
    const size_t onset = static_cast<size_t>(0.5 * kFs);
    EXPECT_NEAR(g[onset - 1], 1.0, 1e-6);
    // Held at the threshold, 0.1 / 0.5, as seen by the settled detector; the float smoother stalls
    // a few ulps short.
    EXPECT_NEAR(g.back(), 0.2 * (1.0 + 2200.0 / kFs / c.release), 5e-5);
    const double expected = c.expectedMs * kRiseSamplesPerMs;
    EXPECT_NEAR(TransitionSamples(g, onset, 0.92, 0.28), expected, 0.01 * expected + 2);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorOnset,
                         ::testing::Values(TimeCase{20, 600, 20}, TimeCase{120, 40, 40}, TimeCase{2, 60, 2},
                                           TimeCase{200, 150, 150}, TimeCase{0, 600, 0.5}));

class CompressorRelease : public ::testing::TestWithParam<std::pair<double, double>> {};

// Below the threshold again, the peak envelope decays by 2200 / fs / release per sample (19.1 dB per
// release time) and the gain recovers at (1 - 1/R) of that rate.
TEST_P(CompressorRelease, RecoverySlope) {
    const auto [release, ratio] = GetParam();
    CMLVCompressorDSP comp(kFs, 256);
    SetValues(comp, {-20, 1, release, ratio, 0});
    auto g = GainOf(comp, Steps({{0.9, 1.0}, {0.01, 3.0}}));
    const double perSample = -Db(1.0 - 2200.0 / kFs / release);
    // Sample inside the envelope's fall from 0.9 to the threshold 0.1.
    const size_t n1 = static_cast<size_t>(kFs + 0.2 * Db(9.0) / perSample);
    const size_t n2 = static_cast<size_t>(kFs + 0.8 * Db(9.0) / perSample);
    const double slope = (Db(g[n2]) - Db(g[n1])) / static_cast<double>(n2 - n1);
    const double expected = perSample * (ratio == 50 ? 1.0 : 1.0 - 1.0 / ratio);
    EXPECT_NEAR(slope, expected, 0.01 * expected);
    EXPECT_NEAR(g.back(), 1.0, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, CompressorRelease,
                         ::testing::Values(std::make_pair(600.0, 50.0), std::make_pair(2000.0, 50.0),
                                           std::make_pair(300.0, 8.0), std::make_pair(150.0, 2.0)));

class NoiseGateCurve : public ::testing::TestWithParam<double> {};

// The detector averages power: a sine opens the gate once its mean power A^2 / 2 reaches the
// threshold power, i.e. at a crest 3 dB above the threshold.
TEST_P(NoiseGateCurve, OpensAtSinePowerEqualToThreshold) {
    for (double rel : {-1.0, -0.5, 0.5, 1.0}) {
        CMLVNoiseGateDSP gate(kFs, 256);
        Set(gate, 2, GetParam());
        const double A = std::pow(10.0, (GetParam() + 10.0 * std::log10(2.0) + rel) / 20.0);
        Stereo out = Render(gate, Sine(A, 1.5));
        const double gain = PeakAbs(out.l, out.size() - 480, out.size()) / A;
        EXPECT_NEAR(gain, rel > 0 ? 1.0 : 1e-7, rel > 0 ? 1e-4 : 1e-7) << rel;
        EXPECT_EQ(gate.GetReadoutValue(0), rel > 0 ? 0.0f : 1.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Dynamics, NoiseGateCurve, ::testing::Values(-50.0, -30.0, -12.0));

class NoiseGateTimes : public ::testing::TestWithParam<std::pair<double, double>> {};

// Opening and closing are one-pole moves of "Attack" (at least 0.5 ms) and "Release".
TEST_P(NoiseGateTimes, StepResponses) {
    const auto [attack, release] = GetParam();
    CMLVNoiseGateDSP gate(kFs, 256);
    SetValues(gate, {-40, attack, release});
    auto g = GainOf(gate, Steps({{0.001, 1.0}, {0.5, 2.0}, {0.001, 10.0}}));
    const double open = std::max(attack, 0.5) * kRiseSamplesPerMs, close = release * kRiseSamplesPerMs;
    EXPECT_NEAR(TransitionSamples(g, static_cast<size_t>(kFs), 0.1, 0.9), open, 0.01 * open + 2);
    EXPECT_NEAR(TransitionSamples(g, static_cast<size_t>(3 * kFs), 0.9, 0.1), close, 0.01 * close + 2);
    EXPECT_LT(g.back(), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, NoiseGateTimes,
                         ::testing::Values(std::make_pair(5.0, 185.0), std::make_pair(50.0, 1000.0),
                                           std::make_pair(0.0, 61.0), std::make_pair(170.0, 1880.0)));

TEST(Dynamics, NoiseGateLearnSetsThresholdAfterOneSecond) {
    CMLVNoiseGateDSP gate(kFs, 256);
    gate.SetParameter(5, 1.0f);
    Render(gate, Sine(0.5, 0.6), 128); // a measurement cut short leaves nothing behind
    gate.SetParameter(5, 0.0f);
    Render(gate, Sine(0.5, 0.1), 128);
    gate.SetParameter(5, 1.0f);
    Stereo almost = Sine(0.1, 1.0);
    almost.l.pop_back();
    almost.r.pop_back();
    Render(gate, almost, 128);
    EXPECT_FALSE(gate.HasMeasurementReport()) << "finished before one second";
    EXPECT_EQ(gate.GetParameter(2)->GetValue(), -50.0);
    Render(gate, Sine(0.1, 0.01), 128);
    ASSERT_TRUE(gate.HasMeasurementReport());
    EXPECT_NEAR(gate.GetParameter(2)->GetValue(), -20.0, 1e-5);
    EXPECT_EQ(gate.GetParameter(5)->FormatValue(false, false), "Measuring finished");
    EXPECT_NEAR(gate.GetReadoutValue(1), -20.0f, 1e-5);
    gate.ClearMeasurementReport();
    Render(gate, Sine(0.3, 1.5), 128); // no second measurement follows
    EXPECT_FALSE(gate.HasMeasurementReport());
    EXPECT_NEAR(gate.GetParameter(2)->GetValue(), -20.0, 1e-5);
}

struct ExpanderCase {
    double threshold, ratioKnob, levelRelDb;
};
class ExpanderCurve : public ::testing::TestWithParam<ExpanderCase> {};

// Below the threshold the output falls rho dB per input dB, rho = 1 / (1 - knob / 50). On a
// constant |x| the peak detector settles at 0.4 / 0.41 of it.
TEST_P(ExpanderCurve, SteadyLevel) {
    const auto c = GetParam();
    CMLVExpanderGateDSP eg(kFs, 256);
    Set(eg, 2, c.threshold);
    Set(eg, 5, c.ratioKnob);
    const double T = std::pow(10.0, c.threshold / 20.0), A = T * std::pow(10.0, c.levelRelDb / 20.0);
    Stereo in = Square(A, 1.0);
    Stereo out = Render(eg, in);
    const double detected = A * 0.4 / 0.41;
    const bool below = c.threshold != 0.0 && detected < T;
    const double rho = c.ratioKnob == 50 ? 1e4 : 1.0 / (1.0 - c.ratioKnob / 50.0);
    const double expected = below ? std::pow(detected / T, rho - 1.0) : 1.0;
    EXPECT_NEAR(out.l.back() / in.l.back(), expected, 1e-4 * expected + 1e-7);
    EXPECT_EQ(eg.GetReadoutValue(0), below ? 1.0f : 0.0f);
}

INSTANTIATE_TEST_SUITE_P(Dynamics, ExpanderCurve,
                         ::testing::Values(ExpanderCase{-20, 25, -10}, ExpanderCase{-20, 25, -3},
                                           ExpanderCase{-20, 25, 3}, ExpanderCase{-30, 10, -12},
                                           ExpanderCase{-30, 40, -6}, ExpanderCase{-10, 0, -20},
                                           ExpanderCase{-20, 50, -1}, ExpanderCase{0, 50, -40},
                                           ExpanderCase{-6, 25, -30}));

class ExpanderTimes : public ::testing::TestWithParam<double> {};

// Opening takes "Attack Time" (10-90 %). On a slow fade below the threshold the target falls faster
// than the smoother can follow, so the gain falls at the smoother's own rate, 19.1 dB per release time.
TEST_P(ExpanderTimes, AttackAndRelease) {
    const double ms = GetParam();
    CMLVExpanderGateDSP eg(kFs, 256);
    Set(eg, 2, -20);
    Set(eg, 3, ms);
    Set(eg, 5, 50);
    auto g = GainOf(eg, Steps({{0.001, 0.5}, {0.5, 1.5}}));
    EXPECT_LT(g[static_cast<size_t>(0.5 * kFs) - 1], 1e-6);
    const double expected = ms * kRiseSamplesPerMs;
    EXPECT_NEAR(TransitionSamples(g, static_cast<size_t>(0.5 * kFs), 0.1, 0.9), expected,
                0.01 * expected + 2);

    CMLVExpanderGateDSP fade(kFs, 256);
    Set(fade, 2, -10);
    Set(fade, 4, 2 * ms + 160);
    Set(fade, 5, 25);
    const size_t hold = static_cast<size_t>(0.5 * kFs), n1 = hold + 2000, n2 = hold + 7000;
    g = GainOf(fade,
               Mono(hold + 8000, [=](size_t i) { return 0.9 * std::pow(0.995, i < hold ? 0.0 : i - hold); }));
    const double slope = (Db(g[n2]) - Db(g[n1])) / static_cast<double>(n2 - n1);
    const double perSample = -2.2 / ((2 * ms + 160) * 1e-3 * kFs) * 20.0 * std::log10(std::exp(1.0));
    EXPECT_NEAR(slope, perSample, 0.03 * std::fabs(perSample));
}

INSTANTIATE_TEST_SUITE_P(Dynamics, ExpanderTimes, ::testing::Values(5.0, 20.0, 120.0));

TEST(Dynamics, ExpanderDetectsTheLouderChannelOfEachBlock) {
    CMLVExpanderGateDSP eg(kFs, 256);
    EXPECT_TRUE(eg.DependsOnBlockSize());
    Set(eg, 2, -20);
    Set(eg, 5, 50);
    Stereo in = Square(0.5, 1.0); // loud on the right only: the quiet left must pass too
    std::fill(in.l.begin(), in.l.end(), 0.001f);
    EXPECT_NEAR(Render(eg, in).l.back(), 0.001f, 2e-8); // the float smoother stalls a few ulps short of 1
    std::swap(in.l, in.r);
    EXPECT_NEAR(Render(eg, in).r.back(), 0.001f, 2e-8);
}
