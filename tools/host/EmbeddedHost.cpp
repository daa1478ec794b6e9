#include "host/EmbeddedHost.h"
#include "shell/HostFacts.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

using PlugInRoutine = short (*)();

namespace {
PlugInRoutine g_open = nullptr, g_close = nullptr;

bool FileExists(const std::string& p) {
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    return buf;
}

std::string ExecutableDir() {
    const std::string p = ExecutablePath();
    return p.substr(0, p.find_last_of('/'));
}

std::string LocateLibrary() {
    if (const char* env = std::getenv("TONVERA_PLUGIN"); env && *env) return env;
    const std::string candidates[] = {TONVERA_PLUGIN_BUILD_PATH, ExecutableDir() + "/MarlevoTonvera.so",
                                      ExecutableDir() + "/../lib/marlevo/MarlevoTonvera.so",
                                      TONVERA_PLUGIN_INSTALL_PATH};
    for (const auto& c : candidates)
        if (FileExists(c)) return c;
    return TONVERA_PLUGIN_INSTALL_PATH;
}
} // namespace

// The host's hand-over routine: the library finds it among the loaded symbols when it is loaded.
extern "C" __attribute__((visibility("default"), used)) void SetPlugInOpenAndCloseProcs(PlugInRoutine open,
                                                                                        PlugInRoutine close) {
    g_open = open;
    g_close = close;
}

