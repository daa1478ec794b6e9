#include "TestSupport.h"
#include "effects/modulation/CMLVBPMDelayDSP.h"
#include <gtest/gtest.h>

using namespace tsupport;

namespace {
// Beat length for a tempo: one beat, or the fixed 20 ms room effect at the top of the range.
int Beat(double fs, double bpm) {
    return bpm == 1200 ? static_cast<int>(fs * 60) / 3000 : static_cast<int>(fs * 60 / bpm);
}

Stereo LeftImpulse(size_t n, size_t at = 0) {
    Stereo s(n);
    s.l[at] = 1.0f;
    return s;
}
} // namespace

struct EchoCase {
    double fs, tempo, decay, level, stereo;
    bool stereoMode;
};

class BPMDelayEchoes : public ::testing::TestWithParam<EchoCase> {};

// An impulse on the left comes back after every beat: odd beats from the one-beat tap, even beats
// from the two-beat tap. Each tap's repeats lose 60 dB over the decay time (a repeat every two beats).
// Mono balances both taps between the sides; stereo pans the one-beat tap right and the two-beat
// tap left as "Stereo" goes from 0 to 100.
TEST_P(BPMDelayEchoes, ImpulseResponse) {
    const auto c = GetParam();
    CMLVBPMDelayDSP bd(c.fs, 256);
    SetValues(bd, {c.level, c.tempo, c.decay, c.stereo, c.stereoMode ? 1.0 : 0.0});
    const int N = Beat(c.fs, c.tempo);
    const double period = 2.0 * N / c.fs;
    const double fb = c.decay >= period ? std::pow(10.0, -60.0 * period / c.decay / 20.0) : 0.0;
    const double level = c.level / 200.0;
    double oneL, oneR, twoL, twoR;
    if (c.stereoMode) {
        oneL = (100 - c.stereo) / 200.0;
        oneR = 1 - oneL;
        twoL = (100 + c.stereo) / 200.0;
        twoR = 1 - twoL;
    } else {
        oneR = twoR = (c.stereo >= 47 && c.stereo <= 53) ? 0.5 : c.stereo / 100.0;
        oneL = twoL = 1 - oneR;
    }
    const int beats = 7;
    Stereo out = Render(bd, LeftImpulse(static_cast<size_t>(beats * N + 5)), 256);
    Stereo expected(out.size());
    expected.l[0] = 1.0f;
    for (int k = 1; k <= beats; ++k) {
        const double g = level * std::pow(fb, (k - 1) / 2);
        expected.l[static_cast<size_t>(k * N)] = static_cast<float>(g * (k % 2 ? oneL : twoL));
        expected.r[static_cast<size_t>(k * N)] = static_cast<float>(g * (k % 2 ? oneR : twoR));
    }
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_NEAR(out.l[i], expected.l[i], 1e-6) << "left sample " << i << " beat " << N;
        ASSERT_NEAR(out.r[i], expected.r[i], 1e-6) << "right sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BPMDelay, BPMDelayEchoes,
    ::testing::Values(EchoCase{44100, 120, 10, 50, 50, false},   // N = 22050, 6 dB per repeat
                      EchoCase{44100, 120, 1.62, 50, 50, false}, // default decay
                      EchoCase{44100, 1200, 0.4, 80, 50, false}, // room effect: N = 882, not 2205
                      EchoCase{44100, 160, 0.5, 40, 50, false},  // shorter than two beats: each tap once
                      EchoCase{48000, 100, 4, 60, 80, false},    // balance
                      EchoCase{48000, 90, 6, 100, 100, true},    // taps split to the two sides
                      EchoCase{48000, 140, 3, 70, 0, true},      // both taps centred
                      EchoCase{96000, 333, 2, 50, 30, true}));

TEST(BPMDelay, EndlessDecayRepeatsWithoutLoss) {
    CMLVBPMDelayDSP bd(44100, 256);
    bd.RecallPreset("Hold on"); // decay past the top of its range, tempo 100
    ASSERT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Normal);
    const int N = Beat(44100, 100);
    Stereo out = Render(bd, LeftImpulse(static_cast<size_t>(12 * N + 1)));
    for (int k = 1; k <= 12; ++k)
        EXPECT_NEAR(out.l[static_cast<size_t>(k * N)], 0.57 / 2 * 0.5, 1e-6) << k;
    EXPECT_EQ(PeakAbs(out.l, 11 * N + 1, 12 * N), 0.0);
}

TEST(BPMDelay, SyncedTempoFollowsHost) {
    CMLVBPMDelayDSP bd(44100, 256);
    bd.tempo = 120.0;
    Set(bd, 7, 5); // "1/8": twice the host tempo
    EXPECT_EQ(bd.SetParameter(3, 0.5f), "Tempo: 610.0 BPM (Sync !)");
    Stereo out = Render(bd, LeftImpulse(30000));
    EXPECT_EQ(bd.GetBeatLength(), 11025);
    EXPECT_GT(std::fabs(out.l[11025]), 0.1);
}

