// The shell as a host sees it, with the level control as the probe effect.
#include "HostTestSupport.h"
#include "shell/FiniteSamples.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {
using host::Effect;
using host::RenderMode;

TEST(EntryPoints, OpenVersionRoutineTableAndGroup) {
    auto open = reinterpret_cast<int (*)(int)>(Library().Symbol("WinPlugInOpen"));
    auto close = reinterpret_cast<int (*)()>(Library().Symbol("WinPlugInClose"));
    auto routine = reinterpret_cast<int (*)(int, void**)>(Library().Symbol("_PI_GetRoutineDescriptor"));
    ASSERT_TRUE(open && close && routine);
    EXPECT_EQ(open(72), -1);
    EXPECT_EQ(open(73), 0);
    EXPECT_EQ(close(), 0);
    void* r = nullptr;
    EXPECT_EQ(routine(173, &r), 0);
    EXPECT_NE(r, nullptr);
    EXPECT_EQ(routine(174, &r), -9007);
    EXPECT_EQ(r, nullptr);

    // The group's identity, and three types per effect.
    CEffectGroup& g = Library().Group();
    EXPECT_EQ(g.ManufacturerName(), "Marlevo");
    EXPECT_EQ(g.ManufacturerID(), MakeOSType("Mlvx"));
    EXPECT_EQ(g.ProductName().substr(0, g.ProductName().find('\n')), "Marlevo Tonvera");
    EXPECT_EQ(g.ProductNumber(), 107);
    EXPECT_EQ(g.AttributeCode(), 14);
    EXPECT_TRUE(g.HasViewName("NoUIView"));
    ASSERT_EQ(g.GetNumTypes() % 3, 0);
    for (int i = 0; i < g.GetNumTypes(); i += 3) {
        const CEffectType *st = g.GetType(i), *mo = g.GetType(i + 1), *of = g.GetType(i + 2);
        EXPECT_EQ(mo->TypeID(), st->TypeID() + 1);
        EXPECT_EQ(of->TypeID(), st->TypeID() + 2);
        EXPECT_EQ(st->Name(), mo->Name());
        EXPECT_EQ(st->Name(), of->Name());
        EXPECT_EQ(st->Kind(), kRealTime);
        EXPECT_EQ(of->Kind(), kAudioSuite);
        EXPECT_EQ(st->NumInputs(), 2);
        EXPECT_EQ(mo->NumInputs(), 1);
        EXPECT_EQ(st->ProductID(), of->ProductID());
        EXPECT_EQ(st->Properties(), (std::vector<int>{48, 55}));
    }
    const CEffectType* lc = Library().FindType("LC", kRealTime, 2);
    ASSERT_NE(lc, nullptr);
    EXPECT_EQ(lc->Name(), "LC - Level Control\nLC");
    EXPECT_EQ(OSTypeText(lc->TypeID()), "LCRT");
    EXPECT_EQ(OSTypeText(lc->ProductID()), "LCSd");
    EXPECT_EQ(lc->Category(), 0);
    EXPECT_EQ(lc->Tag(), 100);
}

TEST(Controls, FootswitchFirstThenParametersWithTheirIdentifiersGesturesAndTempo) {
    struct Listener : IHostListener {
        int begins = 0, ends = 0;
        void GestureBegin(int) override { ++begins; }
        void GestureEnd(int) override { ++ends; }
    } listener;
    host::HostTempo tempo; // a tempo service below version 2 gives no tempo
    tempo.maxVersion = 1;
    Effect fx(Library(), "LC", RenderMode::RealTime, 2, 48000.0, &tempo, &listener);
    double bpm = 0;
    EXPECT_EQ(fx.Process().GetHostTempo(&bpm), -9145);
    CProcess& p = fx.Process();
    ASSERT_EQ(p.GetNumControls(), 5);
    EXPECT_EQ(p.GetControl(1)->Id(), 0x62797061u);
    EXPECT_EQ(p.GetControl(1)->GetName(), "LC Bypass\nLCBypass");
    EXPECT_FALSE(p.GetControl(1)->IsContinuous());
    // "Gain": the characters in memory order, so 'G' is the least significant byte.
    EXPECT_EQ(p.GetControl(2)->Id(), 0x6e696147u);
    EXPECT_EQ(p.GetControl(2)->GetName(), "LC Gain");
    EXPECT_EQ(p.GetControl(5)->GetName(), "LC Stereo Mode");
    int32_t def;
    p.GetControlDefaultValue(4, &def); // Right, default 100 of 0..100
    EXPECT_EQ(def, 2147483647);
    // Nested gestures reach the host once.
    p.TouchControl(2);
    p.TouchControl(2);
    p.ReleaseControl(2);
    EXPECT_EQ(listener.begins, 1);
    EXPECT_EQ(listener.ends, 0);
    p.ReleaseControl(2);
    EXPECT_EQ(listener.ends, 1);
    tempo.maxVersion = 7;
    Effect g(Library(), "LC", RenderMode::RealTime, 2, 48000.0, &tempo);
    EXPECT_EQ(g.Process().GetHostTempo(&bpm), 0);
    EXPECT_EQ(bpm, 120.0);
}

