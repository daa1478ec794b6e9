#include "TestSupport.h"
#include "effects/modulation/CMLVReverbDSP.h"
#include <complex>
#include <gtest/gtest.h>

using namespace tsupport;

namespace {
constexpr double kFs = 44100;

Stereo Noise(size_t n, unsigned seed) {
    return Stereo(WhiteNoise(n, seed, 0.5f), WhiteNoise(n, seed + 100, 0.5f));
}

Stereo ImpulseResponse(int mode, double mix, double decay, double color, double seconds) {
    CMLVReverbDSP rv(kFs, 256);
    SetValues(rv, {mix, decay, color, double(mode)});
    Stereo x(static_cast<size_t>(seconds * kFs));
    x.l[0] = x.r[0] = 1.0f;
    return Render(rv, x);
}

// Reverberation time from the Schroeder backward integral, fitted between two levels (dB).
double ReverbTime(const std::vector<float>& y, double fromDb, double toDb) {
    std::vector<double> edc(y.size() + 1, 0.0);
    for (size_t i = y.size(); i-- > 0;)
        edc[i] = edc[i + 1] + static_cast<double>(y[i]) * y[i];
    size_t a = 0;
    while (a < y.size() && 10 * std::log10(edc[a] / edc[0]) > fromDb)
        ++a;
    size_t b = a;
    while (b < y.size() && 10 * std::log10(edc[b] / edc[0]) > toDb)
        ++b;
    return (b - a) / kFs * 60.0 / (fromDb - toDb);
}

double SpectrumDb(const std::vector<float>& y, double f) {
    return Db(Dft(y, f, kFs));
}

// Change in dB at freq of a high shelf whose gain moves from gainDb by tiltDb, from its coefficients.
double ShelfChangeDb(double corner, double gainDb, double tiltDb, double freq) {
    double db[2];
    for (int k = 0; k < 2; ++k) {
        FilterSection f;
        f.SetSampleRate(static_cast<float>(kFs));
        f.DesignHighShelf(static_cast<float>(corner), static_cast<float>(gainDb + k * tiltDb), true);
        db[k] = Db(std::abs(SectionResponse(f, freq, kFs)));
    }
    return db[1] - db[0];
}
} // namespace

// "Mix" crossfades: the dry level falls over the upper half, the reverb rises over the lower half.
// At 0 the dry path (which skips the input filter) is all there is: bit-exact in every mode.
TEST(Reverb, MixCrossfade) {
    for (int mode = 0; mode < 7; ++mode) {
        CMLVReverbDSP rv(kFs, 256);
        Set(rv, 2, 0);
        Set(rv, 5, mode);
        Stereo in = Noise(30000, 3);
        Stereo out = Render(rv, in, 200);
        EXPECT_TRUE(out.l == in.l && out.r == in.r) << mode;
    }
    Stereo half = ImpulseResponse(2, 50, 50, 0, 0.5);
    for (double mix : {25.0, 50.0, 75.0, 100.0}) {
        Stereo y = ImpulseResponse(2, mix, 50, 0, 0.5);
        const double dry = std::min(1.0, 2.0 - mix / 50.0), wet = std::min(1.0, mix / 50.0);
        EXPECT_FLOAT_EQ(y.l[0], static_cast<float>(dry)) << mix; // nothing else arrives at once
        double worst = 0;
        for (size_t i = 1; i < y.size(); ++i)
            worst = std::max(worst, std::fabs(y.l[i] - wet * half.l[i]));
        EXPECT_LT(worst, 1e-6) << mix;
    }
}

// The tail decays like the combs' loops: length D and loop gain fb give 60 dB in 3 D / (-log10 fb)
// seconds, so the measured time lies between the shortest and the longest comb's. Measured below
// 1 kHz, where the damping takes nothing away.
TEST(Reverb, DecayTimeFollowsCombFeedback) {
    double previous = 0;
    for (double decay : {0.0, 50.0, 100.0}) {
        const double fb = (760 + (980 - 760) * decay / 100) / 1000;
        Stereo y = ImpulseResponse(2, 100, decay, 0, decay == 100 ? 7.0 : 2.5);
        std::vector<float> low(y.size()); // four one-pole low-passes at 700 Hz
        double s[4] = {0, 0, 0, 0};
        const double a = 1 - std::exp(-2 * kPi * 700 / kFs);
        for (size_t i = 0; i < y.size(); ++i) {
            double v = y.l[i];
            for (double& st : s)
                v = st += a * (v - st);
            low[i] = static_cast<float>(v);
        }
        const double t60 = ReverbTime(low, -10, decay == 100 ? -25 : -30);
        EXPECT_GT(t60, 3 * 1116 / kFs / -std::log10(fb)) << decay;
        EXPECT_LT(t60, 3 * 1640 / kFs / -std::log10(fb)) << decay;
        EXPECT_GT(t60, previous * 1.3);
        previous = t60;
        // Broadband energy in successive windows keeps falling once the reflections have built up.
        const size_t window = static_cast<size_t>(kFs * (decay == 100 ? 0.5 : 0.2));
        double last = 1e300;
        for (size_t w = 2; (w + 1) * window <= y.size(); ++w) {
            double e = 0;
            for (size_t i = w * window; i < (w + 1) * window; ++i)
                e += y.l[i] * y.l[i] + y.r[i] * y.r[i];
            EXPECT_LT(e, last) << "window " << w << " decay " << decay;
            last = e;
        }
    }
}

// Before the tail arrives only early reflections sound: "Verb" keeps them 100 dB down, "Hall" does not.
TEST(Reverb, VerbHasNoEarlyReflections) {
    Stereo verb = ImpulseResponse(5, 100, 100, 0, 0.2), hall = ImpulseResponse(2, 100, 100, 0, 0.2);
    const size_t verbTail = 4851 + 1116, hallTail = 3087 + 1116; // pre-delay and shortest comb
    EXPECT_LT(std::max(PeakAbs(verb.l, 0, verbTail - 2), PeakAbs(verb.r, 0, verbTail - 2)), 1e-4);
    EXPECT_GT(PeakAbs(verb.l, verbTail, verbTail + 2000), 1e-3);
    EXPECT_GT(PeakAbs(hall.l, 0, hallTail - 2), 1e-2);
}

// "Color" moves the gain of both output shelves by up to 9 dB ("Spring": -12 dB on both, corners
// 5297 and 6007 Hz). High up the response changes as the shelves do; low down it stays.
TEST(Reverb, ColorMovesBothShelves) {
    Stereo flat = ImpulseResponse(4, 100, 50, 0, 1.0);
    for (double color : {100.0, -100.0, 50.0}) {
        Stereo tilted = ImpulseResponse(4, 100, 50, color, 1.0);
        const double early = ShelfChangeDb(5297, -12, color * 0.09, 18000);
        const double late = ShelfChangeDb(6007, -12, color * 0.09, 18000);
        const double measured = SpectrumDb(tilted.l, 18000) - SpectrumDb(flat.l, 18000);
        EXPECT_GT(measured, std::min(early, late) - 0.3) << color;
        EXPECT_LT(measured, std::max(early, late) + 0.3) << color;
        EXPECT_NEAR(SpectrumDb(tilted.l, 300) - SpectrumDb(flat.l, 300), 0.0, 0.3);
    }
}
