// The six amplifier effects against double-precision references written from the circuit descriptions:
// analog prototypes mapped by the bilinear transform (s = k (1 - z^-1) / (1 + z^-1)), waveshapers and
// tables evaluated in double, run on a short two-tone signal. Plus the behaviours of single controls.
#include "effects/drive/AmpModelTables.h"
#include "effects/drive/BassPreampStage.h"
#include "effects/drive/CMLVBassPreampDSP.h"
#include "effects/drive/CMLVBluesDriveGuitarDSP.h"
#include "effects/drive/CMLVPowerAmpGuitarDSP.h"
#include "TestSupport.h"
#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {
using namespace tsupport;
using Bq = RefBiquad;
constexpr auto Bilinear = RefBiquad::Bilinear;

// Butterworth high-pass, pre-warped; the "unit leading coefficient" form is the same times 1 + sqrt2 K + K^2.
Bq HighPass(double f, double fs) {
    const double k = Warp(f, fs);
    return Bilinear(1, 0, 0, 1, std::sqrt(2.0) * k, k * k, 1);
}
Bq HighPassUnit(double f, double fs) {
    const double k = Warp(f, fs);
    return HighPass(f, fs).Scale(1 + std::sqrt(2.0) * k + k * k);
}
double C2(double fs) {
    return static_cast<float>(2 * fs);
}
std::function<double(double)> Shaper(double lo, double hi, double ylo, double yhi, double c1, double c2,
                                     double c3, double c4 = 0) {
    return [=](double v) {
        return v < lo ? ylo : v > hi ? yhi : c1 * v + c2 * v * v + c3 * v * v * v + c4 * v * v * v * v;
    };
}
double Out(double percent) {
    return std::pow(10.0, (percent / 100 * 60 - 40) / 20);
}

// Piecewise cubic table: index floor(trunc(scale v) / div) + offset, entries 0..count-1 stored from row 1.
double Table(const float (*t)[4], int stride, int count, double v, double scale, int div, int offset,
             double below, double above) {
    if (!(std::fabs(v) < 1e6)) return v > 0 ? above : below;
    const long i = static_cast<long>(std::floor(std::trunc(scale * v) / div)) + offset;
    if (i < 0) return below;
    if (i >= count) return above;
    const float* c = t[0] + stride * (i + 1);
    return ((c[0] * v + c[1]) * v + c[2]) * v + c[3];
}

// ---------------------------------------------------------------------------------------------------------
// References, one per effect. p[] are the parameter values in index order from 2.

std::vector<double> RefBluesDrive(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    const double c = C2(fs), d = p[0] / 100, t = p[1] / 100;
    Bq hp = HighPassUnit(70, fs);
    const double r = 1e5 * d;
    Bq drive = Bilinear(1.551e-9 + 8e-13 * r, 1.27e-4 + 1e-8 * r, 1, 1.551e-9, 1.27e-4, 1, c);
    // Tone network: m1 s + m0 over L s^2 + S1 s + S0; its zero's (1 + z^-1) factor is replaced by its DC
    // value.
    const double ra = 25000 * t, rb = 25000 - ra, m1 = ra * 1e-3, m0 = 1e5;
    const double l = 6.8e-8 * (ra + rb) + 1e-11 * ra * rb + 6.8e-5 + 1e-8 * ra;
    const double s1 = (6.8e-5 + 1e-3) * (ra + rb) + 1e-3 * rb + 1e-8 * ra * rb + 8.868 + 1e-5 * ra;
    const double s0 = rb + 107800;
    Bq tone = Bilinear(l, s1, s0, l, s1, s0, c); // denominator only, numerator replaced below
    const double d0 = l * c * c + s1 * c + s0;
    tone.b0 = m1 == 0 ? 4 * m0 / d0 : 2 * (m1 * c + m0) / d0;
    tone.b1 = m1 == 0 ? 0 : 2 * (m0 - m1 * c) / d0;
    tone.b2 = 0;
    auto clip = [](double v) {
        if (v > 0.85193) return 0.04664 * std::exp(-16 * (v - 0.85193)) - 1;
        if (v < -0.85193) return 1 - 0.04664 * std::exp(16 * (v + 0.85193));
        return -1.11906 * v;
    };
    std::vector<double> y;
    for (float xi : x)
        y.push_back(Out(p[2]) * tone(clip(drive(20 * d * hp(xi)))));
    return y;
}

