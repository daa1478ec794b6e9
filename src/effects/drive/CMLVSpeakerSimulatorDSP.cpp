#include "effects/drive/CMLVSpeakerSimulatorDSP.h"
#include "effects/CpuFeatures.h"
#include "effects/PeakUpdate.h"
#include "effects/drive/Float4.h"
#include "effects/drive/FilterDesigners.h"
#include <algorithm>
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
    : CMLVParRelations(sampleRate_, maxBlockSize_), wide(HasAvx2()), models(models_), modelCount(count),
      bass(bass_) {
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
    const int mainCount = total;
    if (L.hornSections != 0)
        for (int j = 0; j < L.hornCount; ++j)
            order[total++] = L.hornUsed[j];
    const int hornCount = total - mainCount;
    // The horn starts a lane of its own, so that the main path ends at a lane's last slot.
    static_assert((SpeakerStage::kMain + kMaxSlots - 1) / kMaxSlots +
                          (SpeakerStage::kMaxSections - SpeakerStage::kMain + kMaxSlots - 1) / kMaxSlots <=
                      kLanes,
                  "the longest paths fit the lanes");
    auto lanesFor = [](int count, int slots) { return (count + slots - 1) / slots; };
    int slots = 1;
    while (slots < kMaxSlots && lanesFor(mainCount, slots) + lanesFor(hornCount, slots) > kLanes)
        ++slots;
    const int hornLanes = lanesFor(hornCount, slots), mainLanes = kLanes - hornLanes;
    Pipeline& pl = pipeline;
    pl = Pipeline{};
    pl.slots = slots;
    pl.mainLane = hornCount != 0 ? mainLanes - 1 : -1;
    // Sections spread evenly over each path's lanes, at the end of their lanes.
    auto place = [&](const int* sections, int count, int firstLane, int lanes) {
        for (int i = 0, next = 0; i < lanes; ++i) {
            const int length = count / lanes + (i < count % lanes ? 1 : 0);
            const int l = firstLane + i;
            pl.gapsAfterFirst = pl.gapsAfterFirst || length < slots - 1;
            for (int k = slots - length; k < slots; ++k) {
                const int index = sections[next++];
                for (int c = 0; c < 2; ++c) {
                    const float* f = stage[c].coef[index];
                    PackedSection& q = pl.sec[c][k];
                    q.g[l] = f[0], q.b1[l] = f[1], q.b2[l] = f[2], q.a1[l] = f[3], q.a2[l] = f[4];
                }
                pl.used[k][l] = -1;
                pl.section[k][l] = index;
            }
        }
    };
    for (auto& slot : pl.section)
        for (int& index : slot)
            index = -1;
    place(order, mainCount, 0, mainLanes);
    place(order + mainCount, hornCount, mainLanes, hornLanes);
}

