// A small LV2 host on lilv for lv2/tests/run.sh: metadata checks, rendering with settings, presets and
// host tempo, the state round trip, and sample-exact comparison of two audio files. It knows the
// bundle only through what lilv reads from LV2_PATH.
//
//   tonvera_lv2_check list
//   tonvera_lv2_check ports
//   tonvera_lv2_check settings URI [PRESET_INDEX]
//   tonvera_lv2_check render URI IN OUT [--block N] [--bpm BPM] [--set SYMBOL=VALUE]...
//                     [--print OUTPUT_SYMBOL]... [--state-out FILE] [--in-place]
//   tonvera_lv2_check presets URI IN OUTDIR
//   tonvera_lv2_check state URI IN
//   tonvera_lv2_check compare A B TOLERANCE
#include "UridMap.h"
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
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
#include <unordered_map>
#include <vector>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Audio {
    int rate = 48000;
    std::vector<std::vector<float>> channels;
    size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

Audio ReadAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) throw Failure("cannot read " + path);
    std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, interleaved.data(), info.frames);
    sf_close(f);
    Audio a;
    a.rate = info.samplerate;
    a.channels.assign(static_cast<size_t>(info.channels),
                      std::vector<float>(static_cast<size_t>(info.frames)));
    for (size_t i = 0; i < static_cast<size_t>(info.frames); ++i)
        for (size_t c = 0; c < a.channels.size(); ++c)
            a.channels[c][i] = interleaved[i * a.channels.size() + c];
    return a;
}

void WriteAudio(const std::string& path, const Audio& a) {
    SF_INFO info{};
    info.samplerate = a.rate;
    info.channels = static_cast<int>(a.channels.size());
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) throw Failure("cannot write " + path);
    std::vector<float> interleaved(a.Frames() * a.channels.size());
    for (size_t i = 0; i < a.Frames(); ++i)
        for (size_t c = 0; c < a.channels.size(); ++c)
            interleaved[i * a.channels.size() + c] = a.channels[c][i];
    sf_writef_float(f, interleaved.data(), static_cast<sf_count_t>(a.Frames()));
    sf_close(f);
}

class World {
  public:
    World() : fWorld(lilv_world_new()) {
        lilv_world_load_all(fWorld);
        auto uri = [this](const char* u) { return lilv_new_uri(fWorld, u); };
        audio = uri(LV2_CORE__AudioPort);
        control = uri(LV2_CORE__ControlPort);
        input = uri(LV2_CORE__InputPort);
        output = uri(LV2_CORE__OutputPort);
        atomPort = uri(LV2_ATOM__AtomPort);
        enumeration = uri(LV2_CORE__enumeration);
        reportsLatency = uri(LV2_CORE__reportsLatency);
        preset = uri(LV2_PRESETS__Preset);
        label = uri("http://www.w3.org/2000/01/rdf-schema#label");
    }
    ~World() {
        for (LilvNode* n :
             {audio, control, input, output, atomPort, enumeration, reportsLatency, preset, label})
            lilv_node_free(n);
        lilv_world_free(fWorld);
    }
    LilvWorld* Get() const { return fWorld; }
    std::vector<const LilvPlugin*> OurPlugins() const {
        std::vector<const LilvPlugin*> out;
        const LilvPlugins* all = lilv_world_get_all_plugins(fWorld);
        LILV_FOREACH(plugins, i, all) {
            const LilvPlugin* p = lilv_plugins_get(all, i);
            if (std::strncmp(lilv_node_as_uri(lilv_plugin_get_uri(p)), "urn:marlevo:tonvera:", 20) == 0)
                out.push_back(p);
        }
        return out;
    }
    const LilvPlugin* Plugin(const std::string& uri) const {
        LilvNode* n = lilv_new_uri(fWorld, uri.c_str());
        const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(fWorld), n);
        lilv_node_free(n);
        if (!p) throw Failure("no plug-in " + uri + " under LV2_PATH");
        return p;
    }
    // Preset URIs and labels of a plug-in, in the order of their numbers.
    std::vector<std::pair<std::string, std::string>> Presets(const LilvPlugin* plugin) const {
        std::vector<std::pair<std::string, std::string>> out;
        LilvNodes* related = lilv_plugin_get_related(plugin, preset);
        LILV_FOREACH(nodes, i, related) {
            const LilvNode* p = lilv_nodes_get(related, i);
            lilv_world_load_resource(fWorld, p);
            LilvNodes* labels = lilv_world_find_nodes(fWorld, p, label, nullptr);
            std::string text =
                labels && lilv_nodes_size(labels) ? lilv_node_as_string(lilv_nodes_get_first(labels)) : "";
            lilv_nodes_free(labels);
            out.emplace_back(lilv_node_as_uri(p), text);
        }
        lilv_nodes_free(related);
        auto number = [](const std::string& uri) {
            return std::atoi(uri.substr(uri.rfind(':') + 1).c_str());
        };
        std::sort(out.begin(), out.end(),
                  [&](const auto& a, const auto& b) { return number(a.first) < number(b.first); });
        return out;
    }

    LilvNode *audio, *control, *input, *output, *atomPort, *enumeration, *reportsLatency, *preset, *label;

  private:
    LilvWorld* fWorld;
};

