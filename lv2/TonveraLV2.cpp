// The LV2 adapter: one descriptor per real-time effect type of the catalogue. It is a host of the
// shell like the embedded host: every instance is an effect process made by the group's CreateProcess,
// every port value reaches the algorithm through the process's control-update path, state is the
// process's controls chunk.
#include "LV2Features.h"
#include "PortLayout.h"
#include "framework/CEffectGroup.h"
#include "platform/FlushDenormals.h"
#include "shell/EntryPoints.h"
#include "shell/HostFacts.h"
#include "shell/SupportedRates.h"
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Group access (type list, process creation, instance numbering) is serialised: hosts may
// instantiate from more than one thread.
std::mutex& GroupMutex() {
    static std::mutex m;
    return m;
}

// Releases the group through the library's own close routine before the library's statics are torn
// down, so the unload notification finds nothing left to release. Constructed after the library's
// statics, so destroyed before them. The open/close pair covers a library that the loading process
// opened through the hand-over as well as one that opened itself at load.
struct GroupRelease {
    ~GroupRelease() {
        WinPlugInClose();
        WinPlugInOpen(hostfacts::kOpenVersion);
        WinPlugInClose();
    }
};

CEffectGroup* Group() {
    static CEffectGroup* group = [] {
        CEffectGroup* g = nullptr;
        return NewPlugIn(&g) == kNoErr ? g : nullptr;
    }();
    static GroupRelease release;
    return group;
}

struct TypeEntry {
    int typeIndex = 0;
    const CEffectType* type = nullptr;
    std::string uri;
    LV2_Descriptor descriptor{};
    std::once_flag layoutOnce;
    lv2layout::PluginLayout layout; // from a reference process at 48 kHz, like the generated metadata
};

std::vector<std::unique_ptr<TypeEntry>>& Types();

// The host's tempo as the shell asks for it; no tempo until the host has sent one.
class TransportTempo : public ITempoService {
  public:
    bool GrantVersion(int) override { return true; }
    bool GetTempo(double* bpm) override {
        if (!(fBpm > 0.0)) return false;
        *bpm = fBpm;
        return true;
    }
    void Set(double bpm) {
        if (bpm >= 1.0 && bpm <= 2000.0) fBpm = bpm;
    }
    double Bpm() const { return fBpm; }

  private:
    double fBpm = 0.0;
};

struct URIDs {
    LV2_URID atomChunk = 0, atomObject = 0, atomBlank = 0, atomSequence = 0;
    LV2_URID atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;
    LV2_URID timePosition = 0, timeBeatsPerMinute = 0, stateKey = 0;
};

// The longest block the host will pass to run(), from its options (the maximum, else the nominal
// length); 0 when it does not say.
int MaxBlockLength(const LV2_Feature* const* features) {
    int32_t maximum = 0, nominal = 0;
    lv2features::ReadOption(features, LV2_BUF_SIZE__maxBlockLength, LV2_ATOM__Int, &maximum);
    lv2features::ReadOption(features, LV2_BUF_SIZE__nominalBlockLength, LV2_ATOM__Int, &nominal);
    return std::max(0, maximum > 0 ? maximum : nominal);
}

