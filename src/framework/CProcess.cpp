#include "framework/CProcess.h"

namespace {
thread_local const HostProcessContext* t_pendingContext = nullptr;
thread_local const CEffectType* t_pendingType = nullptr;
} // namespace

CProcess::CProcess() {
    if (t_pendingContext) fContext = *t_pendingContext;
    fType = t_pendingType;
}

CProcess::~CProcess() = default;

void CProcess::SetPendingContext(const HostProcessContext* context, const CEffectType* type) {
    t_pendingContext = context;
    t_pendingType = type;
}

CPluginControl* CProcess::GetControl(int index) const {
    if (index < 1 || index > GetNumControls()) return nullptr;
    return fControls[static_cast<size_t>(index - 1)].get();
}

int CProcess::GetControlValue(int index, int32_t* value) const {
    CPluginControl* c = GetControl(index);
    if (!c || !value) return kUnsupported;
    *value = c->GetValue();
    return kNoErr;
}

int CProcess::GetControlDefaultValue(int index, int32_t* value) const {
    CPluginControl* c = GetControl(index);
    if (!c || !value) return kUnsupported;
    *value = c->DefaultValue();
    return kNoErr;
}

int CProcess::SetControlValue(int index, int32_t value) {
    CPluginControl* c = GetControl(index);
    if (!c) return kUnsupported;
    c->SetValue(value);
    if (fContext.listener) fContext.listener->ControlChanged(index, value);
    return kNoErr;
}

int CProcess::HostSetControlValue(int index, int32_t value) {
    CPluginControl* c = GetControl(index);
    if (!c) return kUnsupported;
    c->SetValue(value);
    UpdateControlValueInAlgorithm(index);
    return kNoErr;
}

int CProcess::TouchControl(int index) {
    if (!GetControl(index)) return kUnsupported;
    if (fGestures[static_cast<size_t>(index - 1)]++ == 0 && fContext.listener)
        fContext.listener->GestureBegin(index);
    return kNoErr;
}

int CProcess::ReleaseControl(int index) {
    if (!GetControl(index) || fGestures[static_cast<size_t>(index - 1)] == 0) return kUnsupported;
    if (--fGestures[static_cast<size_t>(index - 1)] == 0 && fContext.listener)
        fContext.listener->GestureEnd(index);
    return kNoErr;
}

int CProcess::GestureCount(int index) const {
    return GetControl(index) ? fGestures[static_cast<size_t>(index - 1)] : 0;
}

int CProcess::RenderAudio(float**, float**, int) {
    return kUnsupported;
}

int CProcess::RenderAudioSuite(AudioBufferDescriptor*, int, AudioBufferDescriptor*, int) {
    return kUnsupported;
}

int CProcess::GetChunkSize(OSType, int32_t*) {
    return kUnsupported;
}
int CProcess::GetChunk(OSType, SFicPlugInChunkHeader*) {
    return kUnsupported;
}
int CProcess::SetChunk(OSType, const SFicPlugInChunkHeader*) {
    return kUnsupported;
}
int CProcess::CompareChunk(OSType, const SFicPlugInChunkHeader*, bool*) {
    return kUnsupported;
}

int CProcess::ConnectTempoService() {
    fTempoVersion = 0;
    if (!fContext.tempo) return kUnsupported;
    for (int version = 7; version >= 1; --version) {
        if (fContext.tempo->GrantVersion(version)) {
            fTempoVersion = version;
            return kNoErr;
        }
    }
    return kUnsupported;
}

int CProcess::GetHostTempo(double* bpm) const {
    if (!fContext.tempo || fTempoVersion < 2) return kTempoVersionTooOld;
    return fContext.tempo->GetTempo(bpm) ? kNoErr : kTempoVersionTooOld;
}

// A process without meters shows them at rest.
void CProcess::GetMeters(float inputs[2], float outputs[2]) const {
    for (int c = 0; c < 2; ++c)
        inputs[c] = outputs[c] = 0.0f;
}

int CProcess::AddControl(std::unique_ptr<CPluginControl> control) {
    fControls.push_back(std::move(control));
    fGestures.push_back(0);
    return GetNumControls();
}