bool NumericAtom(UridMap& urids, const void* value, uint32_t size, uint32_t type, float* out);

std::string Symbol(const LilvPlugin* plugin, const LilvPort* port) {
    return lilv_node_as_string(lilv_port_get_symbol(plugin, port));
}

// One running instance with its port buffers.
class Instance {
  public:
    // inPlace: each output port shares its channel's input buffer, as hosts may connect them.
    Instance(World& world, UridMap& urids, const LilvPlugin* plugin, double rate, int block,
             bool inPlace = false)
        : fWorld(world), fUrids(urids), fPlugin(plugin), fBlock(block), fInPlace(inPlace) {
        fInstance = lilv_plugin_instantiate(plugin, rate, urids.Features());
        if (!fInstance) throw Failure("cannot instantiate " + Uri());
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        fValues.assign(n, 0.0f);
        std::vector<float> mins(n), maxs(n), defs(n);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
        fEvents.assign(64, 0);
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool in = lilv_port_is_a(plugin, port, world.input);
            if (lilv_port_is_a(plugin, port, world.audio)) {
                (in ? fAudioIn : fAudioOut).push_back(std::vector<float>(static_cast<size_t>(block)));
            } else if (lilv_port_is_a(plugin, port, world.control)) {
                fValues[i] = std::isnan(defs[i]) ? 0.0f : defs[i];
                fBySymbol[Symbol(plugin, port)] = i;
                lilv_instance_connect_port(fInstance, i, &fValues[i]);
            } else if (lilv_port_is_a(plugin, port, world.atomPort) && in) {
                fEventPort = static_cast<int>(i);
            }
        }
        // Audio buffers once their vectors stopped growing.
        uint32_t ai = 0, ao = 0;
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            if (!lilv_port_is_a(plugin, port, world.audio)) continue;
            const bool in = lilv_port_is_a(plugin, port, world.input);
            const size_t k = in ? ai++ : ao++;
            lilv_instance_connect_port(fInstance, i,
                                       in || fInPlace ? fAudioIn[k].data() : fAudioOut[k].data());
        }
        lilv_instance_activate(fInstance);
    }
    ~Instance() {
        lilv_instance_deactivate(fInstance);
        lilv_instance_free(fInstance);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    std::string Uri() const { return lilv_node_as_uri(lilv_plugin_get_uri(fPlugin)); }
    int Channels() const { return static_cast<int>(fAudioIn.size()); }

    void Set(const std::string& symbol, float value) {
        auto it = fBySymbol.find(symbol);
        if (it == fBySymbol.end()) throw Failure(Uri() + " has no port " + symbol);
        fValues[it->second] = value;
    }
    float Get(const std::string& symbol) const { return fValues.at(fBySymbol.at(symbol)); }

    // The transport's tempo, sent with the next block.
    void SendTempo(float bpm) { fPendingBpm = bpm; }

    Audio Render(const Audio& in) {
        if (static_cast<int>(in.channels.size()) != Channels())
            throw Failure(Uri() + " takes " + std::to_string(Channels()) + " channels");
        Audio out;
        out.rate = in.rate;
        out.channels.assign(in.channels.size(), std::vector<float>(in.Frames()));
        for (size_t pos = 0; pos < in.Frames(); pos += static_cast<size_t>(fBlock)) {
            const size_t n = std::min(static_cast<size_t>(fBlock), in.Frames() - pos);
            for (size_t c = 0; c < in.channels.size(); ++c)
                std::copy_n(in.channels[c].begin() + static_cast<long>(pos), n, fAudioIn[c].begin());
            PrepareEvents();
            lilv_instance_run(fInstance, static_cast<uint32_t>(n));
            for (size_t c = 0; c < in.channels.size(); ++c)
                std::copy_n((fInPlace ? fAudioIn : fAudioOut)[c].begin(), n,
                            out.channels[c].begin() + static_cast<long>(pos));
        }
        return out;
    }

    // The state through the plug-in's own interface: the stored properties' bytes.
    std::vector<uint8_t> SaveBytes() {
        const auto* iface = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(fInstance, LV2_STATE__interface));
        if (!iface) throw Failure(Uri() + " has no state interface");
        std::vector<uint8_t> bytes;
        auto store = [](LV2_State_Handle h, uint32_t, const void* value, size_t size, uint32_t, uint32_t) {
            auto* b = static_cast<std::vector<uint8_t>*>(h);
            const auto* v = static_cast<const uint8_t*>(value);
            b->insert(b->end(), v, v + size);
            return LV2_STATE_SUCCESS;
        };
        if (iface->save(lilv_instance_get_handle(fInstance), store, &bytes, LV2_STATE_IS_POD,
                        fUrids.Features()) != LV2_STATE_SUCCESS)
            throw Failure(Uri() + " failed to save its state");
        return bytes;
    }

    // Hands bytes to the plug-in's restore as its state property; the status the restore returns.
    LV2_State_Status RestoreBytes(const std::vector<uint8_t>& bytes) {
        const auto* iface = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(fInstance, LV2_STATE__interface));
        if (!iface) throw Failure(Uri() + " has no state interface");
        struct Property {
            const std::vector<uint8_t>* bytes;
            uint32_t type;
        } property{&bytes, fUrids.Map(LV2_ATOM__Chunk)};
        auto retrieve = [](LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type, uint32_t* flags) {
            const auto* p = static_cast<const Property*>(h);
            *size = p->bytes->size();
            *type = p->type;
            *flags = LV2_STATE_IS_POD;
            return static_cast<const void*>(p->bytes->data());
        };
        return iface->restore(lilv_instance_get_handle(fInstance), retrieve, &property, 0, fUrids.Features());
    }

    LilvState* SaveState() {
        return lilv_state_new_from_instance(fPlugin, fInstance, fUrids.MapPtr(), nullptr, nullptr, nullptr,
                                            nullptr, &Instance::GetValue, this, LV2_STATE_IS_POD,
                                            fUrids.Features());
    }

    void RestoreState(const LilvState* state, bool withPortValues) {
        lilv_state_restore(state, fInstance, withPortValues ? &Instance::SetValue : nullptr, this, 0,
                           fUrids.Features());
    }

  private:
    static const void* GetValue(const char* symbol, void* user, uint32_t* size, uint32_t* type) {
        auto* self = static_cast<Instance*>(user);
        auto it = self->fBySymbol.find(symbol);
        if (it == self->fBySymbol.end()) return nullptr;
        *size = sizeof(float);
        *type = self->fUrids.Map(LV2_ATOM__Float);
        return &self->fValues[it->second];
    }
    static void SetValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
        auto* self = static_cast<Instance*>(user);
        auto it = self->fBySymbol.find(symbol);
        float v;
        if (it != self->fBySymbol.end() && NumericAtom(self->fUrids, value, size, type, &v))
            self->fValues[it->second] = v;
    }

    // An empty sequence, or one holding a time:Position with the pending tempo.
    void PrepareEvents() {
        if (fEventPort < 0) return;
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(fEvents.data());
        seq->atom.type = fUrids.Map(LV2_ATOM__Sequence);
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->body.unit = 0;
        seq->body.pad = 0;
        if (fPendingBpm > 0.0f) {
            auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(fEvents.data()) +
                                                         sizeof(LV2_Atom_Sequence));
            ev->time.frames = 0;
            ev->body.type = fUrids.Map(LV2_ATOM__Object);
            ev->body.size = sizeof(LV2_Atom_Object_Body) + sizeof(LV2_Atom_Property_Body) + sizeof(float);
            auto* body = reinterpret_cast<LV2_Atom_Object_Body*>(ev + 1);
            body->id = 0;
            body->otype = fUrids.Map(LV2_TIME__Position);
            auto* prop = reinterpret_cast<LV2_Atom_Property_Body*>(body + 1);
            prop->key = fUrids.Map(LV2_TIME__beatsPerMinute);
            prop->context = 0;
            prop->value.size = sizeof(float);
            prop->value.type = fUrids.Map(LV2_ATOM__Float);
            std::memcpy(prop + 1, &fPendingBpm, sizeof(float));
            seq->atom.size += (sizeof(LV2_Atom_Event) + ev->body.size + 7u) & ~7u;
            fPendingBpm = 0.0f;
        }
        lilv_instance_connect_port(fInstance, static_cast<uint32_t>(fEventPort), fEvents.data());
    }

    World& fWorld;
    UridMap& fUrids;
    const LilvPlugin* fPlugin;
    LilvInstance* fInstance = nullptr;
    int fBlock;
    bool fInPlace;
    std::vector<float> fValues;
    std::map<std::string, uint32_t> fBySymbol;
    std::vector<std::vector<float>> fAudioIn, fAudioOut;
    std::vector<uint64_t> fEvents;
    int fEventPort = -1;
    float fPendingBpm = 0.0f;
};

