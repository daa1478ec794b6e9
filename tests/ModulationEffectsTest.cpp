#include "effects/modulation/CMLVAutoPanDSP.h"
#include "effects/modulation/CMLVAutoWahDSP.h"
#include "effects/modulation/CMLVChorusDSP.h"
#include "effects/modulation/CMLVFlangerDSP.h"
#include "effects/modulation/CMLVPedalWahDSP.h"
#include "effects/modulation/CMLVPhaserDSP.h"
#include "effects/modulation/CMLVTremoloDSP.h"
#include "effects/modulation/PhaserChain.h"
#include "effects/CpuFeatures.h"
#include "TestSupport.h"
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#include <random>
#include <cstring>

namespace {
using namespace tsupport;
using Signal = std::vector<float>;

void Set(CMLVDSPAlgInterface& a, const char* name, double v) {
    CMLVParameter* p = a.FindParameter(name, nullptr);
    ASSERT_NE(p, nullptr) << name;
    p->SetValue(v);
}

double Magnitude(const Signal& h, double f, double sr) {
    return std::abs(Dft(h, f, sr));
}

// Frequency of the largest (or smallest) magnitude between lo and hi: log grid, then refinement.
double Extremum(const Signal& h, double sr, double lo, double hi, bool peak) {
    double best = lo, bestMag = peak ? -1 : 1e30;
    for (int pass = 0; pass < 3; ++pass) {
        const int steps = 60;
        for (int i = 0; i <= steps; ++i) {
            const double f = lo * std::pow(hi / lo, double(i) / steps);
            const double m = Magnitude(h, f, sr);
            if (peak ? m > bestMag : m < bestMag) bestMag = m, best = f;
        }
        const double ratio = std::pow(hi / lo, 2.0 / steps);
        lo = best / ratio;
        hi = best * ratio;
    }
    return best;
}

// Smallest lag (a multiple of `quantum`) over which the output repeats: the modulation period when
// the input repeats every `quantum` samples.
int RepeatLag(const Signal& y, int quantum, int lagLo, int lagHi, int window, double* errAt = nullptr) {
    auto err = [&](int lag) {
        double e = 0;
        for (int i = 0; i < window; ++i)
            e += std::fabs(y[i] - y[i + lag]);
        return e;
    };
    int best = 0;
    double bestErr = 1e30;
    for (int lag = (lagLo / quantum + 1) * quantum; lag <= lagHi; lag += quantum) {
        const double e = err(lag);
        if (e < bestErr) bestErr = e, best = lag;
    }
    if (errAt)
        *errAt = err(std::max(quantum, (best / 2 + quantum / 2) / quantum * quantum)) / (bestErr + 1e-9);
    return best;
}
} // namespace

// ---------------------------------------------------------------- chorus

class ChorusRate : public ::testing::TestWithParam<double> {};