class Instance {
  public:
    Instance(TypeEntry& entry, double sampleRate, const LV2_Feature* const* features)
        : fEntry(entry), fMap(lv2features::Find<LV2_URID_Map>(features, LV2_URID__map)) {
        if (fMap) {
            auto map = [this](const char* uri) { return fMap->map(fMap->handle, uri); };
            fURIDs.atomChunk = map(LV2_ATOM__Chunk);
            fURIDs.atomObject = map(LV2_ATOM__Object);
            fURIDs.atomBlank = map(LV2_ATOM__Blank);
            fURIDs.atomSequence = map(LV2_ATOM__Sequence);
            fURIDs.atomFloat = map(LV2_ATOM__Float);
            fURIDs.atomDouble = map(LV2_ATOM__Double);
            fURIDs.atomInt = map(LV2_ATOM__Int);
            fURIDs.atomLong = map(LV2_ATOM__Long);
            fURIDs.timePosition = map(LV2_TIME__Position);
            fURIDs.timeBeatsPerMinute = map(LV2_TIME__beatsPerMinute);
            fURIDs.stateKey = map(lv2layout::kStateKeyURI);
        }
        HostProcessContext context;
        context.sampleRate = sampleRate;
        context.channels = entry.layout.channels;
        context.tempo = &fTempo;
        // The process sizes its buffers for it before the first block; longer blocks go in slices.
        context.maxBlockLength = MaxBlockLength(features);
        // No control listener: the controls the shell changes by itself (the noise gate's learned
        // threshold) reach the host through the effect's readout ports, and the host's input ports keep
        // their values, so nothing re-applies an old value over a measured one until the host moves it.
        {
            std::lock_guard<std::mutex> lock(GroupMutex());
            fProcess.reset(Group()->CreateProcess(entry.typeIndex, context));
        }
        if (!fProcess) return;
        const auto& ports = entry.layout.ports;
        fBuffers.assign(ports.size(), nullptr);
        // Every parameter port counts as changed in the first block, so the algorithm takes all its
        // values through the control-update path; the footswitch starts as the process's (off).
        fLastSeen.assign(ports.size(), std::numeric_limits<float>::quiet_NaN());
        for (const auto& p : ports)
            if (p.role == lv2layout::Role::Bypass) fLastSeen[static_cast<size_t>(p.index)] = 0.0f;
        // Each block visits only the ports of each kind, not the whole layout.
        for (const auto& p : ports) {
            if (p.role == lv2layout::Role::Audio)
                (p.direction == lv2layout::Direction::Input ? fAudioIn : fAudioOut)[p.channel] = p.index;
            else if (p.role == lv2layout::Role::Events)
                fEventPorts.push_back(p.index);
            else if (p.role == lv2layout::Role::Bypass || p.role == lv2layout::Role::Parameter)
                fControlIns.push_back(&p);
            else if (p.direction == lv2layout::Direction::Output)
                fControlOuts.push_back(&p);
        }
    }

    bool Valid() const { return fProcess != nullptr; }

    void Connect(uint32_t port, void* data) {
        if (port < fBuffers.size()) fBuffers[port] = data;
    }

    // Main thread (instantiation class): history cleared, controls kept.
    void Activate() { fProcess->ClearHistory(); }

    // Audio thread. Lock-free: a state save may read the controls meanwhile (they are atomic).
    void Run(uint32_t numSamples) {
        ReadTransport();
        float* in[2] = {nullptr, nullptr};
        float* out[2] = {nullptr, nullptr};
        for (int c = 0; c < fEntry.layout.channels; ++c) {
            in[c] = AudioBuffer(fAudioIn[c]);
            out[c] = AudioBuffer(fAudioOut[c]);
            if (!in[c] || !out[c]) return;
        }

        ApplyControls();
        fProcess->RenderAudio(in, out, static_cast<int>(numSamples));
        PublishOutputs();
    }

