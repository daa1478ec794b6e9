#include "effects/drive/CMLVSpeakerSimulatorDSP.h"
#include "effects/PeakUpdate.h"
#include "effects/drive/FilterDesigners.h"
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {
// Below this rate the cabinets pass the signal through.
constexpr double kLowestRateHz = 44100.0;
const CMLVReadout kLowRateReadout = {"low_rate_passthrough", "Pass-through below 44.1 kHz", "", 0.0f, 1.0f};

void PassThrough(float* c) {
    CoefficientSet{}.WriteTo(c);
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
        // The third-order low-pass takes the two sets after the last listed section.
        const ThirdOrderSections lp = DesignButterworthLowPass3(m.lowPass3, fs);
        const int first = mainUsed[mainCount - 1] + 1;
        lp.first.WriteTo(coef[first]);
        lp.second.WriteTo(coef[first + 1]);
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
                                                 const CMLVEffectIdentity& identity,
                                                 const SpeakerModel* models_, int count, bool bass_,
                                                 const CMLVPresetTable& factoryPresets)
    : CMLVParRelations(sampleRate_, maxBlockSize_), models(models_), modelCount(count), bass(bass_) {
    for (SpeakerStage& s : stage)
        s.Init(models, modelCount, ModelLimit(), bass);
    std::vector<std::string> labels;
    for (int i = 0; i < count; ++i)
        labels.push_back(models[i].label);
    Pack();
    const std::vector<float>& defaults = factoryPresets[0].values;
    Setup(identity,
          {
              {kVolume, "Volume", "dB", -40, 20, 0.5, defaults[0], Linear},
              {kSpeakerType, "Speaker Type", labels, 0, double(count - 1), 1, defaults[1], List},
          },
          factoryPresets, CMLVFirstUpdate::FirstBlock);
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
            s.Init(models, modelCount, ModelLimit(), bass);
            s.SetSampleRate(float(sampleRate));
        }
        lowRate = sampleRate < kLowestRateHz;
        Reset();
        fullUpdatePending = false;
    }
    const float volume = float(std::pow(10.0, GetParameter(kVolume)->GetValue() / 20.0));
    const int type = static_cast<int>(GetParameter(kSpeakerType)->GetValue());
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
    // Both stages always hold the same model; each channel still takes its own stage's numbers.
    const SpeakerStage& L = stage[0];
    int order[SpeakerStage::kMaxSections];
    int total = 0;
    for (int j = 0; j < L.mainCount; ++j)
        order[total++] = L.mainUsed[j];
    packedMain = total;
    if (L.hornSections != 0)
        for (int j = 0; j < L.hornCount; ++j)
            order[total++] = L.hornUsed[j];
    packedHorn = total - packedMain;
    Pipeline& pl = pipeline;
    pl.slots = (total + 3) / 4;
    for (int k = 0; k < SpeakerStage::kMaxSections; ++k) {
        for (int c = 0; c < 2; ++c)
            pl.sec[c][k] = PackedSection{{1, 1, 1, 1}, {}, {}, {}, {}};
        pl.live[k] = pl.takeMain[k] = LaneMask{};
        for (int l = 0; l < 4; ++l)
            pl.section[l][k] = -1;
    }
    for (int l = 0, first = 0; l < 4; ++l) {
        const int length = total / 4 + (l < total % 4 ? 1 : 0);
        for (int k = 0; k < length; ++k) {
            const int index = order[first + k];
            for (int c = 0; c < 2; ++c) {
                const float* f = stage[c].coef[index];
                PackedSection& q = pl.sec[c][k];
                q.g[l] = f[0], q.b1[l] = f[1], q.b2[l] = f[2], q.a1[l] = f[3], q.a2[l] = f[4];
            }
            pl.live[k][l] = -1;
            pl.section[l][k] = index;
        }
        const int k = packedMain - first;
        if (packedHorn != 0 && k >= 0 && k < length) pl.takeMain[k][l] = -1;
        first += length;
    }
    for (int k = 0; k < SpeakerStage::kMaxSections; ++k) {
        pl.partial[k] = pl.take[k] = false;
        for (int l = 0; l < 4; ++l) {
            pl.partial[k] = pl.partial[k] || pl.live[k][l] == 0;
            pl.take[k] = pl.take[k] || pl.takeMain[k][l] != 0;
        }
    }
}

