#include "presets/UserPresets.h"
#include "presets/CMLVPresetFile.h"
#include "presets/PresetFolder.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tinyxml.h>

namespace {
const char* TextOf(const TiXmlElement* e) {
    const char* t = e ? e->GetText() : nullptr;
    return t ? t : "";
}
} // namespace

PresetFileStatus ReadUserPresets(const std::string& filePath, std::vector<MLVUserPresetEntry>* entries) {
    entries->clear();
    TiXmlDocument doc;
    const PresetFileStatus status = ReadPresetFile(filePath, &doc);
    if (status != PresetFileStatus::Parsed) return status;
    const TiXmlElement* library = doc.RootElement()->FirstChildElement("dict");
    for (const TiXmlElement* key = library->FirstChildElement("key"); key;
         key = key->NextSiblingElement("key")) {
        const char* sectionKey = TextOf(key);
        const TiXmlElement* section = key->NextSiblingElement();
        if (std::strncmp(sectionKey, "Effect ", 7) != 0 || !section || section->ValueStr() != "dict")
            continue;
        for (const TiXmlElement* k = section->FirstChildElement("key"); k; k = k->NextSiblingElement("key")) {
            int number;
            const TiXmlElement* entry = k->NextSiblingElement();
            if (std::sscanf(TextOf(k), "Preset %d", &number) != 1 || !entry || entry->ValueStr() != "dict")
                continue;
            MLVUserPresetEntry item;
            item.effectId = sectionKey + 7;
            item.entryKey = TextOf(k);
            for (const TiXmlElement* field = entry->FirstChildElement("key"); field;
                 field = field->NextSiblingElement("key")) {
                const TiXmlElement* value = field->NextSiblingElement();
                if (!value) continue;
                if (std::strcmp(TextOf(field), "Preset Name") == 0) {
                    item.name = TextOf(value);
                } else if (std::strcmp(TextOf(field), "Parameters") == 0) {
                    for (const TiXmlElement* r = value->FirstChildElement("real"); r;
                         r = r->NextSiblingElement("real"))
                        item.values.push_back(static_cast<float>(std::strtod(TextOf(r), nullptr)));
                }
            }
            entries->push_back(std::move(item));
        }
    }
    return status;
}

bool FindUserPreset(const std::string& pluginIdText, const std::string& name, std::vector<float>* values) {
    std::vector<MLVUserPresetEntry> entries;
    if (ReadUserPresets(GetPresetFilePath(ReadUserFolderChoice()), &entries) != PresetFileStatus::Parsed)
        return false;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->effectId == pluginIdText && it->name == name) {
            *values = it->values;
            return true;
        }
    }
    return false;
}
