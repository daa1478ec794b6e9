#include "presets/UserPresetExports.h"
#include "presets/PresetFolder.h"
#include "presets/UserPresets.h"
#include <algorithm>
#include <cstring>

int MLVGetUserPresetFilePath(char* buffer, int capacity) {
    std::string path = GetPresetFilePath(ReadUserFolderChoice());
    if (path.empty() || !buffer || capacity <= static_cast<int>(path.size())) return -1;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<int>(path.size());
}

int MLVVisitUserPresets(MLVUserPresetVisitor visit, void* context) {
    std::vector<MLVUserPresetEntry> entries;
    switch (ReadUserPresets(GetPresetFilePath(ReadUserFolderChoice()), &entries)) {
    case PresetFileStatus::Parsed:
        break;
    case PresetFileStatus::Missing:
        return kMLVPresetFileMissing;
    case PresetFileStatus::Inaccessible:
        return kMLVPresetFileInaccessible;
    case PresetFileStatus::TooLarge:
        return kMLVPresetFileTooLarge;
    case PresetFileStatus::NotWellFormed:
        return kMLVPresetFileNotWellFormed;
    case PresetFileStatus::TooDeep:
        return kMLVPresetFileTooDeep;
    case PresetFileStatus::NotAPresetList:
        return kMLVPresetFileNotAPresetList;
    }
    for (const auto& e : entries)
        if (visit)
            visit(context, e.effectId.c_str(), e.entryKey.c_str(), e.name.c_str(), e.values.data(),
                  static_cast<int>(e.values.size()));
    return kMLVPresetFileRead;
}

int MLVFindUserPreset(const char* effectId, const char* name, float* values, int capacity) {
    std::vector<float> found;
    if (!effectId || !name || !FindUserPreset(effectId, name, &found)) return -1;
    if (values && capacity > 0)
        std::copy_n(found.begin(), std::min(found.size(), static_cast<size_t>(capacity)), values);
    return static_cast<int>(found.size());
}

int MLVIsStorablePresetName(const char* name) {
    return name && IsStorablePresetName(name) ? 1 : 0;
}
