#include "shell/CMLVEffectProcess.h"
#include "shell/AlgorithmRegistry.h"
#include "shell/Catalogue.h"
#include "shell/ControlsChunk.h"
#include "shell/FiniteSamples.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {
std::atomic<uint64_t> gRestarts{0};
constexpr OSType kBypassID = 0x62797061; // b y p a

// First four characters of the name, padded with 'x'; the characters are the identifier's bytes in
// memory order, so the first one lands in the least significant byte.
OSType ParameterControlID(const std::string& name) {
    OSType id = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t c =
            i < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[static_cast<size_t>(i)]) : 'x';
        id |= static_cast<OSType>(c) << (8 * i);
    }
    return id;
}

// -60 dB .. 0 dB onto 0 .. 1. Silence is minus infinity, as log10 gives it, without the library's
// pole-error path, which costs more than the block's other bookkeeping.
float MeterLevel(float peak) {
    return peak == 0.0f ? -HUGE_VALF : (20.0f * std::log10(peak) + 60.0f) / 60.0f;
}
} // namespace

CMLVEffectProcess::CMLVEffectProcess(int effectType, bool userFolder)
    : CMLVPlugInInterface(true, userFolder), fEffectType(effectType), fSampleRate(fContext.sampleRate) {
    // Room for any offline slice and for the longest block the host promised; a mono instance renders
    // longer real-time blocks in slices of this size, so the render never allocates.
    for (auto& s : fScratch)
        s.assign(static_cast<size_t>(std::max(CEffectProcessAS::kMaxSlice, fContext.maxBlockLength)), 0.0f);
    for (auto& s : fSilenced)
        s.assign(kSilencedLength, 0.0f);
}

CMLVEffectProcess::~CMLVEffectProcess() = default;

void CMLVEffectProcess::EffectInit() {
    const std::string shortName = fAlgorithm ? fAlgorithm->shortName : std::string("DSP");
    AddControl(std::make_unique<CPluginControl_OnOff>(
        kBypassID, shortName + " Bypass\n" + shortName + "Bypass", 0, true, "On", "Off"));
    if (fAlgorithm) {
        for (int i = 2; i < 2 + fAlgorithm->GetParameterCount(); ++i) {
            const CMLVParameter* p = fAlgorithm->GetParameter(i);
            AddControl(std::make_unique<CPluginControl_Linear>(
                ParameterControlID(p->name), shortName + " " + p->name, 0.0, 1.0, 0.0, p->normalizedDefault,
                true, ParameterPrefixBegin(), ParameterPrefixEnd()));
        }
        // Controls start at the algorithm's current values (the recalled "Default").
        for (int i = 2; i < 2 + fAlgorithm->GetParameterCount(); ++i)
            fControls[static_cast<size_t>(i - 1)]->SetValue(
                ControlFromNormalized(fAlgorithm->GetParameter(i)->normalizedValue));
    }
    // There is no editor to ask for the tempo connection here, so connect at once.
    ConnectTempoService();
}

int CMLVEffectProcess::ControlUpdate(int index, int32_t value) {
    const float n = NormalizedFromControl(value);
    fLastStatus = fAlgorithm ? fAlgorithm->SetParameter(index, n) : CMLVStatusText();
    if (fEditor) fEditor->ShowStatus(fLastStatus.str());
    if (fEditor) {
        fEditor->ParameterChanged(index, n);
        if (!fEditor->CurrentPresetName().empty()) fEditor->MarkPresetModified();
    }
    if (fSuppressNext) {
        fSuppressNext = false;
        return kNoErr;
    }
    return CProcess::SetControlValue(index, value);
}

void CMLVEffectProcess::UpdateControlValueInAlgorithm(int index) {
    int32_t value = 0;
    if (CProcess::GetControlValue(index, &value) != kNoErr) return;
    fSuppressNext = true;
    ControlUpdate(index, value);
}

float CMLVEffectProcess::GetControlValue(int index) {
    int32_t value = 0;
    CProcess::GetControlValue(index, &value);
    return NormalizedFromControl(value);
}

void CMLVEffectProcess::RecallPreset(int number) {
    RecallPresetForHost(number);
}

int CMLVEffectProcess::RecallPresetForHost(int number) {
    if (!fAlgorithm || !fAlgorithm->GetPreset(number)) return kUnsupported;
    fAlgorithm->RecallPreset(number);
    for (int i = 2; i < 2 + fAlgorithm->GetParameterCount(); ++i)
        ControlUpdate(i, ControlFromNormalized(fAlgorithm->GetParameter(i)->normalizedValue));
    if (fEditor) {
        fEditor->RefreshControls();
        fEditor->RefreshPresetDisplay();
    }
    return kNoErr;
}

