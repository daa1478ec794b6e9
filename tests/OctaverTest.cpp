#include "TestSupport.h"
#include "effects/modulation/CMLVOctaverDSP.h"
#include "effects/modulation/PitchShifter.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace tsupport;

namespace {

std::unique_ptr<CMLVOctaverDSP> MakeOctaver(double rate, float cleanPct, float lowPct, float highPct) {
    auto fx = std::make_unique<CMLVOctaverDSP>(rate, 256);
    fx->fullUpdatePending = true;
    fx->SetParameter(2, cleanPct / 100.0f);
    fx->SetParameter(3, lowPct / 100.0f);
    fx->SetParameter(4, highPct / 100.0f);
    return fx;
}

struct ShiftCase {
    double rate;
    int lowerPct, upperPct;
    double expectHz;
};

class OctaverShift : public ::testing::TestWithParam<ShiftCase> {};

} // namespace

// A 220 Hz sine comes out one octave down or up, in both channels, once the shifter's delay has passed.
TEST_P(OctaverShift, SineMovesByAnOctave) {
    const ShiftCase c = GetParam();
    auto fx = MakeOctaver(c.rate, 0, static_cast<float>(c.lowerPct), static_cast<float>(c.upperPct));
    const int n = static_cast<int>(c.rate * 1.5);
    Stereo in{Sine(220.0, c.rate, n, 0.25), Sine(220.0, c.rate, n, 0.25)};
    Stereo out = Render(*fx, in, 256);
    const size_t from = static_cast<size_t>(fx->VoiceDelay() + PitchShifter::FrameSizeFor(int(c.rate)));
    const size_t len = static_cast<size_t>(n) - from;
    for (const std::vector<float>* ch : {&out.l, &out.r}) {
        const double f = DominantFrequency(*ch, from, len, c.rate, 60.0, 1000.0);
        EXPECT_NEAR(f, c.expectHz, 0.5);
        const double wanted = ToneAmplitude(*ch, from, len, c.expectHz, c.rate);
        // The summed channels (amplitude 0.5) pass at roughly unit gain.
        EXPECT_GT(wanted, 0.25);
        EXPECT_LT(wanted, 1.0);
        for (double other : {110.0, 220.0, 330.0, 440.0, 660.0, 880.0}) {
            if (other == c.expectHz) continue;
            EXPECT_LT(ToneAmplitude(*ch, from, len, other, c.rate), 0.05 * wanted) << other << " Hz";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, OctaverShift,
                         ::testing::Values(ShiftCase{44100, 100, 0, 110}, ShiftCase{48000, 100, 0, 110},
                                           ShiftCase{96000, 100, 0, 110}, ShiftCase{44100, 0, 100, 440},
                                           ShiftCase{48000, 0, 100, 440}, ShiftCase{96000, 0, 100, 440}));

// The shifter with no shift keeps frequency and level: checks the window normalisation.
TEST(PitchShifter, UnshiftedToneKeepsFrequencyAndLevel) {
    for (int rate : {44100, 96000}) {
        PitchShifter ps(rate, 6, 0.0);
        std::vector<float> x = Sine(330.0, rate, rate), y(x.size());
        ps.Process(x.data(), y.data(), static_cast<int>(x.size()));
        const size_t from = static_cast<size_t>(ps.GetLatency() + ps.GetFrameSize());
        const size_t len = x.size() - from;
        EXPECT_NEAR(DominantFrequency(y, from, len, rate, 200, 500), 330.0, 0.2);
        EXPECT_NEAR(ToneAmplitude(y, from, len, 330.0, rate), 0.5, 0.5 * 0.012); // within 0.1 dB
    }
}

// The delay is one frame less one hop; the frame grows with the rate to keep bass resolution.
TEST(PitchShifter, LatencyFollowsTheFrameTable) {
    const std::pair<int, int> table[] = {{8000, 256},   {11025, 512},   {22050, 1024}, {32000, 2048},
                                         {44100, 2048}, {48000, 2048},  {64000, 2048}, {88200, 4096},
                                         {96000, 4096}, {176400, 8192}, {192000, 8192}};
    for (auto [rate, frame] : table) {
        CMLVOctaverDSP fx(rate, 256);
        fx.PrepareForAudio();
        EXPECT_EQ(fx.VoiceDelay(), frame - frame / 6) << rate;
    }
    // A sample-rate change after creation rebuilds the shifters at the next full update.
    auto fx = MakeOctaver(44100, 50, 50, 50);
    fx->sampleRate = 96000;
    Stereo in{Sine(220, 96000, 512), Sine(220, 96000, 512)};
    Render(*fx, in, 256);
    EXPECT_EQ(fx->VoiceDelay(), 4096 - 682);
}

// The octaves are common to both sides; only the clean part differs between the channels.
TEST(Octaver, OctavesAreMixedIntoBothChannels) {
    auto fx = MakeOctaver(48000, 50, 50, 50);
    const int n = 48000;
    Stereo in{Sine(220, 48000, n, 0.5), std::vector<float>(n, 0.0f)};
    Stereo out = Render(*fx, in, 256);
    for (int i = 0; i < n; ++i)
        ASSERT_NEAR(out.l[i] - out.r[i], 0.5f * in.l[i], 1e-6f) << i;
    const size_t from = 2 * 2048, len = n - from;
    EXPECT_GT(ToneAmplitude(out.r, from, len, 110, 48000), 0.1);
    EXPECT_GT(ToneAmplitude(out.r, from, len, 440, 48000), 0.1);
    EXPECT_LT(ToneAmplitude(out.r, from, len, 220, 48000), 0.02);
}

// Reset clears the shifters: the same input afterwards gives the same output as a fresh instance.
TEST(Octaver, ResetRestartsTheShifters) {
    Stereo in{Sine(150, 48000, 9000, 0.4), Sine(150, 48000, 9000, 0.4)};
    auto a = MakeOctaver(48000, 20, 70, 40);
    Render(*a, Stereo{Sine(400, 48000, 7000), Sine(500, 48000, 7000)}, 256);
    a->Reset();
    auto b = MakeOctaver(48000, 20, 70, 40);
    EXPECT_EQ(Render(*a, in, 256).l, Render(*b, in, 256).l);
}

// While both octaves run, one analysis serves both shifters; once one has paused they analyse apart. Either
// way the output is that of two shifters fed on their own.
TEST(Octaver, SharedAnalysisMatchesSeparateShifters) {
    // Blocks of one hop: the paused shifter comes back at the same place in its frame, yet behind.
    const int block = 341, n = 120 * block, pauseFrom = 20 * block, pauseTo = 50 * block;
    Stereo in{Sine(196, 48000, n, 0.4), Sine(330, 48000, n, 0.3)};
    auto fx = MakeOctaver(48000, 0, 100, 100);
    PitchShifter down(48000, 6, -12.0), up(48000, 6, 12.0);
    std::vector<float> sum(block), lo(block), hi(block);
    for (int start = 0; start < n; start += block) {
        const bool upperOn = start < pauseFrom || start >= pauseTo;
        fx->SetParameter(4, upperOn ? 1.0f : 0.0f);
        float* io[2] = {in.l.data() + start, in.r.data() + start};
        float* out[2] = {io[0], io[1]};
        for (int i = 0; i < block; ++i)
            sum[size_t(i)] = io[0][i] + io[1][i];
        down.Process(sum.data(), lo.data(), block);
        std::fill(hi.begin(), hi.end(), 0.0f);
        if (upperOn) up.Process(sum.data(), hi.data(), block);
        float ip[2], op[2];
        fx->Process(io, out, ip, op, block);
        for (int i = 0; i < block; ++i)
            ASSERT_EQ(out[0][i], hi[size_t(i)] + lo[size_t(i)]) << start + i;
    }
}
