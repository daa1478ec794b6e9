#include "TestSupport.h"
#include "effects/drive/FilterSection.h"
#include "effects/modulation/CMLVAutoTunerDSP.h"
#include "effects/modulation/TuneAnalysis.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace tsupport;

namespace {

// Equal temperament from the reference, in double precision.
double NoteHz(int semitonesFromC0, double a4 = 440.0) {
    return a4 * std::pow(2.0, (semitonesFromC0 - 57) / 12.0);
}

// Display deviation: 50 at the neighbouring note, linear in Hz on each side.
double ExpectedDeviation(double f, int note, double a4 = 440.0) {
    const double ref = NoteHz(note, a4);
    return f >= ref ? 50.0 * (f - ref) / (NoteHz(note + 1, a4) - ref)
                    : 50.0 * (f - ref) / (ref - NoteHz(note - 1, a4));
}

std::unique_ptr<CMLVAutoTunerDSP> MakeTuner(double rate, double a4 = 440.0) {
    auto fx = std::make_unique<CMLVAutoTunerDSP>(rate, 256);
    tsupport::PrepareLikeShell(*fx, rate);
    fx->SetParameter(2, static_cast<float>((a4 - 340.0) / 160.0));
    return fx;
}

// Runs a mono signal (left only) through the tuner; calls probe after every block.
template <class Probe>
void Feed(CMLVAutoTunerDSP& fx, const std::vector<float>& x, int block, Probe&& probe) {
    std::vector<float> right(x.size(), 0.0f), outL(x.size()), outR(x.size());
    for (size_t s = 0; s < x.size(); s += static_cast<size_t>(block)) {
        const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(block), x.size() - s));
        float* in[2] = {const_cast<float*>(x.data()) + s, right.data() + s};
        float* out[2] = {outL.data() + s, outR.data() + s};
        float ip[2], op[2];
        fx.Process(in, out, ip, op, n);
        probe(s + static_cast<size_t>(n));
    }
}

// A plucked string: harmonic partials, brighter at the start, the upper ones dying faster.
std::vector<float> PluckedString(double f0, double rate, int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> phase(0.0, 2.0 * kPi);
    std::vector<double> acc(static_cast<size_t>(n), 0.0);
    const double pluck = 0.2; // fraction of the string length from the bridge
    for (int h = 1; h * f0 < 0.45 * rate && h <= 40; ++h) {
        const double amp = std::fabs(std::sin(h * kPi * pluck)) / (h * h);
        const double decay = 1.0 / (2.5 / (1.0 + 0.3 * h)); // per second
        const double ph = phase(rng);
        for (int i = 0; i < n; ++i)
            acc[i] += amp * std::exp(-decay * i / rate) * std::sin(2 * kPi * h * f0 * i / rate + ph);
    }
    std::vector<float> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<float>(0.8 * acc[i]);
    return x;
}

struct NoteCase {
    double rate;
    int note;
    const char* name;
    double cents;
    double a4 = 440.0;
};

class TunerNotes : public ::testing::TestWithParam<NoteCase> {};

} // namespace

// Steady sines from B1 to B6, in tune and off by some cents, against A4 = 440 Hz and other references:
// once settled the tuner names the note, reads the frequency within a cent and the deviation within the
// equivalent of a cent.
TEST_P(TunerNotes, SineIsNamedAndMeasured) {
    const NoteCase c = GetParam();
    const double f = NoteHz(c.note, c.a4) * std::pow(2.0, c.cents / 1200.0);
    auto fx = MakeTuner(c.rate, c.a4);
    const std::vector<float> x = Sine(f, c.rate, std::max(static_cast<int>(c.rate * 3), 26 * 4096), 0.3, 0.7);
    const double oneCentOfDeviation = std::fabs(
        ExpectedDeviation(f * std::pow(2.0, 1 / 1200.0), c.note, c.a4) - ExpectedDeviation(f, c.note, c.a4));
    int checked = 0;
    Feed(*fx, x, 256, [&](size_t done) {
        // The note track settles within 16 analyses; look just after each analysis.
        if (done < 16 * 4096 || done % 4096 >= 256) return;
        ++checked;
        EXPECT_EQ(fx->GetNoteName(), c.name);
        EXPECT_EQ(fx->GetNoteIndex(), c.note);
        EXPECT_NEAR(1200.0 * std::log2(fx->GetFrequency() / f), 0.0, 1.0);
        EXPECT_NEAR(fx->GetCents(), c.cents, 1.0);
        EXPECT_NEAR(fx->GetDeviation(), ExpectedDeviation(f, c.note, c.a4), oneCentOfDeviation);
        EXPECT_FLOAT_EQ(static_cast<float>(fx->GetParameter(3)->GetValue()), fx->GetFrequency());
    });
    EXPECT_GT(checked, 5);
}

INSTANTIATE_TEST_SUITE_P(Notes, TunerNotes,
                         ::testing::Values(NoteCase{44100, 23, "B 1", 0}, NoteCase{48000, 23, "B 1", 12},
                                           NoteCase{44100, 28, "E 2", -20}, NoteCase{48000, 33, "A 2", 0},
                                           NoteCase{44100, 38, "D 3", 7}, NoteCase{48000, 43, "G 3", -3},
                                           NoteCase{44100, 47, "B 3", 0}, NoteCase{48000, 52, "E 4", 25},
                                           NoteCase{44100, 57, "A 4", 0}, NoteCase{48000, 57, "A 4", -9},
                                           NoteCase{44100, 61, "C 5#", 0}, NoteCase{48000, 66, "F 5#", -30},
                                           NoteCase{44100, 70, "A 5#", 18}, NoteCase{48000, 76, "E 6", 0},
                                           NoteCase{44100, 83, "B 6", -14}, NoteCase{48000, 83, "B 6", 4},
                                           NoteCase{96000, 47, "B 3", 5}, NoteCase{96000, 69, "A 5", 0},
                                           NoteCase{32000, 57, "A 4", 10}, NoteCase{192000, 64, "E 5", -6},
                                           NoteCase{48000, 57, "A 4", 31.8, 432},
                                           NoteCase{44100, 45, "A 3", -12, 446}));

