#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CButtons.h"
#include "ui/widgets/CFrame.h"
#include "ui/widgets/CKnob.h"
#include "ui/widgets/COptionMenu.h"
#include "ui/widgets/CSliders.h"
#include "ui/widgets/CSwitches.h"
#include "ui/widgets/CTextEdit.h"
#include "ui/widgets/CVuMeter.h"

namespace {
int FramesOf(int bitmapId) {
    const ArtInfo* a = Art::Find(bitmapId);
    return a ? a->frames : 1;
}

int FrameHeightOf(const CBitmap* bitmap, int bitmapId) {
    return bitmap ? bitmap->getHeight() / FramesOf(bitmapId) : 0;
}

bool IsKnobParameter(const CMLVParameter* p) {
    return p && p->type != List && p->name != "Sync coeff" && p->name != "Tap";
}
} // namespace

CMLVStompBoxCtrlBaseSet::CMLVStompBoxCtrlBaseSet(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c,
                                                 CMLVDSPAlgInterface* a, int s)
    : editor(e), container(c), algorithm(a), style(s) {
    CFrame* frame = GetFrame();
    if (frame) frame->setBackground(container->GetBitmap(Art::FaceForStyle(style)));

    CKickButton* footswitch = AddKickButton(kTagOnOff, 0, 100);
    footswitch->setDefaultValue(0.0f);
    AddMovieBitmap(kTagLed, 14, 200);

    CTextEdit* status = AddTextDisplay(kTagStatus, container->GetLayoutRect(11));
    status->remember(); // the status line leaves the frame during name entry

    for (int tag = 2; tag <= 5; ++tag)
        if (algorithm && IsKnobParameter(algorithm->GetParameter(tag))) AddKnob(tag, tag - 1);

    AddOptionMenu(kTagPresetMenu, 17, 103, 104);
    COptionMenu* actions = AddOptionMenu(kTagActionMenu, 18, 113, 114);
    actions->addEntry("Save");
    actions->addEntry("Save As...");
    actions->addEntry("Delete", false);
    // The "Delete" submenu belongs to the action menu's third entry while user presets exist.
    COptionMenu* deleteMenu = new COptionMenu(CRect(), editor, kTagDeleteMenu, nullptr, nullptr, 0x800);
    container->RegisterControl(kTagDeleteMenu, deleteMenu);
    deleteMenus = deleteMenu;
    COptionMenu* help = AddOptionMenu(kTagHelpMenu, 19, 105, 106);
    help->addEntry("Help");
    help->addEntry("About Plug-In");
    CBitmap* compareBitmap = container->GetBitmap(107);
    Add(new CMovieButton(container->CompleteRect(21, compareBitmap, 2), editor, kTagCompare,
                         FrameHeightOf(compareBitmap, 107), compareBitmap));
    container->SetLayoutIndex(container->GetControl(kTagCompare), 21);

    int index = 0;
    if (algorithm && algorithm->FindParameter("Sync coeff", &index) && index >= 2 && index <= 13) {
        COptionMenu* sync = AddOptionMenu(index, 15, 121, 121);
        sync->setShowCurrentText(true);
        for (const std::string& label : algorithm->GetParameter(index)->GetLabels())
            sync->addEntry(label);
    }
    if (algorithm && algorithm->FindParameter("Tap", &index) && index >= 2 && index <= 13)
        AddOnOffButton(index, 20, 122);

    // Name entry: created now, shown in place of the status line while a name is typed.
    CTextEdit* entry =
        new CTextEdit(container->GetLayoutRect(12), editor, kTagNameEntry, std::string(), nullptr, 0x84);
    entry->setEditable(true);
    entry->setHoriAlign(UIAlign::kLeft);
    entry->setBackColor(CColor{240, 240, 225, 255});
    entry->setFontColor(CColor{10, 10, 10, 255});
    container->RegisterControl(kTagNameEntry, entry);
    container->SetLayoutIndex(entry, 12);
    nameEntryViews[0] = entry;
    nameEntryViews[1] = MakeKickButton(kTagAccept, 52, 119);
    nameEntryViews[2] = MakeKickButton(kTagCancel, 53, 120);
    container->RegisterControl(kTagAccept, nameEntryViews[1]);
    container->RegisterControl(kTagCancel, nameEntryViews[2]);
    statusLine = status;
}

