#pragma once
#include "framework/CEffectGroup.h"
#include "framework/FrameworkTypes.h"
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The embedded host: loads the plug-in library with dlopen, opens it, and plays the host's part for
// the command line, the tests and the benchmark. It reaches the library only through its entry points
// and the framework's virtual operations.
namespace host {

struct HostError : std::runtime_error {
    HostError(const std::string& what, int code) : std::runtime_error(what), exitCode(code) {}
    int exitCode; // 2 usage, 1 files
};

// The host's tempo service: a settable tempo, granting versions up to maxVersion.
class HostTempo : public ITempoService {
  public:
    bool GrantVersion(int version) override { return version <= maxVersion; }
    bool GetTempo(double* out) override {
        *out = bpm;
        return true;
    }
    double bpm = 120.0;
    int maxVersion = 7;
};

struct EffectSummary {
    std::string code, longName;
    int effectType = 0;
    OSType baseTypeID = 0, productID = 0;
    int category = 0, attribute = 0;
};

class PluginLibrary {
  public:
    // Loads the library from path, or, when empty, from $TONVERA_PLUGIN, the build tree or the install path.
    explicit PluginLibrary(const std::string& path = std::string());
    // The library's objects linked into this program (the tests): one copy of the algorithms, of their
    // registry and of the FFT planner's lock, reached through the program's own entry points.
    struct LinkedIn {};
    explicit PluginLibrary(LinkedIn);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    CEffectGroup& Group() const { return *fGroup; }
    const std::string& Path() const { return fPath; }
    // Registered effects, one per catalogue record, in registration order.
    std::vector<EffectSummary> Effects() const;
    // The type of an effect code in the wanted form; nullptr when the effect is not registered.
    const CEffectType* FindType(const std::string& code, EffectKind kind, int channels) const;
    int TypeIndex(const CEffectType* type) const;
    // An exported entry of the library, or nullptr.
    void* Symbol(const char* name) const;

  private:
    void Open();

    std::string fPath;
    void* fHandle = nullptr;
    CEffectGroup* fGroup = nullptr;
};

enum class RenderMode { Offline, RealTime };

// One effect instance. maxBlockLength: the longest real-time block the caller will render (0: unknown).
class Effect {
  public:
    Effect(PluginLibrary& library, const std::string& code, RenderMode mode, int channels, double sampleRate,
           HostTempo* tempo = nullptr, IHostListener* listener = nullptr, int maxBlockLength = 0);
    ~Effect();
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    CProcess& Process() const { return *fProcess; }
    const CEffectType& Type() const { return *fType; }
    const std::string& Code() const { return fCode; }
    // The identifier keying the effect's entries in the user preset file ("odu1").
    std::string Identifier() const { return OSTypeText(fProcess->EffectIdentifier()); }
    PluginLibrary& Library() const { return fLibrary; }
    int Channels() const { return fChannels; }

    // Parameters, indexed from 2.
    int ParameterCount() const { return fProcess->GetNumControls() - 1; }
    ParameterDescription Parameter(int index) const;
    // Index of a parameter by exact name; throws HostError(2) naming the effect's parameters otherwise.
    int ParameterIndex(const std::string& name) const;
    // Sets a parameter in plain units (a List also by its label), clamped to its range, as a user's
    // gesture on the control. Throws HostError(2) for a malformed or non-finite value.
    void SetParameter(const std::string& name, const std::string& value);
    void SetParameterPlain(int index, double plain);
    void SetBypass(bool bypassed);
    double PlainValue(int index) const { return fProcess->ParameterPlainValue(index); }
    std::string ValueText(int index) const { return fProcess->ParameterValueText(index, -1.0); }

    std::vector<PresetDescription> Presets() const;
    // Recalls a preset by name; throws HostError(2) when there is none.
    void RecallPreset(const std::string& name);

    std::vector<uint8_t> SaveChunk() const;
    // Throws HostError(1) for a record that is not a controls chunk, HostError(2) for another effect's.
    void RestoreChunk(const std::vector<uint8_t>& record);

    // Real-time: one host block. Offline: a whole region (sliced by the library).
    void Render(float** in, float** out, int numSamples);

  private:
    PluginLibrary& fLibrary;
    std::string fCode;
    const CEffectType* fType = nullptr;
    CProcess* fProcess = nullptr;
    RenderMode fMode;
    int fChannels;
};

// "1/8" style value texts and numbers: parses a plain value for a parameter from text; throws
// HostError(2) for text that is no finite number (nor a label of a List).
double ParsePlainValue(const ParameterDescription& p, const std::string& text);
// The reverse: a List's label, else the number as "%g" writes it.
std::string PlainValueText(const ParameterDescription& p, double plain);
std::string TypeName(int type);

} // namespace host
