#pragma once
#include "ui/panels/DrivePanels.h"
#include "ui/panels/PanelHelpers.h"

class CMovieBitmap;

// A ten-frame LED that shows whether the effect is acting on the signal (compressing, expanding, gate
// closed): frame 3 while it is, frame 2 otherwise. It changes only when the flag does.
class CMLVActivityLed {
  public:
    explicit CMLVActivityLed(CMovieBitmap* l) : led(l) {}
    void Show(bool active);

  private:
    CMovieBitmap* led;
    int shown = -1; // none yet: the first tick sets the LED
};

// Compressor: ratio text, and the LED over the status LED lit while the signal is over the threshold.
class CMLVCompressorGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVCompressorGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    void ParameterChanged(int index, float value) override;
    void AddLabels() override;

  private:
    CMLVActivityLed activity;
};

// Expander gate: ratio text and an LED lit while it expands.
class CMLVExpanderGateGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVExpanderGateGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    void ParameterChanged(int index, float value) override;
    void AddLabels() override { PanelHelpers::LabelByFirstWord(editor, {2, 3, 4, 5}); }

  private:
    CMLVActivityLed activity;
};

// Noise gate: the drive face plus the "Learn" button and an LED lit while the gate is closed.
class CMLVNoiseGateGUI : public CMLVThreeKnobDriveGUI {
  public:
    CMLVNoiseGateGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    void AddLabels() override;

  private:
    CMLVActivityLed activity;
};
