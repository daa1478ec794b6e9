#include "effects/modulation/CMLVChorusDSP.h"
#include "effects/WorkingCopy.h"
#include "effects/modulation/DelayGroupLoop.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

namespace {
constexpr int kBaseDelayTenthsMs = 60;       // centre of the voice
constexpr int kModulationDepthTenthsMs = 10; // swing at "Depth" 100 %
constexpr double kStereoSpread = 0.74;
} // namespace

CMLVChorusDSP::CMLVChorusDSP(double sampleRate_, int maxBlockSize_)
    : CMLVChorusDSP(sampleRate_, maxBlockSize_, false) {}

CMLVChorusDSP::CMLVChorusDSP(double sampleRate_, int maxBlockSize_, bool bass_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_), bass(bass_) {
    CMLVParameterTable rows{
        {kMix, "Mix", "%", 0, 100, 1, 50, Linear},
        {kRate, "Rate", "Hz", 0.1, 10, 0.1, 1, Logarithmic},
        {kDepth, "Depth", "%", 0, 100, 1, 50, Linear},
        {kStereo, "Stereo", "%", 0, 100, 1, 10, Linear},
    };
    if (!bass) {
        Setup({"CH - Chorus", "CH", FourCC("chu1")}, SyncMultiplier::WithSyncAndTap(rows, kSyncCoeff),
              {
                  {"Default", {50, 1, 50, 10, 0, 0}},
                  {"Light", {50, 0.603f, 50, 100, 0, 0}},
                  {"Slow", {50, 0.162f, 100, 100, 0, 0}},
                  {"Speed", {34, 6.166f, 48, 100, 0, 0}},
                  {"Clean G", {50, 0.372f, 100, 100, 0, 0}},
                  {"12 th", {50, 0.871f, 100, 100, 0, 0}},
                  {"Vibrato 1", {100, 5.129f, 83, 100, 0, 0}},
                  {"Vibrato 2", {65, 7.244f, 72, 85, 0, 0}},
              });
        return;
    }
    // Below 120 Hz the split is off; 150 Hz until "Impact" is first applied.
    split = std::make_unique<LowBandBypassSplit>(120.0f, true, 150.0f);
    rows.push_back(LowBandBypassSplit::ThreeStepImpactRecord(CMLVChorusBassDSP::kImpact));
    Setup({"CHB - Bass Chorus", "CHB", FourCC("chb1")},
          SyncMultiplier::WithSyncAndTap(rows, CMLVChorusBassDSP::kSyncCoeff),
          {
              {"Default", {50, 1, 50, 10, 0, 0, 0}},
              {"Light wide chorus", {88, 0.282f, 90, 100, 0, 0, 0}},
              {"Medium chorus", {80, 1, 88, 50, 1, 0, 0}},
              {"Hard chorus", {88, 1.66f, 90, 100, 2, 0, 0}},
              {"Ultra vibe chorus", {100, 5.89f, 35, 73, 2, 0, 0}},
          });
}

int CMLVChorusDSP::SyncCoeffIndex() const {
    return bass ? int{CMLVChorusBassDSP::kSyncCoeff} : int{kSyncCoeff};
}

CMLVChorusDSP::~CMLVChorusDSP() = default;

void CMLVChorusDSP::Reset() {
    line.Clear();
    if (split) split->Clear();
}

