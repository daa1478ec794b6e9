#include "effects/modulation/CMLVPhaserDSP.h"
#include "effects/WorkingCopy.h"
#include "effects/modulation/LowBandBypassSplit.h"
#include "effects/modulation/SyncMultiplier.h"
#include "shell/AlgorithmRegistry.h"
#include <algorithm>

namespace {
constexpr double kSweepLowHz = 350.0, kSweepHighHz = 4520.0;
constexpr double kMaxFeedback = 0.75;
} // namespace

CMLVPhaserDSP::CMLVPhaserDSP(double sampleRate_, int maxBlockSize_)
    : CMLVPhaserDSP(sampleRate_, maxBlockSize_, false) {}

CMLVPhaserDSP::CMLVPhaserDSP(double sampleRate_, int maxBlockSize_, bool bass_)
    : CMLVModulationDSP(sampleRate_, maxBlockSize_), bass(bass_) {
    CMLVParameterTable rows{
        {kMix, "Mix", "%", 0, 100, 1, 50, Linear},
        {kRate, "Rate", "Hz", 0.05, 10, 0.05, 0.5, Logarithmic},
        {kDepth, "Depth", "%", 0, 100, 1, 50, Linear},
        {kResonance, "Resonance", "%", 0, 100, 1, 50, Linear},
    };
    if (!bass) {
        Setup({"PH - Phaser", "PH", FourCC("phu1")}, SyncMultiplier::WithSyncAndTap(rows, kSyncCoeff),
              {
                  {"Default", {50, 0.5f, 50, 50, 0, 0}},
                  {"Rhythm", {50, 0.5f, 50, 50, 0, 0}},
                  {"Funky", {52, 1.84f, 72, 19, 0, 0}},
                  {"Dream on", {37, 3.16f, 18, 50, 0, 0}},
                  {"Hard", {50, 3.82f, 100, 100, 0, 0}},
              });
        return;
    }
    // The split works above 20 Hz only.
    split = std::make_unique<LowBandBypassSplit>(20.0f, false, 100.0f);
    const std::vector<std::string> impact{"Gentle |=== Full", "Gentle =|== Full", "Gentle ==|= Full",
                                          "Gentle ===| Full"};
    rows.push_back({CMLVPhaserBassDSP::kImpact, "Impact", impact, 0, 3, 1, 2, List});
    Setup({"PHB - Bass Phaser", "PHB", FourCC("phb1")},
          SyncMultiplier::WithSyncAndTap(rows, CMLVPhaserBassDSP::kSyncCoeff),
          {
              {"Default", {50, 0.5f, 50, 50, 2, 0, 0}},
              {"Stop Phase", {73, 0, 100, 100, 0, 0, 0}},
              {"Slow Phase", {82, 0.13f, 73, 63, 3, 0, 0}},
              {"Fast Phase", {100, 0.86f, 100, 67, 1, 0, 0}},
              {"Helico Phase", {100, 1, 100, 100, 3, 0, 0}},
          });
}

int CMLVPhaserDSP::SyncCoeffIndex() const {
    return bass ? int{CMLVPhaserBassDSP::kSyncCoeff} : int{kSyncCoeff};
}

CMLVPhaserDSP::~CMLVPhaserDSP() = default;

void CMLVPhaserDSP::Reset() {
    lfo.reset();
    for (auto& c : channel)
        c = PhaserChain{};
    if (split) split->Clear();
}

int CMLVPhaserDSP::UpdateCoefficients(bool full) {
    if (full) {
        lfo.setSampleRate(static_cast<float>(sampleRate));
        if (split) split->Create(sampleRate);
        Reset();
    }
    const double w = GetParameter(kMix)->GetValue() / 100.0;
    wet = static_cast<float>(w);
    dry = static_cast<float>(1.0 - w);
    const double sync = GetParameter(SyncCoeffIndex())->GetValue();
    if (SyncMultiplier::Active(sync))
        lfo.setTempo(static_cast<float>(SyncMultiplier::Tempo(sync, tempo, 0.0)));
    else
        lfo.setRate(static_cast<float>(GetParameter(kRate)->GetValue()));
    feedback = static_cast<float>(GetParameter(kResonance)->GetValue() * kMaxFeedback / 100.0);
    const double nyquist = sampleRate / 2.0;
    wMin = static_cast<float>(kSweepLowHz / nyquist);
    wRange = static_cast<float>((kSweepHighHz / nyquist - wMin) * GetParameter(kDepth)->GetValue() / 100.0);
    if (split) {
        static const float kSplit[4] = {400.0f, 160.0f, 100.0f, 20.0f};
        const int impact = static_cast<int>(GetParameter(CMLVPhaserBassDSP::kImpact)->GetValue());
        if (impact >= 0 && impact < 4) split->SetFrequency(kSplit[impact]);
    }
    parametersChanged = false;
    fullUpdatePending = false;
    return 0;
}

template <int C>
void CMLVPhaserDSP::RunChains(PhaserChain* chains, const float* c, const phaserchain::Frames& x,
                              phaserchain::Frames& u, int n) const {
    if (!fused || !phaserchain::RunFused<C>(chains, c, feedback, x, u, n))
        phaserchain::RunExact<C>(chains, c, feedback, x, u, n);
}

// In chunks: the sweep and the split first, then the chains, then the mix; each sample sees the same
// operations as one pass would give it.
template <bool Split, int C>
void CMLVPhaserDSP::Render(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    using phaserchain::kChunk;
    const double wetGain = wet, dryGain = dry, range = wRange, bottom = wMin;
    WorkingCopy<LfoOscillator> osc(lfo);
    float ip[2] = {0.0f, 0.0f}, op[2] = {0.0f, 0.0f};
    LowBandBypassSplit::Band band[2];
    if (Split)
        for (int ch = 0; ch < C; ++ch)
            band[ch] = split->Begin(ch);
    for (int pos = 0; pos < n; pos += kChunk) {
        const int m = std::min(kChunk, n - pos);
        float c[kChunk];
        phaserchain::Frames x, low, u;
        for (int i = 0; i < m; ++i) {
            const float w = static_cast<float>((osc->getParabola() + 1.0) * 0.5 * range + bottom);
            c[i] = static_cast<float>((w - 1.0) / (w + 1.0));
            osc->tick();
            for (int ch = 0; ch < C; ++ch) {
                float v = in[ch][pos + i];
                ip[ch] = PeakUpdate(ip[ch], v);
                if (Split) band[ch].Split(v, low[i][ch], v);
                x[i][ch] = v;
            }
        }
        RunChains<C>(channel.data(), c, x, u, m);
        for (int i = 0; i < m; ++i)
            for (int ch = 0; ch < C; ++ch) {
                const double mixed = wetGain * u[i][ch] + dryGain * x[i][ch];
                const float y = static_cast<float>(Split ? low[i][ch] + mixed : mixed);
                out[ch][pos + i] = y;
                op[ch] = PeakUpdate(op[ch], y);
            }
    }
    for (int ch = 0; ch < C; ++ch) {
        if (Split) split->End(ch, band[ch]);
        inPeak[ch] = ip[ch];
        outPeak[ch] = op[ch];
    }
}

int CMLVPhaserDSP::Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int n) {
    if (BeginBlock(in, out, inPeak, outPeak, n)) return 0;
    return WithChannelsAndSplit(split && split->Active(), [&](auto channels, auto low) {
        Render<low, channels>(in, out, inPeak, outPeak, n);
    });
}

MLV_REGISTER_ALGORITHM(135, CMLVPhaserDSP)
MLV_REGISTER_ALGORITHM(140, CMLVPhaserBassDSP)
