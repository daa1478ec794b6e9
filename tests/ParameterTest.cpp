#include "params/CMLVParRelations.h"
#include "platform/TickCount.h"
#include <cmath>
#include <gtest/gtest.h>

namespace {
// A minimal algorithm carrying whichever parameters a test gives it.
class ProbeAlg : public CMLVParRelations {
  public:
    ProbeAlg() : CMLVParRelations(48000, 256) {}
    int Process(float**, float**, float*, float*, int) override { return 0; }
    int UpdateCoefficients(bool) override { return 0; }
    using CMLVDSPAlgInterface::AddParameter;
    using CMLVDSPAlgInterface::AddPreset;
};

uint32_t g_now = 0;
uint32_t FakeClock() {
    return g_now;
}
} // namespace

TEST(Parameter, LogarithmicEndsExactListsRoundedAndLabelled) {
    ProbeAlg alg;
    CMLVParameter* p = alg.AddParameter(2, "Rate", "Hz", 0.05, 10, 0.05, 1, Logarithmic);
    p->SetNormalizedValue(1.0);
    EXPECT_EQ(p->GetValue(), 10.0);
    p->SetNormalizedValue(0.5);
    EXPECT_NEAR(p->GetValue(), std::sqrt(0.05 * 10), 1e-12); // geometric mean
    EXPECT_DOUBLE_EQ(p->Normalize(100.0), 1.0);
    EXPECT_DOUBLE_EQ(p->Normalize(0.001), 0.0);

    p = alg.AddParameter(3, "Mode", std::vector<std::string>{"a", "b", "c", "d"}, 0, 3, 1, 0, List);
    p->SetValue(2.6);
    EXPECT_EQ(p->GetValue(), 3.0);
    EXPECT_EQ(p->FormatValue(false, false), "d");
    EXPECT_EQ(p->FormatValue(true, true), "Mode:  d"); // empty number text between the separators
    p->SetValue(7);
    EXPECT_EQ(p->FormatValue(false, false), "");
}

TEST(Parameter, OutOfRangeNormalizesToEnds) {
    ProbeAlg alg;
    for (CMLVParamType t : {Linear, Integer, Bipolar, List, Logarithmic, GainDb, OffAtMin, OffAtMax}) {
        CMLVParameter p(&alg, "x", "u", 1, 5, 1, 2, t);
        EXPECT_EQ(p.Normalize(-10), 0.0) << t;
        EXPECT_EQ(p.Normalize(10), 1.0) << t;
        CMLVParameter flat(&alg, "x", "u", 3, 3, 1, 3, t);
        if (t != Logarithmic) {
            EXPECT_EQ(flat.Normalize(3), 0.0) << t;
        }
    }
}

TEST(Parameter, DisplayTexts) {
    ProbeAlg alg;
    CMLVParameter gain(&alg, "Gain", "dB", -60, 12, 0.5, 0, GainDb);
    gain.SetValue(-60);
    EXPECT_EQ(gain.FormatValue(false, true), "-Inf "); // negative v means "current"
    EXPECT_EQ(gain.FormatValue(true, true, 3.25), "Gain: 3.2 dB");
    gain.SetNormalizedValue(0.0);
    EXPECT_EQ(gain.normalizedValue, 0.0);
    CMLVParameter tempo(&alg, "Tempo", "BPM", 10, 700, 1, 120, Linear);
    EXPECT_EQ(tempo.FormatValue(false, true), "120.0 BPM");
    CMLVParameter pan(&alg, "Pan", std::vector<std::string>{"L", "R"}, -50, 50, 1, 0, Bipolar);
    EXPECT_EQ(pan.FormatValue(false, true, 0), "0.0 ");
    pan.SetValue(-3);
    EXPECT_EQ(pan.FormatValue(false, true), "-3.0 L");
    EXPECT_EQ(pan.FormatValue(false, true, 3), "3.0 R");
    CMLVParameter off(&alg, "Cut", "Hz", 20, 200, 1, 20, OffAtMin);
    EXPECT_EQ(off.FormatValue(true, true), "Cut: Off ");
    CMLVParameter offMax(&alg, "Cut", "Hz", 20, 200, 1, 200, OffAtMax);
    EXPECT_EQ(offMax.FormatValue(false, false), "Off");
    CMLVParameter steps(&alg, "Steps", "", 0, 10, 1, 0, Integer);
    EXPECT_EQ(steps.FormatValue(false, false, 2.5), "3");
    steps.SetNormalizedValue(0.26);
    EXPECT_EQ(steps.GetValue(), 3.0);
    CMLVParameter quad(&alg, "Q", "", 0, 4, 1, 0, Quadratic);
    quad.SetNormalizedValue(0.5);
    EXPECT_EQ(quad.GetValue(), 1.0);
    EXPECT_EQ(quad.Normalize(1.0), 0.5);
}

