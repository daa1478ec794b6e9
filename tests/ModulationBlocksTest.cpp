#include "TestSupport.h"
#include "effects/modulation/LfoOscillator.h"
#include "effects/modulation/ModulatedDelayLine.h"
#include "effects/modulation/SyncMultiplier.h"
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

TEST(ModulatedDelayLine, TenthsOfMillisecondsRoundLikeMulDiv) {
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(81, 48000), 389); // 388.8
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(60, 48000), 288);
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(81, 44100), 357);   // 357.21
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(50, 44100), 221);   // 220.5: half away from zero
    EXPECT_EQ(ModulatedDelayLine::SamplesFromTenthsMs(50, 44100.9), 221); // rate truncated first
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
                // Two at a time in SSE lanes: the same bits, with one lane beyond the series' range as well.
                const double pairF[2] = {f, sr / 2 - f};
                WahFilter::Coefficients pair[2];
                WahFilter::DesignPair(pairF, q, sr, pair);
                const auto other = WahFilter::Design(pairF[1], q, sr);
                ASSERT_TRUE(pair[0].c == k.c && pair[0].d == k.d && pair[1].c == other.c &&
                            pair[1].d == other.d)
                    << f;
                if (f <= 2500) { // the pedal's range
                    const auto fast = WahFilter::DesignFast(f, q, sr);
                    ASSERT_NEAR(fast.c, c, 2e-7) << f;
                    ASSERT_NEAR(fast.d, d, 2e-7) << f;
                }
            }
        }
    }
}
