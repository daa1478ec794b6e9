#pragma once
#include "ui/panels/PanelClass.h"

// Speaker simulators: volume knob and the speaker-type menu. The instance passes the signal through
// at rates it has no cabinet for, and the status line says so.
class CMLVSpeakerSimulatorGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    void Idle() override;
    void ParameterChanged(int index, float value) override;

  protected:
    CMLVSpeakerSimulatorGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a,
                            int style);
};

MLV_DECLARE_PANEL(CMLVSpeakerSimulatorBassGUI, CMLVSpeakerSimulatorGUI)
MLV_DECLARE_PANEL(CMLVSpeakerSimulatorGuitarGUI, CMLVSpeakerSimulatorGUI)