// A decaying, harmonic-rich string tone is named by its fundamental, within a cent; on bass strings the
// partials lie few bins apart and leak into each other's phase, which costs about half a cent more.
TEST(Tuner, PluckedStringFindsTheFundamental) {
    struct StringCase {
        int note;
        const char* name;
        double toleranceCents;
    };
    const StringCase strings[] = {{28, "E 2", 1.5}, {33, "A 2", 1.5}, {43, "G 3", 1.0},
                                  {50, "D 4", 1.0}, {59, "B 4", 1.0}, {64, "E 5", 1.0}};
    for (const StringCase& sc : strings) {
        const double rate = 44100, f = NoteHz(sc.note) * std::pow(2.0, 4.0 / 1200.0);
        auto fx = MakeTuner(rate);
        const auto x = PluckedString(f, rate, static_cast<int>(rate * 3), static_cast<unsigned>(sc.note));
        int checked = 0;
        Feed(*fx, x, 512, [&](size_t done) {
            if (done < 16 * 4096 || done % 4096 >= 512) return;
            ++checked;
            EXPECT_EQ(fx->GetNoteName(), sc.name);
            EXPECT_NEAR(fx->GetCents(), 4.0, sc.toleranceCents) << sc.name << " at " << done / rate << " s";
        });
        EXPECT_GT(checked, 5);
    }
}

// Silence after a note holds the last readings unchanged.
TEST(Tuner, SilenceKeepsTheLastValues) {
    auto fx = MakeTuner(44100);
    Feed(*fx, Sine(330.0, 44100, 4096 * 20), 256, [](size_t) {}); // ends with a frame
    const float f = fx->GetFrequency(), d = fx->GetDeviation();
    const std::string name = fx->GetNoteName();
    ASSERT_EQ(name, "E 4");
    const long before = fx->GetAnalysisCount();
    Feed(*fx, std::vector<float>(44100, 0.0f), 256, [](size_t) {});
    EXPECT_GE(fx->GetAnalysisCount() - before, 10);
    EXPECT_EQ(fx->GetLastEstimate(), 0.0f);
    EXPECT_EQ(fx->GetFrequency(), f);
    EXPECT_EQ(fx->GetDeviation(), d);
    EXPECT_EQ(fx->GetNoteName(), name);
}

// The detection band-pass: -3 dB at 50 Hz and 2200 Hz, unity in between, measured on sines.
TEST(Tuner, DetectionBandPassEdges) {
    for (int rate : {44100, 48000, 96000}) {
        FilterSection bp;
        PitchTracker::DesignDetectionBandPass(bp, rate);
        auto gainAt = [&](double f) {
            bp.Clear();
            std::vector<float> y(static_cast<size_t>(rate));
            const std::vector<float> x = Sine(f, rate, rate, 0.5);
            for (int i = 0; i < rate; ++i)
                y[i] = bp.Process(x[i]);
            return ToneAmplitude(y, rate / 2, rate / 2, f, rate) / 0.5;
        };
        EXPECT_NEAR(gainAt(50.0), std::sqrt(0.5), 0.01) << rate;
        EXPECT_NEAR(gainAt(2200.0), std::sqrt(0.5), 0.01) << rate;
        EXPECT_NEAR(gainAt(std::sqrt(50.0 * 2200.0)), 1.0, 0.02) << rate;
    }
}

// The nearest note is the closest in Hz, which near the midpoint differs from the closest in cents.
TEST(Tuner, NearestNoteIsClosestInHertz) {
    const double base = NoteHz(0);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> semis(0.5, 100.0);
    for (int i = 0; i < 2000; ++i) {
        const double f = base * std::pow(2.0, semis(rng) / 12.0);
        int best = 0;
        for (int k = 1; k < 110; ++k)
            if (std::fabs(f - NoteHz(k)) < std::fabs(f - NoteHz(best))) best = k;
        ASSERT_EQ(PitchTracker::NearestNote(f, base), best) << f;
    }
    // 50.2 cents above A4 is nearer to A4 in Hz.
    EXPECT_EQ(PitchTracker::NearestNote(440.0 * std::pow(2.0, 50.2 / 1200.0), base), 57);
}

// The command-line analysis: one reading per 4096 samples, with times at the frame ends.
TEST(Tuner, OfflineAnalysisOfARecording) {
    const double rate = 48000;
    std::vector<float> l = Sine(NoteHz(45), rate, 48000 * 2, 0.4), silence(24000, 0.0f);
    l.insert(l.begin(), silence.begin(), silence.end());
    std::vector<float> inter(l.size() * 2);
    for (size_t i = 0; i < l.size(); ++i)
        inter[2 * i] = l[i], inter[2 * i + 1] = 0.5f * l[i];
    const auto readings = AnalyseTuningInterleaved(inter.data(), 2, static_cast<long>(l.size()), rate);
    ASSERT_EQ(readings.size(), l.size() / 4096);
    EXPECT_NEAR(readings[0].time, 4096 / rate, 1e-12);
    EXPECT_FALSE(readings[0].pitched);
    EXPECT_EQ(readings[0].note, "");
    EXPECT_TRUE(readings.back().pitched);
    EXPECT_EQ(readings.back().note, "A 3");
    EXPECT_NEAR(readings.back().cents, 0.0, 1.0);
    EXPECT_NEAR(readings.back().frequency, 220.0, 0.13);
}
