#include "ui/panels/DynamicsPanels.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"
#include "ui/widgets/CButtons.h"

namespace {
constexpr int kRatio = 5, kAutoGain = 6;
constexpr int kLed = 200;
} // namespace

void CMLVActivityLed::Show(bool active) {
    if (static_cast<int>(active) == shown) return;
    shown = active;
    PanelHelpers::ShowValue(led, active ? 1.0f / 3.0f : 2.0f / 9.0f);
}

MLV_PANEL_CONSTRUCTOR(CMLVCompressorGUI, 35), activity(AddMovieBitmap(-1, 14, kLed)) {
    AddKnob(3, 5);
    AddKnob(4, 6);
    AddHorizontalSwitch(kAutoGain, 22, 400);
}

void CMLVCompressorGUI::AddLabels() {
    PanelHelpers::LabelByFirstWord(editor, {2, 3, 4, 5});
    PanelHelpers::LabelControl(editor, kAutoGain, algorithm->GetParameter(kAutoGain)->GetName());
}

void CMLVCompressorGUI::Idle() {
    activity.Show(PanelHelpers::Readout(editor, "over_threshold") != 0.0f);
}

void CMLVCompressorGUI::ParameterChanged(int index, float) {
    if (index == kRatio) PanelHelpers::ShowStatus(editor, PanelHelpers::RatioText(algorithm, kRatio));
}

MLV_PANEL_CONSTRUCTOR(CMLVExpanderGateGUI, 60), activity(AddMovieBitmap(-1, 38, kLed)) {}

void CMLVExpanderGateGUI::Idle() {
    activity.Show(PanelHelpers::Readout(editor, "expanding") != 0.0f);
}

void CMLVExpanderGateGUI::ParameterChanged(int index, float) {
    if (index == kRatio) PanelHelpers::ShowStatus(editor, PanelHelpers::RatioText(algorithm, kRatio));
}

namespace {
constexpr int kLearn = 5;
}

MLV_PANEL_CONSTRUCTOR_OF(CMLVNoiseGateGUI, CMLVThreeKnobDriveGUI, 105),
    activity(AddMovieBitmap(-1, 38, kLed)) {
    AddOnOffButton(kLearn, 37, 115);
}

void CMLVNoiseGateGUI::AddLabels() {
    CMLVStompBoxCtrlBaseSet::AddLabels();
    PanelHelpers::LabelControl(editor, kLearn, "Learn", true);
}

void CMLVNoiseGateGUI::Idle() {
    activity.Show(PanelHelpers::Readout(editor, "gate_closed") != 0.0f);
}
