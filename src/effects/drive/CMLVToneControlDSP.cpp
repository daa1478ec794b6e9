#include "effects/drive/CMLVToneControlDSP.h"
#include "effects/PeakUpdate.h"
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

double ToneTaper(double x, double k) {
    return std::clamp(std::log10((1.0 - x) * k + 1.0) / std::log10(k + 1.0), 0.0, 1.0);
}

namespace {
double Evaluate(const ToneStackTerm* terms, int count, int sPower, double t, double l, double m) {
    double acc = 0.0;
    for (int i = 0; i < count; ++i) {
        const ToneStackTerm& x = terms[i];
        if (x.sPower != sPower) continue;
        double v = x.coef;
        for (int p = 0; p < x.tPower; ++p)
            v *= t;
        for (int p = 0; p < x.lPower; ++p)
            v *= l;
        for (int p = 0; p < x.mPower; ++p)
            v *= m;
        acc += v;
    }
    return acc;
}

// Bilinear map of a polynomial P(s) of the given order into z^-1 coefficients (unnormalised).
void MapPolynomial(const double P[5], int order, double c, double out[5]) {
    const double c2 = c * c, c3 = c2 * c, c4 = c3 * c;
    for (int i = 0; i < 5; ++i)
        out[i] = 0.0;
    if (order == 4) {
        out[0] = P[0] + P[1] * c + P[2] * c2 + P[3] * c3 + P[4] * c4;
        out[1] = 4 * P[0] + 2 * P[1] * c - 2 * P[3] * c3 - 4 * P[4] * c4;
        out[2] = 6 * P[0] - 2 * P[2] * c2 + 6 * P[4] * c4;
        out[3] = 4 * P[0] - 2 * P[1] * c + 2 * P[3] * c3 - 4 * P[4] * c4;
        out[4] = P[0] - P[1] * c + P[2] * c2 - P[3] * c3 + P[4] * c4;
    } else if (order == 3) {
        out[0] = P[0] + P[1] * c + P[2] * c2 + P[3] * c3;
        out[1] = 3 * P[0] + P[1] * c - P[2] * c2 - 3 * P[3] * c3;
        out[2] = 3 * P[0] - P[1] * c - P[2] * c2 + 3 * P[3] * c3;
        out[3] = P[0] - P[1] * c + P[2] * c2 - P[3] * c3;
    } else {
        out[0] = P[0] + P[1] * c + P[2] * c2;
        out[1] = 2 * P[0] - 2 * P[2] * c2;
        out[2] = P[0] - P[1] * c + P[2] * c2;
    }
}
} // namespace

void DesignToneStack(const ToneStackNetwork* net, double bass, double mid, double treble, double fs,
                     double b[5], double a[5]) {
    for (int i = 0; i < 5; ++i)
        b[i] = a[i] = 0.0;
    b[0] = a[0] = 1.0;
    if (!net) return;
    // Treble and bass pots follow the reverse-log law; the bass pot never quite reaches its end stop.
    const double t = 1.0 - ToneTaper(treble, 10.0);
    const double l = 1.0 - std::max(0.01, ToneTaper(bass, 10.0));
    const double m = mid;
    double N[5], D[5];
    for (int p = 0; p < 5; ++p) {
        N[p] = Evaluate(net->num, net->numCount, p, t, l, m);
        D[p] = Evaluate(net->den, net->denCount, p, t, l, m);
    }
    // A fourth-order network loses its fourth pole when the mid pot reaches ground.
    const int order = D[4] != 0.0 ? 4 : (D[3] != 0.0 ? 3 : 2);
    const double c = 2.0 * fs;
    double nb[5], da[5];
    MapPolynomial(N, order, c, nb);
    MapPolynomial(D, order, c, da);
    const double A0 = da[0];
    for (int i = 0; i < 5; ++i) {
        a[i] = da[i] / A0;
        b[i] = nb[i] * net->gain / A0;
    }
    a[0] = 1.0;
}

void ToneStackStage::Design() {
    const ToneStackNetwork* net = (type >= 0 && type < networkCount) ? &networks[type] : nullptr;
    DesignToneStack(net, bass, mid, treble, sampleRate, b, a);
}

void ToneStackStage::SetSampleRate(double fs) {
    if (!(fs > 0) || float(fs) == sampleRate) return;
    sampleRate = float(fs);
    Design();
}

void ToneStackStage::SetTone(float bass_, float mid_, float treble_) {
    if (bass_ == bass && mid_ == mid && treble_ == treble) return;
    bass = bass_;
    mid = mid_;
    treble = treble_;
    Design();
}