std::vector<double> RefClean(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    Bq h1 = HighPass(40, fs), h2 = HighPass(40, fs), h4 = HighPass(30, fs);
    const double k = Warp(2000, fs), v0 = std::pow(10.0, p[1] / 20);
    Bq shelf = Bilinear(v0, std::sqrt(2 * v0) * k, k * k, 1, std::sqrt(2.0) * k, k * k, 1);
    auto sat1 = Shaper(-3.931192, 3.5, -0.66659313, 1.0, 0.2819329931, 0.01403408101, -0.003701060478);
    auto sat2 = Shaper(-2.425192775, 5.0, -0.2077921, 1.0, 0.1555719892, 0.02230833481, -0.00268454653);
    const double gc = 5 * Out(p[0]);
    std::vector<double> y;
    for (float xi : x)
        y.push_back(Out(p[2]) * h4(sat2(-gc * shelf(h2(sat1(h1(xi)))))));
    return y;
}

std::vector<double> RefCrunch(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    const double k = Warp(2000, fs), q = 0.2, v = std::pow(10.0, p[1] / 20);
    Bq peak = Bilinear(1, v / q * k, k * k, 1, k / q, k * k, 1);
    Bq net = Bilinear(1, 4526.935265, 0, 1, 6700.049385, 205769.7848, C2(fs));
    Bq hp = HighPassUnit(100, fs);
    auto sat1 = Shaper(-2.939192752, 3.75, -0.37826452, 0.9999991, 0.2274823, 0.0234331, -0.0034624);
    auto sat2 = Shaper(-1.876194887, 3.75, -0.18074624, 0.99999958, 0.179489, 0.0372926, -0.0037454);
    auto sat3 = Shaper(-3.92348276, 3.85, -0.5513311, 0.99999458, 0.1964888, 0.0041427, 0.0003329, 0.0007424);
    const double g2 = 7 * std::pow(10.0, p[0] / 100 * 30 / 20);
    std::vector<double> y;
    for (float xi : x) {
        const double v0 = xi == 0 ? 1e-8 : xi;
        y.push_back(Out(p[2]) * hp(sat3(-18 * sat2(-g2 * net(peak(sat1(v0)))))));
    }
    return y;
}

std::vector<double> RefHiGain(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    Bq lowCut = HighPassUnit(std::max(50.0, p[1]), fs), hp = HighPassUnit(50, fs);
    auto satA = Shaper(-3.533191442489624, 3.75, -0.5189148, 0.99999893, 0.2506817877292633,
                       0.017196299508213997, -0.0034489999525249004);
    auto satB = Shaper(-2.9487593, 3.8499999046325684, -0.34767684, 0.9999912, 0.1629542, 0.0031404,
                       0.0001475, 0.0014458);
    const double ga = std::pow(10.0, p[0] / 100 * 60 / 20), gb = std::pow(10.0, 0.85), gc = 10;
    std::vector<double> y;
    for (float xi : x) {
        const double v0 = xi == 0 ? 1e-8 : xi;
        const double v =
            -(0.8689607381820679 * v0 + 0.13882417976856232 * v0 * v0 - 0.007784927263855934 * v0 * v0 * v0);
        y.push_back(Out(p[2]) * hp(satA(-gc * satB(gb * satA(ga * lowCut(v))))));
    }
    return y;
}

std::vector<double> RefBassPreamp(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    // The network's design is checked against the circuit in AmpModelTablesTest.
    double b[5], a[5];
    BassPreampStage::DesignNetwork(BassPreampStage::Wiper(p[0]), p[1] == 0, p[2] == 0, fs, b, a);
    Bq h1 = HighPass(20, fs), h2 = HighPass(20, fs);
    const double kf = -0.0075, out = std::pow(10.0, (p[3] / 100 * 20 - 40) / 20);
    double f1 = 0, f2 = 0, xs[5] = {0}, ys[5] = {0};
    std::vector<double> y;
    for (float xi : x) {
        f1 = h1(Table(AmpModel::kBassValveA, 4, 64, 7 * xi + kf * f1, 32, 16, 32, 146.40207, -226.10023));
        // Direct form I of the network, the local feedback added after it.
        for (int j = 4; j > 0; --j)
            xs[j] = xs[j - 1], ys[j] = ys[j - 1];
        xs[0] = f1;
        ys[0] = b[0] * xs[0];
        for (int j = 1; j < 5; ++j)
            ys[0] += b[j] * xs[j] - a[j] * ys[j];
        f2 = h2(0.1 * Table(AmpModel::kBassValveB, 4, 64, ys[0] + kf * f2, 32, 32, 32, 82.548637, -281.785));
        y.push_back(out * f2);
    }
    return y;
}