// Level control presets against the matrix written out here.
struct LevelCase {
    const char* preset;
    double ll, rl, lr, rr, gainDb;
};

class LevelControlPresets : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelControlPresets, MatchTheMatrix) {
    const LevelCase c = GetParam();
    Effect fx(Library(), "LC", RenderMode::Offline, 2, 44100.0);
    fx.RecallPreset(c.preset);
    const auto x = TestSignal(44100.0, 5000);
    const auto y = RenderBlocks(fx, x, 5000);
    const double g = std::pow(10.0, c.gainDb / 20.0);
    for (size_t i = 0; i < 5000; ++i) {
        const double l = g * (c.ll * x[0][i] + c.rl * x[1][i]), r = g * (c.lr * x[0][i] + c.rr * x[1][i]);
        ASSERT_NEAR(y[0][i], l, 4e-7 * (1 + std::fabs(l))) << c.preset << " " << i;
        ASSERT_NEAR(y[1][i], r, 4e-7 * (1 + std::fabs(r))) << c.preset << " " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LC, LevelControlPresets,
    ::testing::Values(LevelCase{"Default", 1, 0, 0, 1, 0}, LevelCase{"Gain It", 1, 0, 0, 1, 12},
                      LevelCase{"Wide Stereo", 1, -0.5, -0.5, 1, 0}, LevelCase{"Mono", 0.5, 0.5, 0.5, 0.5, 0},
                      LevelCase{"Both to L", 1, 1, 0, 0, 0}, LevelCase{"Both to R", 0, 0, 1, 1, 0}));

TEST(LevelControl, MinimumGainIsSilenceAndHalfDecibelAboveIsNot) {
    Effect fx(Library(), "LC", RenderMode::RealTime, 2, 48000.0);
    fx.SetParameter("Gain", "-60");
    const auto x = TestSignal(48000.0, 1000);
    for (const auto& ch : RenderBlocks(fx, x, 256))
        for (float v : ch)
            ASSERT_EQ(v, 0.0f);
    fx.SetParameter("Gain", "-59.5");
    const auto y = RenderBlocks(fx, x, 256);
    EXPECT_NEAR(y[0][10] / x[0][10], std::pow(10.0, -59.5 / 20.0), 1e-6);
    EXPECT_EQ(fx.ValueText(2), "-59.5 dB");
}

TEST(Chunk, LevelControlRecordLayoutAndItsMarker) {
    Effect fx(Library(), "LC", RenderMode::RealTime, 2, 48000.0);
    fx.SetParameter("Left", "25");
    fx.SetBypass(true);
    std::vector<uint8_t> r = fx.SaveChunk();
    ASSERT_EQ(r.size(), 136u); // the size field: EveryEffect.ChunkRoundTripRestoresEveryControl
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data()) + 24), "Complete Controls State");
    const uint8_t* d = r.data() + 56;
    EXPECT_EQ(std::vector<uint8_t>(d, d + 4), (std::vector<uint8_t>{1, 1, 1, 1}));
    // Bypass: "l_bypa\0" padded to 8, then the integer 1 big-endian.
    EXPECT_EQ(std::memcmp(d + 4, "l_bypa\0\0", 8), 0);
    EXPECT_EQ(std::vector<uint8_t>(d + 12, d + 16), (std::vector<uint8_t>{0, 0, 0, 1}));
    // Parameters: "d_" and the name's first four characters reversed, then a big-endian double.
    const char* keys[] = {"d_niaG", "d_tfeL", "d_hgiR", "d_retS"};
    const double values[] = {60.0 / 72.0, 0.25, 1.0, 0.0};
    for (int k = 0; k < 4; ++k) {
        const uint8_t* e = d + 16 + 16 * k;
        EXPECT_EQ(std::memcmp(e, keys[k], 7), 0) << keys[k];
        uint64_t bits = 0;
        for (int b = 0; b < 8; ++b)
            bits = (bits << 8) | e[8 + b];
        double v;
        std::memcpy(&v, &bits, 8);
        // The control holds the value as a 32-bit host integer.
        EXPECT_NEAR(v, values[k], 1e-9) << keys[k];
    }
    // Without the marker the record restores nothing.
    r[56] = 0;
    fx.SetParameter("Left", "40");
    fx.RestoreChunk(r);
    EXPECT_NEAR(fx.PlainValue(3), 40.0, 1e-4);
}

