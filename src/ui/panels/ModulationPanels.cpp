#include "ui/panels/ModulationPanels.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"

// Wave-shape selectors are five-position rotary switches.
MLV_PANEL_CONSTRUCTOR(CMLVAutoPanGUI, 5) {
    AddAnimKnob(2, 1, 320);
}

MLV_PANEL_CONSTRUCTOR(CMLVTremoloGUI, 180) {
    AddKnob(2, 7, true);
    AddAnimKnob(3, 10, 320);
    AddKnob(4, 9, true);
}

MLV_PANEL_CONSTRUCTOR(CMLVChorusGUI, 90) {}
MLV_PANEL_CONSTRUCTOR(CMLVFlangerGUI, 65) {}
MLV_PANEL_CONSTRUCTOR(CMLVPhaserGUI, 135) {}

// The bass versions add the "Impact" switch: three positions, four for the phaser.
MLV_PANEL_CONSTRUCTOR(CMLVChorusBassGUI, 95) {
    AddHorizontalSwitch(6, 27, 402);
}
MLV_PANEL_CONSTRUCTOR(CMLVFlangerBassGUI, 70) {
    AddHorizontalSwitch(6, 27, 402);
}
MLV_PANEL_CONSTRUCTOR(CMLVPhaserBassGUI, 140) {
    AddHorizontalSwitch(6, 28, 403);
}

MLV_PANEL_CONSTRUCTOR(CMLVReverbGUI, 155) {
    AddAnimKnob(5, 4, 321);
}

MLV_PANEL_CONSTRUCTOR(CMLVAutoWahGUI, 15) {
    AddKnob(3, 5);
    AddKnob(4, 6);
    AddHorizontalSwitch(6, 22, 400);
}

MLV_PANEL_CONSTRUCTOR(CMLVOctaverGUI, 120) {
    AddKnob(2, 7, true);
    AddKnob(3, 2);
    AddKnob(4, 3);
}

void CMLVOctaverGUI::AddLabels() {
    PanelHelpers::LabelByFirstWord(editor, {2, 3, 4});
}