void CMLVEffectProcess::SetControlValue(int index, float normalized) {
    // The framework's setter; the host answers with the update-in-algorithm notification.
    const int32_t value = ControlFromNormalized(normalized);
    if (CProcess::SetControlValue(index, value) == kNoErr) UpdateControlValueInAlgorithm(index);
}

void CMLVEffectProcess::AttachEditor(IEffectEditor* editor) {
    fEditor.reset(editor);
}

// Tempo follow, before every algorithm call.
void CMLVEffectProcess::TempoFollow() {
    double bpm = 0.0;
    if (!fAlgorithm || GetHostTempo(&bpm) != kNoErr) return;
    if (bpm == fAlgorithm->tempo || fSyncIndex == 0) return;
    const CMLVParameter* sync = fAlgorithm->GetParameter(fSyncIndex);
    fAlgorithm->tempo = bpm;
    fAlgorithm->SetParameter(fSyncIndex, static_cast<float>(sync->normalizedValue));
    if (sync->GetValue() != 0.0 && fEditor)
        fEditor->ParameterChanged(fSyncIndex, static_cast<float>(sync->normalizedValue));
}

void CMLVEffectProcess::ClearHistory() {
    if (fAlgorithm) fAlgorithm->Reset();
}

void CMLVEffectProcess::SetRenderedChannels(int channels) {
    fAlgorithm->activeChannels = channels < 2 && fAlgorithm->ChannelsIndependent() ? 1 : 2;
}

// NaN and infinity in the input play as silence, so that no effect keeps them in its state; the host's
// buffers stay as they are (the input may be the output), the copies go to fSilenced. A second channel the
// algorithm leaves uncomputed is neither read nor written, so it is not checked.
void CMLVEffectProcess::ProcessSlice(float* in[2], float* out[2], int numSamples) {
    const int active = fAlgorithm->activeChannels;
    if (AllFinite(in[0], active < 2 ? nullptr : in[1], numSamples)) {
        ProcessChecked(in, out, numSamples);
    } else {
        float inPeak[2] = {0, 0}, outPeak[2] = {0, 0};
        for (int pos = 0; pos < numSamples; pos += kSilencedLength) {
            const int n = std::min(kSilencedLength, numSamples - pos);
            float* silenced[2] = {fSilenced[0].data(), fSilenced[1].data()};
            float* o[2] = {out[0] + pos, out[1] + pos};
            for (int c = 0; c < active; ++c)
                ZeroNonFinite(in[c] + pos, silenced[c], n);
            ProcessChecked(silenced, o, n);
            for (int c = 0; c < 2; ++c) {
                inPeak[c] = std::max(inPeak[c], fInPeak[c]);
                outPeak[c] = std::max(outPeak[c], fOutPeak[c]);
            }
        }
        std::copy_n(inPeak, 2, fInPeak);
        std::copy_n(outPeak, 2, fOutPeak);
    }
    // The noise gate's finished "Learn" measurement goes to the host controls.
    if (fEffectType == 105 && fAlgorithm->HasMeasurementReport()) {
        SetControlValue(2, static_cast<float>(fAlgorithm->GetParameter(2)->normalizedValue));
        SetControlValue(5, static_cast<float>(fAlgorithm->GetParameter(5)->normalizedValue));
        fAlgorithm->ClearMeasurementReport();
    }
    fRendered = true;
}

void CMLVEffectProcess::GetMeters(float inputs[2], float outputs[2]) const {
    CProcess::GetMeters(inputs, outputs);
    const int channels = fRendered ? std::min(fContext.channels, 2) : 0;
    for (int c = 0; c < channels; ++c) {
        inputs[c] = MeterLevel(fInPeak[c]);
        outputs[c] = MeterLevel(fOutPeak[c]);
    }
}

void CMLVEffectProcess::ProcessChecked(float* in[2], float* out[2], int numSamples) {
    const int active = fAlgorithm->activeChannels;
    fAlgorithm->Process(in, out, fInPeak, fOutPeak, numSamples);
    if (AllFinite(out[0], active < 2 ? nullptr : out[1], numSamples)) return;
    // A state that went non-finite would stay so: start again from silence.
    fAlgorithm->Reset();
    gRestarts.fetch_add(1, std::memory_order_relaxed);
    for (int c = 0; c < active; ++c)
        ZeroNonFinite(out[c], out[c], numSamples);
}

uint64_t MLVRestartCount() {
    return gRestarts.load();
}

// Chunks

int CMLVEffectProcess::GetChunkSize(OSType chunkID, int32_t* size) {
    if (chunkID != ControlsChunk::kChunkID) return CProcess::GetChunkSize(chunkID, size);
    if (GetNumControls() == 0) return kNoChunkToSave;
    int32_t dataSize = 4;
    for (const auto& c : fControls)
        dataSize += 8 + (c->IsContinuous() ? 8 : 4);
    *size = kChunkHeaderSize + dataSize;
    return kNoErr;
}