    // Any thread but the audio thread (the state extension allows save to overlap run): reads the
    // controls, which run writes as atomic values.
    LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
        if (!fMap) return LV2_STATE_ERR_NO_FEATURE;
        std::vector<uint8_t> record;
        if (hostfacts::SaveControls(*fProcess, &record) != kNoErr) return LV2_STATE_ERR_UNKNOWN;
        return store(handle, fURIDs.stateKey, record.data(), record.size(), fURIDs.atomChunk,
                     LV2_STATE_IS_POD);
    }

    // Never concurrent with run (instantiation class).
    LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle) {
        if (!fMap) return LV2_STATE_ERR_NO_FEATURE;
        size_t size = 0;
        uint32_t type = 0, flags = 0;
        const void* value = retrieve(handle, fURIDs.stateKey, &size, &type, &flags);
        if (!value) return LV2_STATE_ERR_NO_PROPERTY;
        if (type != fURIDs.atomChunk) return LV2_STATE_ERR_BAD_TYPE;
        SFicPlugInChunkHeader header;
        if (!hostfacts::ReadControlsHeader(value, size, &header) ||
            hostfacts::RestoreControls(*fProcess, value, size) != kNoErr)
            return LV2_STATE_ERR_UNKNOWN; // not a controls record, or another effect's: nothing was applied
        // The restored values stand until the host moves a port away from the value it holds now.
        for (const auto& p : fEntry.layout.ports) {
            const size_t i = static_cast<size_t>(p.index);
            if (p.role != lv2layout::Role::Bypass && p.role != lv2layout::Role::Parameter) continue;
            fLastSeen[i] = fBuffers[i] ? PortValue(i) : RestoredValue(p);
        }
        return LV2_STATE_SUCCESS;
    }

  private:
    float PortValue(size_t i) const { return *static_cast<const float*>(fBuffers[i]); }
    float* AudioBuffer(int port) const {
        return port < 0 ? nullptr : static_cast<float*>(fBuffers[static_cast<size_t>(port)]);
    }

    // The plain value a control port would carry to mean the process's current setting.
    float RestoredValue(const lv2layout::Port& p) const {
        if (p.role == lv2layout::Role::Bypass) {
            int32_t value = 0;
            fProcess->GetControlValue(1, &value);
            return NormalizedFromControl(value) >= 0.5f ? 1.0f : 0.0f;
        }
        return static_cast<float>(fProcess->ParameterPlainValue(p.control));
    }

    // Port values that changed since the last block go through the control-update path.
    void ApplyControls() {
        for (const lv2layout::Port* port : fControlIns) {
            const lv2layout::Port& p = *port;
            const size_t i = static_cast<size_t>(p.index);
            if (!fBuffers[i]) continue;
            const float v = PortValue(i);
            if (v == fLastSeen[i] || std::isnan(v)) continue; // NaN never equals: the first block applies
            fLastSeen[i] = v;
            const double normalized = p.role == lv2layout::Role::Bypass
                                          ? (v >= 0.5f ? 1.0 : 0.0)
                                          : fProcess->NormalizeParameter(p.control, v);
            fProcess->HostSetControlValue(p.control, ControlFromNormalized(normalized));
        }
    }

    void PublishOutputs() {
        float meterIn[2] = {0, 0}, meterOut[2] = {0, 0};
        fProcess->GetMeters(meterIn, meterOut);
        auto meter = [](float m) { return std::isnan(m) ? 0.0f : std::min(1.0f, std::max(0.0f, m)); };
        for (const lv2layout::Port* port : fControlOuts) {
            const lv2layout::Port& p = *port;
            float* buffer = static_cast<float*>(fBuffers[static_cast<size_t>(p.index)]);
            if (!buffer) continue;
            switch (p.role) {
            case lv2layout::Role::MeterIn:
                *buffer = meter(meterIn[p.channel]);
                break;
            case lv2layout::Role::MeterOut:
                *buffer = meter(meterOut[p.channel]);
                break;
            case lv2layout::Role::Readout: {
                const float v = fProcess->GetReadoutValue(p.readout);
                *buffer = std::isfinite(v) ? v : p.minimum;
                break;
            }
            case lv2layout::Role::HostTempo:
                *buffer = static_cast<float>(fTempo.Bpm());
                break;
            case lv2layout::Role::Latency:
                *buffer = static_cast<float>(fProcess->GetLatency());
                break;
            default:
                break;
            }
        }
    }

    // Reads the newest beats-per-minute of the block's time:Position objects.
    void ReadTransport() {
        if (!fMap) return;
        for (const int port : fEventPorts) {
            const auto* seq = static_cast<const LV2_Atom_Sequence*>(fBuffers[static_cast<size_t>(port)]);
            if (!seq || seq->atom.type != fURIDs.atomSequence) continue;
            const uint8_t* body = reinterpret_cast<const uint8_t*>(&seq->body);
            const uint32_t size = seq->atom.size;
            for (uint32_t off = sizeof(LV2_Atom_Sequence_Body); off + sizeof(LV2_Atom_Event) <= size;) {
                const auto* ev = reinterpret_cast<const LV2_Atom_Event*>(body + off);
                if (off + sizeof(LV2_Atom_Event) + ev->body.size > size) break;
                ReadPosition(&ev->body);
                off += (static_cast<uint32_t>(sizeof(LV2_Atom_Event)) + ev->body.size + 7u) & ~7u;
            }
        }
    }

    void ReadPosition(const LV2_Atom* atom) {
        if ((atom->type != fURIDs.atomObject && atom->type != fURIDs.atomBlank) ||
            atom->size < sizeof(LV2_Atom_Object_Body))
            return;
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(atom);
        if (obj->body.otype != fURIDs.timePosition) return;
        const uint8_t* base = reinterpret_cast<const uint8_t*>(&obj->body);
        for (uint32_t off = sizeof(LV2_Atom_Object_Body);
             off + sizeof(LV2_Atom_Property_Body) <= atom->size;) {
            const auto* prop = reinterpret_cast<const LV2_Atom_Property_Body*>(base + off);
            const uint8_t* data = base + off + sizeof(LV2_Atom_Property_Body);
            if (off + sizeof(LV2_Atom_Property_Body) + prop->value.size > atom->size) break;
            if (prop->key == fURIDs.timeBeatsPerMinute) {
                const LV2_URID t = prop->value.type;
                double bpm = 0.0;
                if (t == fURIDs.atomFloat && prop->value.size >= 4) {
                    float f;
                    std::memcpy(&f, data, 4);
                    bpm = f;
                } else if (t == fURIDs.atomDouble && prop->value.size >= 8) {
                    std::memcpy(&bpm, data, 8);
                } else if (t == fURIDs.atomInt && prop->value.size >= 4) {
                    int32_t i;
                    std::memcpy(&i, data, 4);
                    bpm = i;
                } else if (t == fURIDs.atomLong && prop->value.size >= 8) {
                    int64_t l;
                    std::memcpy(&l, data, 8);
                    bpm = static_cast<double>(l);
                }
                fTempo.Set(bpm);
            }
            off += (static_cast<uint32_t>(sizeof(LV2_Atom_Property_Body)) + prop->value.size + 7u) & ~7u;
        }
    }

    TypeEntry& fEntry;
    const LV2_URID_Map* fMap = nullptr;
    URIDs fURIDs;
    TransportTempo fTempo;
    std::unique_ptr<CProcess> fProcess;
    std::vector<void*> fBuffers;
    std::vector<float> fLastSeen;
    int fAudioIn[2] = {-1, -1}, fAudioOut[2] = {-1, -1};
    std::vector<int> fEventPorts;
    std::vector<const lv2layout::Port*> fControlIns, fControlOuts; // into fEntry.layout, which outlives us
};

