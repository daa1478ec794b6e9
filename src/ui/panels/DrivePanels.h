#pragma once
#include "ui/panels/PanelClass.h"

class CMovieBitmap;

// The drive face: two large knobs left and right (2 and 4) around a small one (3). Shared by the drives,
// the guitar preamps, the pedal wah and the noise gate.
class CMLVThreeKnobDriveGUI : public CMLVStompBoxCtrlBaseSet {
  protected:
    CMLVThreeKnobDriveGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a,
                          int style);
};

#define MLV_THREE_KNOB_PANEL(Class) MLV_DECLARE_PANEL(Class, CMLVThreeKnobDriveGUI)

MLV_THREE_KNOB_PANEL(CMLVBluesDriveGuitarGUI)
MLV_THREE_KNOB_PANEL(CMLVCleanPreampGuitarGUI)
MLV_THREE_KNOB_PANEL(CMLVCrunchPreampGuitarGUI)
MLV_THREE_KNOB_PANEL(CMLVHiGainPreampGuitarGUI)
MLV_THREE_KNOB_PANEL(CMLVDistortionGUI)
MLV_THREE_KNOB_PANEL(CMLVDistortionBassGUI)
MLV_THREE_KNOB_PANEL(CMLVOverDriveGUI)
MLV_THREE_KNOB_PANEL(CMLVOverDriveBassGUI)
MLV_THREE_KNOB_PANEL(CMLVPedalWahGUI)

// Bass preamp: gain, two vertical "Ultra" switches, output.
class CMLVBassPreampGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVBassPreampGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void AddLabels() override;
};

// Power amp: volume, presence, the valve-type switch and a display of the chosen type.
class CMLVPowerAmpGuitarGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVPowerAmpGuitarGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void ParameterChanged(int index, float value) override;
    void AddLabels() override;

  private:
    CMovieBitmap* typeDisplay;
};