int CMLVChorusDSP::UpdateCoefficients(bool full) {
    int result = 0;
    const int base = ModulatedDelayLine::SamplesFromTenthsMs(kBaseDelayTenthsMs, sampleRate);
    if (full) {
        const int n = ModulatedDelayLine::SamplesFromTenthsMs(
            kBaseDelayTenthsMs + 2 * kModulationDepthTenthsMs + 1, sampleRate);
        depthSamples = ModulatedDelayLine::SamplesFromTenthsMs(kModulationDepthTenthsMs, sampleRate);
        if (!line.Allocate(n)) result = 1;
        if (split) split->Create(sampleRate);
        Reset();
    }
    const double w = GetParameter(kMix)->GetValue() / 100.0;
    wet = static_cast<float>(w);
    dry = static_cast<float>(1.0 - w);
    const double s = kStereoSpread * GetParameter(kStereo)->GetValue() / 100.0;
    const float d = static_cast<float>(depthSamples * GetParameter(kDepth)->GetValue() / 100.0);
    line.depth[0] = static_cast<float>((1.0 + s) * d);
    line.depth[1] = static_cast<float>((1.0 - s) * d);
    line.SetBaseDelay(base);
    osc.setRate(SyncMultiplier::Rate(GetParameter(SyncCoeffIndex())->GetValue(), tempo,
                                     GetParameter(kRate)->GetValue()),
                sampleRate);
    if (split) {
        static const float kSplit[3] = {400.0f, 140.0f, 0.0f};
        const int impact = static_cast<int>(GetParameter(CMLVChorusBassDSP::kImpact)->GetValue());
        if (impact >= 0 && impact < 3) split->SetFrequency(kSplit[impact]);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return result;
}

template <int C, bool Split>
void CMLVChorusDSP::Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using namespace samplegroup;
    const double wetGain = wet, dryGain = dry;
    const float depth[2] = {line.depth[0], line.depth[1]};
    // Local copies keep the sweep in registers across the block.
    WorkingCopy<TriangleParabolaOscillator> o(osc);
    TriangleParabolaPair sweep(*o, *o);
    const __m128d wetPair = _mm_set1_pd(wetGain), dryPair = _mm_set1_pd(dryGain);
    const __m128 depths = _mm_setr_ps(depth[0], depth[0], depth[C - 1], depth[C - 1]);
    RunDelayGroups<C, Split>(
        in, out, inPeak, outPeak, n, line, split.get(),
        [&]() __attribute__((always_inline)) {
            // Both lanes run the one sweep: [p(n), p(n + 1), p(n), p(n + 1)] after two steps.
            const __m128 p0 = sweep.Tick();
            const __m128 p01 = _mm_unpacklo_ps(p0, sweep.Tick());
            if constexpr (C == 2) {
                return _mm_mul_ps(p01, depths);
            } else {
                const __m128 p2 = sweep.Tick();
                return _mm_mul_ps(_mm_movelh_ps(p01, _mm_unpacklo_ps(p2, sweep.Tick())), depths);
            }
        },
        [&](const ModulatedDelayLine::Cursor& cursor, __m128 xs, __m128 lows, __m128 v)
            __attribute__((always_inline)) {
                cursor.WriteGroup<C>(xs);
                __m128d yl = _mm_mul_pd(dryPair, Low(xs)), yh = _mm_mul_pd(dryPair, High(xs));
                if (Split) {
                    yl = _mm_add_pd(Low(lows), yl);
                    yh = _mm_add_pd(High(lows), yh);
                }
                return Narrow(_mm_add_pd(yl, _mm_mul_pd(wetPair, Low(v))),
                              _mm_add_pd(yh, _mm_mul_pd(wetPair, High(v))));
            },
        [&](const ModulatedDelayLine::Cursor& cursor, int c, float x, float low, float d, int r,
            int w) __attribute__((always_inline)) {
            const float v = cursor.ReadAt(c, r, d);
            cursor.WriteAt(c, w, x);
            return static_cast<float>(Split ? low + dryGain * x + wetGain * v : dryGain * x + wetGain * v);
        },
        [&]() __attribute__((always_inline)) { sweep.CopyTo(0, *o); },
        [&](float d[2]) __attribute__((always_inline)) {
            const float p = o->parabola;
            o->tick();
            d[0] = p * depth[0];
            d[1] = p * depth[C - 1];
        });
}

int CMLVChorusDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    // No voice without its buffers: the input passes through.
    if (!line.Ready()) return RunPassThrough(in, out, inPeak, outPeak, n);
    return WithChannelsAndSplit(split && split->Active(), [&](auto channels, auto low) {
        Render<channels, low>(in, out, inPeak, outPeak, n);
    });
}

MLV_REGISTER_ALGORITHM(90, CMLVChorusDSP)
MLV_REGISTER_ALGORITHM(95, CMLVChorusBassDSP)
