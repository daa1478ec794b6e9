// Real-time checks of the LV2 bundle on lilv, linked with the RealtimeSanitizer runtime:
//
//   tonvera_lv2_rtcheck rt [URI...]     every plug-in (or the named ones) instantiated and activated,
//                                       then run() inside the sanitizer's real-time context with random
//                                       control changes every block (footswitch and tap included), host
//                                       tempo changes on the atom port and blocks of 1, 17, 256, 4096 and
//                                       the host's maximum; once with the maximum announced through the
//                                       options feature, once without. Each plug-in runs in a child
//                                       process, since the sanitizer ends the process at its first
//                                       finding (an allocation, a lock, a blocking call).
//   tonvera_lv2_rtcheck embedded        the same for the embedded host of the command line: every effect,
//                                       mono and stereo, rendered in real-time mode with parameter,
//                                       footswitch and tempo changes every block.
//   tonvera_lv2_rtcheck reset [URI...]  after loud input, deactivate + activate: the output for silence
//                                       equals a fresh instance's, within -120 dB (oscillators keep their
//                                       phase, which moves the anti-denormal residue of a few filters).
//
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

struct ControlPort {
    uint32_t index;
    float minimum, maximum, value;
    bool discrete;
};

// One instance with its buffers, all allocated before the real-time section.
class Host {
  public:
    Host(World& w, UridMap& urids, const LilvPlugin* plugin, bool announceMaximum) : fTempo(urids) {
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(n), maxs(n), defs(n);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
        fScalars.assign(n, 0.0f);
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool in = lilv_port_is_a(plugin, port, w.input);
            if (lilv_port_is_a(plugin, port, w.audio)) {
                fAudio.push_back({i, in});
            } else if (lilv_port_is_a(plugin, port, w.control)) {
                fScalars[i] = std::isnan(defs[i]) ? 0.0f : defs[i];
                if (in)
                    fControls.push_back({i, mins[i], maxs[i], fScalars[i],
                                         lilv_port_has_property(plugin, port, w.integer) ||
                                             lilv_port_has_property(plugin, port, w.toggled) ||
                                             lilv_port_has_property(plugin, port, w.enumeration)});
            } else if (lilv_port_is_a(plugin, port, w.atomPort) && in) {
                fEventsPort = static_cast<int>(i);
            }
        }

        fOptions[0] = {
            LV2_OPTIONS_INSTANCE,     0,         urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
            urids.Map(LV2_ATOM__Int), &fMaxBlock};
        fOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
        fOptionsFeature = {LV2_OPTIONS__options, fOptions};
        const LV2_Feature* const* base = urids.Features();
        for (int i = 0; base[i]; ++i)
            fFeatures.push_back(base[i]);
        if (announceMaximum) fFeatures.push_back(&fOptionsFeature);
        fFeatures.push_back(nullptr);
        fInstance = lilv_plugin_instantiate(plugin, kRate, fFeatures.data());
        if (!fInstance) return;

        fBuffers.assign(fAudio.size(), std::vector<float>(kMaxBlock, 0.0f));
        for (size_t k = 0; k < fAudio.size(); ++k)
            lilv_instance_connect_port(fInstance, fAudio[k].index, fBuffers[k].data());
        for (uint32_t i = 0; i < n; ++i)
            if (!IsAudio(i) && static_cast<int>(i) != fEventsPort)
                lilv_instance_connect_port(fInstance, i, &fScalars[i]);
        if (fEventsPort >= 0)
            lilv_instance_connect_port(fInstance, static_cast<uint32_t>(fEventsPort), fTempo.Data());
    }
    ~Host() {
        if (fInstance) lilv_instance_free(fInstance);
    }
    bool Valid() const { return fInstance != nullptr; }
    LilvInstance* Instance() const { return fInstance; }

    // Inputs: noise of the given level; outputs follow the inputs' order.
    void FillInputs(Random& random, float level) {
        for (size_t k = 0; k < fAudio.size(); ++k)
            if (fAudio[k].input)
                for (float& x : fBuffers[k])
                    x = level * (2.0f * random.Next() - 1.0f);
    }
    // Every control input to a random value of its range; a new tempo on the atom port every 8th block.
    void RandomControls(Random& random, int block) {
        for (ControlPort& c : fControls) {
            float v = c.minimum + (c.maximum - c.minimum) * random.Next();
            if (c.discrete) v = std::round(v);
            fScalars[c.index] = v;
        }
        const float bpm = 40.0f + 200.0f * random.Next();
        block % 8 == 0 ? fTempo.Send(bpm) : fTempo.Empty();
    }
    void Run(int n) { lilv_instance_run(fInstance, static_cast<uint32_t>(n)); }
    const std::vector<float>& FirstOutput() const {
        for (size_t k = 0; k < fAudio.size(); ++k)
            if (!fAudio[k].input) return fBuffers[k];
        return fBuffers[0];
    }

  private:
    struct AudioPort {
        uint32_t index;
        bool input;
    };
    bool IsAudio(uint32_t i) const {
        for (const AudioPort& a : fAudio)
            if (a.index == i) return true;
        return false;
    }
    LilvInstance* fInstance = nullptr;
    std::vector<AudioPort> fAudio;
    std::vector<ControlPort> fControls;
    std::vector<float> fScalars;
    std::vector<std::vector<float>> fBuffers;
    int fEventsPort = -1;
    TempoSequence fTempo;
    int32_t fMaxBlock = kMaxBlock;
    LV2_Options_Option fOptions[2];
    LV2_Feature fOptionsFeature;
    std::vector<const LV2_Feature*> fFeatures;
};