void ToneStackStage::SetType(int t) {
    if (t < 0 || t >= 6 || t == type) return;
    ClearState();
    type = t;
    Design();
}

CMLVToneControlDSP::CMLVToneControlDSP(double sampleRate_, int maxBlockSize_,
                                       const CMLVEffectIdentity& identity, const ToneStackNetwork* networks_,
                                       int count, const CMLVPresetTable& factoryPresets)
    : CMLVParRelations(sampleRate_, maxBlockSize_), networks(networks_), networkCount(count) {
    InitStages();
    std::vector<std::string> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back(networks[i].label);
    Setup(
        identity,
        {
            {kVolume, "Volume", "dB", -40, 20, 0.5, 0, Linear},
            {kBass, "Bass", "%", 0, 100, 1, 50, Linear},
            {kMid, "Mid", "%", 0, 100, 1, 50, Linear},
            {kTreble, "Treble", "%", 0, 100, 1, 50, Linear},
            {kType, "Type", labels, 0, double(count - 1), 1, factoryPresets[0].values[kType - kVolume], List},
        },
        factoryPresets, CMLVFirstUpdate::FirstBlock);
}

void CMLVToneControlDSP::InitStages() {
    for (ToneStackStage& s : stage) {
        s = ToneStackStage{};
        s.networks = networks;
        s.networkCount = networkCount;
        s.Design();
    }
}

int CMLVToneControlDSP::UpdateCoefficients(bool full) {
    if (full) {
        InitStages();
        for (ToneStackStage& s : stage)
            s.SetSampleRate(sampleRate);
        Reset();
        fullUpdatePending = false;
    }
    const float bass = float(GetParameter(kBass)->GetValue() / 100.0);
    const float mid = float(GetParameter(kMid)->GetValue() / 100.0);
    const float treble = float(GetParameter(kTreble)->GetValue() / 100.0);
    const float volume = float(std::pow(10.0, GetParameter(kVolume)->GetValue() / 20.0));
    const int type = static_cast<int>(GetParameter(kType)->GetValue());
    for (ToneStackStage& s : stage) {
        s.SetSampleRate(sampleRate);
        s.SetTone(bass, mid, treble);
        s.volume = volume;
        s.SetType(type);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

void CMLVToneControlDSP::Reset() {
    for (ToneStackStage& s : stage)
        s.ClearState();
}

template <int C>
void CMLVToneControlDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    float ip[2] = {0, 0}, op[2] = {0, 0};
    // The channels in one pass; the histories stay in registers for the block.
    double h1[2], h2[2], h3[2], h4[2], hw[2], g[2], b[2][5], a[2][5];
    for (int c = 0; c < C; ++c) {
        const ToneStackStage& s = stage[c];
        h1[c] = s.w1, h2[c] = s.w2, h3[c] = s.w3, h4[c] = s.w4, hw[c] = s.w;
        for (int k = 0; k < 5; ++k) {
            b[c][k] = s.b[k];
            a[c][k] = s.a[k];
        }
        g[c] = s.volume;
    }
    for (int i = 0; i < n; ++i) {
        double x[2];
        for (int c = 0; c < C; ++c) {
            x[c] = in[c][i];
            ip[c] = PeakUpdate(ip[c], float(x[c]));
            // Silence and NaN become a tiny constant that keeps the recursion out of subnormals.
            if (x[c] == 0.0 || x[c] != x[c]) x[c] = 1e-8;
        }
        for (int c = 0; c < C; ++c) {
            h4[c] = h3[c];
            h3[c] = h2[c];
            h2[c] = h1[c];
            h1[c] = hw[c];
            hw[c] = x[c] - a[c][1] * h1[c] - a[c][2] * h2[c] - a[c][3] * h3[c] - a[c][4] * h4[c];
        }
        for (int c = 0; c < C; ++c) {
            const float y = float(b[c][0] * hw[c] + b[c][1] * h1[c] + b[c][2] * h2[c] + b[c][3] * h3[c] +
                                  b[c][4] * h4[c]);
            const float o = float(g[c] * y);
            out[c][i] = o;
            op[c] = PeakUpdate(op[c], o);
        }
    }
    for (int c = 0; c < C; ++c) {
        ToneStackStage& s = stage[c];
        s.w1 = h1[c], s.w2 = h2[c], s.w3 = h3[c], s.w4 = h4[c], s.w = hw[c];
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
}

int CMLVToneControlDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    return WithActiveChannels([&](auto c) { Run<decltype(c)::value>(in, out, inPeak, outPeak, n); });
}
