#include "ui/panels/EqPanels.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"
#include "ui/widgets/CSliders.h"
#include "ui/widgets/CVuMeter.h"
#include <string>
#include <utility>

namespace {
constexpr int kSliderBack = 450, kSliderHandle = 451;
constexpr int kToneStackType = 6;
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
                                   CMLVDSPAlgInterface* a, int st)
    : CMLVStompBoxCtrlBaseSet(e, c, a, st) {
    for (int index = 2; index < 2 + a->GetParameterCount(); ++index)
        c->SetLayoutIndex(
            AddVerticalSlider(index, SliderRect(c, kFirstSlider, index - 2), kSliderBack, kSliderHandle),
            kFirstSlider);
}

void CMLVGraphicEQGUI::AddLabels() {
    for (int index = 2; index < 2 + algorithm->GetParameterCount(); ++index) {
        std::string band = algorithm->GetParameter(index)->GetName(); // "Gain 1.6 kHz", "Output"
        if (band.rfind("Gain ", 0) == 0) band.erase(0, 5);
        for (const auto& unit : {std::pair<std::string, std::string>{" kHz", "k"}, {" Hz", ""}})
            if (const size_t at = band.find(unit.first); at != std::string::npos)
                band.replace(at, unit.first.size(), unit.second);
        PanelHelpers::LabelControl(editor, index, band == "Output" ? "Out" : band);
    }
}

MLV_PANEL_CONSTRUCTOR_OF(CMLVGraphicEQBassGUI, CMLVGraphicEQGUI, 75) {}

MLV_PANEL_CONSTRUCTOR_OF(CMLVGraphicEQGuitarGUI, CMLVGraphicEQGUI, 80) {}

CMLVToneControlGUI::CMLVToneControlGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                       CMLVDSPAlgInterface* a, int st, int switchBitmap)
    : CMLVStompBoxCtrlBaseSet(e, c, a, st) {
    for (int tag = 2; tag <= 5; ++tag)
        AddKnob(tag, tag - 1);
    AddHorizontalSwitch(kToneStackType, 30, switchBitmap);
}

void CMLVToneControlGUI::AddLabels() {
    for (int tag = 2; tag <= kToneStackType; ++tag)
        if (const CMLVParameter* p = algorithm->GetParameter(tag))
            PanelHelpers::LabelControl(editor, tag, p->GetName(), tag != kToneStackType);
}

CMLVToneControlBassGUI::CMLVToneControlBassGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                               CMLVDSPAlgInterface* a)
    : CMLVToneControlGUI(e, c, a, 170, 403) {}
MLV_REGISTER_PANEL(170, CMLVToneControlBassGUI)

CMLVToneControlGuitarGUI::CMLVToneControlGuitarGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                                   CMLVDSPAlgInterface* a)
    : CMLVToneControlGUI(e, c, a, 175, 404) {}
MLV_REGISTER_PANEL(175, CMLVToneControlGuitarGUI)

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

void CMLVExciterGUI::AddLabels() {
    CMLVStompBoxCtrlBaseSet::AddLabels(); // the knobs
    // The harmonic sliders by their first word ("1st"); the frequency slider above itself, where the
    // footswitch leaves room.
    PanelHelpers::LabelByFirstWord(editor, {3, 4, 5, 8, 9});
    PanelHelpers::LabelControl(editor, 6, algorithm->GetParameter(6)->GetName(), true);
    if (const CControl* button = editor->GetControl(10)) { // "x5 Oversampling", beside the button
        const CRect& r = button->getViewSize();
        PanelHelpers::AddLabel(GetFrame(), CRect(r.right + 2, r.top, r.right + 26, r.bottom), "x5");
    }
}

MLV_PANEL_CONSTRUCTOR(CMLVLevelControlGUI, 100) {
    AddKnob(2, 7, true);
    AddKnob(3, 2);
    AddKnob(4, 3);
    AddHorizontalSwitch(5, 22, 400);
    for (int i = 0; i < 4; ++i)
        meters[i] = AddVuMeter(PlaceRect(33 + i, 203), 203, 202, 9, kVertical);
}

void CMLVLevelControlGUI::AddLabels() {
    for (int tag = 2; tag <= 5; ++tag)
        PanelHelpers::LabelControl(editor, tag, algorithm->GetParameter(tag)->GetName(),
                                   tag == 3 || tag == 4);
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
