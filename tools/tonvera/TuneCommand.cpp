#include "effects/modulation/TuneAnalysis.h"
#include "host/EmbeddedHost.h"
#include "tonvera/AudioFile.h"
#include "tonvera/Commands.h"
#include <cstdio>
#include <cstdlib>

namespace {
using AnalyseFn = decltype(&MLVAnalyseTuning);

int Tune(const std::vector<std::string>& args) {
    double a4 = 440.0;
    bool all = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--a4" && i + 1 < args.size()) {
            char* end = nullptr;
            a4 = std::strtod(args[++i].c_str(), &end);
            if (!end || *end || a4 < 340.0 || a4 > 500.0)
                throw UsageError{"--a4 takes a pitch from 340 to 500 Hz"};
        } else if (args[i] == "--all") {
            all = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            throw UsageError{"unknown option " + args[i]};
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 1) throw UsageError{"give one input file"};

    host::PluginLibrary library;
    auto analyse = reinterpret_cast<AnalyseFn>(library.Symbol("MLVAnalyseTuning"));
    if (!analyse)
        throw host::HostError("the plug-in library " + library.Path() + " has no tuner analysis", 1);
    const Audio audio = ReadAudio(files[0]);
    std::vector<const float*> channels;
    for (const auto& c : audio.channels)
        channels.push_back(c.data());
    const long frames = static_cast<long>(audio.Frames());
    const int count = static_cast<int>(channels.size());
    std::vector<MLVTuneReading> readings(
        static_cast<size_t>(analyse(channels.data(), count, frames, audio.sampleRate, a4, nullptr, 0)));
    analyse(channels.data(), count, frames, audio.sampleRate, a4, readings.data(),
            static_cast<long>(readings.size()));

    // One line per analysis (every 4096 samples) that found a pitch; --all also lists the others, which
    // hold the last values.
    std::printf("%9s %10s %-5s %8s %9s\n", "time_s", "freq_Hz", "note", "cents", "deviation");
    for (const MLVTuneReading& r : readings) {
        if (!r.pitched && !all) continue;
        if (r.note[0] == 0)
            std::printf("%9.3f %10s %-5s %8s %9s\n", r.time, "-", "-", "-", "-");
        else
            std::printf("%9.3f %10.3f %-5s %8.2f %9.2f%s\n", r.time, r.frequency, r.note, r.cents,
                        r.deviation, r.pitched ? "" : "  (held)");
    }
    return 0;
}
} // namespace

TONVERA_COMMAND(tune, "tune", "tune [--a4 HZ] [--all] IN the tuner's reading every 4096 samples", Tune)
