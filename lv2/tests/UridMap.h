#pragma once
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
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

} // namespace
