// A small LV2 host on lilv for lv2/tests/run.sh: metadata checks, rendering with settings, presets and
// host tempo, the state round trip, and sample-exact comparison of two audio files. It knows the
// bundle only through what lilv reads from LV2_PATH.
//
// Commands: ports, settings URI [PRESET_INDEX], render URI IN OUT [--block N] [--bpm BPM]
// [--set SYMBOL=VALUE]... [--state-out FILE] [--in-place], presets URI IN OUTDIR,
// state URI IN, compare A B TOLERANCE.
#include "LilvHost.h"
#include <lv2/state/state.h>
#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Interleaved audio of a file.
struct Audio {
    int rate = 48000, channels = 1;
    std::vector<float> samples;
    size_t Frames() const { return samples.size() / static_cast<size_t>(channels); }
};

Audio ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) throw Failure("cannot read " + path);
    Audio a{info.samplerate, info.channels,
            std::vector<float>(static_cast<size_t>(info.frames * info.channels))};
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

void WriteAudio(const std::string& path, const Audio& a) {
    SF_INFO info{};
    info.samplerate = a.rate;
    info.channels = a.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw Failure("cannot write " + path);
    sf_writef_float(f, a.samples.data(), static_cast<sf_count_t>(a.Frames()));
    sf_close(f);
}

const LilvPlugin* Plugin(const World& world, const std::string& uri) {
    LilvNode* n = lilv_new_uri(world.Get(), uri.c_str());
    const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world.Get()), n);
    lilv_node_free(n);
    if (!p) throw Failure("no plug-in " + uri + " under LV2_PATH");
    return p;
}

// Preset URIs and labels of a plug-in, in the order of their numbers.
std::vector<std::pair<std::string, std::string>> Presets(const World& world, const LilvPlugin* plugin) {
    std::vector<std::pair<std::string, std::string>> out;
    LilvNodes* related = lilv_plugin_get_related(plugin, world.preset);
    LILV_FOREACH(nodes, i, related) {
        const LilvNode* p = lilv_nodes_get(related, i);
        lilv_world_load_resource(world.Get(), p);
        LilvNodes* labels = lilv_world_find_nodes(world.Get(), p, world.label, nullptr);
        std::string text =
            labels && lilv_nodes_size(labels) ? lilv_node_as_string(lilv_nodes_get_first(labels)) : "";
        lilv_nodes_free(labels);
        out.emplace_back(lilv_node_as_uri(p), text);
    }
    lilv_nodes_free(related);
    auto number = [](const std::string& uri) { return std::atoi(uri.substr(uri.rfind(':') + 1).c_str()); };
    std::sort(out.begin(), out.end(),
              [&](const auto& a, const auto& b) { return number(a.first) < number(b.first); });
    return out;
}

bool NumericAtom(UridMap& urids, const void* value, uint32_t size, uint32_t type, float* out);

std::string Symbol(const LilvPlugin* plugin, const LilvPort* port) {
    return lilv_node_as_string(lilv_port_get_symbol(plugin, port));
}

const LilvPort* PortBySymbol(const World& world, const LilvPlugin* plugin, const std::string& sym) {
    LilvNode* node = lilv_new_string(world.Get(), sym.c_str());
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
    lilv_node_free(node);
    return port;
}

// One running instance; Render feeds it a file's audio in blocks.
class Instance : public PluginInstance {
  public:
    Instance(World& world, UridMap& urids, const LilvPlugin* plugin, double rate, int block,
             bool inPlace = false)
        : PluginInstance(world, urids, plugin, rate, block, nullptr, inPlace), fUrids(urids), fPlugin(plugin),
          fBlock(block) {
        if (!Valid()) throw Failure("cannot instantiate " + Uri());
        Activate();
    }

    std::string Uri() const { return lilv_node_as_uri(lilv_plugin_get_uri(fPlugin)); }

    void Set(const std::string& symbol, float value) {
        float* port = Port(symbol);
        if (!port) throw Failure(Uri() + " has no port " + symbol);
        *port = value;
    }
    float Get(const std::string& symbol) {
        if (const float* port = Port(symbol)) return *port;
        throw Failure(Uri() + " has no port " + symbol);
    }