// About 3 s of audio per instance: every block length in turn, random controls every block.
bool RealTimeRun(World& w, UridMap& urids, const LilvPlugin* plugin, bool announce) {
    Host host(w, urids, plugin, announce);
    if (!host.Valid()) return false;
    Random random;
    host.FillInputs(random, 0.5f);
    lilv_instance_activate(host.Instance());
    int samples = 0;
    __rtsan_realtime_enter();
    for (int b = 0; samples < 3 * static_cast<int>(kRate); ++b) {
        const int n = kBlocks[b % 5];
        host.RandomControls(random, b);
        host.Run(n);
        samples += n;
    }
    __rtsan_realtime_exit();
    lilv_instance_deactivate(host.Instance());
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

bool EmbeddedRun(host::PluginLibrary& library, const std::string& code, int channels, int announced) {
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
    int samples = 0;
    __rtsan_realtime_enter();
    for (int b = 0; samples < static_cast<int>(kRate); ++b) {
        const int n = kBlocks[b % 5];
        for (const ParameterDescription& p : params)
            effect.SetParameterPlain(p.index, p.minValue + (p.maxValue - p.minValue) * random.Next());
        effect.SetBypass(random.Next() < 0.2f);
        if (b % 8 == 0) tempo.bpm = 40.0 + 200.0 * random.Next();
        effect.Render(io, io, n);
        samples += n;
    }
    __rtsan_realtime_exit();
    return true;
}

int CheckEmbedded() {
    host::PluginLibrary library;
    int failures = 0;
    for (const host::EffectSummary& e : library.Effects())
        for (int channels : {1, 2})
            failures += InChild(e.code + (channels == 1 ? " mono" : " stereo"), [&] {
                return EmbeddedRun(library, e.code, channels, kMaxBlock) &&
                       EmbeddedRun(library, e.code, channels, 0);
            });
    return failures;
}

// Output for 0.25 s of silence in blocks of 256, after activate.
std::vector<float> SilenceAfterActivate(Host& host) {
    std::vector<float> out;
    Random silent;
    host.FillInputs(silent, 0.0f);
    lilv_instance_activate(host.Instance());
    for (int b = 0; b < 47; ++b) {
        host.Run(256);
        out.insert(out.end(), host.FirstOutput().begin(), host.FirstOutput().begin() + 256);
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
    lilv_instance_activate(used.Instance());
    for (int b = 0; b < 94; ++b)
        used.Run(256);
    lilv_instance_deactivate(used.Instance());
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
        std::fprintf(stderr, "usage: %s rt|embedded|reset [URI...]\n", argv[0]);
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
        const std::string uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
        if (argc > 2 && std::find(argv + 2, argv + argc, uri) == argv + argc) continue;
        failures += mode == "rt" ? InChild(uri,
                                           [&] {
                                               return RealTimeRun(w, urids, plugin, true) &&
                                                      RealTimeRun(w, urids, plugin, false);
                                           })
                                 : CheckReset(w, urids, plugin);
    }
    return std::min(failures, 125);
}
