#include "ui/panels/CMLVSpeakerSimulatorGUI.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"
#include "ui/widgets/COptionMenu.h"

namespace {
constexpr int kType = 3;
const char* const kWrongRate = "Bypassed: wrong sample rate";
} // namespace

CMLVSpeakerSimulatorGUI::CMLVSpeakerSimulatorGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                                 CMLVDSPAlgInterface* a, int st)
    : CMLVStompBoxCtrlBaseSet(e, c, a, st) {
    AddKnob(2, 29, true);
    COptionMenu* menu = AddOptionMenu(kType, 54, 117, 118);
    if (const CMLVParameter* type = a->GetParameter(kType))
        for (const std::string& label : type->GetLabels())
            menu->addEntry(label);
}

void CMLVSpeakerSimulatorGUI::Idle() {
    if (PanelHelpers::Readout(editor, "low_rate_passthrough") == 0.0f) return;
    if (editor->GetStatusText() != kWrongRate) PanelHelpers::ShowStatus(editor, kWrongRate);
}

void CMLVSpeakerSimulatorGUI::ParameterChanged(int index, float) {
    const CMLVParameter* type = algorithm->GetParameter(kType);
    if (index != kType || !type) return;
    const size_t n = static_cast<size_t>(type->GetValue() + 0.5);
    if (n < type->GetLabels().size()) PanelHelpers::ShowStatus(editor, "Type: " + type->GetLabels()[n]);
}

MLV_PANEL_CONSTRUCTOR_OF(CMLVSpeakerSimulatorBassGUI, CMLVSpeakerSimulatorGUI, 160) {}
MLV_PANEL_CONSTRUCTOR_OF(CMLVSpeakerSimulatorGuitarGUI, CMLVSpeakerSimulatorGUI, 165) {}
