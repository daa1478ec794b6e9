#pragma once
#include "ui/panels/PanelClass.h"

class CVuMeter;

// Graphic equalisers: one vertical slider per parameter (the bands, then the output), side by side.
class CMLVGraphicEQGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    // Each slider's band ("100", "1.6k") or "Out" below it.
    void AddLabels() override;

  protected:
    CMLVGraphicEQGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a,
                     int style);
};

MLV_DECLARE_PANEL(CMLVGraphicEQBassGUI, CMLVGraphicEQGUI)
MLV_DECLARE_PANEL(CMLVGraphicEQGuitarGUI, CMLVGraphicEQGUI)

// Tone controls: the four common knobs and the tone-stack type switch, which covers the space below
// the knobs, so their labels go above them.
class CMLVToneControlGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    void AddLabels() override;

  protected:
    CMLVToneControlGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a,
                       int style, int switchBitmap);
};

MLV_DECLARE_PANEL(CMLVToneControlBassGUI, CMLVToneControlGUI)
MLV_DECLARE_PANEL(CMLVToneControlGuitarGUI, CMLVToneControlGUI)

// Exciter: mix and drive knobs, a slider per harmonic, the frequency slider and the oversampling button.
class CMLVExciterGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVExciterGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void AddLabels() override;
};

// Level control: gain, left and right, the stereo-mode switch and input/output meters per channel.
class CMLVLevelControlGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVLevelControlGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    // The mode switch sits below "Left" and "Right", so their labels go above.
    void AddLabels() override;

  private:
    CVuMeter* meters[4]; // input left, input right, output left, output right
};
