#pragma once
#include "ui/panels/PanelClass.h"

class CVuMeter;

// Graphic equalisers: one vertical slider per parameter (the bands, then the output), side by side.
class CMLVGraphicEQGUI : public CMLVStompBoxCtrlBaseSet {
  protected:
    CMLVGraphicEQGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a,
                     int style);
};

MLV_DECLARE_PANEL(CMLVGraphicEQBassGUI, CMLVGraphicEQGUI)

MLV_DECLARE_PANEL(CMLVGraphicEQGuitarGUI, CMLVGraphicEQGUI)

// Tone controls: the four common knobs and the tone-stack type switch.
MLV_DECLARE_PANEL(CMLVToneControlBassGUI, CMLVStompBoxCtrlBaseSet)

MLV_DECLARE_PANEL(CMLVToneControlGuitarGUI, CMLVStompBoxCtrlBaseSet)

// Exciter: mix and drive knobs, a slider per harmonic, the frequency slider and the oversampling button.
MLV_DECLARE_PANEL(CMLVExciterGUI, CMLVStompBoxCtrlBaseSet)

// Level control: gain, left and right, the stereo-mode switch and input/output meters per channel.
class CMLVLevelControlGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVLevelControlGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;

  private:
    CVuMeter* meters[4]; // input left, input right, output left, output right
};
