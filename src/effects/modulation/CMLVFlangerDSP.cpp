#include "effects/modulation/CMLVFlangerDSP.h"
#include "effects/WorkingCopy.h"
#include "effects/modulation/DelayGroupLoop.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// The delay window.
constexpr int kMaxDelayTenthsMs = 120;
constexpr int kMinDelayTenthsMs = 11;
constexpr int kSpareTenthsMs = 10;
// The comb always keeps a little feedback.
constexpr double kRegenMinPercent = 10, kRegenMaxPercent = 88;
constexpr double kDryGain = 0.58, kWetGain = 0.50;
} // namespace

CMLVFlangerDSP::CMLVFlangerDSP(double sampleRate_, int maxBlockSize_)
    : CMLVFlangerDSP(sampleRate_, maxBlockSize_, false) {}

CMLVFlangerDSP::CMLVFlangerDSP(double sampleRate_, int maxBlockSize_, bool bass_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_), bass(bass_) {
    CMLVParameterTable rows{
        {kFxTune, "Fx Tune", "%", 0, 100, 1, 50, Linear},
        {kRate, "Rate", "Hz", 0.05, 10, 0.05, 0.692, Logarithmic},
        {kDepth, "Depth", "%", 0, 100, 1, 50, Linear},
        {kRegeneration, "Regeneration", "%", 0, 100, 1, 50, Linear},
    };
    if (!bass) {
        Setup({"FL - Flanger", "FL", FourCC("flu1")}, SyncMultiplier::WithSyncAndTap(rows, kSyncCoeff),
              {
                  {"Default", {50, 0.692f, 50, 50, 0, 0}},
                  {"Clean G1", {33, 0.219f, 37, 78, 0, 0}},
                  {"Clean G2", {0, 0.129f, 100, 86, 0, 0}},
                  {"Wet & Slow", {0, 0.081f, 100, 91, 0, 0}},
                  {"Big & High", {100, 0.151f, 16, 90, 0, 0}},
                  {"Big & Low", {0, 0.23f, 44, 75, 0, 0}},
                  {"Destroyer", {0, 9.33f, 88, 33, 0, 0}},
                  {"Flatrix 1", {10, 2.455f, 0, 80, 0, 0}},
                  {"Flatrix 2", {56, 2.455f, 0, 80, 0, 0}},
                  {"Flatrix 3", {91, 2.455f, 0, 80, 0, 0}},
                  {"Flatrix Low Detune", {0, 0.49f, 5, 85, 0, 0}},
              });
        return;
    }
    split = std::make_unique<LowBandBypassSplit>(120.0f, true, 150.0f);
    rows.push_back(LowBandBypassSplit::ThreeStepImpactRecord(CMLVFlangerBassDSP::kImpact));
    Setup({"FLB - Bass Flanger", "FLB", FourCC("flb1")},
          SyncMultiplier::WithSyncAndTap(rows, CMLVFlangerBassDSP::kSyncCoeff),
          {
              {"Default", {50, 0.692f, 50, 50, 0, 0, 0}},
              {"Stop flange", {17, 1, 35, 73, 2, 0, 0}},
              {"Slow flange", {40, 0.47f, 100, 84, 2, 0, 0}},
              {"Synth flange", {0, 0.79f, 100, 100, 2, 0, 0}},
              {"Space Flange", {50, 1, 100, 100, 2, 0, 0}},
          });
}

int CMLVFlangerDSP::SyncCoeffIndex() const {
    return bass ? int{CMLVFlangerBassDSP::kSyncCoeff} : int{kSyncCoeff};
}

CMLVFlangerDSP::~CMLVFlangerDSP() = default;

void CMLVFlangerDSP::Reset() {
    line.Clear();
    if (split) split->Clear();
}

