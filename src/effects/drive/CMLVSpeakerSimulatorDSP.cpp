#include "effects/drive/CMLVSpeakerSimulatorDSP.h"
#include "effects/drive/FilterDesigners.h"
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
const CMLVReadout kLowRateReadout = {"low_rate_passthrough", "Pass-through below 44.1 kHz", "", 0.0f, 1.0f};

void PassThrough(float* c) {
    c[0] = 1.0f;
    c[1] = c[2] = c[3] = c[4] = 0.0f;
}

void Write(float* c, double g, double b1, double b2, double a1, double a2) {
    c[0] = float(g);
    c[1] = float(b1);
    c[2] = float(b2);
    c[3] = float(a1);
    c[4] = float(a2);
}

void DesignSection(const SpeakerSection& s, double fs, float* c) {
    switch (s.kind) {
    case SpeakerSection::HighPass:
        DesignButterworthHighPass(s.f, fs).WriteTo(c);
        break;
    case SpeakerSection::LowPass:
        DesignButterworthLowPass(s.f, fs).WriteTo(c);
        break;
    case SpeakerSection::Peak:
        DesignPeakWithQ(s.g, s.f, s.q, fs).WriteTo(c);
        break;
    default:
        PassThrough(c);
        break;
    }
}
} // namespace

void SpeakerStage::Init(const SpeakerModel* table, int count, int limit, bool bass) {
    models = table;
    sampleRate = 48000.0f;
    modelCount = count;
    modelLimit = limit;
    sections = bass ? kMaxSections : kMain;
    hornLevel = 1.4f;
    for (int k = 0; k < kMaxSections; ++k)
        PassThrough(coef[k]);
    ClearState();
    volume = 0.0f;
    // A new stage carries model 1 at unit model gain.
    model = 1;
    Design();
    modelGain = 1.0f;
}

void SpeakerStage::ClearState() {
    for (int k = 0; k < kMaxSections; ++k)
        s1[k] = s2[k] = 0.0f;
}

void SpeakerStage::SetSampleRate(float fs) {
    if (!(fs > 0.0f) || fs == sampleRate) return;
    sampleRate = fs;
    Design();
}

void SpeakerStage::SetModel(int index) {
    if (index < 0 || index >= modelLimit || index == model) return;
    ClearState();
    model = index;
    Design();
}

void SpeakerStage::Design() {
    for (int k = 0; k < kMaxSections; ++k)
        PassThrough(coef[k]);
    mainCount = hornCount = 0;
    hornSections = 0;
    if (model < 0 || model >= modelCount) {
        modelGain = 1.0f;
        return;
    }
    const SpeakerModel& m = models[model];
    const double fs = sampleRate;
    modelGain = m.gain;
    for (int k = 0; k < kMain; ++k) {
        if (m.main[k].kind == SpeakerSection::None) continue;
        DesignSection(m.main[k], fs, coef[k]);
        mainUsed[mainCount++] = k;
    }
    if (m.lowPass3 > 0.0f && mainCount + 2 <= kMain) {
        // Third-order Butterworth low-pass, pre-warped: the cubic s^3 + 2 s^2 + 2 s + 1 has the real root
        // -1 and the pair -1/2 +- j sqrt(3)/2, giving a first-order and a second-order (Q = 1) section.
        const double K = std::tan(M_PI * m.lowPass3 / fs), K2 = K * K;
        const int first = mainUsed[mainCount - 1] + 1;
        Write(coef[first], K / (1.0 + K), 1.0, 0.0, (K - 1.0) / (K + 1.0), 0.0);
        const double d = 1.0 + K + K2;
        Write(coef[first + 1], K2 / d, 2.0, 1.0, 2.0 * (K2 - 1.0) / d, (1.0 - K + K2) / d);
        mainUsed[mainCount++] = first;
        mainUsed[mainCount++] = first + 1;
    }
    if (sections > kMain) {
        for (int k = 0; k < kMaxSections - kMain; ++k) {
            if (m.horn[k].kind == SpeakerSection::None) continue;
            DesignSection(m.horn[k], fs, coef[kMain + k]);
            hornUsed[hornCount++] = kMain + k;
        }
        hornSections = hornCount > 0 ? kMaxSections - kMain : 0;
    }
}

CMLVSpeakerSimulatorDSP::CMLVSpeakerSimulatorDSP(double sampleRate_, int maxBlockSize_,
                                                 const SpeakerModel* models_, int count, bool bass_,
                                                 int defaultModel)
    : CMLVParRelations(sampleRate_, maxBlockSize_), models(models_), modelCount(count), bass(bass_) {
    for (SpeakerStage& s : stage)
        s.Init(models, modelCount, bass ? 7 : 16, bass);
    std::vector<std::string> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back(models[i].label);
    AddParameter(2, "Volume", "dB", -40, 20, 0.5, 0, Linear);
    AddParameter(3, "Speaker Type", labels, 0, count - 1, 1, defaultModel, List);
    Pack();
}

const CMLVReadout* CMLVSpeakerSimulatorDSP::GetReadoutInfo(int index) const {
    return index == 0 ? &kLowRateReadout : nullptr;
}

