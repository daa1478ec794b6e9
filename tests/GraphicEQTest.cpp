#include "TestSupport.h"
#include "effects/drive/CMLVGraphicEQBassDSP.h"
#include "effects/drive/CMLVGraphicEQGuitarDSP.h"
#include <gtest/gtest.h>
#include <memory>

using namespace tsupport;

namespace {
const double kGuitarFreqs[7] = {85, 200, 400, 800, 1600, 3200, 6400};
const double kBassFreqs[7] = {50, 120, 400, 500, 800, 4500, 10000};

std::unique_ptr<CMLVGraphicEQDSP> Make(bool bass, double fs) {
    if (bass) return std::make_unique<CMLVGraphicEQBassDSP>(fs, 256);
    return std::make_unique<CMLVGraphicEQGuitarDSP>(fs, 256);
}

struct BandCase {
    bool bass;
    int band;
};

class GraphicEQBand : public ::testing::TestWithParam<BandCase> {};

// One band alone: its centre (the plateau at Nyquist for the shelf) reaches the setting, and the peaks
// are centred on their nominal frequency.
TEST_P(GraphicEQBand, CentreGainMatchesSetting) {
    const auto c = GetParam();
    const double fs = 48000;
    const double fk = (c.bass ? kBassFreqs : kGuitarFreqs)[c.band];
    for (double gain : {12.0, -9.0, 0.1, -18.0, 18.0}) {
        auto eq = Make(c.bass, fs);
        std::vector<double> v(8, 0.0);
        v[c.band] = gain;
        SetValues(*eq, v);
        const auto h = RenderChannel(*eq, Impulse(1 << 16), Impulse(1 << 16));
        const double probe = c.band == 6 ? fs / 2 : fk;
        const double centre = Db(std::abs(Dft(h, probe, fs)));
        EXPECT_NEAR(centre, gain, 0.1) << "band " << c.band + 1 << " gain " << gain;
        if (c.band < 6) {
            for (double r : {std::pow(2.0, -1.0 / 12), std::pow(2.0, 1.0 / 12)}) {
                const double side = Db(std::abs(Dft(h, fk * r, fs)));
                EXPECT_LT(std::fabs(side), std::fabs(centre)) << "band " << c.band + 1;
            }
        } else {
            EXPECT_NEAR(Db(std::abs(Dft(h, 20, fs))), 0.0, 0.05); // shelf leaves lows alone
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllBands, GraphicEQBand, ::testing::ValuesIn([] {
                             std::vector<BandCase> v;
                             for (bool bass : {false, true})
                                 for (int b = 0; b < 7; ++b)
                                     v.push_back({bass, b});
                             return v;
                         }()));

TEST(GraphicEQ, ShelfCutUndoesBoost) {
    const std::vector<float> x = WhiteNoise(4096, 3);
    for (bool bass : {false, true}) {
        for (double g : {3.0, 12.5, 18.0}) {
            auto boost = Make(bass, 44100), cut = Make(bass, 44100);
            SetValues(*boost, {0, 0, 0, 0, 0, 0, g, 0});
            SetValues(*cut, {0, 0, 0, 0, 0, 0, -g, 0});
            const auto y = RenderChannel(*cut, RenderChannel(*boost, x, x), x);
            for (size_t i = 0; i < x.size(); ++i)
                ASSERT_NEAR(y[i], x[i], 2e-5f) << i;
        }
    }
}

} // namespace
