#include "ui/panels/CMLVAutoTunerGUI.h"
#include "effects/modulation/PitchTracker.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/CToneMeter.h"
#include "ui/panels/PanelHelpers.h"
#include "ui/widgets/CTextEdit.h"
#include "ui/widgets/CVuMeter.h"

namespace {
constexpr int kBarsLayout = 51;
constexpr int kBarOn = 207, kBarOff = 206, kCentreOn = 205, kCentreOff = 204;

CRect Beside(const CRect& left, int bitmapId) {
    const ArtInfo* art = Art::Find(bitmapId);
    return CRect(left.right, left.top, left.right + art->width, left.top + Art::FrameHeight(*art));
}

CVuMeter* Tagged(CVuMeter* meter, int tag, CMLVStompBoxGUIContainer* container) {
    meter->setTag(tag);
    container->RegisterControl(tag, meter);
    return meter;
}
} // namespace

MLV_PANEL_CONSTRUCTOR(CMLVAutoTunerGUI, 10) {
    // The common knobs would cover the display: the reference has its step buttons instead.
    RemoveControl(2);
    RemoveControl(3);
    AddKickButton(kTagStepDown, 40, 110);
    AddKickButton(kTagStepUp, 39, 109);
    flatLamp = Tagged(AddVuMeter(PlaceRect(47, 211), 211, 210, 1, kVertical), kTagFlatLamp, c);
    sharpLamp = Tagged(AddVuMeter(PlaceRect(46, 213), 213, 212, 1, kVertical), kTagSharpLamp, c);
    inTuneLamp = Tagged(AddVuMeter(PlaceRect(45, 209), 209, 208, 1, kVertical), kTagInTuneLamp, c);
    noteText = AddText(kTagNote, 44);
    frequencyText = AddText(kTagFrequency, 48);
    // Texts straight on the face: the note large, the rest small.
    noteText->setFont(UIFontFace::kSansBold, 16.0);
    for (CTextEdit* text : {noteText, frequencyText, AddText(25, 49, "-50 c"), AddText(26, 50, "+50 c")}) {
        text->setTransparency(true);
        text->setFontColor(CColor{250, 250, 245, 255});
    }

    // The three bars share one layout entry: flat bar, centre indicator and sharp bar side by side.
    const CRect flatRect = PlaceRect(kBarsLayout, kBarOn);
    flatBar =
        Add(new CToneMeter(flatRect, c->GetBitmap(kBarOn), c->GetBitmap(kBarOff), kBarLeds, kHorizontal));
    const CRect centreRect = Beside(flatRect, kCentreOn);
    centre = AddVuMeter(centreRect, kCentreOn, kCentreOff, 1, kHorizontal);
    sharpBar = AddVuMeter(Beside(centreRect, kBarOn), kBarOn, kBarOff, kBarLeds, kHorizontal);
    for (CView* bar :
         {static_cast<CView*>(flatBar), static_cast<CView*>(centre), static_cast<CView*>(sharpBar)})
        c->SetLayoutIndex(bar, kBarsLayout);
}

CTextEdit* CMLVAutoTunerGUI::AddText(int tag, int layoutIndex, const char* text) {
    CTextEdit* t =
        Add(new CTextEdit(container->GetLayoutRect(layoutIndex), editor, tag, text, nullptr, 0x84));
    container->SetLayoutIndex(t, layoutIndex);
    return t;
}

void CMLVAutoTunerGUI::Idle() {
    const int note = static_cast<int>(PanelHelpers::Readout(editor, "note", -1.0f));
    char name[8] = "";
    if (note >= 0) PitchTracker::FormatNoteName(note, name);
    Show(PanelHelpers::EffectOff(editor), name, PanelHelpers::Readout(editor, "frequency"),
         PanelHelpers::Readout(editor, "deviation"));
}

void CMLVAutoTunerGUI::Show(bool off, const std::string& note, float f, float d) {
    float flat = 0.0f, sharp = 0.0f, flatLit = 0.0f, sharpLit = 0.0f, inTune = 0.0f;
    if (off) {
        noteText->setText(std::string());
        frequencyText->setText(std::string());
    } else {
        noteText->setText(note);
        frequencyText->setText(f == 0.0f ? std::string() : PanelHelpers::Format("%s%2.2f%s", " ", f, " Hz"));
        if (d > 1.0f) {
            sharp = d / 25.0f;
            sharpLit = 1.0f;
        } else if (d < -1.0f) {
            flat = -d / 25.0f;
            flatLit = 1.0f;
        } else {
            inTune = 1.0f;
        }
    }
    flatBar->setValue(flat);
    sharpBar->setValue(sharp);
    flatLamp->setValue(flatLit);
    sharpLamp->setValue(sharpLit);
    inTuneLamp->setValue(inTune);
    centre->setValue(inTune);
    // Bars fall between ticks, so the display redraws on every one.
    for (CControl* view : {static_cast<CControl*>(noteText), static_cast<CControl*>(frequencyText),
                           static_cast<CControl*>(flatBar), static_cast<CControl*>(sharpBar),
                           static_cast<CControl*>(flatLamp), static_cast<CControl*>(sharpLamp),
                           static_cast<CControl*>(inTuneLamp), static_cast<CControl*>(centre)})
        view->invalid();
}