CMLVStompBoxCtrlBaseSet::~CMLVStompBoxCtrlBaseSet() {
    for (CControl* c : nameEntryViews)
        if (c) c->forget();
    if (statusLine) statusLine->forget();
    if (deleteMenus) deleteMenus->forget();
    for (CControl* c : ownedWithoutFrame)
        c->forget();
}

CFrame* CMLVStompBoxCtrlBaseSet::GetFrame() const {
    return editor ? editor->GetFrame() : nullptr;
}

CRect CMLVStompBoxCtrlBaseSet::PlaceRect(int layoutIndex, int bitmapId) const {
    return container->CompleteRect(layoutIndex, container->GetBitmap(bitmapId), FramesOf(bitmapId));
}

void CMLVStompBoxCtrlBaseSet::AddControl(CControl* control) {
    const int tag = control->getTag();
    if (tag >= 0) {
        RemoveControl(tag);
        container->RegisterControl(tag, control);
    }
    if (CFrame* frame = GetFrame())
        frame->addView(control);
    else
        ownedWithoutFrame.push_back(control);
}

void CMLVStompBoxCtrlBaseSet::RemoveControl(int tag) {
    CControl* old = container->GetControl(tag);
    if (!old) return;
    container->UnregisterControl(tag);
    CFrame* frame = GetFrame();
    if (frame && frame->isChild(old)) frame->removeView(old, true);
}

CKnob* CMLVStompBoxCtrlBaseSet::AddKnob(int tag, int layoutIndex, bool large) {
    CBitmap* bg = container->GetBitmap(large ? 301 : 300);
    CBitmap* handle = container->GetBitmap(large ? 303 : 302);
    CKnob* knob = Add(new CKnob(container->CompleteRect(layoutIndex, bg, 1), editor, tag, bg, handle));
    container->SetLayoutIndex(knob, layoutIndex);
    return knob;
}

CAnimKnob* CMLVStompBoxCtrlBaseSet::AddAnimKnob(int tag, int layoutIndex, int bitmapId) {
    CBitmap* bg = container->GetBitmap(bitmapId);
    CAnimKnob* knob = Add(new CAnimKnob(PlaceRect(layoutIndex, bitmapId), editor, tag, FramesOf(bitmapId),
                                        FrameHeightOf(bg, bitmapId), bg));
    container->SetLayoutIndex(knob, layoutIndex);
    return knob;
}

CHorizontalSwitch* CMLVStompBoxCtrlBaseSet::AddHorizontalSwitch(int tag, int layoutIndex, int bitmapId,
                                                                int positions) {
    CBitmap* bg = container->GetBitmap(bitmapId);
    const int frames = FramesOf(bitmapId);
    CHorizontalSwitch* sw =
        Add(new CHorizontalSwitch(PlaceRect(layoutIndex, bitmapId), editor, tag, frames,
                                  FrameHeightOf(bg, bitmapId), positions > 0 ? positions : frames, bg));
    container->SetLayoutIndex(sw, layoutIndex);
    return sw;
}

CVerticalSwitch* CMLVStompBoxCtrlBaseSet::AddVerticalSwitch(int tag, int layoutIndex, int bitmapId,
                                                            int positions) {
    CBitmap* bg = container->GetBitmap(bitmapId);
    const int frames = FramesOf(bitmapId);
    CVerticalSwitch* sw =
        Add(new CVerticalSwitch(PlaceRect(layoutIndex, bitmapId), editor, tag, frames,
                                FrameHeightOf(bg, bitmapId), positions > 0 ? positions : frames, bg));
    container->SetLayoutIndex(sw, layoutIndex);
    return sw;
}

CMovieBitmap* CMLVStompBoxCtrlBaseSet::AddMovieBitmap(int tag, int layoutIndex, int bitmapId) {
    CBitmap* bg = container->GetBitmap(bitmapId);
    CMovieBitmap* m = Add(new CMovieBitmap(PlaceRect(layoutIndex, bitmapId), editor, tag, FramesOf(bitmapId),
                                           FrameHeightOf(bg, bitmapId), bg));
    container->SetLayoutIndex(m, layoutIndex);
    return m;
}

CKickButton* CMLVStompBoxCtrlBaseSet::MakeKickButton(int tag, int layoutIndex, int bitmapId) {
    CBitmap* bg = container->GetBitmap(bitmapId);
    CKickButton* b =
        new CKickButton(PlaceRect(layoutIndex, bitmapId), editor, tag, FrameHeightOf(bg, bitmapId), bg);
    b->setDefaultValue(0.0f);
    container->SetLayoutIndex(b, layoutIndex);
    return b;
}

