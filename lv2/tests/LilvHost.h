#pragma once
// What the lilv test hosts share: the URID map, the world with the classes and properties they ask
// about, and the atom sequence that carries the host's tempo.
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// URID map and unmap for the host.
class UridMap {
  public:
    UridMap() {
        fMap = {this,
                [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->Map(uri); }};
        fUnmap = {this,
                  [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<UridMap*>(h)->Unmap(id); }};
        fMapFeature = {LV2_URID__map, &fMap};
        fUnmapFeature = {LV2_URID__unmap, &fUnmap};
        fFeatures[0] = &fMapFeature;
        fFeatures[1] = &fUnmapFeature;
        fFeatures[2] = nullptr;
    }
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
    LV2_URID_Map fMap;
    LV2_URID_Unmap fUnmap;
    LV2_Feature fMapFeature, fUnmapFeature;
    const LV2_Feature* fFeatures[3];
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

} // namespace
