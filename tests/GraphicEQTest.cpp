#include "TestSupport.h"
#include "effects/drive/CMLVGraphicEQBassDSP.h"
#include "effects/drive/CMLVGraphicEQGuitarDSP.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <complex>
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

// Several bands with inactive ones between them, mono and stereo, in blocks shorter and longer than the
// chain: the impulse response is the output gain times the product of the designed bands' responses, and
// either lane width gives it.
TEST(GraphicEQ, CascadeIsTheProductOfItsBands) {
    const double fs = 48000;
    const std::vector<std::array<double, 7>> settings = {{12, 0, -9, 0, 6, 0, 4},
                                                         {0, 7.3, 8.7, -2.6, 0, 0, -18},
                                                         {-6, 3, 3, 5, -4, 3, 9},
                                                         {0, 0, 0, 0, 0, 18, 0}};
    for (bool bass : {false, true})
        for (const auto& gains : settings)
            for (int channels : {1, 2})
                for (int block : {1, 5, 256}) {
                    auto eq = Make(bass, fs);
                    std::vector<double> v(gains.begin(), gains.end());
                    v.push_back(-3.0);
                    SetValues(*eq, v);
                    eq->activeChannels = channels;
                    const size_t n = 1 << 14;
                    Stereo y;
                    RenderStereo(*eq, Impulse(n), Impulse(n, 0.5f), y.l, y.r, block);
                    // The four-lane kernels, for machines without AVX2, give the same bits.
                    auto narrow = Make(bass, fs);
                    narrow->UseNarrowLanes();
                    SetValues(*narrow, v);
                    narrow->activeChannels = channels;
                    Stereo z;
                    RenderStereo(*narrow, Impulse(n), Impulse(n, 0.5f), z.l, z.r, block);
                    ASSERT_TRUE(z.l == y.l && (channels == 1 || z.r == y.r)) << bass << " " << block;
                    std::array<double, 7> freqs;
                    std::copy_n(bass ? kBassFreqs : kGuitarFreqs, 7, freqs.begin());
                    std::array<bool, 7> active;
                    const auto c = CMLVGraphicEQDSP::Design(freqs, gains, -3.0, fs, active);
                    for (double f : {60.0, 300.0, 1000.0, 5000.0, 15000.0}) {
                        std::complex<double> h = c.G;
                        for (int k = 0; k < 7; ++k) {
                            const double b[3] = {1, c.band[k].b1, c.band[k].b2},
                                         a[3] = {1, c.band[k].a1, c.band[k].a2};
                            if (active[k]) h *= Response(b, a, 3, f, fs);
                        }
                        const std::string where = std::string(bass ? "GEB" : "GEG") + " channels " +
                                                  std::to_string(channels) + " block " +
                                                  std::to_string(block);
                        EXPECT_NEAR(std::abs(Dft(y.l, f, fs)), std::abs(h), 1e-3 * std::abs(h))
                            << where << " f " << f;
                        if (channels == 2) {
                            EXPECT_NEAR(std::abs(Dft(y.r, f, fs)), 0.5 * std::abs(h), 1e-3 * std::abs(h))
                                << where;
                        }
                    }
                }
}

} // namespace