template <int C>
void CMLVSpeakerSimulatorDSP::Run(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const Pipeline& pl = pipeline;
    const int slots = pl.slots;
    const bool horn = packedHorn != 0;
    Lanes s1[C][SpeakerStage::kMaxSections], s2[C][SpeakerStage::kMaxSections];
    for (int c = 0; c < C; ++c) {
        for (int k = 0; k < slots; ++k) {
            s1[c][k] = s2[c][k] = Lanes{};
            for (int l = 0; l < 4; ++l) {
                const int index = pl.section[l][k];
                if (index < 0) continue;
                s1[c][k][l] = stage[c].s1[index];
                s2[c][k][l] = stage[c].s2[index];
            }
        }
    }
    // Per section: u = g u; w = s1 + u; s1 = b1 u - a1 w + s2; s2 = b2 u - a2 w; u = w. Lanes outside
    // their segment pass the value on; lanes without a sample in this block keep their state.
    Lanes v[C], main[C];
    auto step = [&](LaneMask active, auto masked) {
        for (int k = 0; k < slots; ++k) {
            for (int c = 0; c < C; ++c) {
                if (pl.take[k]) main[c] = pl.takeMain[k] ? v[c] : main[c];
                const PackedSection& q = pl.sec[c][k];
                const Lanes u = q.g * v[c];
                const Lanes w = s1[c][k] + u;
                const Lanes n1 = q.b1 * u - q.a1 * w + s2[c][k];
                const Lanes n2 = q.b2 * u - q.a2 * w;
                s1[c][k] = masked ? (active ? n1 : s1[c][k]) : n1;
                s2[c][k] = masked ? (active ? n2 : s2[c][k]) : n2;
                v[c] = pl.partial[k] ? (pl.live[k] ? w : v[c]) : w;
            }
        }
    };
    const LaneMask shift = {4, 0, 1, 2};
    float ip[2] = {0, 0}, op[2] = {0, 0};
    for (int c = 0; c < C; ++c)
        v[c] = main[c] = Lanes{};
    for (int t = 0; t < n + 3; ++t) {
        for (int c = 0; c < C; ++c) {
            Lanes fresh = {};
            if (t < n) {
                float x = in[c][t];
                ip[c] = PeakUpdate(ip[c], x);
                if (x == 0.0f) x = 1e-8f;
                fresh[0] = stage[c].modelGain * x;
            }
            v[c] = __builtin_shuffle(v[c], fresh, shift);
            main[c] = __builtin_shuffle(main[c], Lanes{}, shift);
        }
        if (t >= 3 && t < n) {
            step(LaneMask{}, std::false_type());
        } else {
            const LaneMask lane = {0, 1, 2, 3};
            step(t - lane >= 0 && t - lane < n, std::true_type());
        }
        const int o = t - 3;
        if (o < 0) continue;
        for (int c = 0; c < C; ++c) {
            const SpeakerStage& st = stage[c];
            const float y = horn ? st.volume * (st.hornLevel * v[c][3] + main[c][3]) : st.volume * v[c][3];
            out[c][o] = y;
            op[c] = PeakUpdate(op[c], y);
        }
    }
    for (int c = 0; c < C; ++c) {
        for (int k = 0; k < slots; ++k) {
            for (int l = 0; l < 4; ++l) {
                const int index = pl.section[l][k];
                if (index < 0) continue;
                stage[c].s1[index] = s1[c][k][l];
                stage[c].s2[index] = s2[c][k][l];
            }
        }
        inPeak[c] = ip[c];
        outPeak[c] = op[c];
    }
}

int CMLVSpeakerSimulatorDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    if (lowRate) {
        for (int c = 0; c < 2; ++c) {
            const float ip = Peak(in[c], n, 0.0f);
            if (out[c] != in[c] && n > 0) std::memmove(out[c], in[c], sizeof(float) * size_t(n));
            inPeak[c] = outPeak[c] = ip;
        }
        return 0;
    }
    return WithActiveChannels([&](auto c) { Run<decltype(c)::value>(in, out, inPeak, outPeak, n); });
}