TEST_P(ChorusRate, DepthZeroIsSixMillisecondDelayMixZeroIsDryAndBassWithoutSplitIsGuitar) {
    const double sr = GetParam();
    const int base = static_cast<int>(std::floor(60.0 * static_cast<int>(sr) / 10000.0 + 0.5));
    CMLVChorusDSP guitar(sr, 256);
    CMLVChorusBassDSP bass(sr, 256);
    Signal ol, orr, gl, gr;
    for (CMLVDSPAlgInterface* a :
         {static_cast<CMLVDSPAlgInterface*>(&guitar), static_cast<CMLVDSPAlgInterface*>(&bass)}) {
        PrepareLikeShell(*a, sr);
        Set(*a, "Depth", 0);
        Set(*a, "Mix", 100);
        if (a == &bass) Set(*a, "Impact", 2); // no split
        RenderStereo(*a, Impulse(2000, 1.0f, 10), Impulse(2000, 1.0f, 20), ol, orr, 61);
        for (int i = 0; i < 2000; ++i) {
            EXPECT_NEAR(ol[i], i == 10 + base ? 1.0f : 0.0f, 1e-6) << i;
            EXPECT_NEAR(orr[i], i == 20 + base ? 1.0f : 0.0f, 1e-6) << i;
        }
        Set(*a, "Depth", 80);
        Set(*a, "Stereo", 60);
        Set(*a, "Rate", 2.5);
        RenderStereo(*a, WhiteNoise(20000, 3), WhiteNoise(20000, 4), ol, orr);
        if (a == &bass) {
            EXPECT_EQ(ol, gl);
            EXPECT_EQ(orr, gr);
        }
        gl = ol, gr = orr;
        Set(*a, "Mix", 0);
        Set(*a, "Depth", 100);
        if (a == &bass) Set(*a, "Impact", 0); // 400 Hz split: low + high is the input
        Signal x = Sine(97, sr, 3000, 0.5);
        RenderStereo(*a, x, x, ol, orr);
        for (int i = 0; i < 3000; ++i)
            ASSERT_NEAR(ol[i], x[i], 2e-7) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SampleRates, ChorusRate, ::testing::Values(44100.0, 48000.0, 96000.0));

TEST(Chorus, StereoSpreadSetsEachChannelsSwing) {
    // A ramp through the voice reads back the delay itself: y = n - base - d(n).
    const double sr = 48000;
    CMLVChorusDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Mix", 100);
    Set(a, "Depth", 100);
    Set(a, "Stereo", 100);
    Set(a, "Rate", 2);
    const int n = 96000;
    Signal ramp(n), ol, orr;
    for (int i = 0; i < n; ++i)
        ramp[i] = static_cast<float>(i);
    RenderStereo(a, ramp, ramp, ol, orr);
    double maxL = 0, maxR = 0;
    Signal dl;
    for (int i = 1000; i < n; ++i) {
        const double d = i - 288 - ol[i];
        maxL = std::max(maxL, std::fabs(d));
        maxR = std::max(maxR, std::fabs(i - 288.0 - orr[i]));
        dl.push_back(static_cast<float>(d));
    }
    EXPECT_NEAR(maxL, 1.74 * 48, 1.0); // 1 ms swing at 48 kHz, pulled apart by 74 %
    EXPECT_NEAR(maxR, 0.26 * 48, 0.5);
    EXPECT_NEAR(RepeatLag(dl, 1, 12000, 36000, 20000), 24000, 4); // 2 Hz
}

// The delay effects run several samples per step where the sweep allows it and fall back to one at a
// time where it does not (short delays at low rates, the widest sweeps): both must give the sample-by-
// sample result exactly, in stereo and for a mono instance. Types: flanger, bass flanger, chorus, bass
// chorus.
class DelayGroupsMatchSampleBySample : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(DelayGroupsMatchSampleBySample, AnyBlockLengthAndChannelCount) {
    const auto [type, sr] = GetParam();
    for (int channels : {2, 1}) {
        std::vector<Signal> outputs;
        for (int block : {1, 255}) {
            auto a = MakePrepared(type, sr, 256);
            // Widest sweeps, shortest delays, fast enough to reach both ends within the render.
            Set(*a, "Depth", 100);
            Set(*a, "Rate", 9);
            if (type >= 90)
                Set(*a, "Stereo", 100);
            else
                Set(*a, "Fx Tune", 100), Set(*a, "Depth", 60);
            a->activeChannels = channels;
            Signal l, r;
            RenderStereo(*a, WhiteNoise(6000, 5), WhiteNoise(6000, 6), l, r, block);
            outputs.push_back(l);
            if (channels == 2) outputs.push_back(r);
        }
        const size_t half = outputs.size() / 2;
        for (size_t c = 0; c < half; ++c)
            EXPECT_EQ(outputs[c], outputs[c + half])
                << type << " at " << sr << ", " << channels << " channels";
    }
}

INSTANTIATE_TEST_SUITE_P(DelayEffects, DelayGroupsMatchSampleBySample,
                         ::testing::Combine(::testing::Values(65, 70, 90, 95),
                                            ::testing::Values(4000.0, 8000.0)));

// ---------------------------------------------------------------- flanger

class FlangerComb : public ::testing::TestWithParam<std::tuple<double, double, double>> {};

TEST_P(FlangerComb, DepthZeroIsStaticCombAtTunedDelay) {
    const auto [sr, tune, regen] = GetParam();
    CMLVFlangerDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Depth", 0);
    Set(a, "Fx Tune", tune);
    Set(a, "Regeneration", regen);
    // 12 ms down to 1.1 ms, tuned linearly; feedback 10 % .. 88 %.
    const double maxD = std::floor(0.012 * static_cast<int>(sr) + 0.5),
                 minD = std::floor(0.0011 * static_cast<int>(sr) + 0.5);
    const int delay = static_cast<int>(maxD - std::floor(tune / 100 * (maxD - minD) + 0.5));
    const double fb = 0.10 + 0.78 * regen / 100;
    Signal x = Impulse(4 * delay + 10), ol, orr;
    RenderStereo(a, x, x, ol, orr, 100);
    for (size_t i = 0; i < x.size(); ++i) {
        double expect = 0;
        if (i == 0)
            expect = 0.58;
        else if (i % delay == 0)
            expect = 0.5 * std::pow(fb, i / delay - 1);
        ASSERT_NEAR(ol[i], expect, 1e-6) << i;
        ASSERT_NEAR(orr[i], expect, 1e-6) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, FlangerComb,
                         ::testing::Combine(::testing::Values(44100.0, 48000.0),
                                            ::testing::Values(0.0, 37.0, 100.0),
                                            ::testing::Values(0.0, 100.0)));

TEST(Flanger, WindowBelowMinimumIsPushedUp) {
    CMLVFlangerDSP a(48000, 256);
    Set(a, "Fx Tune", 100);
    Set(a, "Depth", 100);
    a.UpdateCoefficients(false);
    EXPECT_EQ(a.LowerDelay(), 53);  // 1.1 ms
    EXPECT_EQ(a.UpperDelay(), 576); // 12 ms
    Set(a, "Fx Tune", 20);
    Set(a, "Depth", 30);
    a.UpdateCoefficients(false);
    EXPECT_EQ(a.UpperDelay(), 576 - 105); // 20 % of 523
    EXPECT_EQ(a.LowerDelay(), 576 - 262); // 50 % of 523 = 261.5, halves up
}

TEST(Flanger, ChannelsSweepAQuarterPeriodApart) {
    const double sr = 48000;
    CMLVFlangerDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Rate", 2); // 24000 samples per sweep
    Set(a, "Depth", 100);
    Signal x = Sine(1200, sr, 24000 + 30000, 0.5), ol, orr;
    RenderStereo(a, x, x, ol, orr);
    // The right channel follows the left one a quarter period later: right(n) = left(n - 6000).
    int best = 0;
    double bestErr = 1e30;
    for (int lag = 0; lag < 24000; lag += 40) {
        double e = 0;
        for (int i = 24000; i < 28800; ++i)
            e += std::fabs(orr[i] - ol[i - lag]);
        if (e < bestErr) bestErr = e, best = lag;
    }
    EXPECT_NEAR(best, 6000, 40);
}

// ---------------------------------------------------------------- phaser

class PhaserNotches : public ::testing::TestWithParam<double> {};

TEST_P(PhaserNotches, DepthZeroNotchesWhereSixAllPassesReachOddHalfTurns) {
    const double sr = GetParam();
    CMLVPhaserDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Depth", 0);
    Set(a, "Resonance", 0);
    Set(a, "Mix", 50);
    Signal x = Impulse(16384), ol, orr;
    RenderStereo(a, x, x, ol, orr);
    // Each section (c + z^-1)/(1 + c z^-1), c = (w-1)/(w+1), w = 350 Hz / Nyquist, turns the phase by
    // -2 atan(tan(omega/2) / w); the mix cancels where six of them sum to -pi, -3pi, -5pi.
    const double w = 350.0 / (sr / 2);
    for (double theta : {kPi / 6, kPi / 2, 5 * kPi / 6}) {
        const double f = sr / kPi * std::atan(w * std::tan(theta / 2));
        const double found = Extremum(ol, sr, f * 0.7, f * 1.4, false);
        EXPECT_NEAR(found, f, f * 0.005) << theta;
        EXPECT_LT(Magnitude(ol, found, sr), 0.01);
        EXPECT_EQ(ol, orr);
    }
    EXPECT_NEAR(a.SweepBottom(), w, 1e-7);
}

INSTANTIATE_TEST_SUITE_P(SampleRates, PhaserNotches, ::testing::Values(44100.0, 48000.0, 96000.0));

// The fused chain gives the double-precision chain's results bit for bit, or declines the chunk and leaves
// the chains as they were. Random chunks over the sweep's coefficients, with silence and signed zeros;
// then the one stage input found where rounding the double falls on a tie the fused step does not make.
TEST(PhaserChain, FusedEqualsDoublePrecisionOrDeclines) {
    if (!HasFma()) GTEST_SKIP() << "no fused multiply-add";
    using phaserchain::Frames;
    using phaserchain::kChunk;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> uni(-1.0f, 1.0f);
    auto runBoth = [](PhaserChain(&start)[2], const float* c, float fb, const Frames& x, int n, auto C) {
        PhaserChain exact[2] = {start[0], start[1]}, fused[2] = {start[0], start[1]};
        Frames ue{}, uf{};
        phaserchain::RunExact<C()>(exact, c, fb, x, ue, n);
        const bool taken = phaserchain::RunFused<C()>(fused, c, fb, x, uf, n);
        const PhaserChain* want = taken ? exact : start;
        for (int k = 0; k < C(); ++k) {
            EXPECT_EQ(std::memcmp(&fused[k], &want[k], sizeof(PhaserChain)), 0) << k;
            for (int i = 0; taken && i < n; ++i)
                EXPECT_EQ(std::memcmp(&uf[i][k], &ue[i][k], sizeof(float)), 0) << i << " " << k;
        }
        return taken;
    };
    int declined = 0, trials = 0;
    for (int trial = 0; trial < 600; ++trial) {
        PhaserChain start[2];
        for (auto& ch : start) {
            for (float& s : ch.state)
                s = trial % 5 == 0 ? (trial % 2 ? -0.0f : 0.0f)
                                   : uni(rng) * std::ldexp(1.0f, int(rng() % 30) - 20);
            ch.feedbackValue = trial % 5 == 0 ? 0.0f : uni(rng);
        }
        float c[kChunk];
        Frames x{};
        const float w = 0.01f + 0.2f * std::fabs(uni(rng));
        for (int i = 0; i < kChunk; ++i) {
            c[i] = static_cast<float>((w + 0.001 * i - 1.0) / (w + 0.001 * i + 1.0));
            for (int k = 0; k < 2; ++k)
                x[i][k] = trial % 5 == 0 || trial % 7 == 0 ? 0.0f : uni(rng);
        }
        const float fb = 0.75f * float(trial % 3) / 2;
        const int n = 1 + int(rng() % kChunk);
        // Negative zeros in the state are flushed by the exact chain: those chunks may be declined.
        const bool signedZeros = trial % 5 == 0;
        declined += !runBoth(start, c, fb, x, n, std::integral_constant<int, 1>{}) && !signedZeros;
        declined += !runBoth(start, c, fb, x, n, std::integral_constant<int, 2>{}) && !signedZeros;
        trials += 2;
    }
    // Declining is for rare ties and flushes, not the common case.
    EXPECT_LT(declined, trials / 50);

    PhaserChain tie[2] = {};
    tie[0].state[0] = 0x1.288e74p+9f;
    const float c[1] = {0x1.9613a8p-1f};
    Frames x{};
    x[0][0] = -0x1.defbbap-1f;
    EXPECT_FALSE(runBoth(tie, c, 0.0f, x, 1, std::integral_constant<int, 2>{}));
}

// ---------------------------------------------------------------- tremolo and auto pan

namespace {
// The shapes as functions of the phase phi (cycles since the top of the triangle). The parabola is the
// triangle's running integral: 8 u (1 - 2 u) on the falling half (u = phi), mirrored on the rising one.
double ShapeTheory(int shape, double phi) {
    phi -= std::floor(phi);
    const double tri = 1 - 4 * std::fabs(phi - std::floor(phi + 0.5));
    const double u = phi < 0.5 ? phi : phi - 0.5;
    const double par = (phi < 0.5 ? 1 : -1) * 8 * u * (1 - 2 * u);
    const double folded = 4 * phi * (1 - phi); // |parabola| at half speed
    switch (shape) {
    case 1:
        return 2 * folded - 1;
    case 2:
        return std::clamp(7 * par, -1.0, 1.0);
    case 3:
        return 1 - 2 * folded;
    case 4:
        return par;
    default:
        return tri;
    }
}
} // namespace

class TremoloShape : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(TremoloShape, GainFollowsShapeAroundOffset) {
    const auto [shape, depth] = GetParam();
    const double sr = 48000, bpm = 300; // 5 Hz: 9600 samples per cycle
    CMLVTremoloDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Wave shape", shape);
    Set(a, "Depth", depth);
    Set(a, "Tempo", bpm);
    Signal one(19200, 1.0f), ol, orr;
    RenderStereo(a, one, one, ol, orr);
    const double d = depth / 100;
    double lo = 9, hi = -9;
    for (int i = 0; i < 19200; ++i) {
        const double g = ShapeTheory(shape, i * bpm / 60 / sr) * 0.7071 * d + (1 - d) * 0.2929 + 0.7071;
        ASSERT_NEAR(ol[i], g, 0.01) << i;
        ASSERT_EQ(ol[i], orr[i]);
        lo = std::min<double>(lo, ol[i]);
        hi = std::max<double>(hi, ol[i]);
    }
    if (depth == 100) {
        EXPECT_NEAR(lo, 0.0, 0.02);
        EXPECT_NEAR(hi, 1.4142, 0.02);
    }
    if (depth == 0) {
        EXPECT_EQ(ol, one); // exactly dry
    }
}

INSTANTIATE_TEST_SUITE_P(AllShapes, TremoloShape,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 4),
                                            ::testing::Values(100.0, 40.0, 0.0)));

