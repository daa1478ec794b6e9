#include "DynTestUtil.h"
#include "shell/AlgorithmRegistry.h"
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace dyntest;

namespace {
// BPM delay, compressor, expander gate, noise gate, reverb.
const int kTypes[] = {20, 35, 60, 105, 155};

Stereo Program(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> g(0.0f, 0.3f);
    Stereo s(n);
    for (size_t i = 0; i < n; ++i) {
        // Bursts, silence and full-scale steps.
        const bool on = (i / 3000) % 3 != 1;
        s.l[i] = on ? std::clamp(g(rng), -1.0f, 1.0f) : 0.0f;
        s.r[i] = (i / 5000) % 2 ? 1.0f : s.l[i] * 0.5f;
    }
    return s;
}

bool AllFinite(const Stereo& s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (!std::isfinite(s.l[i]) || !std::isfinite(s.r[i])) return false;
    return true;
}

// Renders in place (output written over the input buffers).
Stereo RenderInPlace(CMLVDSPAlgInterface& alg, Stereo x, int blockSize) {
    for (size_t pos = 0; pos < x.size(); pos += static_cast<size_t>(blockSize)) {
        int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blockSize), x.size() - pos));
        float* ch[2] = {x.l.data() + pos, x.r.data() + pos};
        float ip[2], op[2];
        alg.Process(ch, ch, ip, op, n);
    }
    return x;
}

std::unique_ptr<CMLVDSPAlgInterface> Make(int type, double fs) {
    std::unique_ptr<CMLVDSPAlgInterface> alg(AlgorithmRegistry::Create(type, fs, 256));
    alg->fullUpdatePending = true;
    return alg;
}
} // namespace

class TimeDynamicsRobustness : public ::testing::TestWithParam<int> {};

// Every parameter at either end of its range, every factory preset, at the sample-rate extremes and
// odd block sizes: the output stays finite, and in-place rendering matches out-of-place.
TEST_P(TimeDynamicsRobustness, ExtremesStayFiniteAndInPlaceMatches) {
    const int type = GetParam();
    const Stereo x = Program(20000, 11);
    for (double fs : {32000.0, 192000.0}) {
        for (int corner = 0; corner < 3; ++corner) {
            for (int block : {1, 7, 4096}) {
                auto a = Make(type, fs), b = Make(type, fs);
                for (auto* alg : {a.get(), b.get()}) {
                    int k = 0;
                    alg->ResetCursors();
                    while (CMLVParameter* p = alg->NextParameter(&k)) {
                        const double v = corner == 0 ? p->minValue : corner == 1 ? p->maxValue : p->value;
                        alg->SetParameter(k, static_cast<float>(p->Normalize(v)));
                    }
                }
                Stereo outA = Render(*a, x, block);
                Stereo outB = RenderInPlace(*b, x, block);
                ASSERT_TRUE(AllFinite(outA)) << type << " fs " << fs << " corner " << corner;
                ASSERT_EQ(outA.l, outB.l)
                    << type << " fs " << fs << " corner " << corner << " block " << block;
                ASSERT_EQ(outA.r, outB.r);
            }
        }
    }
    const auto catalogue = Make(type, 48000);
    for (const auto& [number, preset] : catalogue->GetPresets()) {
        auto alg = Make(type, 48000);
        alg->RecallPreset(number);
        ASSERT_TRUE(AllFinite(Render(*alg, x, 256))) << type << " preset " << preset->name;
    }
    // Empty blocks are harmless.
    auto alg = Make(type, 44100);
    float l = 0.5f, r = 0.5f, ip[2], op[2];
    float* in[2] = {&l, &r};
    EXPECT_EQ(alg->Process(in, in, ip, op, 0), 0);
    EXPECT_EQ(op[0], 0.0f);
}

INSTANTIATE_TEST_SUITE_P(TimeDynamics, TimeDynamicsRobustness, ::testing::ValuesIn(kTypes));