int CMLVFlangerDSP::UpdateCoefficients(bool full) {
    int result = 0;
    if (full) {
        if (!line.Allocate(
                ModulatedDelayLine::SamplesFromTenthsMs(kMaxDelayTenthsMs + kSpareTenthsMs, sampleRate)))
            result = 1;
        maxDelay = ModulatedDelayLine::SamplesFromTenthsMs(kMaxDelayTenthsMs, sampleRate);
        minDelay = ModulatedDelayLine::SamplesFromTenthsMs(kMinDelayTenthsMs, sampleRate);
        if (split) split->Create(sampleRate);
        Reset();
    }
    feedback = static_cast<float>((kRegenMinPercent + (kRegenMaxPercent - kRegenMinPercent) *
                                                          GetParameter(kRegeneration)->GetValue() / 100.0) /
                                  100.0);
    const double tune = GetParameter(kFxTune)->GetValue(), depth = GetParameter(kDepth)->GetValue();
    const int range = maxDelay - minDelay;
    upper = maxDelay - static_cast<int>(tune / 100.0 * range + 0.5);
    lower = maxDelay - static_cast<int>((depth + tune) / 100.0 * range + 0.5);
    if (upper < minDelay) upper = minDelay;
    // A window reaching below the minimum keeps its width and is pushed up.
    if (lower < minDelay) {
        upper += minDelay - lower;
        lower = minDelay;
    }
    line.SetBaseDelay((upper + lower) / 2);
    half = static_cast<float>((upper - lower) * 0.5);
    const double rate = SyncMultiplier::Rate(GetParameter(SyncCoeffIndex())->GetValue(), tempo,
                                             GetParameter(kRate)->GetValue());
    for (auto& o : osc)
        o.setRate(rate, sampleRate);
    if (split) {
        static const float kSplit[3] = {400.0f, 120.0f, 20.0f};
        const int impact = static_cast<int>(GetParameter(CMLVFlangerBassDSP::kImpact)->GetValue());
        if (impact >= 0 && impact < 3) split->SetFrequency(kSplit[impact]);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return result;
}

template <int C, bool Split>
void CMLVFlangerDSP::Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using namespace samplegroup;
    const double fb = feedback;
    const float h = half;
    // Local copies: written through `this` every sample, the sweeps would be stored and reloaded on the
    // oscillators' dependent chains.
    WorkingCopy<std::array<TriangleParabolaOscillator, 2>> o(osc);
    TriangleParabolaPair sweeps((*o)[0], (*o)[1]);
    const __m128d fbs = _mm_set1_pd(fb), dry = _mm_set1_pd(kDryGain), wet = _mm_set1_pd(kWetGain);
    const __m128 hs = _mm_set1_ps(h);
    RunDelayGroups<C, Split>(
        in, out, inPeak, outPeak, n, line, split.get(),
        [&]() __attribute__((always_inline)) {
            if constexpr (C == 2) {
                const __m128 now = sweeps.Tick();
                return _mm_mul_ps(_mm_unpacklo_ps(now, sweeps.Tick()), hs);
            } else {
                // Lane 1 steps the right sweep along unused; it is not copied back.
                const __m128 p0 = sweeps.Tick(), p1 = sweeps.Tick(), p2 = sweeps.Tick();
                return _mm_mul_ps(_mm_movelh_ps(_mm_unpacklo_ps(p0, p1), _mm_unpacklo_ps(p2, sweeps.Tick())),
                                  hs);
            }
        },
        [&](const ModulatedDelayLine::Cursor& cursor, __m128 xs, __m128 lows, __m128 v)
            __attribute__((always_inline)) {
                const __m128d xl = Low(xs), xh = High(xs), vl = Low(v), vh = High(v);
                cursor.WriteGroup<C>(FlushDenormals(
                    Narrow(_mm_add_pd(_mm_mul_pd(fbs, vl), xl), _mm_add_pd(_mm_mul_pd(fbs, vh), xh))));
                __m128d yl = _mm_add_pd(_mm_mul_pd(dry, xl), _mm_mul_pd(wet, vl));
                __m128d yh = _mm_add_pd(_mm_mul_pd(dry, xh), _mm_mul_pd(wet, vh));
                if (Split) {
                    yl = _mm_add_pd(Low(lows), yl);
                    yh = _mm_add_pd(High(lows), yh);
                }
                return Narrow(yl, yh);
            },
        [&](const ModulatedDelayLine::Cursor& cursor, int c, float x, float low, float d, int r, int w)
            __attribute__((always_inline)) {
                const float v = cursor.ReadAt(c, r, d);
                // The recirculating line decays into subnormals after the signal stops; flush them.
                cursor.WriteAt(c, w, FlushDenormal(static_cast<float>(fb * v + x)));
                const double wetDry = kDryGain * x + kWetGain * v;
                return static_cast<float>(Split ? low + wetDry : wetDry);
            },
        [&]() __attribute__((always_inline)) { ForChannels<C>([&](auto c) { sweeps.CopyTo(c, (*o)[c]); }); },
        [&](float d[2]) __attribute__((always_inline)) {
            ForChannels<C>([&](auto c) {
                d[c] = (*o)[c].parabola * h;
                (*o)[c].tick();
            });
        });
}

int CMLVFlangerDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    // No comb without its buffers: the input passes through.
    if (!line.Ready()) return RunPassThrough(in, out, inPeak, outPeak, n);
    return WithChannelsAndSplit(split && split->Active(), [&](auto channels, auto low) {
        Render<channels, low>(in, out, inPeak, outPeak, n);
    });
}

MLV_REGISTER_ALGORITHM(65, CMLVFlangerDSP)
MLV_REGISTER_ALGORITHM(70, CMLVFlangerBassDSP)