    // bpm: the transport's tempo, sent with the first block when positive.
    Audio Render(const Audio& in, float bpm = 0.0f) {
        if (static_cast<size_t>(in.channels) != In().size())
            throw Failure(Uri() + " takes " + std::to_string(In().size()) + " channels");
        Audio out{in.rate, in.channels, std::vector<float>(in.samples.size())};
        const size_t channels = static_cast<size_t>(in.channels);
        for (size_t pos = 0; pos < in.Frames(); pos += static_cast<size_t>(fBlock)) {
            const size_t n = std::min(static_cast<size_t>(fBlock), in.Frames() - pos);
            for (size_t c = 0; c < channels; ++c)
                for (size_t i = 0; i < n; ++i)
                    In()[c][i] = in.samples[(pos + i) * channels + c];
            pos == 0 && bpm > 0.0f ? Tempo().Send(bpm) : Tempo().Empty();
            Run(static_cast<int>(n));
            for (size_t c = 0; c < channels; ++c)
                for (size_t i = 0; i < n; ++i)
                    out.samples[(pos + i) * channels + c] = Out(c)[i];
        }
        return out;
    }

    const LV2_State_Interface* StateInterface() {
        const auto* iface = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(Handle(), LV2_STATE__interface));
        if (!iface) throw Failure(Uri() + " has no state interface");
        return iface;
    }

    // The state through the plug-in's own interface: the stored properties' bytes.
    std::vector<uint8_t> SaveBytes() {
        std::vector<uint8_t> bytes;
        auto store = [](LV2_State_Handle h, uint32_t, const void* value, size_t size, uint32_t, uint32_t) {
            auto* b = static_cast<std::vector<uint8_t>*>(h);
            const auto* v = static_cast<const uint8_t*>(value);
            b->insert(b->end(), v, v + size);
            return LV2_STATE_SUCCESS;
        };
        if (StateInterface()->save(lilv_instance_get_handle(Handle()), store, &bytes, LV2_STATE_IS_POD,
                                   fUrids.Features()) != LV2_STATE_SUCCESS)
            throw Failure(Uri() + " failed to save its state");
        return bytes;
    }

    LilvState* SaveState() {
        return lilv_state_new_from_instance(fPlugin, Handle(), fUrids.MapPtr(), nullptr, nullptr, nullptr,
                                            nullptr, &Instance::GetValue, this, LV2_STATE_IS_POD,
                                            fUrids.Features());
    }

    void RestoreState(const LilvState* state, bool withPortValues) {
        lilv_state_restore(state, Handle(), withPortValues ? &Instance::SetValue : nullptr, this, 0,
                           fUrids.Features());
    }

  private:
    static const void* GetValue(const char* symbol, void* user, uint32_t* size, uint32_t* type) {
        auto* self = static_cast<Instance*>(user);
        *size = sizeof(float);
        *type = self->fUrids.Map(LV2_ATOM__Float);
        return self->Port(symbol);
    }
    static void SetValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
        auto* self = static_cast<Instance*>(user);
        float* port = self->Port(symbol);
        if (port) NumericAtom(self->fUrids, value, size, type, port);
    }

    UridMap& fUrids;
    const LilvPlugin* fPlugin;
    int fBlock;
};

// A port value as hosts receive it from lilv: a float, or whatever numeric atom the Turtle literal gave.
template <class T> float As(const void* value) {
    T x;
    std::memcpy(&x, value, sizeof x);
    return static_cast<float>(x);
}
bool NumericAtom(UridMap& urids, const void* value, uint32_t size, uint32_t type, float* out) {
    if (type == urids.Map(LV2_ATOM__Float) && size == 4)
        *out = As<float>(value);
    else if (type == urids.Map(LV2_ATOM__Double) && size == 8)
        *out = As<double>(value);
    else if ((type == urids.Map(LV2_ATOM__Int) || type == urids.Map(LV2_ATOM__Bool)) && size == 4)
        *out = As<int32_t>(value);
    else if (type == urids.Map(LV2_ATOM__Long) && size == 8)
        *out = As<int64_t>(value);
    else
        return false;
    return true;
}

using State = std::unique_ptr<LilvState, decltype(&lilv_state_free)>;

// A preset as a state, the host's way.
State LoadPreset(World& world, UridMap& urids, const std::string& presetUri) {
    LilvNode* node = lilv_new_uri(world.Get(), presetUri.c_str());
    State state(lilv_state_new_from_world(world.Get(), urids.MapPtr(), node), lilv_state_free);
    lilv_node_free(node);
    if (!state) throw Failure("cannot load preset " + presetUri);
    return state;
}

// Port values of a preset, by symbol.
std::map<std::string, float> PresetValues(World& world, UridMap& urids, const std::string& presetUri) {
    const State state = LoadPreset(world, urids, presetUri);
    struct Sink {
        std::map<std::string, float> values;
        UridMap* urids;
    } sink{{}, &urids};
    lilv_state_emit_port_values(
        state.get(),
        [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
            auto* s = static_cast<Sink*>(user);
            float v;
            if (NumericAtom(*s->urids, value, size, type, &v)) s->values[symbol] = v;
        },
        &sink);
    return sink.values;
}

