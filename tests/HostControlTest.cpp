// Host controls: value mappings against the formulas, texts, parsing, accepted keys.
#include "host/CPluginControl.h"
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {
std::string Text(const CPluginControl& c, int32_t v, int length = 31) {
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    c.ValueText(buf, length, v);
    EXPECT_EQ(buf[length], 0) << "terminator at the length";
    return buf;
}

CPluginControl_Linear Unit() {
    return CPluginControl_Linear(0x6e696147, "LC Gain", 0.0, 1.0, 0.0, 0.5, true, ParameterPrefixBegin(),
                                 ParameterPrefixEnd());
}

TEST(LinearControl, MapsTheUnitRangeOntoTheFullIntegerRange) {
    const CPluginControl_Linear c = Unit();
    EXPECT_EQ(c.ToControl(0.0), INT32_MIN);
    EXPECT_EQ(c.ToControl(1.0), INT32_MAX);
    EXPECT_EQ(c.ToControl(0.5), 0);
    EXPECT_EQ(c.ToControl(-3.0), INT32_MIN);
    EXPECT_EQ(c.ToControl(7.0), INT32_MAX);
    EXPECT_EQ(c.GetValue(), 0); // the default 0.5
    // floor(4294967295 t - 2147483648 + 0.5) in doubles at a few points.
    for (double t : {0.1, 0.25, 0.7, 0.999}) {
        const double expect = std::floor(4294967295.0 * t - 2147483648.0 + 0.5);
        EXPECT_EQ(c.ToControl(t), static_cast<int32_t>(expect)) << t;
        EXPECT_NEAR(c.FromControl(c.ToControl(t)), t, 2.5e-10);
    }
    EXPECT_EQ(c.StepCount(), INT32_MIN); // step 0 has no finite count
    CPluginControl_Linear stepped(1, "x", 0.0, 10.0, 0.5, 0.0, true);
    EXPECT_EQ(stepped.StepCount(), 21);
}

TEST(LinearControl, TextsUseOneDecimalAndPrefixesForLargeValues) {
    const CPluginControl_Linear c = Unit();
    EXPECT_EQ(Text(c, c.ToControl(0.26)), "0.3");
    EXPECT_EQ(Text(c, c.ToControl(1.0)), "1.0");
    EXPECT_EQ(Text(c, c.ToControl(0.0)), "0.0");
    EXPECT_EQ(Text(c, c.ToControl(0.26), 2), "0"); // precision drops to fit
    EXPECT_EQ(Text(c, c.ToControl(0.26), 0), "");
    CPluginControl_Linear bipolar(1, "b", -1.0, 1.0, 0.0, 0.0, true); // tiny negative values show as zero
    EXPECT_EQ(Text(bipolar, bipolar.ToControl(-0.04)), "0.0");
    EXPECT_EQ(Text(bipolar, bipolar.ToControl(-0.2)), "-0.2");
    // Prefixes scale large values.
    CPluginControl_Linear f(1, "f", -5e6, 5e6, 0.0, 0.0, true, ParameterPrefixBegin(), ParameterPrefixEnd());
    f.SetUnits("Hz");
    EXPECT_EQ(Text(f, f.ToControl(2500.0)), "2.5 kHz");
    EXPECT_EQ(Text(f, f.ToControl(-3e6)), "-3.0 MHz");
    EXPECT_EQ(Text(f, f.ToControl(2500.0), 6), "2.5kHz");
    EXPECT_EQ(Text(f, f.ToControl(2500.0), 4), "2.5k");
    EXPECT_EQ(Text(f, f.ToControl(2500.0), 3), "2k"); // one decimal no longer fits with the prefix
    EXPECT_EQ(Text(f, f.ToControl(2500.0), 2), "2k");
    EXPECT_EQ(f.ValueFromText("2.5 k"), f.ToControl(2500.0));
    EXPECT_TRUE(f.AcceptsKey('k'));
    EXPECT_TRUE(f.AcceptsKey('H'));
    EXPECT_FALSE(f.AcceptsKey('q'));
}

TEST(OnOffControl, MappingTextsAndParsing) {
    const CPluginControl_OnOff c(0x62797061, "LC Bypass", 0, true);
    EXPECT_EQ(c.GetValue(), INT32_MIN);
    EXPECT_EQ(c.GetControlValueFromDiscreteValue(1), INT32_MAX);
    EXPECT_EQ(c.GetDiscreteValueFromControlValue(INT32_MAX), 1);
    EXPECT_EQ(c.GetDiscreteValueFromControlValue(0), 1); // t = 0.5 rounds up
    EXPECT_EQ(c.GetDiscreteValueFromControlValue(-1), 0);
    EXPECT_EQ(c.StepCount(), 2);
    for (const char* on : {"ON", "on", "On"})
        EXPECT_EQ(c.ValueFromText(on), INT32_MAX) << on;
    EXPECT_EQ(c.ValueFromText("off"), INT32_MIN);
    EXPECT_EQ(c.ValueFromText("maybe"), INT32_MIN);
    EXPECT_EQ(Text(c, INT32_MAX), "On");
    EXPECT_EQ(Text(c, INT32_MIN), "Off");
    EXPECT_EQ(Text(c, INT32_MAX, 1), "1");
    EXPECT_EQ(Text(c, INT32_MIN, 1), "0");
    EXPECT_EQ(Text(c, INT32_MIN, 2), "Of");
    for (char k : {'o', 'n', 'O', '5', '-', '|', ':', char(8), char(28), char(29)})
        EXPECT_TRUE(c.AcceptsKey(k)) << k;
    EXPECT_FALSE(c.AcceptsKey('x'));
}

TEST(DiscreteControl, WideRangesAndTexts) {
    const CPluginControl_Discrete c(1, "steps", -100, 100, 7, true);
    EXPECT_EQ(c.GetDiscreteValueFromControlValue(c.GetValue()), 7);
    for (int i = -100; i <= 100; i += 13)
        EXPECT_EQ(c.GetDiscreteValueFromControlValue(c.GetControlValueFromDiscreteValue(i)), i);
    EXPECT_EQ(c.GetControlValueFromDiscreteValue(1000), INT32_MAX);
    EXPECT_EQ(Text(c, c.GetControlValueFromDiscreteValue(-100)), "-100");
    EXPECT_EQ(Text(c, c.GetControlValueFromDiscreteValue(-100), 3), "*");
    EXPECT_EQ(c.ValueFromText("42 apples"), c.GetControlValueFromDiscreteValue(42));
    EXPECT_EQ(c.StepCount(), 201);
}
} // namespace
