#pragma once
#include "framework/FrameworkTypes.h"
#include "host/CPluginControl.h"
#include <memory>
#include <vector>

class CEffectType;

// One plug-in instance as the host sees it: controls indexed from 1 in creation order, the control
// setter, gestures, tempo connection, render and chunk operations. Hosts call render on their audio
// thread and everything else on their main thread.
class CProcess {
  public:
    // Reads the context of the host's create request (sample rate, channels, services).
    CProcess();
    virtual ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    // Main thread: called by the framework right after construction; creates the controls.
    virtual void EffectInit() {}

    // Controls.
    // Hosts reach the process only through virtual operations and inline accessors.
    int GetNumControls() const { return static_cast<int>(fControls.size()); }
    // Main thread. Index from 1; nullptr outside the range.
    virtual CPluginControl* GetControl(int index) const;
    virtual int GetControlValue(int index, int32_t* value) const;
    virtual int GetControlDefaultValue(int index, int32_t* value) const;
    // Main thread. The framework's control setter: stores the value and informs the host.
    virtual int SetControlValue(int index, int32_t value);
    // Main thread. A change the host makes (automation, its own UI, a chunk restore): stores the value
    // and sends the update-in-algorithm notification.
    virtual int HostSetControlValue(int index, int32_t value);
    // Main thread. The notification itself; the effect process turns it into an algorithm write.
    virtual void UpdateControlValueInAlgorithm(int) {}
    // Main thread. Gestures are counted per control; the host hears the first begin and the last end.
    virtual int TouchControl(int index);
    virtual int ReleaseControl(int index);
    virtual int GestureCount(int index) const;

    // Audio thread. Real-time render: channel pointer arrays and a sample count.
    virtual int RenderAudio(float** inputs, float** outputs, int numSamples);
    // Audio thread (offline: the host's render thread). Buffer descriptors per channel; counts updated.
    virtual int RenderAudioSuite(AudioBufferDescriptor* inputs, int numInputs, AudioBufferDescriptor* outputs,
                                 int numOutputs);

    // Main thread, never during a render: clears the audio history (delay lines, envelopes, tails);
    // control values stay.
    virtual void ClearHistory() {}

    // Main thread. Chunks.
    virtual int GetChunkSize(OSType chunkID, int32_t* size);
    virtual int GetChunk(OSType chunkID, SFicPlugInChunkHeader* chunk);
    virtual int SetChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk);
    virtual int CompareChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk, bool* isEqual);

    // Main thread. Tempo service: connect trying versions 7 down to 1.
    int ConnectTempoService();
    void DisconnectTempoService() { fTempoVersion = 0; }
    // Audio thread. kNoErr, or kTempoVersionTooOld when no version 2 or later was granted.
    int GetHostTempo(double* bpm) const;

    // Descriptions and displays for hosts (any thread unless noted).
    virtual int GetParameterDescription(int, ParameterDescription*) const { return kUnsupported; }
    virtual int GetPresetCount() const { return 0; }
    virtual int GetPresetDescription(int, PresetDescription*) const { return kUnsupported; }
    // Main thread. Recalls a preset through the editor path, so the controls follow.
    virtual int HostRecallPreset(int) { return kUnsupported; }
    // Main thread. Stores the current values as a user preset.
    virtual int HostSavePreset(const std::string&) { return kUnsupported; }
    virtual std::string PresetFilePath() const { return std::string(); }
    // The algorithm's four-character identifier, which keys its entries in the user preset file ('odu1').
    virtual OSType EffectIdentifier() const { return 0; }
    // Main thread. Value text of a parameter (name, number, unit) for a normalized value, or current (< 0).
    virtual std::string ParameterValueText(int, double) const { return std::string(); }
    virtual double NormalizeParameter(int, double) const { return 0.0; }
    virtual double DenormalizeParameter(int, double) const { return 0.0; }
    virtual double ParameterPlainValue(int) const { return 0.0; }
    virtual int GetReadoutCount() const { return 0; }
    virtual int GetReadoutDescription(int, ReadoutDescription*) const { return kUnsupported; }
    virtual float GetReadoutValue(int) const { return 0.0f; }
    virtual int GetLatency() const { return 0; }
    virtual bool DependsOnBlockSize() const { return false; }
    virtual bool ChannelsIndependent() const { return false; }
    virtual void GetMeters(float inputs[2], float outputs[2]) const;
    virtual std::string LastStatusText() const { return std::string(); }

    // Set by the framework around the factory call, so that constructors can read it.
    static void SetPendingContext(const HostProcessContext* context, const CEffectType* type);
    const HostProcessContext& Context() const { return fContext; }
    const CEffectType* Type() const { return fType; }
    int InstanceNumber() const { return fInstanceNumber; }
    void SetInstanceNumber(int n) { fInstanceNumber = n; }

  protected:
    // Main thread, during EffectInit: adds the next control (index = count after adding).
    int AddControl(std::unique_ptr<CPluginControl> control);
    std::vector<std::unique_ptr<CPluginControl>> fControls;
    std::vector<int> fGestures;
    HostProcessContext fContext;
    const CEffectType* fType = nullptr;
    int fTempoVersion = 0;
    int fInstanceNumber = 0;
};
