#pragma once
// What the lilv test hosts share: the URID map, the world with the classes and properties they ask
// about, the atom sequence that carries the host's tempo and an instance with its port buffers.
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// URID map and unmap for the host; never copied (the features point into it).
class UridMap {
  public:
    LV2_URID Map(const char* uri) {
        auto it = fIds.find(uri);
        if (it != fIds.end()) return it->second;
        fUris.emplace_back(uri);
        return fIds[uri] = static_cast<LV2_URID>(fUris.size());
    }
    const char* Unmap(LV2_URID id) const {
        return id >= 1 && id <= fUris.size() ? fUris[id - 1].c_str() : nullptr;
    }
    LV2_URID_Map* MapPtr() { return &fMap; }
    LV2_URID_Unmap* UnmapPtr() { return &fUnmap; }
    const LV2_Feature* const* Features() const { return fFeatures; }

  private:
    std::unordered_map<std::string, LV2_URID> fIds;
    std::vector<std::string> fUris;
    LV2_URID_Map fMap{
        this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->Map(uri); }};
    LV2_URID_Unmap fUnmap{
        this, [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<UridMap*>(h)->Unmap(id); }};
    LV2_Feature fMapFeature{LV2_URID__map, &fMap}, fUnmapFeature{LV2_URID__unmap, &fUnmap};
    const LV2_Feature* fFeatures[3] = {&fMapFeature, &fUnmapFeature, nullptr};
};

class World {
  public:
    World() { lilv_world_load_all(fWorld); }
    ~World() {
        for (LilvNode* n : fNodes)
            lilv_node_free(n);
        lilv_world_free(fWorld);
    }
    LilvWorld* Get() const { return fWorld; }
    // The Marlevo Tonvera plug-ins under LV2_PATH.
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

  private:
    LilvWorld* fWorld = lilv_world_new();
    std::vector<LilvNode*> fNodes;
    LilvNode* Node(const char* uri) { return fNodes.emplace_back(lilv_new_uri(fWorld, uri)); }

  public:
    LilvNode *audio = Node(LV2_CORE__AudioPort), *control = Node(LV2_CORE__ControlPort),
             *input = Node(LV2_CORE__InputPort), *atomPort = Node(LV2_ATOM__AtomPort),
             *enumeration = Node(LV2_CORE__enumeration), *integer = Node(LV2_CORE__integer),
             *toggled = Node(LV2_CORE__toggled), *reportsLatency = Node(LV2_CORE__reportsLatency),
             *preset = Node(LV2_PRESETS__Preset), *label = Node("http://www.w3.org/2000/01/rdf-schema#label");
};

// An atom sequence holding one time:Position with a float tempo, built once; each block either sends
// it or leaves the sequence empty, edited in place (nothing allocated while running).
class TempoSequence {
  public:
    explicit TempoSequence(UridMap& urids) : fBuffer(32, 0) {
        LV2_Atom_Forge forge;
        lv2_atom_forge_init(&forge, urids.MapPtr());
        lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(fBuffer.data()), fBuffer.size() * 8);
        LV2_Atom_Forge_Frame seqFrame, objFrame;
        lv2_atom_forge_sequence_head(&forge, &seqFrame, 0);
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &objFrame, 0, urids.Map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, urids.Map(LV2_TIME__beatsPerMinute));
        fBpm =
            reinterpret_cast<float*>(lv2_atom_forge_deref(&forge, lv2_atom_forge_float(&forge, 120.0f)) + 1);
        lv2_atom_forge_pop(&forge, &objFrame);
        lv2_atom_forge_pop(&forge, &seqFrame);
        fFullSize = Sequence()->atom.size;
    }
    void* Data() { return fBuffer.data(); }
    void Send(float bpm) {
        *fBpm = bpm;
        Sequence()->atom.size = fFullSize;
    }
    void Empty() { Sequence()->atom.size = sizeof(LV2_Atom_Sequence_Body); }

  private:
    LV2_Atom_Sequence* Sequence() { return reinterpret_cast<LV2_Atom_Sequence*>(fBuffer.data()); }
    std::vector<uint64_t> fBuffer;
    float* fBpm = nullptr;
    uint32_t fFullSize = 0;
};