namespace {
// Eight lanes in one AVX register.
struct WideLanes { // only ever inlined into AVX2 code: the vectors never cross a call
    typedef float V __attribute__((vector_size(32)));
    typedef int32_t M __attribute__((vector_size(32)));
    __attribute__((always_inline)) static V Load(const float* p) { return LoadLanes<V>(p); }
    __attribute__((always_inline)) static M Load(const int32_t* p) {
        M m;
        std::memcpy(&m, p, sizeof m);
        return m;
    }
    __attribute__((always_inline)) static M Counting(int scale, int offset) {
        return M{0, 1, 2, 3, 4, 5, 6, 7} * scale + offset;
    }
    // Every lane moves up by one; lane 0 takes x.
    __attribute__((always_inline)) static V Enter(const V& v, float x) {
        return __builtin_shuffle(v, V{x}, M{8, 0, 1, 2, 3, 4, 5, 6});
    }
    __attribute__((always_inline)) static V Select(const M& m, const V& a, const V& b) { return m ? a : b; }
    // Lanes whose sample t - at lies in a block of n.
    __attribute__((always_inline)) static M Live(const M& at, int t, int n) {
        const M behind = t - at;
        return (behind >= 0) & (behind < n);
    }
};

// Eight lanes in two SSE registers, for machines without AVX2.
struct NarrowLanes {
    struct V {
        FloatLanes lo, hi;
        friend V operator+(V a, V b) { return {a.lo + b.lo, a.hi + b.hi}; }
        friend V operator-(V a, V b) { return {a.lo - b.lo, a.hi - b.hi}; }
        friend V operator*(V a, V b) { return {a.lo * b.lo, a.hi * b.hi}; }
        float operator[](int l) const { return l < 4 ? lo[l] : hi[l - 4]; }
    };
    struct M {
        IntLanes lo, hi;
    };
    static V Load(const float* p) { return {LoadLanes<FloatLanes>(p), LoadLanes<FloatLanes>(p + 4)}; }
    static M Load(const int32_t* p) {
        M m;
        std::memcpy(&m.lo, p, sizeof m.lo);
        std::memcpy(&m.hi, p + 4, sizeof m.hi);
        return m;
    }
    static M Counting(int scale, int offset) {
        const IntLanes lane = {0, 1, 2, 3};
        return {lane * scale + offset, (lane + 4) * scale + offset};
    }
    // SSE2 has no general shuffle: two shufps per half.
    static V Enter(V v, float x) {
        const __m128 lo = v.lo, hi = v.hi;
        const __m128 up = _mm_move_ss(_mm_shuffle_ps(lo, lo, _MM_SHUFFLE(2, 1, 0, 0)), _mm_set_ss(x));
        const __m128 carry = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(0, 0, 3, 3)); // lo3 lo3 hi0 hi0
        return {up, _mm_shuffle_ps(carry, hi, _MM_SHUFFLE(2, 1, 2, 0))};
    }
    static V Select(M m, V a, V b) { return {m.lo ? a.lo : b.lo, m.hi ? a.hi : b.hi}; }
    static M Live(M at, int t, int n) {
        const IntLanes lo = t - at.lo, hi = t - at.hi;
        return {(lo >= 0) & (lo < n), (hi >= 0) & (hi < n)};
    }
};
} // namespace

// Channel c with S slots. Per section: u = g v; w = s1 + u; s1 = b1 u - a1 w + s2; s2 = b2 u - a2 w; on to
// the next with w. A section whose sample lies outside the block keeps its state; an empty slot passes v on.
template <class T, int S, bool Skew>
__attribute__((always_inline)) inline void CMLVSpeakerSimulatorDSP::RunChannel(int c, const float* in,
                                                                               float* out, float& inPeak,
                                                                               float& outPeak, int n) {
    using V = typename T::V;
    using M = typename T::M;
    struct Section {
        V g, b1, b2, a1, a2;
    };
    // Steps from a sample's entry to its output; lane l, slot k works on the sample `at` steps behind.
    constexpr int kDelay = Skew ? kLanes * S - 1 : kLanes - 1;
    const Pipeline& pl = pipeline;
    // Members as locals: the stores to out[] may alias them as far as the compiler knows.
    SpeakerStage& st = stage[c];
    const int mainLane = pl.mainLane;
    const int mainDelay = Skew ? mainLane * S + S - 1 : mainLane;
    const float gain = st.modelGain, volume = st.volume, hornLevel = st.hornLevel;
    Section sec[S];
    M used[S], at[S];
    const bool gapsAfterFirst = pl.gapsAfterFirst;
    V s1[S], s2[S], w[S];
    for (int k = 0; k < S; ++k) {
        const PackedSection& q = pl.sec[c][k];
        sec[k] = {T::Load(q.g), T::Load(q.b1), T::Load(q.b2), T::Load(q.a1), T::Load(q.a2)};
        used[k] = T::Load(pl.used[k]);
        at[k] = Skew ? T::Counting(S, k) : T::Counting(1, 0);
        float a[kLanes] = {}, b[kLanes] = {};
        for (int l = 0; l < kLanes; ++l) {
            const int index = pl.section[k][l];
            if (index < 0) continue;
            a[l] = st.s1[index];
            b[l] = st.s2[index];
        }
        s1[k] = T::Load(a);
        s2[k] = T::Load(b);
        w[k] = V{};
    }
    float ip = 0.0f, op = 0.0f;
    auto step = [&](int t, auto masked) __attribute__((always_inline)) {
        float fresh = 0.0f;
        if (!masked || t < n) {
            float x = in[t];
            ip = PeakUpdate(ip, x);
            if (x == 0.0f) x = 1e-8f;
            fresh = gain * x;
        }
        const V entry = T::Enter(w[S - 1], fresh);
        // Skewed, each slot takes the step before's output of the slot before: last slot first.
        for (int j = 0; j < S; ++j) {
            const int k = Skew ? S - 1 - j : j;
            const V v = k == 0 ? entry : w[k - 1];
            const Section& q = sec[k];
            const V u = q.g * v;
            const V x = s1[k] + u;
            const V n1 = q.b1 * u - q.a1 * x + s2[k];
            const V n2 = q.b2 * u - q.a2 * x;
            if (masked) {
                const M live = T::Live(at[k], t, n);
                s1[k] = T::Select(live, n1, s1[k]);
                s2[k] = T::Select(live, n2, s2[k]);
            } else {
                s1[k] = n1;
                s2[k] = n2;
            }
            // Only the first slot has gaps unless a lane holds fewer than slots - 1 sections.
            w[k] = k == 0 || gapsAfterFirst ? T::Select(used[k], x, v) : x;
        }
        // The main path's output waits in out[] for the horn's; the input there has been read.
        const int s = t - mainDelay;
        if (mainLane >= 0 && (!masked || (s >= 0 && s < n))) {
            float last[kLanes];
            std::memcpy(last, &w[S - 1], sizeof last);
            out[s] = last[mainLane];
        }
        const int o = t - kDelay;
        if (!masked || o >= 0) {
            const float h = w[S - 1][kLanes - 1];
            const float y = mainLane >= 0 ? volume * (hornLevel * h + out[o]) : volume * h;
            out[o] = y;
            op = PeakUpdate(op, y);
        }
    };
    int t = 0;
    for (const int head = std::min(n, kDelay); t < head; ++t)
        step(t, std::true_type());
    for (; t < n; ++t)
        step(t, std::false_type());
    for (; t < n + kDelay; ++t)
        step(t, std::true_type());
    for (int k = 0; k < S; ++k) {
        float a[kLanes], b[kLanes];
        std::memcpy(a, &s1[k], sizeof a);
        std::memcpy(b, &s2[k], sizeof b);
        for (int l = 0; l < kLanes; ++l) {
            const int index = pl.section[k][l];
            if (index < 0) continue;
            st.s1[index] = a[l];
            st.s2[index] = b[l];
        }
    }
    inPeak = ip;
    outPeak = op;
}