TEST(AutoPan, GainsOpposeAroundCentre) {
    const double sr = 48000;
    {
        CMLVAutoPanDSP a(sr, 256);
        PrepareLikeShell(a, sr);
        Set(a, "Center", 40);
        Set(a, "Stereo", 0);
        Signal one(1000, 1.0f), ol, orr;
        RenderStereo(a, one, one, ol, orr);
        EXPECT_NEAR(ol[500], 0.6f, 1e-6);
        EXPECT_NEAR(orr[500], 1.4f, 1e-6);
    }
    for (bool separate : {true, false}) {
        CMLVAutoPanDSP a(sr, 256);
        PrepareLikeShell(a, sr);
        a.hostChannels = separate ? 2 : 1;
        Set(a, "Tempo", 120);
        Signal one(48000, 1.0f), zero(48000, 0.0f), ol, orr;
        RenderStereo(a, one, separate ? one : zero, ol, orr);
        const double in = separate ? 1.0 : 0.5; // the mono sum of 1 and 0
        for (int i = 0; i < 48000; ++i) {
            const double gl = 1 + ShapeTheory(0, i * 2.0 / sr);
            ASSERT_NEAR(ol[i], in * gl, 0.01) << i;
            ASSERT_NEAR(orr[i], in * (2 - gl), 0.01) << i;
        }
    }
}