std::vector<double> RefPowerAmp(const std::vector<float>& x, double fs, const std::vector<double>& p) {
    const int type = static_cast<int>(p[2]);
    const bool l6 = type >= 2;
    const double scale = l6 ? 0.92 : 1.0, level[] = {0.6, 1.2, 0.8, 1.2}, drive[] = {1.3, 0.6, 0.9, 0.1};
    const double bb = drive[type];
    const double poly = ((((((1.1704899072647095 * bb - 4.312889575958252) * bb + 6.1597747802734375) * bb -
                            3.736875295639038) *
                               bb +
                           0.9755793213844299) *
                              bb +
                          0.249567911028862) *
                             bb +
                         0.0019886582158505917);
    const double kd = l6 ? 0.9444444179534912 * poly : poly;
    const double out = (l6 ? 1.058823585510254 : 1.0) * level[type] / bb;
    const double in = (1 - std::log10(101 - p[0]) / std::log10(101.0)) * 10 * scale;
    // Presence: 1 + (V0 - 1) / 2 (1 - allpass), bandwidth f / Q around 4100 Hz.
    const double v0 = std::pow(10.0, 13 * p[1] / 100 / 20), kb = Warp(4100 / 1.55, fs);
    const double ab = (kb - 1) / (kb + 1), dd = -std::cos(2 * kPi * 4100 / fs);
    Bq allpass;
    allpass.b0 = -ab, allpass.b1 = dd * (1 - ab), allpass.b2 = 1, allpass.a1 = dd * (1 - ab),
    allpass.a2 = -ab;
    Bq h1 = HighPass(20, fs), h2 = HighPass(20, fs), h3 = HighPass(20, fs);
    const float(*valve)[4] = l6 ? AmpModel::kValve6L6 : AmpModel::kValveEL34;
    const double vb = l6 ? 4.3225289e-5 : 8.612871e-7, va = l6 ? 0.8954548 : 0.8434333;
    std::vector<double> y;
    for (float xi : x) {
        const double u = in * xi;
        const double h = h1(u + (v0 - 1) / 2 * (u - allpass(u)));
        const double pp = Table(reinterpret_cast<const float(*)[4]>(AmpModel::kPhaseSplitter), 8, 32, h, 32,
                                32, 16, 141.77133, -192.00670);
        const double qq = Table(reinterpret_cast<const float(*)[4]>(AmpModel::kPhaseSplitter[0] + 4), 8, 32,
                                h, 32, 32, 16, -192.22488, 141.77165);
        const double a = Table(valve, 4, 64, h2(pp), 1, 4, 14, vb, va);
        const double b = Table(valve, 4, 64, 0.95 * h3(qq), 1, 4, 14, vb, va);
        y.push_back(out * Table(AmpModel::kOutputTransformer, 4, 16, (a - b) * kd, 256, 32, 8, -1.3, 1.3));
    }
    return y;
}

// ---------------------------------------------------------------------------------------------------------

// Stereo run in blocks of `block`, both channels fed the same signal; returns channel 0 (channel 1 must
// match).
std::vector<float> RunAmp(CMLVDSPAlgInterface& alg, const std::vector<float>& x, int block = 256) {
    std::vector<float> l, r;
    RenderStereo(alg, x, x, l, r, block);
    EXPECT_EQ(l, r);
    return l;
}

std::vector<float> TwoTone(double fs, int n, double amp) {
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<float>(
            amp * (0.7 * std::sin(2 * kPi * 196 * i / fs) + 0.3 * std::sin(2 * kPi * 1250 * i / fs)));
    return x;
}

