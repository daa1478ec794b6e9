#pragma once
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <cstring>

// What the host offers a plug-in or editor instance, read the same way by both. Instantiation thread.
namespace lv2features {

// The data of the feature with that URI, or nullptr when the host does not offer it.
template <class T> const T* Find(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features && features[i]; ++i)
        if (!std::strcmp(features[i]->URI, uri)) return static_cast<const T*>(features[i]->data);
    return nullptr;
}

// Copies the value of the option with that key and value type; false when the host gives none.
template <class T>
bool ReadOption(const LV2_Feature* const* features, const char* key, const char* type, T* value) {
    const auto* map = Find<LV2_URID_Map>(features, LV2_URID__map);
    const auto* options = Find<LV2_Options_Option>(features, LV2_OPTIONS__options);
    if (!map || !options) return false;
    const LV2_URID keyURID = map->map(map->handle, key), typeURID = map->map(map->handle, type);
    for (const LV2_Options_Option* o = options; o->key; ++o)
        if (o->key == keyURID && o->type == typeURID && o->size >= sizeof(T) && o->value) {
            std::memcpy(value, o->value, sizeof(T));
            return true;
        }
    return false;
}

} // namespace lv2features
