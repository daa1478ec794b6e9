#include "params/CMLVDSPAlgInterface.h"
#include <cmath>
#include <cstring>

CMLVDSPAlgInterface::CMLVDSPAlgInterface(double sampleRate_, int maxBlockSize_)
    : pluginId(FourCC("mlv1")), maxBlockSize(maxBlockSize_), sampleRate(sampleRate_) {
    ResetCursors();
}

CMLVDSPAlgInterface::~CMLVDSPAlgInterface() = default;

CMLVParameter* CMLVDSPAlgInterface::GetParameter(int index) const {
    auto it = parameters.find(index);
    return it == parameters.end() ? nullptr : it->second.get();
}

CMLVParameter* CMLVDSPAlgInterface::FindParameter(std::string_view paramName, int* index) const {
    for (const auto& [i, p] : parameters) {
        if (p->name == paramName) {
            if (index) *index = i;
            return p.get();
        }
    }
    return nullptr;
}

void CMLVDSPAlgInterface::ResetCursors() {
    parameterCursor = parameters.begin();
    presetCursor = presets.begin();
}

CMLVParameter* CMLVDSPAlgInterface::NextParameter(int* index) {
    if (parameterCursor == parameters.end()) return nullptr;
    if (index) *index = parameterCursor->first;
    return (parameterCursor++)->second.get();
}

const CMLVPreset* CMLVDSPAlgInterface::GetPreset(int number) const {
    auto it = presets.find(number);
    return it == presets.end() ? nullptr : it->second.get();
}

void CMLVDSPAlgInterface::RecallPreset(int number) {
    const CMLVPreset* preset = GetPreset(number);
    if (!preset || preset->values.size() != parameters.size()) return;
    size_t i = 0;
    for (auto& [index, p] : parameters)
        p->SetValue(preset->values[i++]);
    currentPreset = preset;
}

void CMLVDSPAlgInterface::RecallPreset(const std::string& presetName) {
    for (const auto& [number, preset] : presets) {
        if (preset->name == presetName) {
            RecallPreset(number);
            return;
        }
    }
}

int CMLVDSPAlgInterface::AppendPreset(const std::string& presetName, const std::vector<float>& values,
                                      int isFactory) {
    int number = presets.empty() ? 0 : presets.rbegin()->first + 1;
    presets[number] = std::make_unique<CMLVPreset>(CMLVPreset{presetName, values, isFactory});
    return number;
}

CMLVParameter* CMLVDSPAlgInterface::AddParameter(int index, const std::string& paramName,
                                                 const std::string& unit, double minValue, double maxValue,
                                                 double step, double defaultValue, CMLVParamType type) {
    auto& slot = parameters[index];
    slot =
        std::make_unique<CMLVParameter>(this, paramName, unit, minValue, maxValue, step, defaultValue, type);
    return slot.get();
}

CMLVParameter* CMLVDSPAlgInterface::AddParameter(int index, const std::string& paramName,
                                                 const std::vector<std::string>& labels, double minValue,
                                                 double maxValue, double step, double defaultValue,
                                                 CMLVParamType type) {
    auto& slot = parameters[index];
    slot = std::make_unique<CMLVParameter>(this, paramName, labels, minValue, maxValue, step, defaultValue,
                                           type);
    return slot.get();
}

void CMLVDSPAlgInterface::AddPreset(int number, const std::string& presetName,
                                    const std::vector<float>& values) {
    presets[number] = std::make_unique<CMLVPreset>(CMLVPreset{presetName, values, 1});
}

void CMLVDSPAlgInterface::Setup(const CMLVEffectIdentity& identity, const CMLVParameterTable& parameterTable,
                                const CMLVPresetTable& presetTable, CMLVFirstUpdate first) {
    name = identity.name;
    shortName = identity.shortName;
    pluginId = identity.pluginId;
    for (const CMLVParameterRecord& r : parameterTable)
        AddParameter(r.index, r.name, r.labels, r.minValue, r.maxValue, r.step, r.defaultValue, r.type);
    int number = 0;
    for (const CMLVPresetRecord& preset : presetTable)
        AddPreset(number++, preset.name, preset.values);
    RecallPreset("Default");
    if (first == CMLVFirstUpdate::Now)
        UpdateCoefficients(true);
    else
        fullUpdatePending = true;
}

float CMLVDSPAlgInterface::Peak(const float* x, int n, float peak) {
    for (int i = 0; i < n; ++i) {
        float a = std::fabs(x[i]);
        if (a > peak) peak = a;
    }
    return peak;
}

void CMLVDSPAlgInterface::UpdatePending() {
    if (fullUpdatePending) UpdateCoefficients(true);
    if (parametersChanged) UpdateCoefficients(false);
}

bool CMLVDSPAlgInterface::BeginBlock(float* in[2], float* out[2], float inPeak[2], float outPeak[2],
                                     int numSamples, bool coefficientsFirst) {
    lastInPeak = inPeak;
    lastOutPeak = outPeak;
    inPeak[0] = inPeak[1] = 0.0f;
    outPeak[0] = outPeak[1] = 0.0f;
    if (coefficientsFirst) UpdatePending();
    if (bypassed) {
        for (int c = 0; c < 2; ++c) {
            inPeak[c] = Peak(in[c], numSamples, 0.0f);
            if (out[c] != in[c] && numSamples > 0)
                std::memmove(out[c], in[c], sizeof(float) * static_cast<size_t>(numSamples));
            outPeak[c] = inPeak[c];
        }
        return true;
    }
    if (!coefficientsFirst) UpdatePending();
    return false;
}