// Skewed steps take kLanes * slots - 1 steps to fill and drain, the plain ones kLanes - 1: blocks shorter
// than this take the plain ones.
constexpr int kSkewFrom = 16;

template <class T>
__attribute__((always_inline)) inline void
CMLVSpeakerSimulatorDSP::RunSlots(int c, const float* in, float* out, float& inPeak, float& outPeak, int n) {
    const bool skew = n >= kSkewFrom;
    auto run = [&](auto slots, auto skewed) __attribute__((always_inline)) {
        RunChannel<T, decltype(slots)::value, decltype(skewed)::value>(c, in, out, inPeak, outPeak, n);
    };
    using Plain = std::false_type;
    switch (pipeline.slots) {
    case 1:
        return run(std::integral_constant<int, 1>(), Plain());
    case 2:
        return skew ? run(std::integral_constant<int, 2>(), std::true_type())
                    : run(std::integral_constant<int, 2>(), Plain());
    case 3:
        return skew ? run(std::integral_constant<int, 3>(), std::true_type())
                    : run(std::integral_constant<int, 3>(), Plain());
    default:
        return skew ? run(std::integral_constant<int, 4>(), std::true_type())
                    : run(std::integral_constant<int, 4>(), Plain());
    }
}

__attribute__((target("avx2"))) void CMLVSpeakerSimulatorDSP::RunWide(int c, const float* in, float* out,
                                                                      float& inPeak, float& outPeak, int n) {
    RunSlots<WideLanes>(c, in, out, inPeak, outPeak, n);
}

void CMLVSpeakerSimulatorDSP::RunNarrow(int c, const float* in, float* out, float& inPeak, float& outPeak,
                                        int n) {
    RunSlots<NarrowLanes>(c, in, out, inPeak, outPeak, n);
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
    // One channel after the other: each is bound by the latency of a section's recursion, and two side by
    // side would not fit the registers.
    for (int c = 0; c < activeChannels; ++c)
        wide ? RunWide(c, in[c], out[c], inPeak[c], outPeak[c], n)
             : RunNarrow(c, in[c], out[c], inPeak[c], outPeak[c], n);
    return 0;
}
