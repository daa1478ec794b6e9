#include "tonvera/Chain.h"
#include "tonvera/Commands.h"
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {
// A plucked-string riff (Karplus-Strong), the same every time.
Audio SynthesiseRiff(double sampleRate) {
    const double notes[] = {82.41, 98.00, 110.00, 123.47, 110.00, 98.00, 82.41, 146.83};
    const double noteSeconds = 0.5;
    Audio a;
    a.sampleRate = sampleRate;
    const size_t noteLen = static_cast<size_t>(noteSeconds * sampleRate);
    const size_t total = noteLen * (sizeof notes / sizeof notes[0]) + static_cast<size_t>(sampleRate);
    a.channels.assign(2, std::vector<float>(total, 0.0f));
    uint32_t seed = 12345;
    for (size_t k = 0; k < sizeof notes / sizeof notes[0]; ++k) {
        const size_t period = static_cast<size_t>(sampleRate / notes[k]);
        std::vector<double> line(period);
        for (double& v : line) {
            seed = seed * 1664525u + 1013904223u;
            v = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.8;
        }
        const size_t start = k * noteLen;
        for (size_t i = 0; i < noteLen + static_cast<size_t>(sampleRate) && start + i < total; ++i) {
            const size_t j = i % period;
            const double y = line[j];
            line[j] = 0.996 * 0.5 * (line[j] + line[(j + 1) % period]);
            const float s = static_cast<float>(y * (i < noteLen ? 1.0 : 0.0));
            a.channels[0][start + i] += s;
            a.channels[1][start + i] += 0.9f * s;
        }
    }
    return a;
}

int Demo(const std::vector<std::string>& args) {
    if (args.size() > 1) throw UsageError{"demo takes at most an output file"};
    const std::string out = args.empty() ? "tonvera-demo.wav" : args[0];
    host::PluginLibrary library;
    // A guitar rig: preamp or drive, modulation, echo or room, cabinet last.
    const std::vector<std::vector<std::string>> stages = {
        {"CPG", "OD", "BLG"}, {"CH", "PH", "FL"}, {"BD", "RV"}, {"SPG"}};
    ChainOptions options;
    for (const auto& candidates : stages)
        for (const std::string& code : candidates)
            if (library.FindType(code, kAudioSuite, 2)) {
                options.effects.push_back(EffectSetup{code, {}, {}, {}, {}});
                break;
            }
    if (options.effects.empty()) options.effects.push_back(EffectSetup{"LC", {}, {}, {}, {}});
    Audio audio = SynthesiseRiff(48000.0);
    Chain chain(library, options, audio.sampleRate, 2);
    chain.Render(audio, "rendering " + out);
    WriteAudio(out, audio);
    std::printf("%-5s %12s %12s %12s %12s\n", "stage", "in peak", "in RMS", "out peak", "out RMS");
    for (size_t e = 0; e < chain.Effects().size(); ++e) {
        const StageLevels& l = chain.Levels()[e];
        const double n = static_cast<double>(l.samples ? l.samples : 1);
        std::printf("%-5s %8.1f dBFS %7.1f dBFS %7.1f dBFS %7.1f dBFS\n", chain.Effects()[e]->Code().c_str(),
                    Dbfs(l.inPeak), Dbfs(std::sqrt(l.inSquares / n)), Dbfs(l.outPeak),
                    Dbfs(std::sqrt(l.outSquares / n)));
    }
    std::printf("wrote %s (%.1f s, 48 kHz stereo)\n", out.c_str(),
                static_cast<double>(audio.Frames()) / audio.sampleRate);
    return 0;
}
} // namespace

TONVERA_COMMAND(demo, "demo", "demo [OUT]                renders a built-in riff through a default chain",
                Demo)