CKickButton* CMLVStompBoxCtrlBaseSet::AddKickButton(int tag, int layoutIndex, int bitmapId) {
    return Add(MakeKickButton(tag, layoutIndex, bitmapId));
}

COnOffButton* CMLVStompBoxCtrlBaseSet::AddOnOffButton(int tag, int layoutIndex, int bitmapId) {
    COnOffButton* b =
        Add(new COnOffButton(PlaceRect(layoutIndex, bitmapId), editor, tag, container->GetBitmap(bitmapId)));
    container->SetLayoutIndex(b, layoutIndex);
    return b;
}

COptionMenu* CMLVStompBoxCtrlBaseSet::AddOptionMenu(int tag, int layoutIndex, int bitmapId,
                                                    int clickBitmapId) {
    COptionMenu* m =
        Add(new COptionMenu(PlaceRect(layoutIndex, bitmapId), editor, tag, container->GetBitmap(bitmapId),
                            container->GetBitmap(clickBitmapId), tag == kTagPresetMenu ? 0xc00 : 0x800));
    container->SetLayoutIndex(m, layoutIndex);
    return m;
}

CVerticalSlider* CMLVStompBoxCtrlBaseSet::AddVerticalSlider(int tag, const CRect& where, int backgroundId,
                                                            int handleId) {
    CBitmap* bg = container->GetBitmap(backgroundId);
    CRect r = where;
    if (bg && r.right == 0 && r.bottom == 0)
        r.right = r.left + bg->getWidth(), r.bottom = r.top + bg->getHeight();
    return Add(new CVerticalSlider(r, editor, tag, 0, r.getHeight(), container->GetBitmap(handleId), bg));
}

CHorizontalSlider* CMLVStompBoxCtrlBaseSet::AddHorizontalSlider(int tag, const CRect& where, int backgroundId,
                                                                int handleId) {
    CBitmap* bg = container->GetBitmap(backgroundId);
    CRect r = where;
    if (bg && r.right == 0 && r.bottom == 0)
        r.right = r.left + bg->getWidth(), r.bottom = r.top + bg->getHeight();
    return Add(new CHorizontalSlider(r, editor, tag, 0, r.getWidth(), container->GetBitmap(handleId), bg));
}

CVuMeter* CMLVStompBoxCtrlBaseSet::AddVuMeter(const CRect& where, int onId, int offId, int nbLed,
                                              int meterStyle) {
    CBitmap* on = container->GetBitmap(onId);
    CRect r = where;
    if (on && r.right == 0 && r.bottom == 0)
        r.right = r.left + on->getWidth(), r.bottom = r.top + on->getHeight();
    return Add(new CVuMeter(r, on, container->GetBitmap(offId), nbLed, meterStyle));
}

CTextEdit* CMLVStompBoxCtrlBaseSet::AddTextDisplay(int tag, const CRect& where, const std::string& text) {
    CTextEdit* t = Add(new CTextEdit(where, editor, tag, text, nullptr, 0x80));
    t->setMouseEnabled(false);
    t->setBackColor(CColor{16, 26, 20, 255});
    t->setFontColor(CColor{150, 235, 165, 255});
    t->setFont(UIFontFace::kSans, 9.0);
    return t;
}

void CMLVStompBoxCtrlBaseSet::AddLabels() {
    CFrame* frame = GetFrame();
    if (!frame || !algorithm) return;
    for (int tag = 2; tag <= 13; ++tag) {
        CControl* c = container->GetControl(tag);
        const CMLVParameter* p = algorithm->GetParameter(tag);
        if (!c || !p || !frame->isChild(c)) continue;
        const bool labelled =
            c->isTypeOf("CKnob") || (c->isTypeOf("CHorizontalSwitch") && c->getViewSize().getWidth() >= 30);
        if (!labelled) continue;
        const CRect& r = c->getViewSize();
        CRect box(r.left + 1, r.bottom, r.right - 1, r.bottom + 10);
        // Below the control, or above it where the footswitch or the face's edge would cover the label.
        if (box.bottom > 278) box = CRect(r.left + 1, r.top - 10, r.right - 1, r.top);
        frame->addView(new CTextLabel(box, p->GetName(), CColor{250, 250, 245, 255}));
    }
}
