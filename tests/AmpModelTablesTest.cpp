// The valve, splitter and transformer curves: stated points, constant ends, continuity at every join and
// monotonicity, all measured through the lookups. The bass tone network: its digital response against a
// direct complex-impedance analysis of the circuit.
#include "effects/drive/AmpModelTables.h"
#include "effects/drive/BassPreampStage.h"
#include "effects/drive/GuitarPreampStages.h"
#include "TestSupport.h"
#include <cmath>
#include <complex>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
using cd = std::complex<double>;
using namespace tsupport;

struct CurveCase {
    std::string name;
    std::function<float(float)> f;
    double below, above;                           // values beyond the range
    double lo, hi;                                 // range ends
    double grid;                                   // joins lie on multiples of this
    int direction;                                 // +1 rising, -1 falling
    std::vector<std::pair<double, double>> points; // stated (x, y)
};

float SplitP(float v) {
    float p, q;
    AmpModel::PhaseSplitter(v, p, q);
    return p;
}
float SplitQ(float v) {
    float p, q;
    AmpModel::PhaseSplitter(v, p, q);
    return q;
}

// clang-format off
std::vector<CurveCase> Curves() {
    using namespace AmpModel;
    return {
        {"BassValveA", BassValveA, 146.40207, -226.10023, -16, 16, 1.0 / 32, -1,
         {{-4, 123.44571}, {-1, 33.959944}, {0, 0}, {1, -34.836413}, {4, -141.88174}}},
        {"BassValveB", BassValveB, 82.548637, -281.78500, -32, 32, 1.0 / 32, -1,
         {{-4, 70.202408}, {-1, 19.261738}, {0, 0}, {1, -19.722275}, {4, -80.453635}}},
        // entry 16 is given as a cubic; its values at two points inside
        {"SplitterP", SplitP, 141.77133, -192.00670, -16, 16, 1.0 / 32, -1,
         {{0, 0.130448}, {0.5, 0.0607697 * 0.125 - 0.53441 * 0.25 - 31.785 * 0.5 + 0.130448}}},
        {"SplitterQ", SplitQ, -192.22488, 141.77165, -16, 16, 1.0 / 32, +1,
         {{0, 0.130448}, {0.5, -0.0905815 * 0.125 - 0.53441 * 0.25 + 31.785 * 0.5 + 0.130448}}},
        {"EL34", [](float w) { return PowerValveLookup(kEL34, w); }, 8.612871e-7, 0.8434333, -56, 200, 1, +1,
         {{0, 0.0488234}, {20, 0.3511195}}},
        {"6L6", [](float w) { return PowerValveLookup(k6L6, w); }, 4.3225289e-5, 0.8954548, -56, 200, 1, +1,
         {{0, 0.1335565}, {20, 0.4377839}}},
        {"OutputTransformer", OutputTransformer, -1.3, 1.3, -1, 1, 1.0 / 256, +1,
         {{0.1, -4.67569e-3 + 0.300019}, {-0.1, 4.67569e-3 - 0.300019}, {0.05, -4.67569 * 1.25e-4 + 0.1500095}}},
    };
}
// clang-format on

void PrintTo(const CurveCase& c, std::ostream* os) {
    *os << c.name;
}

class AmpCurve : public ::testing::TestWithParam<CurveCase> {};

