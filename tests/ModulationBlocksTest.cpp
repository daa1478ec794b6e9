#include "TestSupport.h"
#include "effects/modulation/LfoOscillator.h"
#include "effects/modulation/ModulatedDelayLine.h"
#include "effects/modulation/SyncMultiplier.h"
#include "effects/modulation/TriangleParabolaOscillator.h"
#include "effects/modulation/WahFilter.h"
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tsupport;

namespace {
// Mean spacing of upward zero crossings, armed only once the signal has been below -0.5 (so the small
// residue a wave leaves at its turning points is not counted).
double MeanRisingPeriod(const std::vector<float>& x) {
    int first = -1, last = -1, count = 0;
    bool armed = false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i] < -0.5f) armed = true;
        if (armed && x[i] >= 0.0f) {
            armed = false;
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++count;
        }
    }
    return count > 1 ? double(last - first) / (count - 1) : 0.0;
}

std::vector<float> RunLfo(LfoOscillator& o, int n) {
    std::vector<float> v(static_cast<size_t>(n));
    for (auto& s : v) {
        s = o.value();
        o.tick();
    }
    return v;
}
} // namespace

class LfoShapePeriod : public ::testing::TestWithParam<std::tuple<int, float, float>> {};

TEST_P(LfoShapePeriod, PeriodFromZeroCrossingsMatchesRate) {
    const auto [shape, sr, rate] = GetParam();
    LfoOscillator o;
    o.setSampleRate(sr);
    o.setShape(shape);
    o.setRate(rate);
    const double expected = sr / rate;
    auto v = RunLfo(o, static_cast<int>(expected * 12));
    EXPECT_NEAR(MeanRisingPeriod(v), expected, expected * 2e-3 + 1.0);
    float lo = 1e9f, hi = -1e9f;
    for (float s : v)
        lo = std::min(lo, s), hi = std::max(hi, s);
    EXPECT_GE(lo, -1.06f);
    EXPECT_LE(hi, 1.06f);
    EXPECT_LT(lo, -0.9f);
    EXPECT_GT(hi, 0.9f);
}

INSTANTIATE_TEST_SUITE_P(AllShapes, LfoShapePeriod,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 4),
                                            ::testing::Values(44100.f, 96000.f),
                                            ::testing::Values(3.0f, 7.3f)));

TEST(LfoOscillator, SinusoidalFollowsSine) {
    // Integrated triangle = piecewise parabola; worst deviation from a sine is about 0.056.
    const float sr = 48000, rate = 5;
    LfoOscillator o;
    o.setSampleRate(sr);
    o.setShape(LfoOscillator::Sinusoidal);
    o.setRate(rate);
    double worst = 0;
    for (int i = 0; i < 48000; ++i) {
        worst = std::max(worst, std::fabs(o.value() - std::sin(2 * kPi * rate * i / sr)));
        o.tick();
    }
    EXPECT_LT(worst, 0.07);
}

TEST(LfoOscillator, RateChangeKeepsPhaseAndDirection) {
    LfoOscillator o;
    o.setSampleRate(48000);
    o.setRate(2);
    for (int i = 0; i < 13000; ++i)
        o.tick(); // past the first turn (12000 samples): rising
    const float tri = o.getTriangle(), par = o.getParabola();
    o.setRate(4);
    EXPECT_EQ(o.getTriangle(), tri);
    EXPECT_EQ(o.getParabola(), par);
    o.tick();
    EXPECT_NEAR(o.getTriangle() - tri, 4.0 * 4 / 48000, 1e-6); // same direction, new step
    o.setShape(LfoOscillator::Sinusoidal);
    const float before = o.getTriangle();
    o.tick();
    EXPECT_GT(o.getTriangle(), before);
}

TEST(LfoOscillator, InvalidOrRepeatedRatesAreIgnored) {
    for (float bad : {-1.0f, 24000.0f, 30000.0f, NAN, 2.0f /* already set */}) {
        LfoOscillator a, b;
        a.setSampleRate(48000);
        b.setSampleRate(48000);
        a.setRate(2);
        b.setRate(2);
        for (int i = 0; i < 333; ++i)
            a.tick(), b.tick();
        a.setRate(bad);
        EXPECT_EQ(a.getRate(), 2.0f);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(a.value(), b.value()) << bad;
            a.tick(), b.tick();
        }
    }
    LfoOscillator o;
    o.setSampleRate(0);
    o.setSampleRate(-5);
    EXPECT_EQ(o.getSampleRate(), 44100.0f);
    o.setTempo(120);
    EXPECT_EQ(o.getRate(), 2.0f);
}

TEST(TriangleParabolaOscillator, RunsTheSameRecurrenceAsTheLfo) {
    LfoOscillator lfo;
    lfo.setSampleRate(48000);
    lfo.setShape(LfoOscillator::Sinusoidal);
    lfo.setRate(1.5f);
    TriangleParabolaOscillator inl(1.0f, 0.0f, -1);
    inl.setRate(1.5, 48000);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(inl.parabola, lfo.value()) << i;
        inl.tick();
        lfo.tick();
    }
    // The direction flag follows the turning points.
    TriangleParabolaOscillator o(1.0f, 0.0f, -1);
    o.setRate(1000, 8000); // half period: 4 samples
    for (int i = 0; i < 4; ++i)
        o.tick();
    EXPECT_EQ(o.triangle, -1.0f);
    EXPECT_EQ(o.direction, 1);
}

TEST(ModulatedDelayLine, TenthsOfMillisecondsRoundLikeMulDiv) {
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(81, 48000), 389); // 388.8
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(60, 48000), 288);
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(81, 44100), 357);   // 357.21
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(50, 44100), 221);   // 220.5: half away from zero
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(50, 44100.9), 221); // rate truncated first
}

TEST(ModulatedDelayLine, FractionalReadIsLinearInterpolationOfDelay) {
    const int base = 20;
    for (float d : {0.0f, 2.25f, -1.5f, 7.0f, -0.75f}) {
        ModulatedDelayLine line;
        line.SetBaseDelay(base);
        ASSERT_TRUE(line.Allocate(40));
        std::vector<float> y;
        for (int n = 0; n < 60; ++n) {
            // A ramp: the output value names the fractional delay exactly.
            const float x = static_cast<float>(n);
            y.push_back(line.Read(0, d));
            line.Write(0, x);
            line.Write(1, -x);
            line.Advance();
        }
        for (int n = 40; n < 60; ++n)
            EXPECT_NEAR(y[n], n - base - d, 1e-4) << d;
    }
    ModulatedDelayLine none;
    EXPECT_FALSE(none.Allocate(0));
    EXPECT_FALSE(none.Ready());
}

TEST(WahFilter, DesignsMatchLibraryFunctions) {
    for (double sr : {32000.0, 48000.0, 192000.0}) {
        for (double q : {10.0, 52.0, 100.0}) {
            for (double f = 50; f < sr / 2; f *= 1.07) {
                const double t = std::tan(kPi * f * 10 / (q * sr));
                const float c = static_cast<float>((t - 1) / (t + 1)),
                            d = static_cast<float>(-std::cos(2 * kPi * f / sr));
                const auto k = WahFilter::Design(f, q, sr);
                ASSERT_NEAR(k.c, c, 1e-7) << f;
                ASSERT_EQ(k.d, d) << f;
                if (f <= 2500) { // the pedal's range
                    const auto fast = WahFilter::DesignFast(f, q, sr);
                    ASSERT_NEAR(fast.c, c, 2e-7) << f;
                    ASSERT_NEAR(fast.d, d, 2e-7) << f;
                }
            }
        }
    }
}