float CMLVSpeakerSimulatorDSP::GetReadoutValue(int index) const {
    return index == 0 && lowRate ? 1.0f : 0.0f;
}

int CMLVSpeakerSimulatorDSP::UpdateCoefficients(bool full) {
    if (full) {
        for (SpeakerStage& s : stage) {
            s.Init(models, modelCount, bass ? 7 : 16, bass);
            s.SetSampleRate(float(sampleRate));
        }
        lowRate = sampleRate < 44100.0;
        Reset();
        fullUpdatePending = false;
    }
    const float volume = float(std::pow(10.0, GetParameter(2)->GetValue() / 20.0));
    const int type = static_cast<int>(GetParameter(3)->GetValue());
    for (SpeakerStage& s : stage) {
        s.SetModel(type);
        s.volume = volume;
    }
    Pack();
    parametersChanged = false;
    return 0;
}

void CMLVSpeakerSimulatorDSP::Reset() {
    for (SpeakerStage& s : stage)
        s.ClearState();
}

void CMLVSpeakerSimulatorDSP::Pack() {
    // Both stages always hold the same model; each lane still takes its own stage's numbers.
    const SpeakerStage& L = stage[0];
    const SpeakerStage& R = stage[1];
    int n = 0;
    auto add = [&](int k) {
        const float* l = L.coef[k];
        const float* r = R.coef[k];
        PackedSection& p = packed[n];
        p.g = Lanes{l[0], r[0], 0, 0};
        p.b1 = Lanes{l[1], r[1], 0, 0};
        p.b2 = Lanes{l[2], r[2], 0, 0};
        p.a1 = Lanes{l[3], r[3], 0, 0};
        p.a2 = Lanes{l[4], r[4], 0, 0};
        packedIndex[n++] = k;
    };
    for (int j = 0; j < L.mainCount; ++j)
        add(L.mainUsed[j]);
    packedMain = n;
    if (L.hornSections != 0)
        for (int j = 0; j < L.hornCount; ++j)
            add(L.hornUsed[j]);
    packedHorn = n - packedMain;
}

int CMLVSpeakerSimulatorDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    float ip[2] = {0, 0}, op[2] = {0, 0};
    if (lowRate) {
        for (int c = 0; c < 2; ++c) {
            ip[c] = Peak(in[c], n, 0.0f);
            if (out[c] != in[c] && n > 0) std::memmove(out[c], in[c], sizeof(float) * size_t(n));
            inPeak[c] = outPeak[c] = ip[c];
        }
        return 0;
    }
    SpeakerStage& L = stage[0];
    SpeakerStage& R = stage[1];
    // Each lane runs exactly the single-channel arithmetic: per section u = g u; w = s1 + u;
    // s1 = b1 u - a1 w + s2; s2 = b2 u - a2 w; u = w.
    Lanes s1[SpeakerStage::kMaxSections], s2[SpeakerStage::kMaxSections];
    const int total = packedMain + packedHorn;
    for (int j = 0; j < total; ++j) {
        const int k = packedIndex[j];
        s1[j] = Lanes{L.s1[k], R.s1[k], 0, 0};
        s2[j] = Lanes{L.s2[k], R.s2[k], 0, 0};
    }
    const Lanes modelGain = {L.modelGain, R.modelGain, 0, 0};
    const Lanes volume = {L.volume, R.volume, 0, 0};
    const Lanes hornLevel = {L.hornLevel, R.hornLevel, 0, 0};
    for (int i = 0; i < n; ++i) {
        float xl = in[0][i], xr = in[1][i];
        ip[0] = std::fmax(ip[0], std::fabs(xl));
        ip[1] = std::fmax(ip[1], std::fabs(xr));
        if (xl == 0.0f) xl = 1e-8f;
        if (xr == 0.0f) xr = 1e-8f;
        Lanes u = modelGain * Lanes{xl, xr, 0, 0};
        for (int j = 0; j < packedMain; ++j) {
            const PackedSection& c = packed[j];
            u = c.g * u;
            const Lanes w = s1[j] + u;
            s1[j] = c.b1 * u - c.a1 * w + s2[j];
            s2[j] = c.b2 * u - c.a2 * w;
            u = w;
        }
        Lanes y;
        if (packedHorn == 0) {
            y = volume * u;
        } else {
            Lanes h = u;
            for (int j = packedMain; j < total; ++j) {
                const PackedSection& c = packed[j];
                h = c.g * h;
                const Lanes w = s1[j] + h;
                s1[j] = c.b1 * h - c.a1 * w + s2[j];
                s2[j] = c.b2 * h - c.a2 * w;
                h = w;
            }
            y = volume * (hornLevel * h + u);
        }
        out[0][i] = y[0];
        out[1][i] = y[1];
        op[0] = std::fmax(op[0], std::fabs(y[0]));
        op[1] = std::fmax(op[1], std::fabs(y[1]));
    }
    for (int j = 0; j < total; ++j) {
        const int k = packedIndex[j];
        L.s1[k] = s1[j][0];
        R.s1[k] = s1[j][1];
        L.s2[k] = s2[j][0];
        R.s2[k] = s2[j][1];
    }
    for (int c = 0; c < 2; ++c) {
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
    return 0;
}
