#pragma once
// An editor opened as a host opens it, without a display, and the user's hands on it: clicks, drags,
// menu choices and typed keys go in through the widget layer; host values and published readouts
// through the UI-side plug-in interface. Control writes and launched documents are recorded.
#include "params/CMLVDSPAlgInterface.h"
#include "shell/Catalogue.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/widgets/CFrame.h"
#include "ui/widgets/COptionMenu.h"
#include "ui/widgets/CTextEdit.h"
#include <cairo.h>
#include <gtest/gtest.h>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

inline int EffectType(const char* code) {
    for (int i = 0; i < Catalogue::kCount; ++i)
        if (strcasecmp(Catalogue::Records()[i].code, code) == 0) return Catalogue::Records()[i].effectType;
    return 0;
}

inline CPoint CentreOf(const CRect& r) {
    return CPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class RecordingPlugIn : public CMLVUIPlugInInterface {
  public:
    using CMLVUIPlugInInterface::CMLVUIPlugInInterface;
    std::vector<std::pair<int, float>> writes;

  protected:
    void WriteControl(int index, float normalized) override { writes.emplace_back(index, normalized); }
};

class QuietEditor : public CMLVGUIEditorRTAS {
  public:
    using CMLVGUIEditorRTAS::CMLVGUIEditorRTAS;
    std::string launched;

  protected:
    void LaunchDocument(const std::string& path) override { launched = path; }
};

// One open face and the user's hands.
struct Face {
    RecordingPlugIn plugIn;
    QuietEditor editor;
    CScriptedPopupHost popups;

    explicit Face(int effectType, bool presets = false)
        : plugIn(effectType, 48000.0, presets), editor(&plugIn) {
        plugIn.AttachEditor(&editor);
        EXPECT_TRUE(editor.OpenWindow(&popups));
    }
    explicit Face(const char* code, bool presets = false) : Face(EffectType(code), presets) {}
    ~Face() { editor.CloseWindow(); }

    CControl* C(int tag) const { return editor.GetControl(tag); }
    CFrame* Frame() const { return editor.GetFrame(); }
    CPoint Centre(int tag) const { return CentreOf(C(tag)->getViewSize()); }
    void Click(int tag) {
        Frame()->OnMouseDown(Centre(tag), kLButton);
        Frame()->OnMouseUp(Centre(tag), kLButton);
    }
    void Drag(int tag, int up) {
        CPoint p = Centre(tag);
        Frame()->OnMouseDown(p, kLButton);
        p.y -= up;
        Frame()->OnMouseMoved(p, kLButton);
        Frame()->OnMouseUp(p, kLButton);
    }
    void Choose(int tag, std::initializer_list<int> path) {
        popups.choices = path;
        Click(tag);
    }
    void Type(const std::string& text) {
        for (char c : text)
            Frame()->OnKey(CKeyEvent{CKeyEvent::kCharacter, std::string(1, c)});
    }
    void Key(CKeyEvent::Key k) { Frame()->OnKey(CKeyEvent{k, std::string()}); }
    std::string Status() const { return editor.GetStatusText(); }
    COptionMenu* Menu(int tag) const { return static_cast<COptionMenu*>(C(tag)); }
    std::vector<std::string> Titles(int tag) const {
        std::vector<std::string> t;
        for (int i = 0; i < Menu(tag)->getNbEntries(); ++i)
            t.push_back(Menu(tag)->getEntry(i)->separator ? "-" : Menu(tag)->getEntry(i)->title);
        return t;
    }
    CMLVParameter* Param(const char* name) const { return plugIn.Algorithm()->FindParameter(name, nullptr); }
    float Value(int tag) const { return C(tag)->getValue(); }
    std::string Text(int tag) const { return static_cast<CTextEdit*>(C(tag))->getText(); }

    // The host reports a control value (0..1); the next tick shows it.
    void Host(int index, float normalized) {
        plugIn.HostControlChanged(index, normalized);
        editor.OnTimer();
    }
    void HostPlain(int index, double plain) {
        Host(index, static_cast<float>(plugIn.Algorithm()->GetParameter(index)->Normalize(plain)));
    }
    // The running instance publishes a value.
    void Publish(const std::string& symbol, float value) {
        const CMLVDSPAlgInterface* a = plugIn.Algorithm();
        for (int i = 0; i < a->GetReadoutCount(); ++i)
            if (symbol == a->GetReadoutInfo(i)->symbol) return plugIn.SetReadoutValue(i, value);
        ADD_FAILURE() << "no readout " << symbol;
    }
    // Draws the face, which is when meters take their levels.
    void Draw() { cairo_surface_destroy(Frame()->RenderToSurface()); }
};