namespace host {

PluginLibrary::PluginLibrary(const std::string& path) : fPath(path.empty() ? LocateLibrary() : path) {
    g_open = g_close = nullptr;
    // Kept mapped until exit: FFTW keeps planner state in its globals for the life of the process.
    fHandle = dlopen(fPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    Open();
}

// The load notification handed the routines over when the program started.
PluginLibrary::PluginLibrary(LinkedIn) : fPath(ExecutablePath()), fHandle(dlopen(nullptr, RTLD_NOW)) {
    Open();
}

void PluginLibrary::Open() {
    if (!fHandle) throw HostError("cannot load the plug-in library " + fPath + ": " + dlerror(), 1);
    auto open = reinterpret_cast<int (*)(int)>(dlsym(fHandle, "WinPlugInOpen"));
    auto newPlugIn = reinterpret_cast<int (*)(void*)>(dlsym(fHandle, "NewPlugIn"));
    if (!open || !newPlugIn) throw HostError(fPath + " is not a Marlevo Tonvera plug-in library", 1);
    if (open(hostfacts::kOpenVersion) != 0) throw HostError("the plug-in library refused to open", 1);
    if (newPlugIn(&fGroup) != 0 || !fGroup)
        throw HostError("the plug-in library created no plug-in group", 1);
}

PluginLibrary::~PluginLibrary() {
    if (auto close = reinterpret_cast<int (*)()>(dlsym(fHandle, "WinPlugInClose"))) close();
    if (g_close) g_close();
    dlclose(fHandle);
}

void* PluginLibrary::Symbol(const char* name) const {
    return dlsym(fHandle, name);
}

std::vector<EffectSummary> PluginLibrary::Effects() const {
    std::vector<EffectSummary> out;
    for (int i = 0; i < fGroup->GetNumTypes(); ++i) {
        const CEffectType* t = fGroup->GetType(i);
        if (t->Kind() != kRealTime || t->NumInputs() != 2) continue;
        out.push_back(EffectSummary{hostfacts::CodeOfTypeName(t->Name()),
                                    hostfacts::LongNameOfTypeName(t->Name()), t->Tag(), t->TypeID(),
                                    t->ProductID(), t->Category(), t->Attribute()});
    }
    return out;
}

const CEffectType* PluginLibrary::FindType(const std::string& code, EffectKind kind, int channels) const {
    for (int i = 0; i < fGroup->GetNumTypes(); ++i) {
        const CEffectType* t = fGroup->GetType(i);
        if (t->Kind() != kind ||
            hostfacts::Lower(hostfacts::CodeOfTypeName(t->Name())) != hostfacts::Lower(code))
            continue;
        if (kind == kRealTime && t->NumInputs() != (channels == 1 ? 1 : 2)) continue;
        return t;
    }
    return nullptr;
}

int PluginLibrary::TypeIndex(const CEffectType* type) const {
    for (int i = 0; i < fGroup->GetNumTypes(); ++i)
        if (fGroup->GetType(i) == type) return i;
    return -1;
}

Effect::Effect(PluginLibrary& library, const std::string& code, RenderMode mode, int channels,
               double sampleRate, HostTempo* tempo, IHostListener* listener, int maxBlockLength)
    : fLibrary(library), fCode(code), fMode(mode), fChannels(channels) {
    fType = library.FindType(code, mode == RenderMode::Offline ? kAudioSuite : kRealTime, channels);
    if (!fType) throw HostError("unknown effect code \"" + code + "\" (see 'tonvera list')", 2);
    HostProcessContext ctx;
    ctx.sampleRate = sampleRate;
    ctx.channels = channels;
    ctx.tempo = tempo;
    ctx.listener = listener;
    ctx.maxBlockLength = maxBlockLength;
    fProcess = library.Group().CreateProcess(library.TypeIndex(fType), ctx);
    if (!fProcess) throw HostError("the plug-in could not create an instance of " + code, 1);
    fCode = hostfacts::CodeOfTypeName(fType->Name());
}

Effect::~Effect() {
    delete fProcess;
}

ParameterDescription Effect::Parameter(int index) const {
    ParameterDescription d;
    fProcess->GetParameterDescription(index, &d);
    return d;
}

int Effect::ParameterIndex(const std::string& name) const {
    std::string known;
    for (int i = 2; i < 2 + ParameterCount(); ++i) {
        ParameterDescription d = Parameter(i);
        if (d.name == name) return i;
        known += (known.empty() ? "\"" : ", \"") + d.name + "\"";
    }
    if (hostfacts::Lower(name) == "bypass") return 1;
    throw HostError(fCode + " has no parameter \"" + name + "\" (parameters: " + known + ", Bypass)", 2);
}

void Effect::SetParameterPlain(int index, double plain) {
    const int32_t value = ControlFromNormalized(fProcess->NormalizeParameter(index, plain));
    fProcess->TouchControl(index);
    fProcess->HostSetControlValue(index, value);
    fProcess->ReleaseControl(index);
}

void Effect::SetBypass(bool bypassed) {
    fProcess->TouchControl(1);
    fProcess->HostSetControlValue(1, ControlFromNormalized(bypassed ? 1.0 : 0.0));
    fProcess->ReleaseControl(1);
}

void Effect::SetParameter(const std::string& name, const std::string& value) {
    const int index = ParameterIndex(name);
    if (index == 1) {
        const std::string v = hostfacts::Lower(value);
        if (v == "on" || v == "1" || v == "true")
            SetBypass(true);
        else if (v == "off" || v == "0" || v == "false")
            SetBypass(false);
        else
            throw HostError("Bypass takes on or off, not \"" + value + "\"", 2);
        return;
    }
    const ParameterDescription p = Parameter(index);
    SetParameterPlain(index, std::min(std::max(ParsePlainValue(p, value), p.minValue), p.maxValue));
}

std::vector<PresetDescription> Effect::Presets() const {
    std::vector<PresetDescription> out;
    for (int i = 0; i < fProcess->GetPresetCount(); ++i) {
        PresetDescription p;
        if (fProcess->GetPresetDescription(i, &p) == kNoErr) out.push_back(p);
    }
    return out;
}

void Effect::RecallPreset(const std::string& name) {
    std::string known;
    for (const PresetDescription& p : Presets()) {
        if (p.name == name) {
            fProcess->HostRecallPreset(p.number);
            return;
        }
        known += (known.empty() ? "\"" : ", \"") + p.name + "\"";
    }
    throw HostError(fCode + " has no preset \"" + name + "\" (presets: " + known + ")", 2);
}

std::vector<uint8_t> Effect::SaveChunk() const {
    std::vector<uint8_t> record;
    const int status = hostfacts::SaveControls(*fProcess, &record);
    if (record.empty()) throw HostError("the instance has no state to save", 1);
    if (status != kNoErr) throw HostError("the instance could not save its state", 1);
    return record;
}

void Effect::RestoreChunk(const std::vector<uint8_t>& record) {
    SFicPlugInChunkHeader header;
    if (record.size() < sizeof header) throw HostError("state file is too short to be a chunk record", 1);
    if (!hostfacts::ReadControlsHeader(record.data(), record.size(), &header))
        throw HostError("state file is not a \"" + std::string(ControlsChunk::kChunkName) + "\" record", 1);
    if (header.fProductID != fType->ProductID()) {
        std::string owner = "another plug-in";
        for (const EffectSummary& e : fLibrary.Effects())
            if (e.productID == header.fProductID) owner = e.code;
        throw HostError("state file holds the state of " + owner + ", not of " + fCode, 2);
    }
    if (hostfacts::RestoreControls(*fProcess, record.data(), record.size()) != kNoErr)
        throw HostError("the instance of " + fCode + " refused the state file", 2);
}

void Effect::Render(float** in, float** out, int numSamples) {
    if (fMode == RenderMode::RealTime) {
        fProcess->RenderAudio(in, out, numSamples);
        return;
    }
    AudioBufferDescriptor ins[2], outs[2];
    for (int c = 0; c < fChannels; ++c) {
        ins[c] = {in[c], numSamples};
        outs[c] = {out[c], numSamples};
    }
    fProcess->RenderAudioSuite(ins, fChannels, outs, fChannels);
}

double ParsePlainValue(const ParameterDescription& p, const std::string& text) {
    if (hostfacts::IsList(p)) { // by label, else by number
        for (size_t i = 0; i < p.labels.size(); ++i)
            if (p.labels[i] == text) return static_cast<double>(i);
        for (size_t i = 0; i < p.labels.size(); ++i)
            if (hostfacts::Lower(p.labels[i]) == hostfacts::Lower(text)) return static_cast<double>(i);
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != 0 || !std::isfinite(v)) {
        std::string hint;
        if (hostfacts::IsList(p)) {
            for (const auto& l : p.labels)
                hint += (hint.empty() ? "\"" : ", \"") + l + "\"";
            hint = " (one of " + hint + ")";
        }
        throw HostError("\"" + text + "\" is not a value for " + p.name + hint, 2);
    }
    return v;
}

std::string PlainValueText(const ParameterDescription& p, double plain) {
    if (hostfacts::IsList(p)) {
        const int i = static_cast<int>(plain + 0.5);
        if (i >= 0 && i < static_cast<int>(p.labels.size())) return p.labels[static_cast<size_t>(i)];
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", plain);
    return buf;
}

std::string TypeName(int type) {
    static const char* names[] = {"Linear", "Integer",   "Bipolar",  "List",    "Logarithmic",
                                  "GainDb", "Quadratic", "OffAtMin", "OffAtMax"};
    return type >= 0 && type < 9 ? names[type] : "?";
}

} // namespace host