// Stated points, constant ends, continuity at every join, monotonicity.
TEST_P(AmpCurve, MatchesItsStatedShape) {
    const CurveCase& c = GetParam();
    const double scale = std::max(std::fabs(c.below), std::fabs(c.above));
    for (auto [x, y] : c.points)
        EXPECT_NEAR(c.f(static_cast<float>(x)), y, 2e-6 * scale) << c.name << " at " << x;
    for (double x : {c.lo - 0.5 * c.grid - 0.01 * (c.hi - c.lo), c.lo - 1000.0, -1e30, -HUGE_VAL})
        EXPECT_EQ(c.f(static_cast<float>(x)), static_cast<float>(c.below)) << c.name << " at " << x;
    for (double x : {c.hi, c.hi + 0.5, 1e30, HUGE_VAL})
        EXPECT_EQ(c.f(static_cast<float>(x)), static_cast<float>(c.above)) << c.name << " at " << x;
    EXPECT_TRUE(std::isfinite(c.f(NAN)));
    // Every join sits on the grid: compare each grid point with its float neighbours on both sides.
    const int steps = static_cast<int>(std::lround((c.hi - c.lo) / c.grid)) + 4;
    for (int k = -2; k <= steps; ++k) {
        const float x = static_cast<float>(c.lo + (k - 1) * c.grid);
        const float y = c.f(x);
        EXPECT_NEAR(c.f(std::nextafter(x, -INFINITY)), y, 1e-4 * scale) << c.name << " at " << x;
        EXPECT_NEAR(c.f(std::nextafter(x, INFINITY)), y, 1e-4 * scale) << c.name << " at " << x;
    }
    const int n = 200000;
    double prev = c.f(static_cast<float>(c.lo - 1.0));
    for (int k = 1; k <= n; ++k) {
        const float x = static_cast<float>(c.lo - 1.0 + (c.hi - c.lo + 2.0) * k / n);
        const double y = c.f(x);
        ASSERT_GE(c.direction * (y - prev), -1e-6 * scale) << c.name << " at " << x;
        prev = y;
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, AmpCurve, ::testing::ValuesIn(Curves()),
                         [](const auto& p) { return p.param.name; });

// The clamped shapers' end values are where the polynomial arrives: no step at the clamp points.
TEST(AmpShapers, ContinuousAtTheClampPoints) {
    const ClampedPolyShaper* shapers[] = {&CleanPreampStage::kShaper1,  &CleanPreampStage::kShaper2,
                                          &CrunchPreampStage::kShaper1, &CrunchPreampStage::kShaper2,
                                          &CrunchPreampStage::kShaper3, &HiGainPreampStage::kShaperA,
                                          &HiGainPreampStage::kShaperB};
    for (const ClampedPolyShaper* s : shapers) {
        auto poly = [s](double v) { return ((((double)s->c4 * v + s->c3) * v + s->c2) * v + s->c1) * v; };
        EXPECT_NEAR(poly(s->lo), s->ylo, 2e-4) << s->lo;
        EXPECT_NEAR(poly(s->hi), s->yhi, 2e-4) << s->hi;
        EXPECT_EQ((*s)(s->lo - 1.0f), s->ylo);
        EXPECT_EQ((*s)(s->hi + 1.0f), s->yhi);
        EXPECT_NEAR((*s)(0.5f), poly(0.5), 1e-6);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Bass tone network

// The ladder solved node by node with complex impedances, from the output back to the source.
cd AnalogNetwork(double f, double wiper, bool ultraLow, bool ultraHigh) {
    const AmpModel::BassNetworkParts& p = AmpModel::kBassNetworkParts;
    const cd s(0.0, 2.0 * kPi * f);
    auto par = [](cd a, cd b) { return a * b / (a + b); };
    const cd zcm = 1.0 / (s * p.cm);
    const double ra = p.pot * (1.0 - wiper), rb = p.pot * wiper;
    // Current and voltage at the wiper for 1 V at the output.
    const cd iOut = 1.0 / zcm;
    const cd vWiper = 1.0 + iOut * p.rg;
    const cd iTop = iOut + vWiper / rb;
    const cd zUpper = ultraHigh ? par(ra, 1.0 / (s * p.cBright)) : cd(ra);
    const cd vTop = vWiper + iTop * zUpper;
    const cd zCoupling = par(ultraLow ? p.rUltraLowOn : p.rUltraLowOff, 1.0 / (s * p.c1));
    const cd vPlate = vTop + iTop * zCoupling;
    const cd iSource = iTop + vPlate * (s * p.cp);
    const cd vSource = vPlate + iSource * p.rs;
    return 1.0 / vSource;
}

// The bilinear transform maps f to the analog frequency (2 fs / 2 pi) tan(pi f / fs) exactly.
TEST(BassNetwork, DigitalMatchesTheCircuit) {
    for (double fs : {44100.0, 96000.0}) {
        for (double gain : {3.0, 50.0, 100.0}) {
            for (int sw = 0; sw < 4; ++sw) {
                const bool low = sw & 1, high = sw & 2;
                double b[5], a[5];
                const double wiper = BassPreampStage::Wiper(gain);
                BassPreampStage::DesignNetwork(wiper, low, high, fs, b, a);
                for (double f : {20.0, 60.0, 150.0, 700.0, 3000.0, 9000.0, 16000.0}) {
                    const double fa = fs / kPi * std::tan(kPi * f / fs);
                    const cd hd = Response(b, a, 5, f, fs), ha = AnalogNetwork(fa, wiper, low, high);
                    EXPECT_NEAR(std::abs(hd - ha) / std::abs(ha), 0.0, 1e-7)
                        << "fs " << fs << " gain " << gain << " switches " << sw << " f " << f;
                }
            }
        }
    }
}

TEST(BassNetwork, GainPotIsAnAudioTaper) {
    EXPECT_DOUBLE_EQ(BassPreampStage::Wiper(0), 0.0);
    EXPECT_NEAR(BassPreampStage::Wiper(100), 1.0, 1e-12);
    EXPECT_NEAR(BassPreampStage::Wiper(50), 0.041 * (std::sqrt(1.0 + 1.041 / 0.041) - 1.0) / 1.041, 1e-12);
    for (double g = 0; g < 100; g += 5)
        EXPECT_LT(BassPreampStage::Wiper(g), BassPreampStage::Wiper(g + 5));
}

} // namespace
