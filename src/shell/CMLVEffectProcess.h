#pragma once
#include "framework/CEffectProcess.h"
#include "shell/CMLVPlugInInterface.h"
#include "shell/IEffectEditor.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One plug-in instance: owns the algorithm, publishes the footswitch and one control per parameter,
// turns control changes into algorithm writes, follows the host tempo, renders, meters, saves chunks.
class CMLVEffectProcess : public virtual CEffectProcess, public CMLVPlugInInterface {
  public:
    CMLVEffectProcess(int effectType, bool userFolder);
    ~CMLVEffectProcess() override;

    // Main thread: creates the controls.
    void EffectInit() override;
    // Main thread: the host changed a control.
    void UpdateControlValueInAlgorithm(int index) override;
    // Main thread (audio thread for the noise-gate push-back): the one path from a control change
    // to the algorithm, the editor and the host.
    int ControlUpdate(int index, int32_t value);

    // CMLVPlugInInterface, main thread.
    float GetControlValue(int index) override;
    void RecallPreset(int number) override;
    void SetControlValue(int index, float normalized) override;
    using CProcess::SetControlValue;

    // Main thread: the editor attaches itself; the process owns it from then on.
    void AttachEditor(IEffectEditor* editor);

    // Chunks, main thread.
    int GetChunkSize(OSType chunkID, int32_t* size) override;
    int GetChunk(OSType chunkID, SFicPlugInChunkHeader* chunk) override;
    // Refuses (kUnsupported, nothing changed) a controls record saved by another effect.
    int SetChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk) override;
    int CompareChunk(OSType chunkID, const SFicPlugInChunkHeader* chunk, bool* isEqual) override;

    // Descriptions for hosts.
    int GetParameterDescription(int index, ParameterDescription* out) const override;
    int GetPresetCount() const override;
    int GetPresetDescription(int i, PresetDescription* out) const override;
    int HostRecallPreset(int number) override { return RecallPresetForHost(number); }
    int HostSavePreset(const std::string& presetName) override;
    std::string PresetFilePath() const override { return GetPresetFilePathText(); }
    OSType EffectIdentifier() const override { return fAlgorithm ? fAlgorithm->pluginId : 0; }
    std::string ParameterValueText(int index, double normalized) const override;
    double NormalizeParameter(int index, double plain) const override;
    double DenormalizeParameter(int index, double normalized) const override;
    double ParameterPlainValue(int index) const override;
    int GetReadoutCount() const override;
    int GetReadoutDescription(int i, ReadoutDescription* out) const override;
    float GetReadoutValue(int i) const override;
    int GetLatency() const override;
    bool DependsOnBlockSize() const override;
    bool ChannelsIndependent() const override;
    void ClearHistory() override;
    // Audio thread, after a block: the last slice's meters, worked out when asked for, so that a render
    // nobody watches takes no logarithms.
    void GetMeters(float inputs[2], float outputs[2]) const override;
    std::string LastStatusText() const override { return fLastStatus.str(); }

    CMLVDSPAlgInterface* Algorithm() const { return fAlgorithm.get(); }
    int EffectType() const { return fEffectType; }

  protected:
    // Audio thread: the steps every render shares around one algorithm call.
    void TempoFollow();
    void ProcessSlice(float* in[2], float* out[2], int numSamples);
    // Audio thread: one algorithm call; an output that went non-finite restarts the algorithm.
    void ProcessChecked(float* in[2], float* out[2], int numSamples);
    // Samples of each scratch buffer (the silent right input and the discarded right output of a
    // one-channel instance); sized at creation.
    int ScratchLength() const { return static_cast<int>(fScratch[0].size()); }
    // Audio thread: tells the algorithm how many channels reach the host, so a one-channel render of
    // independent channels skips the silent second one.
    void SetRenderedChannels(int channels);
    int RecallPresetForHost(int number);

    std::unique_ptr<CMLVDSPAlgInterface> fAlgorithm;
    std::unique_ptr<IEffectEditor> fEditor;
    int fEffectType;
    int fBlockSizeHint = 256;
    double fSampleRate;
    int fSyncIndex = 0; // "Sync coeff", 0 when the algorithm has none
    float fInPeak[2] = {0, 0}, fOutPeak[2] = {0, 0};
    bool fRendered = false; // the peaks belong to a slice
    std::vector<float> fScratch[2];
    // Input with NaN and infinity silenced, in pieces of kSilencedLength.
    static constexpr int kSilencedLength = 2048;
    std::vector<float> fSilenced[2];
    bool fSuppressNext = false;
    CMLVStatusText fLastStatus;
};

// How many times, over all instances, an algorithm's output went non-finite and the algorithm was restarted,
// so that the tests can tell a silenced fault from sound.
uint64_t MLVRestartCount();

// Creates the algorithm of the effect type.
class CMLVEffectProcessSpecific : public CMLVEffectProcess {
  public:
    CMLVEffectProcessSpecific(int effectType, bool userFolder);
};