int CMLVEffectProcess::GetChunk(OSType chunkID, SFicPlugInChunkHeader* chunk) {
    if (chunkID != ControlsChunk::kChunkID) return CProcess::GetChunk(chunkID, chunk);
    if (GetNumControls() == 0) return kNoChunkToSave;
    std::vector<uint8_t> data = ControlsChunk::Begin();
    for (const auto& c : fControls) {
        if (c->IsContinuous())
            ControlsChunk::AppendDouble(
                data, c->Id(),
                dynamic_cast<const CPluginControl_Linear*>(c.get())->FromControl(c->GetValue()));
        else
            ControlsChunk::AppendLong(
                data, c->Id(),
                static_cast<const CPluginControl_Discrete*>(c.get())->GetDiscreteValueFromControlValue(
                    c->GetValue()));
    }
    std::memset(chunk, 0, kChunkHeaderSize);
    chunk->fSize = static_cast<int32_t>(kChunkHeaderSize + data.size());
    chunk->fVersion = 1;
    chunk->fManufacturerID = MakeOSType("Mlvx");
    chunk->fProductID = fType ? fType->ProductID() : 0;
    chunk->fPlugInID = fType ? fType->TypeID() : 0;
    chunk->fChunkID = ControlsChunk::kChunkID;
    std::strncpy(chunk->fName, ControlsChunk::kChunkName, sizeof chunk->fName - 1);
    std::memcpy(reinterpret_cast<uint8_t*>(chunk) + kChunkHeaderSize, data.data(), data.size());
    return kNoErr;
}

namespace {
// Pairs controls with entries: the k-th control of an identifier takes the k-th entry of that key,
// so controls whose identifiers coincide keep their own values.
template <typename F>
void ForEachMatchedEntry(const std::vector<std::unique_ptr<CPluginControl>>& controls,
                         const std::vector<ControlsChunk::Entry>& entries, F f) {
    std::vector<bool> used(entries.size(), false);
    for (size_t i = 0; i < controls.size(); ++i) {
        const std::string key = ControlsChunk::KeyText(controls[i]->Id());
        for (size_t e = 0; e < entries.size(); ++e) {
            if (!used[e] && entries[e].key == key) {
                used[e] = true;
                f(static_cast<int>(i + 1), *controls[i], entries[e]);
                break;
            }
        }
    }
}

int32_t ControlValueOf(const CPluginControl& c, const ControlsChunk::Entry& e) {
    if (c.IsContinuous()) return dynamic_cast<const CPluginControl_Linear&>(c).ToControl(e.value);
    return static_cast<const CPluginControl_Discrete&>(c).GetControlValueFromDiscreteValue(
        static_cast<int32_t>(e.value));
}
} // namespace

int CMLVEffectProcess::SetChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk) {
    if (chunkID != ControlsChunk::kChunkID) return CProcess::SetChunk(chunkID, chunk);
    if (!chunk || chunk->fSize < kChunkHeaderSize) return kNoErr;
    if (fType && !ControlsChunk::IsRecordOf(*chunk, fType->ProductID())) return kUnsupported;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(chunk) + kChunkHeaderSize;
    const auto entries = ControlsChunk::Parse(data, static_cast<size_t>(chunk->fSize - kChunkHeaderSize));
    ForEachMatchedEntry(fControls, entries,
                        [this](int index, const CPluginControl& c, const ControlsChunk::Entry& e) {
                            HostSetControlValue(index, ControlValueOf(c, e));
                        });
    return kNoErr;
}

