#pragma once
#include "params/CMLVDSPAlgInterface.h"
#include <memory>
#include <string>
#include <vector>

class CMLVPresetFile;

// The editor's access to an instance: control values, preset recall, preset storage.
// Every operation runs on the main (user-interface) thread.
class CMLVPlugInInterface {
  public:
    CMLVPlugInInterface(bool presetsEnabled, bool userFolder);
    virtual ~CMLVPlugInInterface();

    virtual float GetControlValue(int index) = 0;
    virtual void RecallPreset(int number) = 0;
    virtual void Idle() {}
    virtual void HostEvent(int, int, int) {}
    virtual void SetControlValue(int index, float normalized) = 0;
    virtual void Refresh() {}

    // Stores the current values as a user preset: appended to the algorithm's list and to the file. A
    // name the file cannot hold (IsStorablePresetName) is refused: nothing is added anywhere.
    virtual void SavePreset(const std::string& presetName);
    // Full path of the user preset file; empty when presets are disabled.
    virtual std::string GetPresetFilePathText() const;

    // Current plain values in ascending parameter index, List values rounded to whole numbers.
    std::vector<float> GetParameterValues() const;
    // Whether the last SavePreset reached the file.
    bool LastSaveSucceeded() const { return lastSaveSucceeded; }

  protected:
    CMLVDSPAlgInterface* algorithm = nullptr; // set by the effect process once it created the algorithm
    std::unique_ptr<CMLVPresetFile> presetFile;
    bool presetsEnabled;
    bool lastSaveSucceeded = false;
};
