#include "ui/panels/CMLVBPMDelayGUI.h"
#include "params/CMLVParRelations.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"

namespace {
constexpr int kTempo = 3, kDecay = 4, kStereo = 5, kMode = 6, kTap = 8;
enum { kBypassing = 1, kSampling = 2, kPlaying = 3 };
} // namespace

using PanelHelpers::Format;
using PanelHelpers::Normalized;
using PanelHelpers::Plain;
using PanelHelpers::ShowStatus;
using PanelHelpers::ShowValue;

MLV_PANEL_CONSTRUCTOR(CMLVBPMDelayGUI, 20) {
    AddKnob(3, 5);
    AddKnob(4, 6);
    AddHorizontalSwitch(kMode, 22, 400);
}

int CMLVBPMDelayGUI::HoldState() const {
    // The editor's own algorithm follows the same footswitch steps; the instance's word is final.
    const auto* relations = dynamic_cast<const CMLVBPMParRelations*>(algorithm);
    const float own = relations ? static_cast<float>(relations->GetHoldState()) : 0.0f;
    return static_cast<int>(PanelHelpers::Readout(editor, "hold_state", own) + 0.5f);
}

void CMLVBPMDelayGUI::ShowHoldState(int state) {
    CControl* led = editor->GetControl(kTagLed);
    switch (state) {
    case kBypassing:
        ShowValue(led, 0.0f);
        ShowStatus(editor, "Decay: Hold (Bypassing)");
        break;
    case kSampling:
        ShowValue(led, 1.0f / 3.0f);
        ShowStatus(editor, "Hold Mode: Sampling");
        break;
    case kPlaying:
        ShowValue(led, 5.0f / 9.0f);
        ShowStatus(editor, "Hold Mode: Playing");
        break;
    default:
        break;
    }
}

void CMLVBPMDelayGUI::Idle() {
    // The instance reports a footswitch step of the hold cycle after the press: show it when it lands,
    // and on the first tick a hold the instance was already in when the editor opened.
    const int state = HoldState();
    if (state != shownHold && (shownHold >= 0 || state != 0)) ShowHoldState(state);
    shownHold = state;
}

void CMLVBPMDelayGUI::ShowStereo() {
    const double v = Plain(algorithm, kStereo);
    if (Normalized(algorithm, kMode) == 0.0) {
        if (v < 47.0)
            ShowStatus(editor, Format("Balance: %.1f %% Left", 100.0 - v));
        else if (v > 53.0)
            ShowStatus(editor, Format("Balance: %.1f %% Right", v));
        else
            ShowStatus(editor, "Balance: Center");
    } else if (v > 0.0) {
        ShowStatus(editor, Format("Stereo: %.f %%", 100.0 * Normalized(algorithm, kStereo)));
    } else {
        ShowStatus(editor, "Single Delay");
    }
}

void CMLVBPMDelayGUI::ShowDecay() {
    CControl* led = editor->GetControl(kTagLed);
    if (Normalized(algorithm, kDecay) == 1.0) {
        ShowStatus(editor, "Decay: Hold (Bypassing)");
        ShowValue(led, 0.0f);
        ShowValue(editor->GetControl(kTap), 0.0f);
    } else if (Normalized(algorithm, kTap) == 0.0) {
        const bool bypassed = PanelHelpers::EffectOff(editor) || HoldState() == kBypassing;
        ShowValue(led, bypassed ? 0.0f : 1.0f / 9.0f);
    }
}

void CMLVBPMDelayGUI::ParameterChanged(int index, float value) {
    switch (index) {
    case 1:
        shownHold = HoldState();
        ShowHoldState(shownHold);
        break;
    case kTempo:
        if (value == 1.0f) ShowStatus(editor, "Room Effect Mode");
        break;
    case kDecay:
        ShowDecay();
        break;
    case kStereo:
        ShowStereo();
        break;
    default:
        break;
    }
}
