#pragma once
#include "ui/panels/PanelClass.h"

// BPM delay: level, tempo, decay and stereo knobs, the mode switch, and the texts and LED of the hold
// function (the running instance publishes its hold state).
class CMLVBPMDelayGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVBPMDelayGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    void ParameterChanged(int index, float value) override;

  private:
    int HoldState() const;
    // Status text and LED for a hold state; other states change nothing.
    void ShowHoldState(int state);
    void ShowStereo();
    void ShowDecay();

    int shownHold = -1;
};
