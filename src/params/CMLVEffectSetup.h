#pragma once
#include "params/CMLVParameter.h"
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// An effect's setup as data: who it is, its parameter table, its factory presets. The effect's
// constructor hands the three to CMLVDSPAlgInterface::Setup.

// Display name ("CH - Chorus"), short name ("CH") and four-character identifier (FourCC("chu1")).
struct CMLVEffectIdentity {
    const char* name;
    const char* shortName;
    uint32_t pluginId;
};

// One parameter: index (the effect's enum), name, unit or labels, range, step, default, mapping.
struct CMLVParameterRecord {
    // Shown with a unit ("%", "Hz", "" ...).
    CMLVParameterRecord(int index_, const char* name_, const char* unit, double min, double max, double step_,
                        double default_, CMLVParamType type_)
        : CMLVParameterRecord(index_, name_, std::vector<std::string>{unit}, min, max, step_, default_,
                              type_) {}
    // Shown with labels: one per List value, or the two side texts of a Bipolar value. A single label
    // in braces would select the unit form: write std::vector<std::string>{...} for a one-entry list.
    CMLVParameterRecord(int index_, const char* name_, std::vector<std::string> labels_, double min,
                        double max, double step_, double default_, CMLVParamType type_)
        : index(index_), name(name_), labels(std::move(labels_)), minValue(min), maxValue(max), step(step_),
          defaultValue(default_), type(type_) {}

    int index;
    std::string name;
    std::vector<std::string> labels; // the unit is the one label of a non-list parameter
    double minValue, maxValue, step, defaultValue;
    CMLVParamType type;
};
using CMLVParameterTable = std::vector<CMLVParameterRecord>;

// A factory preset: one value per parameter in ascending index. Numbered by its row, from 0;
// row 0 is "Default".
struct CMLVPresetRecord {
    std::string name;
    std::vector<float> values;
};
using CMLVPresetTable = std::vector<CMLVPresetRecord>;

// When the setup runs the first full coefficient update.
enum class CMLVFirstUpdate {
    Now,       // in the constructor
    FirstBlock // at the first block: the buffers come with PrepareForAudio
};
