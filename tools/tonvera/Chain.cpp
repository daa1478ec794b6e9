#include "tonvera/Chain.h"
#include "tonvera/Progress.h"
#include "shell/SupportedRates.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

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
    : fOptions(options), fChannels(channels) {
    if (!IsSupportedSampleRate(sampleRate))
        throw host::HostError("the effects run at 8000 to 384000 Hz, not at " +
                                  std::to_string(static_cast<long long>(sampleRate)) + " Hz",
                              1);
    fTempo.bpm = options.tempo;
    const host::RenderMode mode = options.realtime ? host::RenderMode::RealTime : host::RenderMode::Offline;
    for (const EffectSetup& setup : options.effects) {
        fEffects.push_back(std::make_unique<host::Effect>(library, setup.code, mode, channels, sampleRate,
                                                          &fTempo, nullptr,
                                                          options.realtime ? options.block : 0));
        ApplyEffectSetup(*fEffects.back(), setup);
    }
    fLevels.resize(fEffects.size());
}

size_t Chain::SliceFrames() const {
    if (!fOptions.realtime) return kOfflinePart;
    const size_t block = static_cast<size_t>(fOptions.block);
    return block * std::max<size_t>(1, kOfflinePart / block);
}

void Chain::Process(float* const* ch, size_t frames) {
    const size_t step = fOptions.realtime ? static_cast<size_t>(fOptions.block) : kOfflinePart;
    for (size_t pos = 0; pos < frames; pos += step) {
        const size_t n = std::min(step, frames - pos);
        float* part[2] = {ch[0] + pos, fChannels > 1 ? ch[1] + pos : nullptr};
        for (size_t e = 0; e < fEffects.size(); ++e) {
            StageLevels& l = fLevels[e];
            Measure(part, fChannels, n, l.inPeak, l.inSquares);
            fEffects[e]->Render(part, part, static_cast<int>(n));
            Measure(part, fChannels, n, l.outPeak, l.outSquares);
            l.samples += n * static_cast<size_t>(fChannels);
        }
    }
}

void Chain::Render(Audio& audio, const std::string& progressLabel) {
    Progress progress(progressLabel);
    const size_t total = audio.Frames(), slice = SliceFrames();
    for (size_t pos = 0; pos < total; pos += slice) {
        const size_t n = std::min(slice, total - pos);
        float* ch[2] = {audio.channels[0].data() + pos,
                        fChannels > 1 ? audio.channels[1].data() + pos : nullptr};
        Process(ch, n);
        progress.Update(pos + n, total);
    }
}

void Chain::Stream(AudioReader& in, AudioWriter& out, const std::string& progressLabel) {
    Progress progress(progressLabel);
    const size_t slice = SliceFrames(), channels = static_cast<size_t>(fChannels);
    std::vector<float> interleaved(slice * channels), planar(slice * channels);
    float* ch[2] = {planar.data(), channels > 1 ? planar.data() + slice : nullptr};
    size_t done = 0;
    while (const size_t n = in.Read(interleaved.data(), slice)) {
        for (size_t i = 0; i < n; ++i)
            for (size_t c = 0; c < channels; ++c)
                ch[c][i] = interleaved[i * channels + c];
        Process(ch, n);
        for (size_t i = 0; i < n; ++i)
            for (size_t c = 0; c < channels; ++c)
                interleaved[i * channels + c] = ch[c][i];
        out.Write(interleaved.data(), n);
        done += n;
        progress.Update(done, in.Frames());
    }
}

std::vector<PendingFile> Chain::WriteStates() const {
    std::vector<PendingFile> files;
    for (size_t e = 0; e < fEffects.size(); ++e) {
        const std::string& path = fOptions.effects[e].stateOut;
        if (path.empty()) continue;
        const std::vector<uint8_t> record = fEffects[e]->SaveChunk();
        files.emplace_back(path);
        FILE* f = std::fopen(files.back().TempPath().c_str(), "wb");
        const bool ok = f && std::fwrite(record.data(), 1, record.size(), f) == record.size();
        if ((f && std::fclose(f) != 0) || !ok)
            throw host::HostError(
                "cannot write " + path + (f ? "" : std::string(": ") + std::strerror(errno)), 1);
    }
    return files;
}
