#pragma once
#include "ui/editor/CMLVStompBoxGUIContainer.h"
#include <string>
#include <vector>

class CMLVStompBoxGUIEditor;
class CMLVDSPAlgInterface;
class CFrame;
class CKnob;
class CAnimKnob;
class CKickButton;
class CMovieButton;
class CMovieBitmap;
class COnOffButton;
class COptionMenu;
class CTextEdit;
class CHorizontalSwitch;
class CVerticalSwitch;
class CVerticalSlider;
class CHorizontalSlider;
class CVuMeter;

// A panel: the controls of one effect's face and its two hooks. UI thread.
class CMLVCtrlSetInterface {
  public:
    virtual ~CMLVCtrlSetInterface() = default;
    // Every timer tick, after the pending host values were shown.
    virtual void Idle() {}
    // At the end of ShowParameter, after the generic status text was set.
    virtual void ParameterChanged(int index, float value) {
        (void)index;
        (void)value;
    }
};

// The common controls every face has (footswitch, LED, status line, knobs for parameters 2..5 that
// are neither lists nor "Sync coeff"/"Tap", menus, compare, name entry; for effects with "Sync coeff"
// its menu at layout 15 and a "Tap" button at layout 20) and the helpers with which a panel adds its own.
// Each control is created with the editor as listener, placed by its layout index, added to the frame and
// registered under its tag; a control added under a tag that already has one takes its place.
class CMLVStompBoxCtrlBaseSet : public CMLVCtrlSetInterface {
  public:
    // Common tags.
    enum {
        kTagOnOff = 1,
        kTagCompare = 15,
        kTagLed = 16,
        kTagDeleteMenu = 17,
        kTagPresetMenu = 18,
        kTagActionMenu = 19,
        kTagHelpMenu = 20,
        kTagStatus = 21,
        kTagNameEntry = 22,
        kTagStepUp = 33,
        kTagStepDown = 34,
        kTagAccept = 35,
        kTagCancel = 36,
        kTagAbout = 37,
    };

    // Creates the common controls in the editor's frame. The style number picks the face bitmap.
    CMLVStompBoxCtrlBaseSet(CMLVStompBoxGUIEditor* editor, CMLVStompBoxGUIContainer* container,
                            CMLVDSPAlgInterface* algorithm, int style);
    ~CMLVStompBoxCtrlBaseSet() override;

    int GetStyle() const { return style; }
    // Labels under the parameter controls (tags 2..13) that carry none yet, from the parameters' names.
    // The editor calls it after the panel's constructor.
    virtual void AddLabels();

    CMLVStompBoxGUIEditor* GetEditor() const { return editor; }
    CMLVStompBoxGUIContainer* GetContainer() const { return container; }
    CMLVDSPAlgInterface* GetAlgorithm() const { return algorithm; }
    CFrame* GetFrame() const;

  protected:
    // The layout entry completed from the bitmap's size and its frame count in the art catalogue.
    CRect PlaceRect(int layoutIndex, int bitmapId) const;

    // Knob with background 300 and handle 302, or (large) 301 and 303.
    CKnob* AddKnob(int tag, int layoutIndex, bool large = false);
    // Film-strip controls take their number of images from the art catalogue.
    CAnimKnob* AddAnimKnob(int tag, int layoutIndex, int bitmapId);
    CHorizontalSwitch* AddHorizontalSwitch(int tag, int layoutIndex, int bitmapId, int positions = 0);
    CVerticalSwitch* AddVerticalSwitch(int tag, int layoutIndex, int bitmapId, int positions = 0);
    CMovieBitmap* AddMovieBitmap(int tag, int layoutIndex, int bitmapId);
    CKickButton* AddKickButton(int tag, int layoutIndex, int bitmapId);
    COnOffButton* AddOnOffButton(int tag, int layoutIndex, int bitmapId);
    COptionMenu* AddOptionMenu(int tag, int layoutIndex, int bitmapId, int clickBitmapId);
    // Sliders: background at the rectangle's top left, the handle travelling over the background.
    CVerticalSlider* AddVerticalSlider(int tag, const CRect& where, int backgroundId, int handleId);
    CHorizontalSlider* AddHorizontalSlider(int tag, const CRect& where, int backgroundId, int handleId);
    CVuMeter* AddVuMeter(const CRect& where, int onId, int offId, int nbLed, int style);
    CTextEdit* AddTextDisplay(int tag, const CRect& where, const std::string& text = std::string());
    // Adds any control: to the frame (taking the caller's reference) and, for tag >= 0, to the registry,
    // replacing (and removing from the frame) an earlier control of that tag.
    template <class T> T* Add(T* control) {
        AddControl(control);
        return control;
    }
    void AddControl(CControl* control);
    // Takes the control of a tag out of the frame and the registry (a face without that knob).
    void RemoveControl(int tag);

    CMLVStompBoxGUIEditor* editor;
    CMLVStompBoxGUIContainer* container;
    CMLVDSPAlgInterface* algorithm;
    int style;

  private:
    CKickButton* MakeKickButton(int tag, int layoutIndex, int bitmapId);
    // Views that move in and out of the frame; the set keeps a reference of its own on them.
    CTextEdit* statusLine = nullptr;
    CControl* nameEntryViews[3] = {nullptr, nullptr, nullptr};
    COptionMenu* deleteMenus = nullptr;
    std::vector<CControl*> ownedWithoutFrame;
};