TypeEntry* EntryOf(const LV2_Descriptor* descriptor) {
    for (auto& e : Types())
        if (&e->descriptor == descriptor) return e.get();
    return nullptr;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*,
                       const LV2_Feature* const* features) {
    TypeEntry* entry = EntryOf(descriptor);
    if (!entry || !IsSupportedSampleRate(sampleRate)) return nullptr;
    std::call_once(entry->layoutOnce, [entry] {
        HostProcessContext reference;
        reference.sampleRate = 48000.0;
        reference.channels = entry->type->NumInputs();
        std::lock_guard<std::mutex> lock(GroupMutex());
        std::unique_ptr<CProcess> process(Group()->CreateProcess(entry->typeIndex, reference));
        std::unique_ptr<CProcess> probe(Group()->CreateProcess(entry->typeIndex, reference));
        if (process && probe)
            entry->layout = lv2layout::Describe(*entry->type, *process, lv2layout::ProbeLatency(*probe));
    });
    if (entry->layout.ports.empty()) return nullptr;
    auto* instance = new Instance(*entry, sampleRate, features);
    if (!instance->Valid()) {
        delete instance;
        return nullptr;
    }
    return instance;
}

void ConnectPort(LV2_Handle h, uint32_t port, void* data) {
    static_cast<Instance*>(h)->Connect(port, data);
}

void Activate(LV2_Handle h) {
    static_cast<Instance*>(h)->Activate();
}

void Run(LV2_Handle h, uint32_t n) {
    const FlushDenormals flush;
    static_cast<Instance*>(h)->Run(n);
}

void Deactivate(LV2_Handle) {}

void Cleanup(LV2_Handle h) {
    delete static_cast<Instance*>(h);
}

LV2_State_Status SaveState(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                           const LV2_Feature* const*) {
    return static_cast<Instance*>(h)->Save(store, handle);
}

LV2_State_Status RestoreState(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                              uint32_t, const LV2_Feature* const*) {
    return static_cast<Instance*>(h)->Restore(retrieve, handle);
}

const void* ExtensionData(const char* uri) {
    static const LV2_State_Interface state = {SaveState, RestoreState};
    if (!std::strcmp(uri, LV2_STATE__interface)) return &state;
    return nullptr;
}

std::vector<std::unique_ptr<TypeEntry>>& Types() {
    static std::vector<std::unique_ptr<TypeEntry>> types = [] {
        std::vector<std::unique_ptr<TypeEntry>> list;
        std::lock_guard<std::mutex> lock(GroupMutex());
        CEffectGroup* group = Group();
        for (int i = 0; group && i < group->GetNumTypes(); ++i) {
            const CEffectType* type = group->GetType(i);
            if (type->Kind() != kRealTime) continue;
            auto e = std::make_unique<TypeEntry>();
            e->typeIndex = i;
            e->type = type;
            e->uri = lv2layout::PluginURI(hostfacts::CodeOfTypeName(type->Name()), type->NumInputs());
            e->descriptor = LV2_Descriptor{e->uri.c_str(), Instantiate, ConnectPort,  Activate, Run,
                                           Deactivate,     Cleanup,     ExtensionData};
            list.push_back(std::move(e));
        }
        return list;
    }();
    return types;
}

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    auto& types = Types();
    return index < types.size() ? &types[index]->descriptor : nullptr;
}