// One instance with a buffer for every port, allocated before it runs: controls at their defaults,
// audio of `block` frames, the tempo sequence on the atom port.
class PluginInstance {
  public:
    struct Control {
        uint32_t index;
        float minimum, maximum;
        bool discrete;
    };
    // features: the URID map and unmap when null. inPlace: each output shares its channel's input
    // buffer, as hosts may connect them.
    PluginInstance(World& w, UridMap& urids, const LilvPlugin* plugin, double rate, int block,
                   const LV2_Feature* const* features = nullptr, bool inPlace = false)
        : fTempo(urids) {
        fInstance = lilv_plugin_instantiate(plugin, rate, features ? features : urids.Features());
        if (!fInstance) return;
        const uint32_t n = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(n), maxs(n), defs(n);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
        fValues.assign(n, 0.0f);
        std::vector<std::pair<uint32_t, bool>> audio; // index, input
        for (uint32_t i = 0; i < n; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
            const bool in = lilv_port_is_a(plugin, port, w.input);
            if (lilv_port_is_a(plugin, port, w.audio)) {
                audio.emplace_back(i, in);
                (in ? fIn : fOut).emplace_back(static_cast<size_t>(block));
            } else if (lilv_port_is_a(plugin, port, w.control)) {
                fValues[i] = std::isnan(defs[i]) ? 0.0f : defs[i];
                fBySymbol[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
                lilv_instance_connect_port(fInstance, i, &fValues[i]);
                if (in)
                    fControls.push_back({i, mins[i], maxs[i],
                                         lilv_port_has_property(plugin, port, w.integer) ||
                                             lilv_port_has_property(plugin, port, w.toggled) ||
                                             lilv_port_has_property(plugin, port, w.enumeration)});
            } else if (lilv_port_is_a(plugin, port, w.atomPort) && in) {
                lilv_instance_connect_port(fInstance, i, fTempo.Data());
            }
        }
        // Audio buffers once their vectors stopped growing.
        size_t ai = 0, ao = 0;
        for (const auto& [i, in] : audio) {
            const size_t k = in ? ai++ : ao++;
            lilv_instance_connect_port(fInstance, i, (in || inPlace ? fIn : fOut)[k].data());
        }
        if (inPlace) fOut = {};
    }
    ~PluginInstance() {
        if (!fInstance) return;
        if (fActive) lilv_instance_deactivate(fInstance);
        lilv_instance_free(fInstance);
    }
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    bool Valid() const { return fInstance != nullptr; }
    LilvInstance* Handle() const { return fInstance; }
    void Activate() {
        lilv_instance_activate(fInstance);
        fActive = true;
    }
    void Deactivate() {
        lilv_instance_deactivate(fInstance);
        fActive = false;
    }
    void Run(int n) { lilv_instance_run(fInstance, static_cast<uint32_t>(n)); }
    std::vector<std::vector<float>>& In() { return fIn; }
    std::vector<float>& Out(size_t c) { return (fOut.empty() ? fIn : fOut)[c]; }
    // A control port's value, by symbol; null for none.
    float* Port(const std::string& symbol) {
        auto it = fBySymbol.find(symbol);
        return it == fBySymbol.end() ? nullptr : &fValues[it->second];
    }
    float& Value(uint32_t index) { return fValues[index]; }
    const std::vector<Control>& Controls() const { return fControls; }
    TempoSequence& Tempo() { return fTempo; }

  private:
    LilvInstance* fInstance = nullptr;
    bool fActive = false;
    std::vector<float> fValues;
    std::map<std::string, uint32_t> fBySymbol;
    std::vector<Control> fControls;
    std::vector<std::vector<float>> fIn, fOut;
    TempoSequence fTempo;
};

} // namespace
