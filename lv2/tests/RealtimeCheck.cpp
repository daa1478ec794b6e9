// Real-time checks of the LV2 bundle on lilv, linked with the RealtimeSanitizer runtime:
//   rt        every plug-in's run() inside the sanitizer's real-time context, with random control
//             changes every block (footswitch and tap included), host tempo changes and blocks from 1
//             sample to the host's maximum, announced through the options feature or not. Each plug-in
//             runs in a child process: the sanitizer ends a process at its first finding.
//   embedded  the same for the command line's embedded host: every effect, mono and stereo.
//   reset     after loud input, deactivate + activate: the output for silence equals a fresh instance's
//             within -120 dB (oscillators keep their phase, which moves the anti-denormal residue).
// Each plug-in prints PASS or FAIL; the exit status is the number of failures (at most 125).
#include "LilvHost.h"
#include "host/EmbeddedHost.h"
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
// The sanitizer's real-time section (the runtime is linked whole; the compiler need not know it).
void __rtsan_realtime_enter() __attribute__((weak));
void __rtsan_realtime_exit() __attribute__((weak));
}

namespace {

constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 8192;
constexpr int kBlocks[] = {1, 17, 256, 4096, kMaxBlock};

// A deterministic generator that allocates nothing.
struct Random {
    uint32_t state = 12345;
    float Next() { // 0 .. 1
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

// The host's features, with the maximum block announced through the options feature or not; a base
// of Host, so that they exist before its instance.
struct HostFeatures {
    HostFeatures(UridMap& urids, bool announceMaximum) {
        options[0] = {
            LV2_OPTIONS_INSTANCE,     0,        urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
            urids.Map(LV2_ATOM__Int), &maxBlock};
        options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        for (int i = 0; urids.Features()[i]; ++i)
            features.push_back(urids.Features()[i]);
        if (announceMaximum) features.push_back(&optionsFeature);
        features.push_back(nullptr);
    }
    int32_t maxBlock = kMaxBlock;
    LV2_Options_Option options[2];
    LV2_Feature optionsFeature = {LV2_OPTIONS__options, options};
    std::vector<const LV2_Feature*> features;
};

// An instance with buffers of the host's maximum, allocated before the real-time section.
class Host : HostFeatures, public PluginInstance {
  public:
    Host(World& w, UridMap& urids, const LilvPlugin* plugin, bool announceMaximum)
        : HostFeatures(urids, announceMaximum),
          PluginInstance(w, urids, plugin, kRate, kMaxBlock, features.data()) {}

    // Inputs: noise of the given level.
    void FillInputs(Random& random, float level) {
        for (std::vector<float>& in : In())
            for (float& x : in)
                x = level * (2.0f * random.Next() - 1.0f);
    }
    // Every control input to a random value of its range; a new tempo on the atom port every 8th block.
    void RandomControls(Random& random, int block) {
        for (const Control& c : Controls()) {
            const float v = c.minimum + (c.maximum - c.minimum) * random.Next();
            Value(c.index) = c.discrete ? std::round(v) : v;
        }
        const float bpm = 40.0f + 200.0f * random.Next();
        block % 8 == 0 ? Tempo().Send(bpm) : Tempo().Empty();
    }
};

// Seconds of audio inside the sanitizer's real-time section in blocks of every length in turn;
// block(b, n) changes what it likes and processes n samples.
template <class Block> void RealTimeLoop(double seconds, Block block) {
    __rtsan_realtime_enter();
    for (int b = 0, samples = 0; samples < seconds * kRate; samples += kBlocks[b++ % 5])
        block(b, kBlocks[b % 5]);
    __rtsan_realtime_exit();
}

// About 3 s of audio per instance, random controls every block; with the maximum block announced and
// without.
bool RealTimeRun(World& w, UridMap& urids, const LilvPlugin* plugin) {
    for (bool announce : {true, false}) {
        Host host(w, urids, plugin, announce);
        if (!host.Valid()) return false;
        Random random;
        host.FillInputs(random, 0.5f);
        host.Activate();
        RealTimeLoop(3.0, [&](int b, int n) {
            host.RandomControls(random, b);
            host.Run(n);
        });
        host.Deactivate();
    }
    return true;
}

// Runs the check in a child process; the sanitizer ends a process at its first finding.
template <class Check> int InChild(const std::string& name, Check check) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) _exit(check() ? 0 : 2);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::printf("PASS rt %s\n", name.c_str());
        return 0;
    }
    std::printf("FAIL rt %s: %s %d\n", name.c_str(), WIFEXITED(status) ? "exit" : "signal",
                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    return 1;
}

void EmbeddedRun(host::PluginLibrary& library, const std::string& code, int channels) {
    for (int announced : {kMaxBlock, 0}) {
        host::HostTempo tempo;
        host::Effect effect(library, code, host::RenderMode::RealTime, channels, kRate, &tempo, nullptr,
                            announced);
        std::vector<ParameterDescription> params;
        for (int i = 2; i < 2 + effect.ParameterCount(); ++i)
            params.push_back(effect.Parameter(i));
        Random random;
        std::vector<float> buffers[2];
        for (auto& b : buffers) {
            b.resize(kMaxBlock);
            for (float& x : b)
                x = 0.5f * (2.0f * random.Next() - 1.0f);
        }
        float* io[2] = {buffers[0].data(), buffers[1].data()};
        RealTimeLoop(1.0, [&](int b, int n) {
            for (const ParameterDescription& p : params)
                effect.SetParameterPlain(p.index, p.minValue + (p.maxValue - p.minValue) * random.Next());
            effect.SetBypass(random.Next() < 0.2f);
            if (b % 8 == 0) tempo.bpm = 40.0 + 200.0 * random.Next();
            effect.Render(io, io, n);
        });
    }
}

int CheckEmbedded() {
    host::PluginLibrary library;
    int failures = 0;
    for (const host::EffectSummary& e : library.Effects())
        for (int channels : {1, 2})
            failures += InChild(e.code + (channels == 1 ? " mono" : " stereo"), [&] {
                EmbeddedRun(library, e.code, channels);
                return true;
            });
    return failures;
}

// Output for 0.25 s of silence in blocks of 256, after activate.
std::vector<float> SilenceAfterActivate(Host& host) {
    std::vector<float> out;
    Random silent;
    host.FillInputs(silent, 0.0f);
    host.Activate();
    for (int b = 0; b < 47; ++b) {
        host.Run(256);
        out.insert(out.end(), host.Out(0).begin(), host.Out(0).begin() + 256);
    }
    return out;
}

int CheckReset(World& w, UridMap& urids, const LilvPlugin* plugin) {
    const char* uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    Host used(w, urids, plugin, true), fresh(w, urids, plugin, true);
    if (!used.Valid() || !fresh.Valid()) {
        std::printf("FAIL reset %s: no instance\n", uri);
        return 1;
    }
    Random random;
    used.FillInputs(random, 0.9f);
    used.Activate();
    for (int b = 0; b < 94; ++b)
        used.Run(256);
    used.Deactivate();
    const std::vector<float> a = SilenceAfterActivate(used), b = SilenceAfterActivate(fresh);
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - b[i]));
    const bool ok = worst <= 1e-6;
    std::printf("%s reset %s: largest difference from a fresh instance %g\n", ok ? "PASS" : "FAIL", uri,
                worst);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "rt" && mode != "reset" && mode != "embedded") {
        std::fprintf(stderr, "usage: %s rt|embedded|reset\n", argv[0]);
        return 125;
    }
    if (mode != "reset" && !__rtsan_realtime_enter) {
        std::fprintf(stderr, "built without the RealtimeSanitizer runtime\n");
        return 125;
    }
    if (mode == "embedded") return std::min(CheckEmbedded(), 125);
    World w;
    UridMap urids;
    int failures = 0;
    for (const LilvPlugin* plugin : w.OurPlugins()) {
        auto run = [&] { return RealTimeRun(w, urids, plugin); };
        failures += mode == "reset" ? CheckReset(w, urids, plugin)
                                    : InChild(lilv_node_as_uri(lilv_plugin_get_uri(plugin)), run);
    }
    return std::min(failures, 125);
}