TEST(Parameter, OutOfRangePresetValueKeptPlainButNormalizedClamped) {
    ProbeAlg alg;
    CMLVParameter* decay = alg.AddParameter(2, "Decay", "s", 0.1, 20, 0.1, 1, Linear);
    alg.AddPreset(0, "Default", {1.0f});
    alg.AddPreset(1, "Hold on", {20.01f});
    alg.AddPreset(2, "Short", {});
    alg.RecallPreset("Hold on");
    EXPECT_EQ(decay->GetValue(), static_cast<double>(20.01f));
    EXPECT_EQ(decay->normalizedValue, 1.0);
    const CMLVPreset* current = alg.currentPreset;
    alg.RecallPreset(2); // wrong value count: nothing changes
    EXPECT_EQ(alg.currentPreset, current);
    EXPECT_EQ(decay->GetValue(), static_cast<double>(20.01f));
    EXPECT_EQ(alg.GetParameter(1), nullptr);
}

TEST(ParRelations, FootswitchAndTapTempo) {
    ProbeAlg alg;
    alg.AddParameter(2, "Rate", "Hz", 0.05, 10, 0.05, 1, Logarithmic);
    alg.AddParameter(3, "Tap", std::vector<std::string>{"Canceled", "Press On-Off to start"}, 0, 1, 1, 0,
                     List);
    alg.AddParameter(
        4, "Sync coeff",
        std::vector<std::string>{"Off", "1/1", "1/2", "1/4", "1/4 T", "1/8", "1/8 T", "1/16", "1/16 T"}, 0, 8,
        1, 0, List);
    alg.SetParameter(1, 1.0f);
    EXPECT_TRUE(alg.bypassed);
    alg.SetParameter(3, 1.0f);
    EXPECT_EQ(alg.GetTapState(), 0.5f);
    MLVSetTickSource(FakeClock);
    // What an editor outside the instance reads: a first tap waiting, then the tapped rate.
    ASSERT_EQ(alg.GetReadoutCount(), 2);
    EXPECT_STREQ(alg.GetReadoutInfo(1)->symbol, "tap_rate");
    EXPECT_EQ(alg.GetReadoutValue(0), 0.0f);
    g_now = 1000;
    alg.SetParameter(1, 0.0f);
    EXPECT_EQ(alg.GetReadoutValue(0), 1.0f);
    g_now = 1500;
    alg.SetParameter(1, 0.0f);
    EXPECT_FLOAT_EQ(alg.GetParameter(2)->GetValue(), 2.0f);
    EXPECT_EQ(alg.GetReadoutValue(0), 0.0f);
    EXPECT_FLOAT_EQ(alg.GetReadoutValue(1), 2.0f);
    EXPECT_TRUE(alg.bypassed); // taps do not switch
    g_now = 2000;
    alg.SetParameter(1, 0.0f); // first tap of the next pair
    g_now = 2250;
    alg.SetParameter(1, 0.0f);
    EXPECT_FLOAT_EQ(alg.GetParameter(2)->GetValue(), 4.0f);
    MLVSetTickSource(nullptr);
    alg.SetParameter(3, 0.0f);
    EXPECT_TRUE(alg.bypassed); // restored from before tap mode
    EXPECT_EQ(alg.SetParameter(2, 0.5f), "");
    alg.SetParameter(4, 5.0f / 8.0f);
    EXPECT_EQ(alg.SetParameter(2, 1.0f), "Rate: 10.0 Hz (Sync !)");
    EXPECT_EQ(alg.SetParameter(14, 1.0f), "");
}
