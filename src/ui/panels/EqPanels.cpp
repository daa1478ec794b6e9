#include "ui/panels/EqPanels.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/widgets/CSliders.h"
#include "ui/widgets/CVuMeter.h"

namespace {
constexpr int kSliderBack = 450, kSliderHandle = 451;
constexpr int kFirstSlider = 23, kSliderStep = 24; // layout: first slider's corner, offset per slider

// Rectangle of the k-th vertical slider of a row that starts at a layout entry.
CRect SliderRect(const CMLVStompBoxGUIContainer* container, int firstLayout, int k) {
    const CRect first = container->GetLayoutRect(firstLayout);
    const CRect step = container->GetLayoutRect(kSliderStep);
    const ArtInfo* back = Art::Find(kSliderBack);
    const int left = first.left + k * step.left, top = first.top + k * step.top;
    return CRect(left, top, left + back->width, top + Art::FrameHeight(*back));
}
} // namespace

CMLVGraphicEQGUI::CMLVGraphicEQGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                   CMLVDSPAlgInterface* a, int style)
    : CMLVStompBoxCtrlBaseSet(e, c, a, style) {
    for (int index = 2; index < 2 + a->GetParameterCount(); ++index)
        c->SetLayoutIndex(
            AddVerticalSlider(index, SliderRect(c, kFirstSlider, index - 2), kSliderBack, kSliderHandle),
            kFirstSlider);
}

MLV_PANEL_CONSTRUCTOR_OF(CMLVGraphicEQBassGUI, CMLVGraphicEQGUI, 75) {}

MLV_PANEL_CONSTRUCTOR_OF(CMLVGraphicEQGuitarGUI, CMLVGraphicEQGUI, 80) {}

MLV_PANEL_CONSTRUCTOR(CMLVToneControlBassGUI, 170) {
    for (int tag = 2; tag <= 5; ++tag)
        AddKnob(tag, tag - 1);
    AddHorizontalSwitch(6, 30, 403);
}

MLV_PANEL_CONSTRUCTOR(CMLVToneControlGuitarGUI, 175) {
    for (int tag = 2; tag <= 5; ++tag)
        AddKnob(tag, tag - 1);
    AddHorizontalSwitch(6, 30, 404);
}

MLV_PANEL_CONSTRUCTOR(CMLVExciterGUI, 55) {
    AddKnob(7, 1);
    AddKnob(2, 4);
    // The harmonics' sliders in order: 1st to 3rd, then 4th and 5th.
    const int harmonics[] = {3, 4, 5, 8, 9};
    for (int k = 0; k < 5; ++k)
        c->SetLayoutIndex(AddVerticalSlider(harmonics[k], SliderRect(c, 41, k), kSliderBack, kSliderHandle),
                          41);
    AddHorizontalSlider(6, PlaceRect(42, 452), 452, 453);
    AddOnOffButton(10, 43, 116);
}

MLV_PANEL_CONSTRUCTOR(CMLVLevelControlGUI, 100) {
    AddKnob(2, 7, true);
    AddKnob(3, 2);
    AddKnob(4, 3);
    AddHorizontalSwitch(5, 22, 400);
    for (int i = 0; i < 4; ++i)
        meters[i] = AddVuMeter(PlaceRect(33 + i, 203), 203, 202, 9, kVertical);
}

void CMLVLevelControlGUI::Idle() {
    CMLVUIPlugInInterface* plugIn = editor->GetPlugIn();
    if (!plugIn) return;
    for (int i = 0; i < 4; ++i) {
        const float level = plugIn->GetMeterValue(i >= 2, i % 2);
        meters[i]->setValue(level);
        // A lit meter falls between ticks even while the level holds, so it redraws until dark.
        if (level > 0.0f || meters[i]->getShownLevel() > 0.0f) meters[i]->invalid();
    }
}
