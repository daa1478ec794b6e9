#pragma once
#include "presets/PresetFolder.h"
#include "shell/CMLVPlugInInterface.h"
#include <memory>
#include <string>
#include <vector>

class CMLVStompBoxGUIEditor;

// The editor's access to an instance from the user-interface side. It never touches the running
// instance: it keeps the control values the host reported (index 1 on/off, 2.. parameters, 0..1) and
// an algorithm of the effect of its own (no audio buffers) for names, display texts, status texts,
// presets and the tempo. A user change runs the same control-update path as the process and goes out
// through WriteControl; a host change comes in through HostControlChanged. UI thread only.
class CMLVUIPlugInInterface : public CMLVPlugInInterface {
  public:
    // An effect type without an algorithm leaves IsValid() false. With presets enabled the preset file
    // is opened and this effect's user presets join the algorithm's list after the factory ones.
    // userFolder picks the user's or the shared preset folder, as the installation says by default.
    CMLVUIPlugInInterface(int effectType, double sampleRate, bool presetsEnabled = true,
                          bool userFolder = ReadUserFolderChoice());
    ~CMLVUIPlugInInterface() override;

    bool IsValid() const { return algorithm != nullptr; }
    int EffectType() const { return effectType; }
    CMLVDSPAlgInterface* Algorithm() const { return algorithm; }
    // 1 + the number of parameters: the highest control index.
    int ControlCount() const { return static_cast<int>(values.size()) - 1; }

    // CMLVPlugInInterface.
    float GetControlValue(int index) override;
    void SetControlValue(int index, float normalized) override;
    void RecallPreset(int number) override;
    // Also shows "Preset: <name>" or, when the preset file could not be written, a message.
    void SavePreset(const std::string& presetName) override;

    // Why the preset file could not be read when the editor's instance began, for the status line;
    // empty when it could.
    const std::string& PresetFileProblem() const { return presetFileProblem; }
    // Why the last SavePreset did not reach the file; empty when it did.
    const std::string& LastSaveProblem() const { return lastSaveProblem; }

    // Gesture around a drag of control index.
    void BeginEdit(int index) { TouchControl(index, true); }
    void EndEdit(int index) { TouchControl(index, false); }

    // The host reported a control value (an LV2 port event). A value equal to the one held is the echo
    // of our own write and is dropped.
    void HostControlChanged(int index, float normalized);
    // The host tempo: re-sends "Sync coeff" as the process's tempo follow does.
    void HostTempoChanged(double bpm);
    // Values the running instance publishes (readout ports), by the algorithm's readout index.
    void SetReadoutValue(int readoutIndex, float value);
    // By readout symbol; fallback when the algorithm publishes no such value.
    float GetReadoutValue(const std::string& symbol, float fallback = 0.0f) const;

    // The instance's peak meters (0..1 as the process computes them), for the level meters.
    void SetMeterValue(bool output, int channel, float value01);
    float GetMeterValue(bool output, int channel) const;

    void AttachEditor(CMLVStompBoxGUIEditor* e) { editor = e; }
    CMLVStompBoxGUIEditor* GetEditor() const { return editor; }

  protected:
    // The value leaves for the host (LV2: write_function in plain port units).
    virtual void WriteControl(int index, float normalized) {
        (void)index;
        (void)normalized;
    }
    // ui:touch begin/end where the host offers it.
    virtual void TouchControl(int index, bool begin) {
        (void)index;
        (void)begin;
    }

  private:
    // The process's control-update path: algorithm, status text, editor.
    void ControlUpdate(int index, float normalized, bool fromUser);
    void LoadUserPresets();

    int effectType;
    std::unique_ptr<CMLVDSPAlgInterface> ownedAlgorithm;
    std::vector<float> values;
    std::vector<float> readouts;
    float meters[2][2] = {{0, 0}, {0, 0}};
    int syncIndex = 0;
    std::string presetFileProblem, lastSaveProblem;
    CMLVStompBoxGUIEditor* editor = nullptr;
};
