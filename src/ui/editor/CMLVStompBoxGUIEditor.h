#pragma once
#include "ui/editor/CMLVStompBoxGUIContainer.h"
#include "ui/widgets/CControl.h"
#include <chrono>
#include <memory>
#include <string>
#include <vector>

class CFrame;
class IPopupHost;
class CMLVUIPlugInInterface;
class CMLVStompBoxCtrlBaseSet;
class CMLVDSPAlgInterface;

// The stomp-box editor: frame, panel, status line, preset menus, name entry, compare, help and
// About, and the 50 ms tick that applies host changes. Everything runs on the UI thread.
class CMLVStompBoxGUIEditor : public CControlListener {
  public:
    static constexpr int kTimerMs = 50;
    static constexpr const char* kVersion = "1.0.7.3";

    explicit CMLVStompBoxGUIEditor(CMLVUIPlugInInterface* plugIn);
    ~CMLVStompBoxGUIEditor() override;

    // Reflects control index (value 0..1) in the controls and the status line. While open, callers
    // from the host side go through ParameterChanged, which queues for the next tick.
    virtual void ShowParameter(int index, float value);
    // 0, 0, 185, 320.
    virtual bool GetEditorRect(CRect* rect) const;
    // Creates the frame and the panel, shows the current values and preset. popupHost shows menus.
    virtual bool OpenWindow(IPopupHost* popupHost);
    virtual void CloseWindow();
    // The 50 ms tick: applies pending host values (a batch of more than one leaves the status line
    // alone), then the panel's idle hook.
    virtual void OnTimer();
    // Runs OnTimer when kTimerMs have passed on the monotonic clock since the last tick (host idle).
    void Idle();
    // The user changed a control.
    virtual void OnControlChanged(CControl* control) = 0;

    // CControlListener.
    void valueChanged(CControl* control) override { OnControlChanged(control); }
    void controlBeginEdit(CControl* control) override;
    void controlEndEdit(CControl* control) override;

    // What the control-update path tells the editor.
    void ParameterChanged(int index, float normalized);
    // A non-empty status text replaces the status line at once.
    void ShowStatus(const std::string& text);
    void RefreshControls();
    void RefreshPresetDisplay();

    void SetStatusText(const std::string& text);
    std::string GetStatusText() const;
    bool IsOpen() const { return isOpen; }
    CFrame* GetFrame() const { return frame; }
    CMLVStompBoxGUIContainer* GetContainer() { return &container; }
    CMLVStompBoxCtrlBaseSet* GetPanel() const { return panel.get(); }
    CMLVUIPlugInInterface* GetPlugIn() const { return plugInInterface; }
    CMLVDSPAlgInterface* GetAlgorithm() const;
    CControl* GetControl(int tag) const { return container.GetControl(tag); }
    // Name of the preset current in the preset menu; empty when none.
    std::string CurrentPresetName() const;
    // The document the last Help choice opened (the manual, or the README when there is none).
    const std::string& LastHelpDocument() const { return lastHelpDocument; }
    bool IsNameEntryActive() const { return nameEntryActive; }
    bool IsAboutShown() const;

  protected:
    // Text for the on/off state, taking tap mode into account.
    std::string OnOffText() const;
    void ShowOnOff(float value);
    void RebuildPresetMenus();
    // Enables compare (bitmap 107) when the parameters differ from the current preset, else disables
    // it (bitmap 133, value 0).
    void UpdateCompareButton();
    void Compare(bool pressed);
    // Shows the name entry holding `name` in place of the status line.
    void BeginNameEntry(const std::string& name);
    void EndNameEntry(bool accept);
    void ShowAbout();
    void HideAbout();
    void OpenHelp();
    // Opens a document with the desktop's viewer without waiting for it.
    virtual void LaunchDocument(const std::string& path);
    // The value a control shows for parameter value `normalized` (menus show an entry index).
    float ControlValueFor(const CControl* control, int index, float normalized) const;
    // The parameter value a control's value stands for.
    float NormalizedFromControl(const CControl* control, int index) const;
    // Applies plain values (ascending parameter index) as user changes.
    void ApplyPlainValues(const std::vector<float>& plain);
    const std::vector<float>* CurrentPresetValues() const;

    CMLVUIPlugInInterface* plugInInterface;
    CMLVStompBoxGUIContainer container;
    CFrame* frame = nullptr;
    std::unique_ptr<CMLVStompBoxCtrlBaseSet> panel;
    bool isOpen = false;
    std::vector<int> pendingIndices;
    std::vector<float> pendingValues;
    bool hasPending = false;
    bool statusEnabled = true;
    std::string savedText;
    bool nameEntryActive = false;
    std::string lastHelpDocument;
    std::vector<float> compareBuffer;
    CControl* aboutView = nullptr;
    std::chrono::steady_clock::time_point lastTick;
    bool ticked = false;
};

// The editor the plug-in view opens: the user's actions by tag.
class CMLVGUIEditorRTAS : public CMLVStompBoxGUIEditor {
  public:
    using CMLVStompBoxGUIEditor::CMLVStompBoxGUIEditor;
    void OnControlChanged(CControl* control) override;
};
