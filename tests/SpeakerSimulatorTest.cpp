#include "TestSupport.h"
#include "effects/drive/CMLVSpeakerSimulatorBassDSP.h"
#include "effects/drive/CMLVSpeakerSimulatorGuitarDSP.h"
#include <gtest/gtest.h>
#include <memory>

using namespace tsupport;

namespace {
using cd = std::complex<double>;

// Analog prototype of one section at physical frequency f; the bilinear designs are pre-warped, so the
// prototype is evaluated at s = j tan(pi f / fs) / tan(pi fc / fs).
cd Section(const SpeakerSection& s, double f, double fs) {
    const cd p(0, Warp(f, fs) / Warp(s.f, fs));
    switch (s.kind) {
    case SpeakerSection::HighPass:
        return p * p / (p * p + std::sqrt(2.0) * p + 1.0);
    case SpeakerSection::LowPass:
        return 1.0 / (p * p + std::sqrt(2.0) * p + 1.0);
    case SpeakerSection::Peak: {
        const double V = std::pow(10.0, std::fabs(s.g) / 20.0);
        const cd lifted = p * p + (V / s.q) * p + 1.0, plain = p * p + p / double(s.q) + 1.0;
        return s.g > 0 ? lifted / plain : plain / lifted;
    }
    default:
        return 1.0;
    }
}

cd Model(const SpeakerModel& m, double f, double fs) {
    cd h = double(m.gain);
    for (const auto& s : m.main)
        h *= Section(s, f, fs);
    if (m.lowPass3 > 0) {
        const cd p(0, Warp(f, fs) / Warp(m.lowPass3, fs));
        h /= p * p * p + 2.0 * p * p + 2.0 * p + 1.0; // third-order Butterworth
    }
    cd horn = 1.0;
    bool hasHorn = false;
    for (const auto& s : m.horn) {
        hasHorn |= s.kind != SpeakerSection::None;
        horn *= Section(s, f, fs);
    }
    return hasHorn ? h * (1.0 + 1.4 * horn) : h;
}

struct SpCase {
    bool bass;
    int model;
};

std::unique_ptr<CMLVSpeakerSimulatorDSP> Make(bool bass, double fs) {
    if (bass) return std::make_unique<CMLVSpeakerSimulatorBassDSP>(fs, 256);
    return std::make_unique<CMLVSpeakerSimulatorGuitarDSP>(fs, 256);
}

class SpeakerModelResponse : public ::testing::TestWithParam<SpCase> {};

TEST_P(SpeakerModelResponse, MatchesCascadeOfPrototypes) {
    const SpCase c = GetParam();
    const SpeakerModel& m = (c.bass ? kBassSpeakerModels : kGuitarSpeakerModels)[c.model];
    for (double fs : {44100.0, 96000.0}) {
        const double volumeDb = c.model % 2 ? -40.0 : 6.0;
        auto sp = Make(c.bass, fs);
        SetValues(*sp, {volumeDb, double(c.model)});
        const size_t len = fs > 50000 ? 1 << 18 : 1 << 17;
        const auto h = RenderChannel(*sp, Impulse(len), Impulse(len));
        const double vol = std::pow(10.0, volumeDb / 20.0);
        double peak = 0;
        std::vector<std::pair<double, double>> probes;
        for (double f = 30; f < 18000; f *= 1.3) {
            const double want = vol * std::abs(Model(m, f, fs));
            probes.push_back({f, want});
            peak = std::max(peak, want);
        }
        for (auto [f, want] : probes) {
            // Deep notches, and at high rates the lowest octaves, are dominated by the rounding of the
            // single-precision sections (poles crowd towards z = 1), not by the design.
            if (want < peak * 1e-3 || (fs > 50000 && f < 150)) continue;
            const double got = std::abs(Dft(h, f, fs));
            EXPECT_NEAR(Db(got), Db(want), 0.1) << m.label << " at " << f << " Hz, fs " << fs;
        }
    }
}

// The recursion sample after sample and section after section on a stage's own numbers.
std::vector<float> PlainCascade(const SpeakerStage& st, const std::vector<float>& x) {
    float s1[SpeakerStage::kMaxSections] = {}, s2[SpeakerStage::kMaxSections] = {};
    auto run = [&](const int* used, int count, float v) {
        for (int j = 0; j < count; ++j) {
            const int k = used[j];
            const float* c = st.coef[k]; // g, b1, b2, a1, a2
            const float u = c[0] * v, w = s1[k] + u;
            s1[k] = c[1] * u - c[3] * w + s2[k];
            s2[k] = c[2] * u - c[4] * w;
            v = w;
        }
        return v;
    };
    std::vector<float> y(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const float m = run(st.mainUsed, st.mainCount, st.modelGain * (x[i] == 0.0f ? 1e-8f : x[i]));
        y[i] = st.hornSections ? st.volume * (st.hornLevel * run(st.hornUsed, st.hornCount, m) + m)
                               : st.volume * m;
    }
    return y;
}

// However the cascade is spread over lanes and steps, each section must see the same samples in the same
// order: the same bits for short and long blocks, both channels and either lane width.
TEST_P(SpeakerModelResponse, EqualsPlainCascadeBitForBit) {
    const SpCase c = GetParam();
    auto l = Sine(330, 48000, 1500, 0.4), r = Sine(97, 48000, 1500, 0.8);
    std::fill(l.begin() + 600, l.begin() + 700, 0.0f);
    for (bool narrow : {false, true}) {
        for (int block : {1, 7, 16, 256}) {
            auto sp = Make(c.bass, 48000);
            if (narrow) sp->UseNarrowLanes();
            SetValues(*sp, {-3, double(c.model)});
            std::vector<float> yl, yr;
            RenderStereo(*sp, l, r, yl, yr, block);
            const auto wl = PlainCascade(sp->Stage(0), l), wr = PlainCascade(sp->Stage(1), r);
            for (size_t i = 0; i < l.size(); ++i) {
                ASSERT_EQ(yl[i], wl[i]) << "sample " << i << ", block " << block << (narrow ? ", SSE" : "");
                ASSERT_EQ(yr[i], wr[i]) << "sample " << i << ", block " << block << (narrow ? ", SSE" : "");
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, SpeakerModelResponse, ::testing::ValuesIn([] {
                             std::vector<SpCase> v;
                             for (int i = 0; i < kGuitarSpeakerModelCount; ++i)
                                 v.push_back({false, i});
                             for (int i = 0; i < kBassSpeakerModelCount; ++i)
                                 v.push_back({true, i});
                             return v;
                         }()));

TEST(SpeakerSimulator, BelowCdRatePassesThroughAndReportsIt) {
    for (bool bass : {false, true}) {
        for (double fs : {22050.0, 32000.0, 44100.0}) {
            auto sp = Make(bass, fs);
            SetValues(*sp, {-12, 3});
            auto x = Sine(1000, fs, 700, 0.7);
            x[5] = 0.0f;
            const auto y = RenderChannel(*sp, x, x, 100);
            const bool low = fs < 44100;
            ASSERT_EQ(sp->GetReadoutCount(), 1);
            EXPECT_EQ(sp->GetReadoutValue(0), low ? 1.0f : 0.0f);
            if (low) {
                for (size_t i = 0; i < x.size(); ++i)
                    ASSERT_EQ(y[i], x[i]);
            } else {
                EXPECT_NE(y[100], x[100]);
            }
        }
    }
}

TEST(SpeakerSimulator, ReselectKeepsStateOtherModelClearsIt) {
    const double fs = 48000;
    const auto x = Sine(220, fs, 600, 0.5);
    for (bool bass : {false, true}) {
        auto a = Make(bass, fs), b = Make(bass, fs), c = Make(bass, fs);
        SetValues(*a, {0, 3});
        SetValues(*b, {0, 3});
        RenderChannel(*a, x, x);
        RenderChannel(*b, x, x);
        a->GetParameter(3)->SetValue(3); // same model: nothing happens
        auto ya = RenderChannel(*a, x, x), yb = RenderChannel(*b, x, x);
        for (size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(ya[i], yb[i]);
        a->GetParameter(3)->SetValue(4); // another model starts from silence, like a fresh instance
        SetValues(*c, {0, 4});
        ya = RenderChannel(*a, x, x);
        const auto yc = RenderChannel(*c, x, x);
        for (size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(ya[i], yc[i]);
    }
}

} // namespace
