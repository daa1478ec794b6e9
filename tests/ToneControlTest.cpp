#include "TestSupport.h"
#include "effects/drive/CMLVToneControlBassDSP.h"
#include "effects/drive/CMLVToneControlGuitarDSP.h"
#include <gtest/gtest.h>
#include <memory>

using namespace tsupport;

namespace {
using cd = std::complex<double>;

struct TypeRef {
    bool bass;
    int type;
};
const ToneStackNetwork& Net(TypeRef r) {
    return (r.bass ? kToneStackBass : kToneStackGuitar)[r.type];
}
std::vector<TypeRef> AllTypes() {
    std::vector<TypeRef> v;
    for (int i = 0; i < kToneStackGuitarCount; ++i)
        v.push_back({false, i});
    for (int i = 0; i < kToneStackBassCount; ++i)
        v.push_back({true, i});
    return v;
}
std::string Name(const ::testing::TestParamInfo<TypeRef>& info) {
    std::string s = std::string(info.param.bass ? "Bass" : "Guitar") + Net(info.param).label;
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

// Node voltages of the stack by complex nodal analysis, solved with Gaussian elimination.
cd AnalogStack(const ToneStackComponents& p, double t, double l, double m, cd s) {
    enum { T, O, B, X, P, W, Y, kNodes };
    const int IN = -1, GND = -2;
    cd Y_[kNodes][kNodes] = {};
    cd rhs[kNodes] = {};
    auto add = [&](int a, int b, cd y) {
        for (int pass = 0; pass < 2; ++pass) {
            if (a >= 0) {
                Y_[a][a] += y;
                if (b >= 0)
                    Y_[a][b] -= y;
                else if (b == IN)
                    rhs[a] += y; // the input is held at 1 V
            }
            std::swap(a, b);
        }
    };
    auto R = [](double r) { return cd(1.0 / std::max(r, 1e-3)); };
    add(IN, T, s * p.C1);
    add(T, O, R((1 - t) * p.R1));
    add(O, B, R(t * p.R1));
    add(IN, X, R(p.R4));
    add(X, B, s * p.C2);
    add(X, W, s * p.C3);
    add(B, P, R(l * p.R2 + p.Rend));
    add(P, W, R((1 - m) * p.R3));
    add(W, GND, R(m * p.R3));
    if (p.Cx > 0) add(IN, X, s * p.Cx);
    const bool divider = p.Rmix > 0;
    if (divider) {
        add(O, GND, R(p.Rvol));
        add(O, Y, R(p.Rmix));
        add(Y, GND, R(p.Rsh));
    } else {
        add(Y, GND, 1.0); // unused node
    }
    const int n = kNodes;
    for (int c = 0; c < n; ++c) {
        int piv = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(Y_[r][c]) > std::abs(Y_[piv][c])) piv = r;
        std::swap(Y_[c], Y_[piv]);
        std::swap(rhs[c], rhs[piv]);
        for (int r = c + 1; r < n; ++r) {
            const cd f = Y_[r][c] / Y_[c][c];
            for (int k = c; k < n; ++k)
                Y_[r][k] -= f * Y_[c][k];
            rhs[r] -= f * rhs[c];
        }
    }
    cd v[kNodes];
    for (int r = n - 1; r >= 0; --r) {
        cd acc = rhs[r];
        for (int k = r + 1; k < n; ++k)
            acc -= Y_[r][k] * v[k];
        v[r] = acc / Y_[r][r];
    }
    return divider ? v[Y] : v[O];
}

double Taper(double x) {
    return std::log10((1 - x) * 10 + 1) / std::log10(11.0);
}

double GainDb(TypeRef r, double bass, double mid, double treble, double f, double fs = 48000) {
    double b[5], a[5];
    DesignToneStack(&Net(r), bass, mid, treble, fs, b, a);
    return Db(std::abs(Response(b, a, 5, f, fs)));
}

class ToneStackType : public ::testing::TestWithParam<TypeRef> {};

// The running effect matches the circuit solved directly, at the bilinear transform's warped frequency.
TEST_P(ToneStackType, MatchesCircuitAnalysis) {
    const TypeRef r = GetParam();
    const double fs = 48000;
    const double settings[][3] = {{0.5, 0.5, 0.5}, {0.0, 1.0, 0.2}, {1.0, 0.0, 1.0}, {0.3, 0.8, 0.0}};
    for (const auto& st : settings) {
        std::unique_ptr<CMLVToneControlDSP> tc;
        if (r.bass)
            tc = std::make_unique<CMLVToneControlBassDSP>(fs, 256);
        else
            tc = std::make_unique<CMLVToneControlGuitarDSP>(fs, 256);
        SetValues(*tc, {0, st[0] * 100, st[1] * 100, st[2] * 100, double(r.type)});
        const auto h = RenderChannel(*tc, Impulse(1 << 16), Impulse(1 << 16));
        const double t = 1 - Taper(st[2]), l = 1 - std::max(0.01, Taper(st[0])), m = st[1];
        for (double f : {40.0, 100.0, 300.0, 700.0, 1500.0, 4000.0, 10000.0, 18000.0}) {
            const cd s(0, 2 * fs * Warp(f, fs));
            const double want = Net(r).gain * std::abs(AnalogStack(Net(r).parts, t, l, m, s));
            const double got = std::abs(Dft(h, f, fs));
            EXPECT_NEAR(got, want, 1e-6 + 1e-4 * want)
                << "bass " << st[0] << " mid " << st[1] << " treble " << st[2] << " at " << f << " Hz";
        }
    }
}

// With the knobs at noon the passive stacks scoop the mids below both bass and treble: deeply in the
// Fender-style stacks (large bass cap, small mid pot), gently in the Marshall-style and modern ones.
TEST_P(ToneStackType, ScoopsMidsAtNoon) {
    const TypeRef r = GetParam();
    const double low = GainDb(r, .5, .5, .5, 100), high = GainDb(r, .5, .5, .5, 5000);
    double mid = 1e9;
    for (double f = 300; f <= 1500; f *= 1.05)
        mid = std::min(mid, GainDb(r, .5, .5, .5, f));
    const double depth = std::min(low, high) - mid;
    const std::string label = Net(r).label;
    if (label == "American Clean" || label == "American Tube") {
        EXPECT_GT(depth, 8.0);
    } else {
        EXPECT_GT(depth, 1.5);
        EXPECT_LT(depth, 7.0);
    }
}

INSTANTIATE_TEST_SUITE_P(AllNetworks, ToneStackType, ::testing::ValuesIn(AllTypes()), Name);

TEST(ToneControl, TypeChangeClearsHistoryToneChangeDoesNot) {
    CMLVToneControlGuitarDSP a(48000, 256), b(48000, 256);
    SetValues(a, {0, 50, 50, 50, 1});
    SetValues(b, {0, 50, 50, 50, 1});
    const auto x = Sine(300, 48000, 512, 0.5);
    RenderChannel(a, x, x);
    // a switches type after running; b starts fresh with that type: outputs agree from then on.
    a.GetParameter(6)->SetValue(2);
    b.GetParameter(6)->SetValue(2);
    const auto ya = RenderChannel(a, x, x), yb = RenderChannel(b, x, x);
    for (size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(ya[i], yb[i]);
    // A tone change keeps the history: the output continues without restarting.
    a.GetParameter(3)->SetValue(60);
    PrepareLikeShell(b, b.sampleRate);
    b.GetParameter(3)->SetValue(60);
    const auto za = RenderChannel(a, x, x), zb = RenderChannel(b, x, x);
    EXPECT_NE(za[0], zb[0]);
}
} // namespace