// A port value as hosts receive it from lilv: a float, or whatever numeric atom the Turtle literal gave.
bool NumericAtom(UridMap& urids, const void* value, uint32_t size, uint32_t type, float* out) {
    if (type == urids.Map(LV2_ATOM__Float) && size == 4) {
        std::memcpy(out, value, 4);
    } else if (type == urids.Map(LV2_ATOM__Double) && size == 8) {
        double d;
        std::memcpy(&d, value, 8);
        *out = static_cast<float>(d);
    } else if ((type == urids.Map(LV2_ATOM__Int) || type == urids.Map(LV2_ATOM__Bool)) && size == 4) {
        int32_t i;
        std::memcpy(&i, value, 4);
        *out = static_cast<float>(i);
    } else if (type == urids.Map(LV2_ATOM__Long) && size == 8) {
        int64_t l;
        std::memcpy(&l, value, 8);
        *out = static_cast<float>(l);
    } else {
        return false;
    }
    return true;
}

// Port values of a preset, by symbol.
std::map<std::string, float> PresetValues(World& world, UridMap& urids, const std::string& presetUri) {
    LilvNode* node = lilv_new_uri(world.Get(), presetUri.c_str());
    LilvState* state = lilv_state_new_from_world(world.Get(), urids.MapPtr(), node);
    lilv_node_free(node);
    if (!state) throw Failure("cannot load preset " + presetUri);
    struct Sink {
        std::map<std::string, float> values;
        UridMap* urids;
    } sink{{}, &urids};
    lilv_state_emit_port_values(
        state,
        [](const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
            auto* s = static_cast<Sink*>(user);
            float v;
            if (NumericAtom(*s->urids, value, size, type, &v)) s->values[symbol] = v;
        },
        &sink);
    lilv_state_free(state);
    return sink.values;
}