struct TempoMove {
    double from, to;
    bool keepsLines;
};
class BPMDelayTempoMove : public ::testing::TestWithParam<TempoMove> {};

// Inside the knob's open range the lines hold six beats, so slowing down keeps the pending echo,
// which then arrives one new beat after the impulse. Leaving the range or outgrowing the capacity
// restarts the lines empty.
TEST_P(BPMDelayTempoMove, PendingEcho) {
    const auto c = GetParam();
    const double fs = 44100;
    CMLVBPMDelayDSP bd(fs, 256);
    Set(bd, 3, c.from);
    Set(bd, 4, 0.02);
    bd.fullUpdatePending = true; // as after creation: capacity sized for the starting tempo
    Render(bd, Stereo(512));
    Stereo first = LeftImpulse(256);
    Render(bd, first);
    Set(bd, 3, c.to);
    const int N = Beat(fs, c.to);
    Stereo out = Render(bd, Stereo(static_cast<size_t>(2 * N + 10)));
    // Echo times relative to the impulse, which lies 256 samples before this render.
    const double atOne = std::fabs(out.l[static_cast<size_t>(N - 256)]);
    const double atTwo = std::fabs(out.l[static_cast<size_t>(2 * N - 256)]);
    if (c.keepsLines) {
        EXPECT_NEAR(atOne, 0.125, 1e-6);
        EXPECT_NEAR(atTwo, 0.125, 1e-6);
    } else {
        EXPECT_EQ(PeakAbs(out.l, 0, out.size()), 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(BPMDelay, BPMDelayTempoMove,
                         ::testing::Values(TempoMove{120, 110, true}, TempoMove{120, 21, true},
                                           TempoMove{120, 1000, true}, TempoMove{1000, 100, false},
                                           TempoMove{120, 1200, false}, TempoMove{120, 20, false}));

TEST(BPMDelay, FootswitchStepsHoldStates) {
    const double fs = 44100;
    CMLVBPMDelayDSP bd(fs, 256);
    Set(bd, 3, 120);
    bd.SetParameter(8, 1.0f); // tap mode armed
    bd.SetParameter(4, 1.0f); // endless decay: hold mode, tap mode ends
    EXPECT_EQ(bd.GetParameter(8)->GetValue(), 0.0);
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Bypassing);
    EXPECT_TRUE(bd.bypassed);
    const int N = Beat(fs, 120);
    const float g = 0.125f;

    // Bypassing: the input passes untouched.
    Stereo noise = Mono(1000, [](size_t i) { return std::sin(0.37 * static_cast<double>(i)) * 0.3; });
    Stereo out = Render(bd, noise);
    EXPECT_EQ(out.l, noise.l);

    bd.SetParameter(1, 1.0f); // footswitch
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Sampling);
    EXPECT_FALSE(bd.bypassed);
    // Record one impulse; stop sampling after its first echo.
    out = Render(bd, LeftImpulse(static_cast<size_t>(N + 512), 100));
    EXPECT_NEAR(out.l[static_cast<size_t>(N + 100)], g, 1e-7);

    bd.SetParameter(1, 1.0f); // footswitch
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Playing);
    // The published hold state follows (readouts: tap counted, tapped tempo, hold state).
    ASSERT_EQ(bd.GetReadoutCount(), 3);
    EXPECT_STREQ(bd.GetReadoutInfo(2)->symbol, "hold_state");
    EXPECT_EQ(bd.GetReadoutValue(2), 3.0f);
    // The loop keeps replaying: one echo per beat at full level, nothing new is taken in.
    Stereo feed = Mono(static_cast<size_t>(10 * N), [](size_t i) { return i % 1000 == 7 ? 0.5 : 0.0; });
    out = Render(bd, feed);
    const size_t offset = static_cast<size_t>(N + 512);
    for (int k = 2; k <= 10; ++k) {
        const size_t at = static_cast<size_t>(k * N + 100) - offset;
        EXPECT_NEAR(out.l[at], g, 1e-6) << k;
        EXPECT_NEAR(out.l[at + 1000], feed.l[at + 1000], 1e-7); // only the dry input elsewhere
    }

    bd.SetParameter(1, 1.0f); // footswitch
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Bypassing);
    out = Render(bd, noise);
    EXPECT_EQ(out.l, noise.l);

    bd.SetParameter(1, 1.0f); // footswitch
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Sampling);
    out = Render(bd, Stereo(static_cast<size_t>(3 * N)));
    EXPECT_EQ(PeakAbs(out.l, 0, out.size()), 0.0) << "sampling starts from empty lines";

    bd.SetParameter(4, 0.5f);
    EXPECT_EQ(bd.GetHoldState(), CMLVBPMDelayDSP::Normal);
}