// ---------------------------------------------------------------- wahs

class PedalWahCentre : public ::testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(PedalWahCentre, PeakResponseSitsOnLogPedalScale) {
    const auto [pedal, range] = GetParam();
    const double sr = 48000;
    CMLVPedalWahDSP a(sr, 256);
    PrepareLikeShell(a, sr);
    Set(a, "Pedal", pedal);
    Set(a, "Range", range);
    Signal x = Impulse(8192, 1.0f, 400), ol, orr; // the pedal settles in under 200 samples
    RenderStereo(a, x, x, ol, orr);
    Signal h(ol.begin() + 400, ol.end());
    const double expected =
        std::exp(std::log(range) + (std::log(2500.0) - std::log(range)) * (pedal / 100 - 0.01));
    const double found = Extremum(h, sr, 100, 5000, true);
    EXPECT_NEAR(found, expected, expected * 0.012);
    // An all-pass band-pass scaled by 1.7 (1 + c) peaks at 3.4.
    EXPECT_NEAR(Magnitude(h, found, sr), 3.4, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Positions, PedalWahCentre,
                         ::testing::Combine(::testing::Values(1.0, 30.0, 50.0, 80.0, 100.0),
                                            ::testing::Values(200.0, 300.0, 440.0)));

TEST(AutoWah, StillSweepSitsAtCentre) {
    const double sr = 48000;
    // Depth 0 pins the filter to the centre; so does mode B while the input stays under the threshold.
    for (auto [center, depth, mode] :
         {std::tuple{20.0, 0.0, 0.0}, {50.0, 0.0, 0.0}, {80.0, 0.0, 1.0}, {50.0, 100.0, 1.0}}) {
        CMLVAutoWahDSP a(sr, 256);
        PrepareLikeShell(a, sr);
        Set(a, "Center", center);
        Set(a, "Depth", depth);
        Set(a, "Mode", mode);
        Set(a, "Sensitivity", 0);
        Signal x = Impulse(8192, 1.0f, 1000), ol, orr;
        RenderStereo(a, x, x, ol, orr);
        Signal h(ol.begin() + 1000, ol.end());
        const double f0 = std::pow(10.0, 1.4 * center / 100 - 1.4) * sr / 6.8;
        const double found = Extremum(h, sr, 100, 20000, true);
        EXPECT_NEAR(found, f0, f0 * 0.01) << center;
        EXPECT_NEAR(Magnitude(h, found, sr), 3.4, 0.1);
    }
}

// ---------------------------------------------------------------- tempo

namespace {
struct TempoCase {
    int type;
    const char* depthName; // the parameter that makes the modulation audible
};
const TempoCase kTempoEffects[] = {{90, "Depth"},  {95, "Depth"},  {65, "Depth"},
                                   {70, "Depth"},  {135, "Depth"}, {140, "Depth"},
                                   {180, "Depth"}, {5, "Stereo"},  {15, "Depth"}};
} // namespace

class SyncedRate : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(SyncedRate, OutputRepeatsAtNoteValueOfHostTempo) {
    const auto [effect, entry] = GetParam();
    const TempoCase& tc = kTempoEffects[effect];
    const double sr = 48000, hostTempo = 240;
    std::unique_ptr<CMLVDSPAlgInterface> a(AlgorithmRegistry::Create(tc.type, sr, 256));
    ASSERT_NE(a, nullptr);
    PrepareLikeShell(*a, sr);
    Set(*a, tc.depthName, 100);
    if (tc.type == 15) Set(*a, "Sensitivity", 0);
    int syncIndex = 0;
    ASSERT_NE(a->FindParameter("Sync coeff", &syncIndex), nullptr);
    // What the shell does on a tempo change: store it, re-send "Sync coeff".
    a->tempo = hostTempo;
    a->SetParameter(syncIndex, entry / 8.0f);
    static const double kNote[9] = {0, 1, 2, 4, 4, 8, 8, 16, 16};
    const double cyclesPerBeat = kNote[entry] / 4 * (entry >= 4 && entry % 2 == 0 ? 1.5 : 1.0);
    const double period = sr / (hostTempo / 60 * cyclesPerBeat);
    const int warm = 24000, window = 4800;
    // 1200 Hz repeats every 40 samples, which divides every period under test.
    Signal x = Sine(1200, sr, static_cast<size_t>(warm + 1.6 * period + window + 100), 0.5), ol, orr;
    RenderStereo(*a, x, x, ol, orr);
    Signal y(ol.begin() + warm, ol.end());
    double halfLagRatio = 0;
    const int lag = RepeatLag(y, 40, static_cast<int>(0.3 * period), static_cast<int>(1.6 * period), window,
                              &halfLagRatio);
    EXPECT_NEAR(lag, period, 20 + period * 0.003) << a->GetName(true) << " entry " << entry;
    EXPECT_GT(halfLagRatio, 3.0); // half the lag does not repeat: not an octave off
}

INSTANTIATE_TEST_SUITE_P(AllEntries, SyncedRate,
                         ::testing::Combine(::testing::Range(0, 9), ::testing::Range(1, 9)));
