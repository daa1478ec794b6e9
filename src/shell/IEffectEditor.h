#pragma once
#include <string>

// What the effect process tells an attached editor. Main thread, except parameter-changed from the
// tempo follow and the noise-gate push-back, which run on the audio thread.
class IEffectEditor {
  public:
    virtual ~IEffectEditor() = default;
    virtual void ParameterChanged(int index, float normalized) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual std::string CurrentPresetName() = 0;
    virtual void MarkPresetModified() = 0;
    virtual void RefreshControls() = 0;
    virtual void RefreshPresetDisplay() = 0;
};
