#include "ui/panels/DrivePanels.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"
#include "ui/widgets/CButtons.h"

CMLVThreeKnobDriveGUI::CMLVThreeKnobDriveGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                             CMLVDSPAlgInterface* a, int st)
    : CMLVStompBoxCtrlBaseSet(e, c, a, st) {
    AddKnob(2, 7, true);
    AddKnob(3, 10);
    AddKnob(4, 9, true);
}

#define MLV_THREE_KNOB_PANEL_IMPL(Class, effectType)                                                         \
    MLV_PANEL_CONSTRUCTOR_OF(Class, CMLVThreeKnobDriveGUI, effectType) {}

MLV_THREE_KNOB_PANEL_IMPL(CMLVBluesDriveGuitarGUI, 25)
MLV_THREE_KNOB_PANEL_IMPL(CMLVCleanPreampGuitarGUI, 30)
MLV_THREE_KNOB_PANEL_IMPL(CMLVCrunchPreampGuitarGUI, 40)
MLV_THREE_KNOB_PANEL_IMPL(CMLVHiGainPreampGuitarGUI, 85)
MLV_THREE_KNOB_PANEL_IMPL(CMLVDistortionGUI, 45)
MLV_THREE_KNOB_PANEL_IMPL(CMLVDistortionBassGUI, 50)
MLV_THREE_KNOB_PANEL_IMPL(CMLVOverDriveGUI, 110)
MLV_THREE_KNOB_PANEL_IMPL(CMLVOverDriveBassGUI, 115)
MLV_THREE_KNOB_PANEL_IMPL(CMLVPedalWahGUI, 150)

MLV_PANEL_CONSTRUCTOR(CMLVBassPreampGUI, 145) {
    AddKnob(2, 7, true);
    AddVerticalSwitch(3, 25, 401);
    AddVerticalSwitch(4, 26, 401);
    AddKnob(5, 9, true);
}

void CMLVBassPreampGUI::AddLabels() {
    CMLVStompBoxCtrlBaseSet::AddLabels();
    PanelHelpers::LabelControl(editor, 3, "Low"); // "Ultra Low" and "Ultra High" side by side
    PanelHelpers::LabelControl(editor, 4, "High");
}

namespace {
constexpr int kPowerAmpType = 4;
}

MLV_PANEL_CONSTRUCTOR(CMLVPowerAmpGuitarGUI, 125) {
    AddKnob(2, 7, true);
    AddKnob(3, 8, true);
    AddVerticalSwitch(kPowerAmpType, 31, 405);
    typeDisplay = AddMovieBitmap(-1, 32, 201);
    typeDisplay->setValue(static_cast<float>(PanelHelpers::Normalized(a, kPowerAmpType)));
}

void CMLVPowerAmpGuitarGUI::AddLabels() {
    CMLVStompBoxCtrlBaseSet::AddLabels();
    PanelHelpers::LabelControl(editor, kPowerAmpType, "Type");
}

void CMLVPowerAmpGuitarGUI::ParameterChanged(int index, float value) {
    if (index == kPowerAmpType) PanelHelpers::ShowValue(typeDisplay, value);
}