// The test setting of a plug-in: the values of one of its factory presets, the last by default.
std::map<std::string, float> TestSettings(World& world, UridMap& urids, const LilvPlugin* plugin,
                                          int preset = -1) {
    const auto presets = Presets(world, plugin);
    if (presets.empty()) return {};
    const size_t k = preset < 0 || static_cast<size_t>(preset) >= presets.size()
                         ? presets.size() - 1
                         : static_cast<size_t>(preset);
    return PresetValues(world, urids, presets[k].first);
}

// Checks of the installed metadata that a host relies on; one line per plug-in.
int CheckPorts(World& world, UridMap& urids) {
    int failed = 0;
    std::set<std::string> uris;
    const auto plugins = world.OurPlugins();
    for (const LilvPlugin* plugin : plugins) {
        const std::string uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
        uris.insert(uri);
        std::vector<std::string> problems;
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(n), maxs(n), defs(n);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
        std::set<std::string> symbols;
        int audioIn = 0, audioOut = 0, latencyPorts = 0;
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const std::string sym = Symbol(plugin, port);
            if (!symbols.insert(sym).second) problems.push_back("duplicate symbol " + sym);
            const bool in = lilv_port_is_a(plugin, port, world.input);
            if (lilv_port_is_a(plugin, port, world.audio)) (in ? audioIn : audioOut)++;
            if (!lilv_port_is_a(plugin, port, world.control)) continue;
            if (lilv_port_has_property(plugin, port, world.reportsLatency)) ++latencyPorts;
            if (std::isnan(mins[i]) || std::isnan(maxs[i]) || std::isnan(defs[i]) || !(mins[i] <= maxs[i]))
                problems.push_back(sym + " lacks a range or default");
            else if (defs[i] < mins[i] || defs[i] > maxs[i])
                problems.push_back(sym + " default outside its range");
            if (in && lilv_port_has_property(plugin, port, world.enumeration)) {
                LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
                bool defaultListed = false;
                size_t count = 0;
                LILV_FOREACH(scale_points, k, points) {
                    const float v =
                        lilv_node_as_float(lilv_scale_point_get_value(lilv_scale_points_get(points, k)));
                    defaultListed = defaultListed || v == defs[i];
                    if (v < mins[i] || v > maxs[i])
                        problems.push_back(sym + " scale point outside its range");
                    ++count;
                }
                lilv_scale_points_free(points);
                if (count != static_cast<size_t>(maxs[i] - mins[i] + 1))
                    problems.push_back(sym + " does not label every value");
                if (!defaultListed) problems.push_back(sym + " default is not a listed value");
            }
        }
        const int channels = uri.compare(uri.rfind(':'), std::string::npos, ":mono") == 0 ? 1 : 2;
        if (audioIn != channels || audioOut != channels)
            problems.push_back("audio ports " + std::to_string(audioIn) + "/" + std::to_string(audioOut));
        if (latencyPorts > 1) problems.push_back("more than one latency port");
        // Presets have labels and name existing ports (values past a range are clamped, see "presets").
        for (const auto& [presetUri, label] : Presets(world, plugin)) {
            if (label.empty()) problems.push_back(presetUri + " has no label");
            for (const auto& [sym, v] : PresetValues(world, urids, presetUri))
                if (!PortBySymbol(world, plugin, sym))
                    problems.push_back(label + " sets unknown port " + sym);
        }
        // A latency port carries a whole number once the plug-in has run, positive in at least one
        // position of the plug-in's switches (some effects delay only in one mode).
        if (latencyPorts == 1) {
            Instance inst(world, urids, plugin, 48000.0, 64);
            const Audio silence{48000, channels, std::vector<float>(static_cast<size_t>(64 * channels))};
            float largest = 0.0f;
            auto observe = [&] {
                inst.Render(silence);
                const float latency = inst.Get("latency");
                if (!(latency >= 0.0f) || latency != std::floor(latency))
                    problems.push_back("latency port reads " + std::to_string(latency));
                largest = std::max(largest, latency);
            };
            observe();
            for (uint32_t i = 0; i < n; ++i) {
                const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
                if (!lilv_port_is_a(plugin, port, world.input) ||
                    !lilv_port_has_property(plugin, port, world.enumeration))
                    continue;
                for (float v = mins[i]; v <= maxs[i]; v += 1.0f) {
                    inst.Set(Symbol(plugin, port), v);
                    observe();
                }
                inst.Set(Symbol(plugin, port), defs[i]);
            }
            if (!(largest > 0.0f)) problems.push_back("latency port never reports a delay");
        }
        // Instances exist at the supported rates, 8 to 384 kHz, and at no other.
        for (const auto& [rate, supported] :
             {std::pair{7999.0, false}, {8000.0, true}, {384000.0, true}, {384001.0, false}}) {
            LilvInstance* probe = lilv_plugin_instantiate(plugin, rate, urids.Features());
            if ((probe != nullptr) != supported)
                problems.push_back((probe ? "instantiates at " : "no instance at ") + std::to_string(rate));
            if (probe) lilv_instance_free(probe);
        }
        std::printf("%s %s", problems.empty() ? "PASS" : "FAIL", uri.c_str());
        for (const auto& p : problems)
            std::printf("; %s", p.c_str());
        std::printf("\n");
        failed += problems.empty() ? 0 : 1;
    }
    // Every effect comes as a stereo and a mono plug-in.
    for (const std::string& uri : uris) {
        const std::string stem = uri.substr(0, uri.rfind(':'));
        if (!uris.count(stem + ":stereo") || !uris.count(stem + ":mono")) {
            std::printf("FAIL %s has no stereo/mono twin\n", uri.c_str());
            ++failed;
        }
    }
    if (plugins.empty()) {
        std::printf("FAIL no Marlevo Tonvera plug-in under LV2_PATH\n");
        return 1;
    }
    return failed ? 1 : 0;
}

