#include "tonvera/Chain.h"
#include "tonvera/Progress.h"
#include "shell/SupportedRates.h"
#include <algorithm>
#include <cmath>

namespace {
// Offline regions are handed over in parts, so progress can be shown; the library slices each part.
constexpr size_t kOfflinePart = 65536;

void Measure(float* const* ch, int channels, size_t n, double& peak, double& squares) {
    for (int c = 0; c < channels; ++c)
        for (size_t i = 0; i < n; ++i) {
            const double x = ch[c][i];
            peak = std::max(peak, std::fabs(x));
            squares += x * x;
        }
}
} // namespace

double Dbfs(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -INFINITY;
}

Chain::Chain(host::PluginLibrary& library, const ChainOptions& options, double sampleRate, int channels)
    : fOptions(options) {
    if (!IsSupportedSampleRate(sampleRate))
        throw host::HostError("the effects run at 8000 to 384000 Hz, not at " +
                                  std::to_string(static_cast<long long>(sampleRate)) + " Hz",
                              1);
    fTempo.bpm = options.tempo;
    const host::RenderMode mode = options.realtime ? host::RenderMode::RealTime : host::RenderMode::Offline;
    for (const EffectSetup& setup : options.effects) {
        fEffects.push_back(
            std::make_unique<host::Effect>(library, setup.code, mode, channels, sampleRate, &fTempo));
        ApplyEffectSetup(*fEffects.back(), setup);
    }
    fLevels.resize(fEffects.size());
}

void Chain::Render(Audio& audio, const std::string& progressLabel) {
    Progress progress(progressLabel);
    const size_t total = audio.Frames();
    const int channels = static_cast<int>(audio.channels.size());
    const size_t step = fOptions.realtime ? static_cast<size_t>(fOptions.block) : kOfflinePart;
    for (size_t pos = 0; pos < total; pos += step) {
        const size_t n = std::min(step, total - pos);
        float* ch[2] = {audio.channels[0].data() + pos,
                        channels > 1 ? audio.channels[1].data() + pos : nullptr};
        for (size_t e = 0; e < fEffects.size(); ++e) {
            StageLevels& l = fLevels[e];
            Measure(ch, channels, n, l.inPeak, l.inSquares);
            fEffects[e]->Render(ch, ch, static_cast<int>(n));
            Measure(ch, channels, n, l.outPeak, l.outSquares);
            l.samples += n * static_cast<size_t>(channels);
        }
        progress.Update(pos + n, total);
    }
}

void Chain::SaveStates() const {
    for (size_t e = 0; e < fEffects.size(); ++e)
        if (!fOptions.effects[e].stateOut.empty())
            WriteBytes(fOptions.effects[e].stateOut, fEffects[e]->SaveChunk());
}
