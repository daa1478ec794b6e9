#pragma once
#include "presets/CMLVPresetFile.h"
#include <string>
#include <vector>

// Read-only access to the entries of the user preset file, for the command line.

struct MLVUserPresetEntry {
    std::string effectId; // "odu1"
    std::string entryKey; // "Preset 001"
    std::string name;
    std::vector<float> values;
};

// Every entry of the file in document order; Parsed, or what kept the file from being read.
PresetFileStatus ReadUserPresets(const std::string& filePath, std::vector<MLVUserPresetEntry>* entries);

// Values of the user preset of that effect with that name in the file of the folder this user's
// installation selects; the most recently stored one when several share the name.
bool FindUserPreset(const std::string& pluginIdText, const std::string& name, std::vector<float>* values);