int CMLVEffectProcess::CompareChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk, bool* isEqual) {
    if (chunkID != ControlsChunk::kChunkID) return CProcess::CompareChunk(chunkID, chunk, isEqual);
    *isEqual = true;
    if (!chunk || chunk->fSize < kChunkHeaderSize) return kNoErr;
    if (fType && !ControlsChunk::IsRecordOf(*chunk, fType->ProductID())) {
        *isEqual = false;
        return kNoErr;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(chunk) + kChunkHeaderSize;
    const auto entries = ControlsChunk::Parse(data, static_cast<size_t>(chunk->fSize - kChunkHeaderSize));
    ForEachMatchedEntry(fControls, entries,
                        [isEqual](int, const CPluginControl& c, const ControlsChunk::Entry& e) {
                            const int32_t stored = ControlValueOf(c, e);
                            if (!c.IsContinuous()) {
                                const auto& d = static_cast<const CPluginControl_Discrete&>(c);
                                if (d.GetDiscreteValueFromControlValue(stored) !=
                                    d.GetDiscreteValueFromControlValue(c.GetValue()))
                                    *isEqual = false;
                                return;
                            }
                            char a[32], b[32];
                            c.ValueText(a, 31, stored);
                            c.ValueText(b, 31, c.GetValue());
                            if (std::strcmp(a, b) != 0) *isEqual = false;
                        });
    return kNoErr;
}

// Descriptions

int CMLVEffectProcess::GetParameterDescription(int index, ParameterDescription* out) const {
    const CMLVParameter* p = fAlgorithm ? fAlgorithm->GetParameter(index) : nullptr;
    if (!p || !out) return kUnsupported;
    *out = ParameterDescription{index,   p->name,         static_cast<int>(p->type), p->minValue, p->maxValue,
                                p->step, p->defaultValue, p->normalizedDefault,      p->labels};
    return kNoErr;
}

int CMLVEffectProcess::GetPresetCount() const {
    return fAlgorithm ? static_cast<int>(fAlgorithm->GetPresets().size()) : 0;
}

int CMLVEffectProcess::GetPresetDescription(int i, PresetDescription* out) const {
    if (!fAlgorithm || !out) return kUnsupported;
    int k = 0;
    for (const auto& [number, preset] : fAlgorithm->GetPresets()) {
        if (k++ == i) {
            *out = PresetDescription{number, preset->name, preset->values, preset->isFactory != 0};
            return kNoErr;
        }
    }
    return kUnsupported;
}

int CMLVEffectProcess::HostSavePreset(const std::string& presetName) {
    if (!fAlgorithm) return kUnsupported;
    CMLVPlugInInterface::SavePreset(presetName);
    return LastSaveSucceeded() ? kNoErr : kUnsupported;
}

std::string CMLVEffectProcess::ParameterValueText(int index, double normalized) const {
    const CMLVParameter* p = fAlgorithm ? fAlgorithm->GetParameter(index) : nullptr;
    if (!p) return std::string();
    return p->FormatValue(false, true, normalized < 0 ? -1.0 : p->Denormalize(normalized));
}

double CMLVEffectProcess::NormalizeParameter(int index, double plain) const {
    const CMLVParameter* p = fAlgorithm ? fAlgorithm->GetParameter(index) : nullptr;
    return p ? p->Normalize(plain) : 0.0;
}

double CMLVEffectProcess::DenormalizeParameter(int index, double normalized) const {
    const CMLVParameter* p = fAlgorithm ? fAlgorithm->GetParameter(index) : nullptr;
    return p ? p->Denormalize(normalized) : 0.0;
}

double CMLVEffectProcess::ParameterPlainValue(int index) const {
    const CMLVParameter* p = fAlgorithm ? fAlgorithm->GetParameter(index) : nullptr;
    return p ? p->GetValue() : 0.0;
}

int CMLVEffectProcess::GetReadoutCount() const {
    return fAlgorithm ? fAlgorithm->GetReadoutCount() : 0;
}

int CMLVEffectProcess::GetReadoutDescription(int i, ReadoutDescription* out) const {
    const CMLVReadout* r = fAlgorithm ? fAlgorithm->GetReadoutInfo(i) : nullptr;
    if (!r || !out) return kUnsupported;
    *out = ReadoutDescription{r->symbol, r->name, r->unit, r->minValue, r->maxValue};
    return kNoErr;
}

float CMLVEffectProcess::GetReadoutValue(int i) const {
    return fAlgorithm ? fAlgorithm->GetReadoutValue(i) : 0.0f;
}
int CMLVEffectProcess::GetLatency() const {
    return fAlgorithm ? fAlgorithm->GetLatency() : 0;
}
bool CMLVEffectProcess::DependsOnBlockSize() const {
    return fAlgorithm && fAlgorithm->DependsOnBlockSize();
}
bool CMLVEffectProcess::ChannelsIndependent() const {
    return fAlgorithm && fAlgorithm->ChannelsIndependent();
}

// The algorithm of the effect type

CMLVEffectProcessSpecific::CMLVEffectProcessSpecific(int effectType, bool userFolder)
    : CMLVEffectProcess(effectType, userFolder) {
    fAlgorithm.reset(AlgorithmRegistry::Create(effectType, fSampleRate, fBlockSizeHint));
    if (!fAlgorithm) return;
    fAlgorithm->sampleRate = fSampleRate;
    fAlgorithm->hostChannels = fContext.channels;
    fAlgorithm->fullUpdatePending = true;
    algorithm = fAlgorithm.get();
    fAlgorithm->RecallPreset(0);
    fAlgorithm->FindParameter("Sync coeff", &fSyncIndex);
    // Created for audio: every buffer now, at the host's rate, so that no block allocates.
    fAlgorithm->PrepareForAudio();
}