// The test setting of a plug-in: the values of one of its factory presets, the last by default.
std::map<std::string, float> TestSettings(World& world, UridMap& urids, const LilvPlugin* plugin,
                                          int preset = -1) {
    const auto presets = world.Presets(plugin);
    if (presets.empty()) return {};
    const size_t k = preset < 0 || static_cast<size_t>(preset) >= presets.size()
                         ? presets.size() - 1
                         : static_cast<size_t>(preset);
    return PresetValues(world, urids, presets[k].first);
}

int ParseBlock(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size()) throw Failure("--block needs a value");
    const int b = std::atoi(args[++i].c_str());
    if (b < 1 || b > 65536) throw Failure("bad block size");
    return b;
}

// Checks of the installed metadata that a host relies on; one line per plug-in.
int CheckPorts(World& world, UridMap& urids) {
    int failed = 0;
    std::set<std::string> uris;
    const auto plugins = world.OurPlugins();
    for (const LilvPlugin* plugin : plugins) {
        const std::string uri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
        uris.insert(uri);
        std::vector<std::string> problems, notes;
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
        const bool mono = uri.size() > 5 && uri.compare(uri.size() - 5, 5, ":mono") == 0;
        const int channels = mono ? 1 : 2;
        if (audioIn != channels || audioOut != channels)
            problems.push_back("audio ports " + std::to_string(audioIn) + "/" + std::to_string(audioOut));
        if (latencyPorts > 1) problems.push_back("more than one latency port");
        // Presets name existing ports and stay inside their ranges.
        for (const auto& [presetUri, label] : world.Presets(plugin)) {
            if (label.empty()) problems.push_back(presetUri + " has no label");
            for (const auto& [sym, v] : PresetValues(world, urids, presetUri)) {
                LilvNode* symNode = lilv_new_string(world.Get(), sym.c_str());
                const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symNode);
                lilv_node_free(symNode);
                if (!port) {
                    problems.push_back(label + " sets unknown port " + sym);
                    continue;
                }
                const uint32_t k = lilv_port_get_index(plugin, port);
                // A factory preset may hold a value past its parameter's range; the plug-in clamps it.
                if (v < mins[k] || v > maxs[k]) notes.push_back(label + " sets " + sym + " past its range");
            }
        }
        // A latency port carries a whole number once the plug-in has run, positive in at least one
        // position of the plug-in's switches (some effects delay only in one mode).
        if (latencyPorts == 1) {
            Instance inst(world, urids, plugin, 48000.0, 64);
            Audio silence;
            silence.channels.assign(static_cast<size_t>(channels), std::vector<float>(64));
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
        for (const auto& p : notes)
            std::printf("; note: %s", p.c_str());
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
    if (x.channels.size() != y.channels.size() || x.Frames() != y.Frames()) {
        std::printf("shape differs: %zux%zu vs %zux%zu\n", x.channels.size(), x.Frames(), y.channels.size(),
                    y.Frames());
        return 1;
    }
    double worst = 0.0, peak = 0.0;
    bool finite = true;
    for (size_t c = 0; c < x.channels.size(); ++c)
        for (size_t i = 0; i < x.Frames(); ++i) {
            finite = finite && std::isfinite(x.channels[c][i]) && std::isfinite(y.channels[c][i]);
            worst = std::max(worst, std::fabs(static_cast<double>(x.channels[c][i]) - y.channels[c][i]));
            peak = std::max(peak, std::fabs(static_cast<double>(y.channels[c][i])));
        }
    std::printf("max difference %.3g (reference peak %.3g)%s\n", worst, peak, finite ? "" : ", not finite");
    return finite && worst <= tolerance ? 0 : 1;
}

bool SameAudio(const Audio& a, const Audio& b) {
    return a.channels == b.channels;
}

// Saves the state of a set instance, restores it into fresh ones (with and without the port values,
// and through its Turtle text) and expects the same audio and the same re-saved bytes.
int StateRoundTrip(World& world, UridMap& urids, const std::string& uri, const Audio& in, int block) {
    const LilvPlugin* plugin = world.Plugin(uri);
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
        if (!SameAudio(ya, yb)) problems.push_back("audio differs after restore (" + how + ")");
        if (b.SaveBytes() != bytes) problems.push_back("re-saved state differs (" + how + ")");
    }
    lilv_state_free(loaded);
    // Another effect's state is refused and changes nothing.
    const size_t code = uri.rfind(':', uri.rfind(':') - 1) + 1;
    const std::string other = uri.substr(0, code) + (uri.compare(code, 3, "lc:") == 0 ? "hgg" : "lc") +
                              uri.substr(uri.find(':', code));
    Instance o(world, urids, world.Plugin(other), in.rate, block);
    const std::vector<uint8_t> before = o.SaveBytes();
    if (o.RestoreBytes(bytes) == LV2_STATE_SUCCESS) problems.push_back(other + " accepted this state");
    if (o.SaveBytes() != before) problems.push_back("this state changed " + other);
    // The restored setting is what the plug-in renders: a default instance must sound different.
    Instance d(world, urids, plugin, in.rate, block);
    const bool distinct = !SameAudio(d.Render(in), ya);
    std::printf("%s %s state %zu bytes%s", problems.empty() ? "PASS" : "FAIL", uri.c_str(), bytes.size(),
                distinct ? "" : " (setting sounds like the default)");
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
    if (cmd == "list") {
        for (const LilvPlugin* p : world.OurPlugins()) {
            const std::string uri = lilv_node_as_uri(lilv_plugin_get_uri(p));
            const std::string rest = uri.substr(20);
            std::string code = rest.substr(0, rest.find(':'));
            for (char& c : code)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const bool mono = rest.substr(rest.find(':') + 1) == "mono";
            std::printf("%s\t%s\t%d\n", uri.c_str(), code.c_str(), mono ? 1 : 2);
        }
        return 0;
    }
    if (cmd == "ports") return CheckPorts(world, urids);
    if (cmd == "settings" && (args.size() == 2 || args.size() == 3)) {
        const LilvPlugin* plugin = world.Plugin(args[1]);
        const int preset = args.size() == 3 ? std::atoi(args[2].c_str()) : -1;
        // 17 digits: the command line reads the port's float exactly, not a nearby double.
        for (const auto& [sym, v] : TestSettings(world, urids, plugin, preset)) {
            LilvNode* symNode = lilv_new_string(world.Get(), sym.c_str());
            const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symNode);
            lilv_node_free(symNode);
            LilvNode* name = port ? lilv_port_get_name(plugin, port) : nullptr;
            std::printf("%s\t%s\t%.17g\n", sym.c_str(), name ? lilv_node_as_string(name) : "",
                        static_cast<double>(v));
            lilv_node_free(name);
        }
        return 0;
    }
    if (cmd == "render" && args.size() >= 4) {
        int block = 256;
        float bpm = 0.0f;
        std::vector<std::pair<std::string, float>> sets;
        std::string stateOut;
        std::vector<std::string> prints;
        bool inPlace = false;
        for (size_t i = 4; i < args.size(); ++i) {
            if (args[i] == "--block") {
                block = ParseBlock(args, i);
            } else if (args[i] == "--bpm" && i + 1 < args.size()) {
                bpm = std::strtof(args[++i].c_str(), nullptr);
            } else if (args[i] == "--set" && i + 1 < args.size()) {
                const std::string s = args[++i];
                const size_t eq = s.find('=');
                if (eq == std::string::npos) throw Failure("--set takes SYMBOL=VALUE");
                sets.emplace_back(s.substr(0, eq), std::strtof(s.c_str() + eq + 1, nullptr));
            } else if (args[i] == "--in-place") {
                inPlace = true;
            } else if (args[i] == "--state-out" && i + 1 < args.size()) {
                stateOut = args[++i];
            } else if (args[i] == "--print" && i + 1 < args.size()) {
                prints.push_back(args[++i]);
            } else {
                throw Failure("unknown option " + args[i]);
            }
        }
        const Audio in = ReadAudio(args[2]);
        Instance inst(world, urids, world.Plugin(args[1]), in.rate, block, inPlace);
        for (const auto& [sym, v] : sets)
            inst.Set(sym, v);
        if (bpm > 0.0f) inst.SendTempo(bpm);
        WriteAudio(args[3], inst.Render(in));
        if (bpm > 0.0f) std::printf("host_tempo %.3f\n", static_cast<double>(inst.Get("host_tempo")));
        for (const std::string& sym : prints)
            std::printf("%s %.6g\n", sym.c_str(), static_cast<double>(inst.Get(sym)));
        if (!stateOut.empty()) {
            const std::vector<uint8_t> bytes = inst.SaveBytes();
            FILE* f = std::fopen(stateOut.c_str(), "wb");
            if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
                throw Failure("cannot write " + stateOut);
            std::fclose(f);
        }
        return 0;
    }
    if (cmd == "presets" && args.size() == 4) {
        const int block = 256;
        const LilvPlugin* plugin = world.Plugin(args[1]);
        const Audio in = ReadAudio(args[2]);
        int n = 0;
        for (const auto& [presetUri, label] : world.Presets(plugin)) {
            Instance inst(world, urids, plugin, in.rate, block);
            // The host's way: load the preset as a state and restore it.
            LilvNode* node = lilv_new_uri(world.Get(), presetUri.c_str());
            LilvState* state = lilv_state_new_from_world(world.Get(), urids.MapPtr(), node);
            lilv_node_free(node);
            if (!state) throw Failure("cannot load " + presetUri);
            inst.RestoreState(state, true);
            lilv_state_free(state);
            const std::string path = args[3] + "/" + std::to_string(n++) + ".wav";
            WriteAudio(path, inst.Render(in));
            // Values past a port's range arrive clamped; the reference render is told so by name.
            std::string clamped;
            for (const auto& [sym, v] : PresetValues(world, urids, presetUri)) {
                LilvNode* symNode = lilv_new_string(world.Get(), sym.c_str());
                const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symNode);
                lilv_node_free(symNode);
                if (!port) continue;
                LilvNode *def = nullptr, *lo = nullptr, *hi = nullptr;
                lilv_port_get_range(plugin, port, &def, &lo, &hi);
                const float c = std::min(std::max(v, lilv_node_as_float(lo)), lilv_node_as_float(hi));
                if (c != v) {
                    LilvNode* name = lilv_port_get_name(plugin, port);
                    char value[32];
                    std::snprintf(value, sizeof value, "%.17g", static_cast<double>(c));
                    clamped += std::string("\t") + lilv_node_as_string(name) + "=" + value;
                    lilv_node_free(name);
                }
                lilv_node_free(def);
                lilv_node_free(lo);
                lilv_node_free(hi);
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
