#pragma once
#include "ui/panels/PanelClass.h"

// The modulation, wah, reverb and octaver faces: the common knobs plus each effect's selectors.
MLV_DECLARE_PANEL(CMLVAutoPanGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVTremoloGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVChorusGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVChorusBassGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVFlangerGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVFlangerBassGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVPhaserGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVPhaserBassGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVReverbGUI, CMLVStompBoxCtrlBaseSet)
MLV_DECLARE_PANEL(CMLVAutoWahGUI, CMLVStompBoxCtrlBaseSet)
// Octaver: three level knobs, labelled by their names' first words ("Clean", "Lower", "Upper").
class CMLVOctaverGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVOctaverGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void AddLabels() override;
};
