#include "effects/modulation/CMLVFlangerDSP.h"
#include "effects/modulation/LowBandBypassSplit.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"

namespace {
// Delay window in tenths of a millisecond.
constexpr int kMaxDelay = 120;
constexpr int kMinDelay = 11;
constexpr int kSpare = 10;
// Regeneration range in percent: the comb always keeps a little feedback.
constexpr double kRegenMin = 10, kRegenMax = 88;
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
        if (!line.Allocate(ModulatedDelayLine::SamplesFromTenthsMs(kMaxDelay + kSpare, sampleRate)))
            result = 1;
        maxDelay = ModulatedDelayLine::SamplesFromTenthsMs(kMaxDelay, sampleRate);
        minDelay = ModulatedDelayLine::SamplesFromTenthsMs(kMinDelay, sampleRate);
        if (split) split->Create(sampleRate);
        Reset();
    }
    feedback = static_cast<float>(
        (kRegenMin + (kRegenMax - kRegenMin) * GetParameter(kRegeneration)->GetValue() / 100.0) / 100.0);
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

template <bool Split>
int CMLVFlangerDSP::Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    const double fb = feedback;
    const float h = half;
    return RunKernel(in, out, inPeak, outPeak, n, [&](auto channels, const float* input, float* y) {
        float x[2] = {input[0], input[1]}, low[2] = {0.0f, 0.0f};
        for (int c = 0; c < channels; ++c) {
            if (Split) split->Split(c, x[c], low[c], x[c]);
            const float p = osc[c].parabola;
            osc[c].tick();
            const float v = line.Read(c, p * h);
            // The recirculating line decays into subnormals after the signal stops; flush them.
            line.Write(c, FlushDenormal(static_cast<float>(fb * v + x[c])));
            const double wetDry = kDryGain * x[c] + kWetGain * v;
            y[c] = static_cast<float>(Split ? low[c] + wetDry : wetDry);
        }
        line.Advance();
    });
}

int CMLVFlangerDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    // No comb without its buffers: the input passes through.
    if (!line.Ready()) return RunPassThrough(in, out, inPeak, outPeak, n);
    if (split && split->Active()) return Render<true>(in, out, inPeak, outPeak, n);
    return Render<false>(in, out, inPeak, outPeak, n);
}

MLV_REGISTER_ALGORITHM(65, CMLVFlangerDSP)
MLV_REGISTER_ALGORITHM(70, CMLVFlangerBassDSP)
