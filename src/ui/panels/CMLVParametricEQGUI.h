#pragma once
#include "ui/panels/PanelClass.h"

// Parametric EQ: gain, frequency and width knobs and the six-position filter-type selector. The width
// and gain texts say what the knob means for the chosen filter type.
class CMLVParametricEQGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    CMLVParametricEQGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void ParameterChanged(int index, float value) override;
};
