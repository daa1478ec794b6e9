#include "shell/CMLVPlugInInterface.h"
#include "presets/CMLVPresetFile.h"
#include "presets/PresetFolder.h"

CMLVPlugInInterface::CMLVPlugInInterface(bool presetsEnabled_, bool userFolder)
    : presetsEnabled(presetsEnabled_) {
    if (!presetsEnabled) return;
    presetFile = std::make_unique<CMLVPresetFile>();
    presetFile->Open(
        GetPresetFilePath(userFolder)); // a file that cannot be used leaves saves failing quietly
}

CMLVPlugInInterface::~CMLVPlugInInterface() = default;

std::vector<float> CMLVPlugInInterface::GetParameterValues() const {
    std::vector<float> values;
    if (!algorithm) return values;
    const int count = algorithm->GetParameterCount();
    // Ascending index from 2; the indices are contiguous, the bound only guards a gap.
    for (int i = 2; static_cast<int>(values.size()) < count && i < 2 + 2 * count + 64; ++i) {
        const CMLVParameter* p = algorithm->GetParameter(i);
        if (!p) continue;
        double v = p->value;
        if (p->type == List) v = static_cast<double>(static_cast<int>(v + 0.5));
        values.push_back(static_cast<float>(v));
    }
    return values;
}

void CMLVPlugInInterface::SavePreset(const std::string& presetName) {
    lastSaveSucceeded = false;
    if (!algorithm || !presetsEnabled || !IsStorablePresetName(presetName)) return; // nothing half-stored
    int number = algorithm->AppendPreset(presetName, GetParameterValues(), 0);
    const CMLVPreset* preset = algorithm->GetPreset(number);
    if (presetFile && preset) lastSaveSucceeded = presetFile->SavePreset(*preset, *algorithm);
}

std::string CMLVPlugInInterface::GetPresetFilePathText() const {
    return presetFile ? presetFile->GetPath() : std::string();
}
