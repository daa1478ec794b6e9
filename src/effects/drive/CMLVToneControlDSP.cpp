#include "effects/drive/CMLVToneControlDSP.h"
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
                                       const ToneStackNetwork* networks_, int count, int defaultType)
    : CMLVParRelations(sampleRate_, maxBlockSize_), networks(networks_), networkCount(count) {
    InitStages();
    std::vector<std::string> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back(networks[i].label);
    AddParameter(2, "Volume", "dB", -40, 20, 0.5, 0, Linear);
    AddParameter(3, "Bass", "%", 0, 100, 1, 50, Linear);
    AddParameter(4, "Mid", "%", 0, 100, 1, 50, Linear);
    AddParameter(5, "Treble", "%", 0, 100, 1, 50, Linear);
    AddParameter(6, "Type", labels, 0, count - 1, 1, defaultType, List);
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
    const float bass = float(GetParameter(3)->GetValue() / 100.0);
    const float mid = float(GetParameter(4)->GetValue() / 100.0);
    const float treble = float(GetParameter(5)->GetValue() / 100.0);
    const float volume = float(std::pow(10.0, GetParameter(2)->GetValue() / 20.0));
    const int type = static_cast<int>(GetParameter(6)->GetValue());
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

int CMLVToneControlDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    ToneStackStage& L = stage[0];
    ToneStackStage& R = stage[1];
    float ip[2] = {0, 0}, op[2] = {0, 0};
    // Both channels in one pass; the histories stay in registers for the block.
    double l1 = L.w1, l2 = L.w2, l3 = L.w3, l4 = L.w4, lw = L.w;
    double r1 = R.w1, r2 = R.w2, r3 = R.w3, r4 = R.w4, rw = R.w;
    const double* b = L.b;
    const double* a = L.a;
    const double* rb = R.b;
    const double* ra = R.a;
    const double gl = L.volume, gr = R.volume;
    for (int i = 0; i < n; ++i) {
        double xl = in[0][i], xr = in[1][i];
        ip[0] = std::fmax(ip[0], float(std::fabs(xl)));
        ip[1] = std::fmax(ip[1], float(std::fabs(xr)));
        // Silence and NaN become a tiny constant that keeps the recursion out of subnormals.
        if (xl == 0.0 || xl != xl) xl = 1e-8;
        if (xr == 0.0 || xr != xr) xr = 1e-8;
        l4 = l3;
        l3 = l2;
        l2 = l1;
        l1 = lw;
        lw = xl - a[1] * l1 - a[2] * l2 - a[3] * l3 - a[4] * l4;
        r4 = r3;
        r3 = r2;
        r2 = r1;
        r1 = rw;
        rw = xr - ra[1] * r1 - ra[2] * r2 - ra[3] * r3 - ra[4] * r4;
        const float yl = float(b[0] * lw + b[1] * l1 + b[2] * l2 + b[3] * l3 + b[4] * l4);
        const float yr = float(rb[0] * rw + rb[1] * r1 + rb[2] * r2 + rb[3] * r3 + rb[4] * r4);
        const float ol = float(gl * yl), orr = float(gr * yr);
        out[0][i] = ol;
        out[1][i] = orr;
        op[0] = std::fmax(op[0], std::fabs(ol));
        op[1] = std::fmax(op[1], std::fabs(orr));
    }
    L.w1 = l1, L.w2 = l2, L.w3 = l3, L.w4 = l4, L.w = lw;
    R.w1 = r1, R.w2 = r2, R.w3 = r3, R.w4 = r4, R.w = rw;
    for (int c = 0; c < 2; ++c) {
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
    return 0;
}
