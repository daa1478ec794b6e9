#include "ui/editor/CMLVUIPlugInInterface.h"
#include "presets/CMLVPresetFile.h"
#include "presets/UserPresets.h"
#include "shell/AlgorithmRegistry.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"

CMLVUIPlugInInterface::CMLVUIPlugInInterface(int type, double sampleRate, bool presets, bool userFolder)
    : CMLVPlugInInterface(presets, userFolder), effectType(type) {
    // The block-size hint of every algorithm; the editor's copy never renders.
    ownedAlgorithm.reset(AlgorithmRegistry::Create(effectType, sampleRate, 256));
    algorithm = ownedAlgorithm.get();
    values.assign(2, 0.0f);
    if (!algorithm) return;
    const int count = algorithm->GetParameterCount();
    values.resize(static_cast<size_t>(2 + count), 0.0f);
    for (int i = 2; i < 2 + count; ++i)
        if (const CMLVParameter* p = algorithm->GetParameter(i))
            values[static_cast<size_t>(i)] = static_cast<float>(p->normalizedValue);
    values[1] = algorithm->bypassed ? 1.0f : 0.0f;
    // Until the host reports them, the published values read as a fresh instance's.
    for (int i = 0; i < algorithm->GetReadoutCount(); ++i)
        readouts.push_back(algorithm->GetReadoutValue(i));
    algorithm->FindParameter("Sync coeff", &syncIndex);
    if (presetsEnabled) LoadUserPresets();
}

CMLVUIPlugInInterface::~CMLVUIPlugInInterface() = default;

void CMLVUIPlugInInterface::LoadUserPresets() {
    const std::string path = GetPresetFilePathText();
    if (path.empty()) {
        presetFileProblem = "No folder for presets";
        return;
    }
    // Opening the file moved an unreadable one aside: its presets are kept there, not shown here.
    if (presetFile && !presetFile->GetMovedAsidePath().empty())
        presetFileProblem = "Unreadable preset file kept aside";
    std::vector<MLVUserPresetEntry> entries;
    const PresetFileStatus status = ReadUserPresets(path, &entries);
    if (status != PresetFileStatus::Parsed) {
        if (status != PresetFileStatus::Missing && presetFileProblem.empty())
            presetFileProblem = "Preset file unreadable";
        return;
    }
    const std::string id = PluginIdText(algorithm->pluginId);
    const size_t count = values.size() - 2;
    for (const MLVUserPresetEntry& e : entries)
        if (e.effectId == id && e.values.size() == count) algorithm->AppendPreset(e.name, e.values, 0);
}

float CMLVUIPlugInInterface::GetControlValue(int index) {
    return index >= 1 && index < static_cast<int>(values.size()) ? values[static_cast<size_t>(index)] : 0.0f;
}

void CMLVUIPlugInInterface::SetControlValue(int index, float normalized) {
    if (index < 1 || index >= static_cast<int>(values.size())) return;
    normalized = normalized < 0.0f ? 0.0f : (normalized > 1.0f ? 1.0f : normalized);
    values[static_cast<size_t>(index)] = normalized;
    WriteControl(index, normalized);
    ControlUpdate(index, normalized, true);
}

void CMLVUIPlugInInterface::HostControlChanged(int index, float normalized) {
    if (index < 1 || index >= static_cast<int>(values.size())) return;
    if (values[static_cast<size_t>(index)] == normalized) return;
    values[static_cast<size_t>(index)] = normalized;
    ControlUpdate(index, normalized, false);
}

void CMLVUIPlugInInterface::ControlUpdate(int index, float normalized, bool fromUser) {
    if (!algorithm) return;
    const auto status = algorithm->SetParameter(index, normalized);
    if (!editor) return;
    if (fromUser) editor->ShowStatus(status.c_str());
    editor->ParameterChanged(index, normalized);
}

void CMLVUIPlugInInterface::RecallPreset(int number) {
    if (!algorithm || !algorithm->GetPreset(number)) return;
    algorithm->RecallPreset(number);
    for (int i = 2; i < static_cast<int>(values.size()); ++i)
        if (const CMLVParameter* p = algorithm->GetParameter(i))
            SetControlValue(i, static_cast<float>(p->normalizedValue));
    if (editor) {
        editor->RefreshControls();
        editor->RefreshPresetDisplay();
    }
}

void CMLVUIPlugInInterface::SavePreset(const std::string& presetName) {
    const size_t before = algorithm ? algorithm->GetPresets().size() : 0;
    CMLVPlugInInterface::SavePreset(presetName);
    if (!algorithm) return;
    lastSaveProblem.clear();
    if (!presetsEnabled)
        lastSaveProblem = "No folder for presets";
    else if (!IsStorablePresetName(presetName))
        lastSaveProblem = "Preset name not allowed";
    else if (!LastSaveSucceeded())
        lastSaveProblem = "Preset not saved: file error";
    // A stored preset becomes the current one, even when only this session holds it.
    if (algorithm->GetPresets().size() > before)
        algorithm->currentPreset = &*algorithm->GetPresets().rbegin()->second;
}

void CMLVUIPlugInInterface::HostTempoChanged(double bpm) {
    if (!algorithm || bpm <= 0.0 || bpm == algorithm->tempo) return;
    algorithm->tempo = bpm;
    CMLVParameter* sync = syncIndex ? algorithm->GetParameter(syncIndex) : nullptr;
    if (!sync) return;
    algorithm->SetParameter(syncIndex, static_cast<float>(sync->normalizedValue));
    if (editor && sync->GetValue() != 0.0)
        editor->ParameterChanged(syncIndex, static_cast<float>(sync->normalizedValue));
}

void CMLVUIPlugInInterface::SetReadoutValue(int readoutIndex, float value) {
    if (readoutIndex >= 0 && readoutIndex < static_cast<int>(readouts.size()))
        readouts[static_cast<size_t>(readoutIndex)] = value;
}

float CMLVUIPlugInInterface::GetReadoutValue(const std::string& symbol, float fallback) const {
    if (!algorithm) return fallback;
    for (int i = 0; i < static_cast<int>(readouts.size()); ++i) {
        const CMLVReadout* info = algorithm->GetReadoutInfo(i);
        if (info && symbol == info->symbol) return readouts[static_cast<size_t>(i)];
    }
    return fallback;
}

void CMLVUIPlugInInterface::SetMeterValue(bool output, int channel, float value01) {
    if (channel >= 0 && channel < 2) meters[output ? 1 : 0][channel] = value01;
}

float CMLVUIPlugInInterface::GetMeterValue(bool output, int channel) const {
    return channel >= 0 && channel < 2 ? meters[output ? 1 : 0][channel] : 0.0f;
}
