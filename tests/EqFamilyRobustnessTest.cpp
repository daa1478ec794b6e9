// Every equaliser, cabinet and exciter effect stays finite at every preset and at the ends of every
// parameter range, at the extreme host rates and block sizes, and gives the same output in place.
#include "EqTestSupport.h"
#include "shell/AlgorithmRegistry.h"
#include <gtest/gtest.h>
#include <memory>

namespace {
const int kEffects[] = {55, 75, 80, 130, 160, 165, 170, 175};

class EqFamilyRobustness : public ::testing::TestWithParam<int> {};

std::vector<float> Probe(size_t n, double fs) {
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = float(std::sin(2 * M_PI * 97 * i / fs) * (i % 1000 < 500 ? 1.0 : 0.0));
    return x;
}

TEST_P(EqFamilyRobustness, FiniteEverywhere) {
    for (double fs : {32000.0, 44100.0, 192000.0}) {
        std::unique_ptr<CMLVDSPAlgInterface> alg(AlgorithmRegistry::Create(GetParam(), fs, 256));
        ASSERT_TRUE(alg);
        std::vector<std::vector<double>> settings;
        for (const auto& [num, preset] : alg->GetPresets())
            settings.emplace_back(preset->values.begin(), preset->values.end());
        for (int end = 0; end < 2; ++end) {
            std::vector<double> v;
            for (int i = 2; i < 2 + alg->GetParameterCount(); ++i) {
                const CMLVParameter* p = alg->GetParameter(i);
                v.push_back(end ? p->maxValue : p->minValue);
            }
            settings.push_back(v);
        }
        const auto x = Probe(6000, fs);
        for (const auto& s : settings) {
            eqtest::SetValues(*alg, s);
            for (int block : {1, 7, 4096}) {
                for (float y : eqtest::Run(*alg, x, x, block))
                    ASSERT_TRUE(std::isfinite(y)) << fs << " " << block;
            }
            float ip[2], op[2];
            float* none[2] = {nullptr, nullptr};
            EXPECT_EQ(alg->Process(none, none, ip, op, 0), 0);
        }
    }
}

TEST_P(EqFamilyRobustness, InPlaceEqualsOutOfPlace) {
    std::unique_ptr<CMLVDSPAlgInterface> a(AlgorithmRegistry::Create(GetParam(), 48000, 256));
    std::unique_ptr<CMLVDSPAlgInterface> b(AlgorithmRegistry::Create(GetParam(), 48000, 256));
    const int last = int(a->GetPresets().size()) - 1; // a preset that does something
    a->RecallPreset(last);
    b->RecallPreset(last);
    a->fullUpdatePending = b->fullUpdatePending = true;
    auto l = Probe(1000, 48000), r = eqtest::Sine(1000, 3000, 48000, 0.4);
    std::vector<float> ol(1000), orr(1000);
    float ip[2], op[2];
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), orr.data()};
    a->Process(in, out, ip, op, 1000);
    b->Process(in, in, ip, op, 1000);
    for (size_t i = 0; i < l.size(); ++i) {
        ASSERT_EQ(l[i], ol[i]) << i;
        ASSERT_EQ(r[i], orr[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, EqFamilyRobustness, ::testing::ValuesIn(kEffects));
} // namespace