TEST(Offline, RegionInSlicesOf2048AndMonoWithASilentSecondInput) {
    // The meters show the peaks of the last slice only: 5000 samples end with a slice of 904.
    Effect fx(Library(), "LC", RenderMode::Offline, 2, 48000.0);
    std::vector<std::vector<float>> x(2, std::vector<float>(5000, 0.0f));
    x[0][4095] = 1.0f;  // inside the second slice
    x[0][4096] = 0.25f; // the first sample of the third slice
    x[1][4999] = 0.125f;
    RenderBlocks(fx, x, 5000);
    float in[2], out[2];
    fx.Process().GetMeters(in, out);
    EXPECT_NEAR(in[0], (20 * std::log10(0.25f) + 60) / 60, 1e-6);
    EXPECT_NEAR(out[1], (20 * std::log10(0.125f) + 60) / 60, 1e-6);

    // A single channel uses a silent second input.
    Effect mono(Library(), "LC", RenderMode::Offline, 1, 48000.0);
    mono.RecallPreset("Mono");
    x = {TestSignal(48000.0, 3000)[0]};
    const auto y = RenderBlocks(mono, x, 3000);
    for (size_t i = 0; i < 3000; ++i)
        ASSERT_FLOAT_EQ(y[0][i], 0.5f * x[0][i]);
}

// The noise gate's finished "Learn" measurement reaches the host controls through the shell.
TEST(NoiseGatePushBack, LearnedThresholdReachesTheHostControls) {
    struct Listener : IHostListener {
        std::vector<int> changed;
        void ControlChanged(int index, int32_t) override { changed.push_back(index); }
    } listener;
    host::Effect fx(Library(), "NG", host::RenderMode::RealTime, 2, 48000.0, nullptr, &listener);
    fx.SetParameter("Learn", "Measuring input level");
    listener.changed.clear();
    std::vector<std::vector<float>> x(2, std::vector<float>(48000 * 3 / 2));
    for (size_t i = 0; i < x[0].size(); ++i)
        x[0][i] = x[1][i] = static_cast<float>(
            0.1 * std::sin(2 * 3.14159265358979 * 440.0 * static_cast<double>(i) / 48000.0));
    RenderBlocks(fx, x, 256);
    EXPECT_NEAR(fx.PlainValue(2), -20.0, 0.05);
    EXPECT_EQ(fx.PlainValue(5), 0.0);
    int32_t learn;
    fx.Process().GetControlValue(5, &learn);
    EXPECT_EQ(learn, INT32_MIN);
    EXPECT_NE(std::find(listener.changed.begin(), listener.changed.end(), 2), listener.changed.end());
    EXPECT_NE(std::find(listener.changed.begin(), listener.changed.end(), 5), listener.changed.end());
}
} // namespace

// One NaN or infinity anywhere in either channel, in the vector body or the tail of any length, fails the
// block's check; finite extremes (largest, subnormal, negative zero) pass it.
TEST(FiniteCheck, FindsOneBadSampleAnywhereInEitherChannel) {
    const float bad[] = {std::nanf(""), -std::nanf(""), HUGE_VALF, -HUGE_VALF};
    std::vector<float> a(40), b(40);
    for (int n = 0; n <= 40; ++n) {
        for (int i = 0; i < 40; ++i) {
            a[size_t(i)] = i % 3 ? 3.4e38f : -0.0f;
            b[size_t(i)] = i % 2 ? 1e-45f : -3.4e38f;
        }
        EXPECT_TRUE(AllFinite(a.data(), b.data(), n) && AllFinite(b.data(), nullptr, n)) << n;
        for (int p = 0; p < n; ++p)
            for (float v : bad) {
                std::swap(a[size_t(p)], v);
                EXPECT_FALSE(AllFinite(a.data(), b.data(), n)) << n << " " << p;
                EXPECT_FALSE(AllFinite(b.data(), a.data(), n)) << n << " " << p;
                EXPECT_FALSE(AllFinite(a.data(), nullptr, n)) << n << " " << p;
                std::swap(a[size_t(p)], v);
            }
    }
}
