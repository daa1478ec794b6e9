#include "shell/CMLVPlugInInterface.h"

// The preset file arrives with the preset library; until then presets stay in memory only.
class CMLVPresetFile {};

CMLVPlugInInterface::CMLVPlugInInterface(bool presetsEnabled_, bool) : presetsEnabled(presetsEnabled_) {}

CMLVPlugInInterface::~CMLVPlugInInterface() = default;

std::vector<float> CMLVPlugInInterface::GetParameterValues() const {
    std::vector<float> values;
    if (!algorithm) return values;
    for (int i = 2; i < 2 + algorithm->GetParameterCount(); ++i) {
        const CMLVParameter* p = algorithm->GetParameter(i);
        values.push_back(p ? static_cast<float>(p->GetValue()) : 0.0f);
    }
    return values;
}

void CMLVPlugInInterface::SavePreset(const std::string& presetName) {
    if (!algorithm || !presetsEnabled) return;
    algorithm->AppendPreset(presetName, GetParameterValues(), 0);
}

std::string CMLVPlugInInterface::GetPresetFilePathText() const { return std::string(); }
