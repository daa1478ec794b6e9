#pragma once
#include "params/CMLVEffectSetup.h"
#include "params/CMLVParameter.h"
#include "params/CMLVPreset.h"
#include "params/CMLVStatusText.h"
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// A value an algorithm publishes for displays (tuner note, gain-reduction lamp, learned threshold).
struct CMLVReadout {
    const char* symbol; // short identifier, [a-z_]
    const char* name;
    const char* unit; // "Hz", "dB", "cent", "" ...
    float minValue, maxValue;
};

// Base of every effect algorithm: identity, sample rate, bypass, tempo, parameter and preset tables,
// dirty flags. Process runs on the audio thread; everything else on the main thread unless noted.
class CMLVDSPAlgInterface {
  public:
    CMLVDSPAlgInterface(double sampleRate, int maxBlockSize);
    virtual ~CMLVDSPAlgInterface();

    // Main thread.
    virtual void SetTapState(float state) { tapState = state; }
    virtual float GetTapState() { return tapState; }
    virtual void OnHostEvent(int, int, int) {}
    // Audio thread. Renders one block; always two input and two output channel pointers.
    virtual int Process(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples) = 0;
    // Audio thread (first block, after a parameter change). Returns 0, or 1 when buffers could not be had.
    virtual int UpdateCoefficients(bool full) = 0;
    // Audio thread. Clears delay lines, envelopes, counters.
    virtual void Reset() {}
    // Main thread, once, when the shell creates the instance for audio (an editor that only reads the
    // parameter and preset records never calls it): allocates every buffer the sample rate needs, so
    // that no block allocates. An algorithm used without it allocates at its first full update.
    virtual void PrepareForAudio() {}
    // Main thread (audio thread for the tempo follow and LV2 run). Returns the status text for the
    // editor; allocates nothing.
    virtual CMLVStatusText SetParameter(int index, float normalized) = 0;

    // Extensions for the hosts of this system. Any thread; cheap reads.
    // Samples of delay the algorithm adds (octaver, oversampled exciter).
    virtual int GetLatency() const { return 0; }
    // True for algorithms whose output depends on how the host cuts the signal into blocks.
    virtual bool DependsOnBlockSize() const { return false; }
    // True when channel 0's output never depends on channel 1, so a one-channel instance may leave the
    // silent second channel uncomputed (see activeChannels).
    virtual bool ChannelsIndependent() const { return false; }
    // Display values: a static table and the current values.
    virtual int GetReadoutCount() const { return 0; }
    virtual const CMLVReadout* GetReadoutInfo(int) const { return nullptr; }
    virtual float GetReadoutValue(int) const { return 0.0f; }
    // A finished measurement whose parameters the effect process pushes to the host (noise gate).
    virtual bool HasMeasurementReport() const { return false; }
    virtual void ClearMeasurementReport() {}

    CMLVParameter* GetParameter(int index) const;
    // Allocates nothing (called on the audio thread by the parameter relations).
    CMLVParameter* FindParameter(std::string_view name, int* index) const;
    int GetParameterCount() const { return static_cast<int>(parameters.size()); }
    void ResetCursors();
    CMLVParameter* NextParameter(int* index);
    const std::string& GetName(bool shortForm) const { return shortForm ? shortName : name; }
    void RecallPreset(int number);
    void RecallPreset(const std::string& presetName);
    const std::map<int, std::unique_ptr<CMLVPreset>>& GetPresets() const { return presets; }
    const CMLVPreset* GetPreset(int number) const;
    // Adds a preset under the next free number (user presets from the preset file); returns the number.
    int AppendPreset(const std::string& presetName, const std::vector<float>& values, int isFactory);

    uint32_t pluginId;
    int maxBlockSize;
    double sampleRate;
    std::atomic<bool> bypassed{false};
    const CMLVPreset* currentPreset = nullptr;
    double tempo = 120.0;
    std::atomic<bool> parametersChanged{false};
    std::atomic<bool> fullUpdatePending{false};
    std::string name = "Marlevo Audio Plug-In";
    std::string shortName = "DSP";
    float tapState = 0.0f;
    uint32_t tapTime = 0;
    // Channels of the instance (1 for a mono instance, whose second input is silent); set by the shell.
    int hostChannels = 2;
    // Channels Process computes, set by the shell before each block: 1 only when the shell discards the
    // second output and ChannelsIndependent() holds; the second output and its peaks are then left alone.
    int activeChannels = 2;
    float* lastInPeak = nullptr;
    float* lastOutPeak = nullptr;

  protected:
    // Main thread, last in an effect's constructor: identity, parameter table, factory presets, then
    // "Default" recalled and the first full update (the constructing class's UpdateCoefficients).
    void Setup(const CMLVEffectIdentity& identity, const CMLVParameterTable& parameterTable,
               const CMLVPresetTable& presetTable, CMLVFirstUpdate first = CMLVFirstUpdate::Now);

    // Single records (Setup's parts; tests build small algorithms with them).
    CMLVParameter* AddParameter(int index, const std::string& paramName, const std::string& unit,
                                double minValue, double maxValue, double step, double defaultValue,
                                CMLVParamType type);
    CMLVParameter* AddParameter(int index, const std::string& paramName,
                                const std::vector<std::string>& labels, double minValue, double maxValue,
                                double step, double defaultValue, CMLVParamType type);
    void AddPreset(int number, const std::string& presetName, const std::vector<float>& values);

    // The shared head of Process: zeroes the peaks, brings coefficients up to date and handles bypass.
    // Returns true when the block is finished (bypassed). coefficientsFirst selects the order used by
    // the effects that update before testing bypass.
    bool BeginBlock(float* in[2], float* out[2], float inPeak[2], float outPeak[2], int numSamples,
                    bool coefficientsFirst = false);
    void UpdatePending();
    static float Peak(const float* x, int n, float peak);
    // For kernels that take the channel count as a template argument: calls
    // run(std::integral_constant<int, C>{}) with C = activeChannels. Returns 0, Process's result.
    template <class Kernel> int WithActiveChannels(Kernel&& run) {
        if (activeChannels == 1)
            run(std::integral_constant<int, 1>{});
        else
            run(std::integral_constant<int, 2>{});
        return 0;
    }

    std::map<int, std::unique_ptr<CMLVParameter>> parameters;
    std::map<int, std::unique_ptr<CMLVPreset>> presets;

  private:
    std::map<int, std::unique_ptr<CMLVParameter>>::const_iterator parameterCursor;
    std::map<int, std::unique_ptr<CMLVPreset>>::const_iterator presetCursor;
};

// Four-character code, first character in the most significant byte.
constexpr uint32_t FourCC(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}