struct RefCase {
    std::string name;
    int type;
    std::vector<double> params;
    double amp;
    std::function<std::vector<double>(const std::vector<float>&, double, const std::vector<double>&)> ref;
    double tol; // relative to the reference's peak
};

void PrintTo(const RefCase& c, std::ostream* os) {
    *os << c.name;
}

class AmpReference : public ::testing::TestWithParam<RefCase> {};

TEST_P(AmpReference, MatchesDoublePrecisionModel) {
    const RefCase& c = GetParam();
    for (double fs : {44100.0, 48000.0, 96000.0}) {
        auto alg = MakePrepared(c.type, fs);
        for (size_t k = 0; k < c.params.size(); ++k)
            alg->GetParameter(static_cast<int>(k) + 2)->SetValue(c.params[k]);
        const std::vector<float> x = TwoTone(fs, 4000, c.amp);
        const std::vector<float> y = RunAmp(*alg, x, 173);
        const std::vector<double> ref = c.ref(x, fs, c.params);
        double peak = 0, err = 0;
        for (size_t i = 0; i < y.size(); ++i) {
            peak = std::max(peak, std::fabs(ref[i]));
            err = std::max(err, std::fabs(y[i] - ref[i]));
        }
        EXPECT_GT(peak, 1e-3) << c.name;
        EXPECT_LT(err, c.tol * peak) << c.name << " at " << fs << " Hz";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Amps, AmpReference,
    ::testing::Values(RefCase{"BLG_Default", 25, {50, 50, 50}, 0.3, RefBluesDrive, 2e-3},
                      RefCase{"BLG_KickTheAmp", 25, {5, 90, 85}, 0.3, RefBluesDrive, 2e-3},
                      RefCase{"BLG_DarkTone", 25, {70, 0, 50}, 0.3, RefBluesDrive, 2e-3},
                      RefCase{"CLG_Default", 30, {50, 5, 70}, 0.5, RefClean, 2e-3},
                      RefCase{"CLG_HighBright", 30, {85, 15, 61}, 0.5, RefClean, 2e-3},
                      RefCase{"CPG_Default", 40, {50, 8, 66}, 0.3, RefCrunch, 2e-3},
                      RefCase{"CPG_Clean", 40, {0, 2, 66}, 0.05, RefCrunch, 2e-3},
                      RefCase{"HGG_Default", 85, {75, 200, 50}, 0.3, RefHiGain, 4e-3},
                      RefCase{"HGG_LowGainBright", 85, {10, 620, 50}, 0.3, RefHiGain, 4e-3},
                      RefCase{"PRB_Default", 145, {50, 0, 0, 50}, 0.2, RefBassPreamp, 2e-3},
                      RefCase{"PRB_HiBass", 145, {50, 1, 0, 64}, 0.2, RefBassPreamp, 2e-3},
                      RefCase{"PRB_UltrAmp", 145, {80, 1, 1, 25}, 0.2, RefBassPreamp, 2e-3},
                      RefCase{"PRB_OutputZero", 145, {50, 0, 0, 0}, 0.2, RefBassPreamp, 2e-3},
                      RefCase{"PAG_Default", 125, {50, 50, 2}, 0.5, RefPowerAmp, 2e-3},
                      RefCase{"PAG_Crunch", 125, {60, 30, 0}, 0.5, RefPowerAmp, 2e-3},
                      RefCase{"PAG_Rock", 125, {60, 50, 1}, 0.5, RefPowerAmp, 2e-3},
                      RefCase{"PAG_Metal", 125, {40, 75, 3}, 0.5, RefPowerAmp, 2e-3}),
    [](const auto& p) { return p.param.name; });

// ---------------------------------------------------------------------------------------------------------

// The output level glides over three blocks: 1/3, 1/2 and all of the remaining way, measured against a
// twin instance held at the target level (the level is a plain factor at the very end).
TEST(BluesDrive, OutputReachesItsTargetOnTheThirdBlock) {
    const double fs = 48000;
    auto moving = MakePrepared(25, fs), fixed = MakePrepared(25, fs);
    fixed->GetParameter(4)->SetValue(80);
    const std::vector<float> x = TwoTone(fs, 256 * 6, 0.3);
    std::vector<float> warm(x.begin(), x.begin() + 256);
    RunAmp(*moving, warm);
    RunAmp(*fixed, warm);
    moving->GetParameter(4)->SetValue(80); // from 50
    const double expected[] = {60, 65, 80, 80, 80};
    for (int blk = 0; blk < 5; ++blk) {
        std::vector<float> chunk(x.begin() + 256 * (blk + 1), x.begin() + 256 * (blk + 2));
        const std::vector<float> ym = RunAmp(*moving, chunk), yf = RunAmp(*fixed, chunk);
        double num = 0, den = 0;
        for (int i = 0; i < 256; ++i)
            num += ym[i] * yf[i], den += yf[i] * yf[i];
        EXPECT_NEAR(20 * std::log10(num / den), (expected[blk] - 80) / 100 * 60, 1e-4) << "block " << blk;
    }
}

TEST(HiGainPreamp, LowCutBelow50HzActsAs50Hz) {
    const std::vector<float> x = TwoTone(48000, 3000, 0.2);
    std::vector<std::vector<float>> y;
    for (double cut : {20.0, 50.0, 120.0}) {
        auto alg = MakePrepared(85, 48000);
        alg->GetParameter(3)->SetValue(cut);
        y.push_back(RunAmp(*alg, x));
    }
    EXPECT_EQ(y[0], y[1]);
    EXPECT_NE(y[1], y[2]);
}

// The stereo kernels run both channels in SSE lanes: bit for bit the scalar Tick, channel by channel, with
// different signals in the two lanes and stretches of silence and subnormal level (the flushing paths).
template <class Dsp> void ExpectLanesMatchTick(Dsp& alg) {
    alg.UpdateCoefficients(true);
    auto lanes = alg.Stage(0), laneB = alg.Stage(1);
    decltype(lanes) pair[2] = {lanes, laneB}, scalar[2] = {lanes, laneB};
    std::vector<float> x[2] = {TwoTone(48000, 3000, 0.9), TwoTone(31000, 3000, 0.05)}, y[2] = {x[0], x[1]};
    for (int i = 800; i < 2000; ++i) // long enough for the states to decay to subnormal
        x[0][i] = 0.0f, x[1][i] = 1e-39f;
    float ip[2] = {0, 0}, op[2] = {0, 0};
    for (int pos = 0; pos < 3000; pos += 173) { // blocks across the kernels' chunks
        float* in[2] = {x[0].data() + pos, x[1].data() + pos};
        float* out[2] = {y[0].data() + pos, y[1].data() + pos};
        decltype(lanes)::ProcessPair(pair, in, out, ip, op, std::min(173, 3000 - pos));
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 3000; ++i)
            ASSERT_EQ(y[c][i], scalar[c].Tick(x[c][i])) << "channel " << c << " sample " << i;
}

TEST(PowerAmp, LanesMatchTick) {
    for (int type = 0; type < 4; ++type) {
        CMLVPowerAmpGuitarDSP alg(48000, 256);
        alg.GetParameter(CMLVPowerAmpGuitarDSP::kType)->SetValue(type);
        alg.GetParameter(CMLVPowerAmpGuitarDSP::kVolume)->SetValue(30 + 20 * type);
        ExpectLanesMatchTick(alg);
    }
    CMLVBassPreampDSP bass(48000, 256);
    ExpectLanesMatchTick(bass);
}

TEST(PowerAmp, VolumeEnds) {
    for (int type = 0; type < 4; ++type) {
        CMLVPowerAmpGuitarDSP alg(48000, 256);
        alg.GetParameter(4)->SetValue(type);
        alg.GetParameter(2)->SetValue(100);
        alg.UpdateCoefficients(true);
        EXPECT_NEAR(alg.Stage(1).InputGain(), type < 2 ? 10.0 : 9.2, 1e-5);
        alg.GetParameter(2)->SetValue(0);
        alg.fullUpdatePending = false;
        // Only the splitter's resting offset stepping through the high-passes is left, far below -80 dB.
        for (float v : RunAmp(alg, TwoTone(48000, 500, 0.5)))
            ASSERT_LT(std::fabs(v), 1e-4f);
    }
}

} // namespace