int Compare(const std::string& a, const std::string& b, double tolerance) {
    const Audio x = ReadAudio(a), y = ReadAudio(b);
    if (x.channels != y.channels || x.Frames() != y.Frames()) {
        std::printf("shape differs: %dx%zu vs %dx%zu\n", x.channels, x.Frames(), y.channels, y.Frames());
        return 1;
    }
    double worst = 0.0, peak = 0.0;
    bool finite = true;
    for (size_t i = 0; i < x.samples.size(); ++i) {
        finite = finite && std::isfinite(x.samples[i]) && std::isfinite(y.samples[i]);
        worst = std::max(worst, std::fabs(static_cast<double>(x.samples[i]) - y.samples[i]));
        peak = std::max(peak, std::fabs(static_cast<double>(y.samples[i])));
    }
    std::printf("max difference %.3g (reference peak %.3g)%s\n", worst, peak, finite ? "" : ", not finite");
    return finite && worst <= tolerance ? 0 : 1;
}

// Saves the state of a set instance, restores it into fresh ones (with and without the port values,
// and through its Turtle text) and expects the same audio and the same re-saved bytes.
int StateRoundTrip(World& world, UridMap& urids, const std::string& uri, const Audio& in, int block) {
    const LilvPlugin* plugin = Plugin(world, uri);
    const auto settings = TestSettings(world, urids, plugin);
    Instance a(world, urids, plugin, in.rate, block);
    for (const auto& [sym, v] : settings)
        a.Set(sym, v);
    const Audio ya = a.Render(in);
    const std::vector<uint8_t> bytes = a.SaveBytes();
    LilvState* saved = a.SaveState();
    char* text = lilv_state_to_string(world.Get(), urids.MapPtr(), urids.UnmapPtr(), saved,
                                      "urn:marlevo:test:state", nullptr);
    lilv_state_free(saved);
    LilvState* loaded = lilv_state_new_from_string(world.Get(), urids.MapPtr(), text);
    lilv_free(text);
    if (!loaded) throw Failure(uri + ": the saved state does not read back");

    std::vector<std::string> problems;
    if (bytes.size() < 56) problems.push_back("state holds " + std::to_string(bytes.size()) + " bytes");
    for (bool withPorts : {true, false}) {
        Instance b(world, urids, plugin, in.rate, block);
        b.RestoreState(loaded, withPorts);
        const Audio yb = b.Render(in);
        const std::string how = withPorts ? "with port values" : "state alone";
        if (ya.samples != yb.samples) problems.push_back("audio differs after restore (" + how + ")");
        if (b.SaveBytes() != bytes) problems.push_back("re-saved state differs (" + how + ")");
    }
    lilv_state_free(loaded);
    std::printf("%s %s state %zu bytes", problems.empty() ? "PASS" : "FAIL", uri.c_str(), bytes.size());
    for (const auto& p : problems)
        std::printf("; %s", p.c_str());
    std::printf("\n");
    return problems.empty() ? 0 : 1;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) throw Failure("no command");
    const std::string& cmd = args[0];
    World world;
    UridMap urids;
    if (cmd == "ports") return CheckPorts(world, urids);
    if (cmd == "settings" && (args.size() == 2 || args.size() == 3)) {
        const LilvPlugin* plugin = Plugin(world, args[1]);
        const int preset = args.size() == 3 ? std::atoi(args[2].c_str()) : -1;
        // 17 digits: the command line reads the port's float exactly, not a nearby double.
        for (const auto& [sym, v] : TestSettings(world, urids, plugin, preset)) {
            const LilvPort* port = PortBySymbol(world, plugin, sym);
            LilvNode* name = port ? lilv_port_get_name(plugin, port) : nullptr;
            std::printf("%s\t%s\t%.17g\n", sym.c_str(), name ? lilv_node_as_string(name) : "",
                        static_cast<double>(v));
            lilv_node_free(name);
        }
        return 0;
    }
    if (cmd == "render" && args.size() >= 4) {
        std::map<std::string, std::vector<std::string>> opt; // option -> its values in order
        for (size_t i = 4; i < args.size(); ++i) {
            const bool flag = args[i] == "--in-place";
            if (!flag && (i + 1 >= args.size() ||
                          !std::set<std::string>{"--block", "--bpm", "--set", "--state-out"}.count(args[i])))
                throw Failure("unknown option " + args[i]);
            std::vector<std::string>& values = opt[args[i]];
            values.push_back(flag ? "" : args[++i]);
        }
        const int block = opt.count("--block") ? std::atoi(opt["--block"].back().c_str()) : 256;
        if (block < 1 || block > 65536) throw Failure("bad block size");
        const float bpm = opt.count("--bpm") ? std::strtof(opt["--bpm"].back().c_str(), nullptr) : 0.0f;
        const Audio in = ReadAudio(args[2]);
        Instance inst(world, urids, Plugin(world, args[1]), in.rate, block, opt.count("--in-place") > 0);
        for (const std::string& s : opt["--set"]) {
            const size_t eq = s.find('=');
            if (eq == std::string::npos) throw Failure("--set takes SYMBOL=VALUE");
            inst.Set(s.substr(0, eq), std::strtof(s.c_str() + eq + 1, nullptr));
        }
        WriteAudio(args[3], inst.Render(in, bpm));
        if (bpm > 0.0f) std::printf("host_tempo %.3f\n", static_cast<double>(inst.Get("host_tempo")));
        for (const std::string& path : opt["--state-out"]) {
            const std::vector<uint8_t> bytes = inst.SaveBytes();
            FILE* f = std::fopen(path.c_str(), "wb");
            if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
                throw Failure("cannot write " + path);
            std::fclose(f);
        }
        return 0;
    }
    if (cmd == "presets" && args.size() == 4) {
        const int block = 256;
        const LilvPlugin* plugin = Plugin(world, args[1]);
        const Audio in = ReadAudio(args[2]);
        const uint32_t ports = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(ports), maxs(ports);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), nullptr);
        int n = 0;
        for (const auto& [presetUri, label] : Presets(world, plugin)) {
            Instance inst(world, urids, plugin, in.rate, block);
            inst.RestoreState(LoadPreset(world, urids, presetUri).get(), true);
            const std::string path = args[3] + "/" + std::to_string(n++) + ".wav";
            WriteAudio(path, inst.Render(in));
            // Values past a port's range arrive clamped; the reference render is told so by name.
            std::string clamped;
            for (const auto& [sym, v] : PresetValues(world, urids, presetUri)) {
                const LilvPort* port = PortBySymbol(world, plugin, sym);
                if (!port) continue;
                const uint32_t k = lilv_port_get_index(plugin, port);
                const float c = std::min(std::max(v, mins[k]), maxs[k]);
                if (c != v) {
                    LilvNode* name = lilv_port_get_name(plugin, port);
                    char value[32];
                    std::snprintf(value, sizeof value, "%.17g", static_cast<double>(c));
                    clamped += std::string("\t") + lilv_node_as_string(name) + "=" + value;
                    lilv_node_free(name);
                }
            }
            std::printf("%s\t%s%s\n", path.c_str(), label.c_str(), clamped.c_str());
        }
        return 0;
    }
    if (cmd == "state" && args.size() == 3)
        return StateRoundTrip(world, urids, args[1], ReadAudio(args[2]), 256);
    if (cmd == "compare" && args.size() == 4) return Compare(args[1], args[2], std::atof(args[3].c_str()));
    throw Failure("unknown command or arguments: " + cmd);
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonvera_lv2_check: %s\n", e.what());
        return 2;
    }
}
