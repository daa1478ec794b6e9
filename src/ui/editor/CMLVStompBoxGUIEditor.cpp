#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "params/CMLVDSPAlgInterface.h"
#include "shell/Catalogue.h"
#include "ui/editor/CMLVAboutView.h"
#include "ui/editor/CMLVStompBoxCtrlBaseSet.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/editor/HelpDocument.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CFrame.h"
#include "ui/widgets/COptionMenu.h"
#include "ui/widgets/CTextEdit.h"
#include <cmath>
#include <cstdio>

using Base = CMLVStompBoxCtrlBaseSet;

namespace {
std::string Format(const char* fmt, double a, double b) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

CMLVParameter* RateLike(const CMLVDSPAlgInterface* alg) {
    CMLVParameter* p = alg->FindParameter("Tempo", nullptr);
    return p ? p : alg->FindParameter("Rate", nullptr);
}

double SyncFactor(int n) {
    static const double kFactors[] = {1.0, 0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0};
    return n >= 1 && n <= 8 ? kFactors[n] : 1.0;
}

float Round4(float v) {
    return static_cast<float>(static_cast<int>(v * 10000.0f + 0.5f)) / 10000.0f;
}
} // namespace

CMLVStompBoxGUIEditor::CMLVStompBoxGUIEditor(CMLVUIPlugInInterface* plugIn) : plugInInterface(plugIn) {}

CMLVStompBoxGUIEditor::~CMLVStompBoxGUIEditor() {
    CloseWindow();
}

CMLVDSPAlgInterface* CMLVStompBoxGUIEditor::GetAlgorithm() const {
    return plugInInterface ? plugInInterface->Algorithm() : nullptr;
}

bool CMLVStompBoxGUIEditor::GetEditorRect(CRect* rect) const {
    *rect = CRect(0, 0, CMLVStompBoxGUIContainer::kWidth, CMLVStompBoxGUIContainer::kHeight);
    return true;
}

bool CMLVStompBoxGUIEditor::OpenWindow(IPopupHost* popupHost) {
    if (isOpen) return true;
    if (!plugInInterface || !GetAlgorithm()) return false;
    CRect r;
    GetEditorRect(&r);
    frame = new CFrame(r, popupHost);
    panel = PanelRegistry::Create(plugInInterface->EffectType(), this, &container, GetAlgorithm());
    panel->AddLabels();
    isOpen = true;
    pendingIndices.clear();
    pendingValues.clear();
    hasPending = false;
    RefreshControls();
    RebuildPresetMenus();
    if (plugInInterface->PresetFileProblem().empty())
        RefreshPresetDisplay();
    else
        SetStatusText(plugInInterface->PresetFileProblem());
    UpdateCompareButton();
    ticked = false;
    return true;
}

void CMLVStompBoxGUIEditor::CloseWindow() {
    if (!frame) return;
    isOpen = false;
    nameEntryActive = false;
    aboutView = nullptr;
    pendingIndices.clear();
    pendingValues.clear();
    hasPending = false;
    // The panel goes first, while its controls still live in the frame.
    panel.reset();
    delete frame;
    frame = nullptr;
    container.ClearControls();
}

void CMLVStompBoxGUIEditor::Idle() {
    const auto now = std::chrono::steady_clock::now();
    if (ticked && now - lastTick < std::chrono::milliseconds(kTimerMs)) return;
    lastTick = now;
    ticked = true;
    OnTimer();
}

void CMLVStompBoxGUIEditor::OnTimer() {
    if (!isOpen) return;
    if (hasPending) {
        std::vector<int> indices;
        std::vector<float> values;
        indices.swap(pendingIndices);
        values.swap(pendingValues);
        hasPending = false;
        // A batch is the host moving several controls (a preset, automation): no status flicker.
        if (indices.size() > 1) statusEnabled = false;
        for (size_t i = 0; i < indices.size(); ++i)
            ShowParameter(indices[i], values[i]);
        statusEnabled = true;
        // Reuse the storage for the next batch.
        indices.clear();
        values.clear();
        pendingIndices.swap(indices);
        pendingValues.swap(values);
    }
    if (panel) panel->Idle();
}

void CMLVStompBoxGUIEditor::ParameterChanged(int index, float normalized) {
    if (!isOpen) return;
    pendingIndices.push_back(index);
    pendingValues.push_back(normalized);
    hasPending = true;
}

void CMLVStompBoxGUIEditor::ShowStatus(const std::string& text) {
    if (isOpen && !text.empty()) SetStatusText(text);
}

void CMLVStompBoxGUIEditor::SetStatusText(const std::string& text) {
    if (CTextEdit* status = dynamic_cast<CTextEdit*>(GetControl(Base::kTagStatus))) {
        status->setText(text);
        status->invalid();
    }
}

std::string CMLVStompBoxGUIEditor::GetStatusText() const {
    const CTextEdit* status = dynamic_cast<const CTextEdit*>(GetControl(Base::kTagStatus));
    return status ? status->getText() : std::string();
}

std::string CMLVStompBoxGUIEditor::OnOffText() const {
    const CMLVDSPAlgInterface* alg = GetAlgorithm();
    const CMLVParameter* tap = alg->FindParameter("Tap", nullptr);
    if (tap && tap->normalizedValue == 1.0) {
        // The first press of a pair starts the measurement; the second one ends it.
        if (alg->tapState == 0.0f) return "Press On-Off again";
        const CMLVParameter* rate = RateLike(alg);
        return "(Tap) " + (rate ? rate->FormatValue(true, true) : std::string());
    }
    return alg->bypassed ? "Effect Off" : "Effect On";
}

void CMLVStompBoxGUIEditor::ShowOnOff(float) {
    if (statusEnabled) SetStatusText(OnOffText());
    if (CControl* led = GetControl(Base::kTagLed)) {
        led->setValue(GetAlgorithm()->bypassed ? 0.0f : 1.0f / 9.0f);
        led->invalid();
    }
}

float CMLVStompBoxGUIEditor::ControlValueFor(const CControl* control, int index, float normalized) const {
    const CMLVParameter* p = GetAlgorithm()->GetParameter(index);
    if (p && control->isTypeOf("COptionMenu"))
        return static_cast<float>(static_cast<int>(p->Denormalize(normalized) - p->minValue + 0.5));
    return normalized;
}

float CMLVStompBoxGUIEditor::NormalizedFromControl(const CControl* control, int index) const {
    const CMLVParameter* p = GetAlgorithm()->GetParameter(index);
    if (p && control->isTypeOf("COptionMenu"))
        return static_cast<float>(p->Normalize(p->minValue + control->getValue()));
    return control->getValue();
}

void CMLVStompBoxGUIEditor::ShowParameter(int index, float value) {
    if (!isOpen) return;
    CMLVDSPAlgInterface* alg = GetAlgorithm();
    CControl* control = GetControl(index);
    if (index == 1) {
        ShowOnOff(value);
    } else if (index >= 2 && index <= 13) {
        CMLVParameter* p = alg->GetParameter(index);
        if (!p) return;
        const std::string& name = p->GetName();
        if (name == "1st sound" || name == "Oth sound" || name == "Space") return;
        if (name == "Sync coeff") {
            const int n = static_cast<int>(p->GetValue() + 0.5);
            if (COptionMenu* menu = dynamic_cast<COptionMenu*>(control)) menu->setCurrent(n);
            if (statusEnabled) {
                const CMLVParameter* rate = RateLike(alg);
                if (n == 0)
                    SetStatusText(rate ? rate->FormatValue(true, true) : std::string());
                else
                    SetStatusText(Format("Host: %.2f FX: %.2f BPM", alg->tempo, alg->tempo * SyncFactor(n)));
            }
        } else {
            if (control) control->setValue(ControlValueFor(control, index, value));
            if (statusEnabled) {
                std::string text = p->FormatValue(true, true);
                const CMLVParameter* sync = alg->FindParameter("Sync coeff", nullptr);
                if (p == RateLike(alg) && sync && sync->GetValue() >= 1.0) text += " (Sync !)";
                SetStatusText(text);
            }
            if (name == "Tap") {
                if (value == 1.0f) {
                    if (CControl* led = GetControl(Base::kTagLed)) led->invalid();
                } else {
                    ShowOnOff(GetPlugIn()->GetControlValue(1));
                }
            }
        }
    }
    if (panel) panel->ParameterChanged(index, value);
    if (control) control->invalid();
}

void CMLVStompBoxGUIEditor::RefreshControls() {
    if (!isOpen) return;
    const bool wasEnabled = statusEnabled;
    statusEnabled = false;
    for (int i = 1; i <= plugInInterface->ControlCount(); ++i)
        ShowParameter(i, plugInInterface->GetControlValue(i));
    statusEnabled = wasEnabled;
}

void CMLVStompBoxGUIEditor::RefreshPresetDisplay() {
    if (!isOpen) return;
    const std::string name = CurrentPresetName();
    if (COptionMenu* menu = dynamic_cast<COptionMenu*>(GetControl(Base::kTagPresetMenu)))
        menu->setCurrent(menu->findEntry(name));
    if (!name.empty()) SetStatusText("Preset: " + name);
    UpdateCompareButton();
}

std::string CMLVStompBoxGUIEditor::CurrentPresetName() const {
    const CMLVDSPAlgInterface* alg = GetAlgorithm();
    return alg && alg->currentPreset ? alg->currentPreset->name : std::string();
}

void CMLVStompBoxGUIEditor::RebuildPresetMenus() {
    COptionMenu* presets = dynamic_cast<COptionMenu*>(GetControl(Base::kTagPresetMenu));
    COptionMenu* deleteMenu = dynamic_cast<COptionMenu*>(GetControl(Base::kTagDeleteMenu));
    COptionMenu* actions = dynamic_cast<COptionMenu*>(GetControl(Base::kTagActionMenu));
    if (!presets || !deleteMenu) return;
    presets->removeAllEntry();
    deleteMenu->removeAllEntry();
    bool separated = false;
    for (const auto& entry : GetAlgorithm()->GetPresets()) {
        const CMLVPreset& preset = *entry.second;
        if (!preset.isFactory && !separated) {
            presets->addSeparator();
            separated = true;
        }
        presets->addEntry(preset.name);
        if (!preset.isFactory) deleteMenu->addEntry(preset.name);
    }
    presets->setCurrent(presets->findEntry(CurrentPresetName()));
    if (!actions) return;
    if (deleteMenu->getNbEntries() > 0) {
        deleteMenu->remember(); // the action menu's entry holds its own reference
        actions->setEntry(2, "Delete", true, deleteMenu);
    } else {
        actions->setEntry(2, "Delete", false, nullptr);
    }
}

const std::vector<float>* CMLVStompBoxGUIEditor::CurrentPresetValues() const {
    const COptionMenu* presets = dynamic_cast<const COptionMenu*>(GetControl(Base::kTagPresetMenu));
    const int position = presets ? presets->getCurrentIndex(false) : -1;
    if (position < 0) return nullptr;
    int i = 0;
    for (const auto& entry : GetAlgorithm()->GetPresets())
        if (i++ == position) return &entry.second->values;
    return nullptr;
}

void CMLVStompBoxGUIEditor::UpdateCompareButton() {
    CControl* compare = GetControl(Base::kTagCompare);
    if (!compare) return;
    const std::vector<float>* preset = CurrentPresetValues();
    bool differ = false;
    if (preset) {
        const std::vector<float> current = plugInInterface->GetParameterValues();
        differ = current.size() != preset->size();
        for (size_t i = 0; !differ && i < current.size(); ++i)
            differ = Round4(current[i]) != Round4((*preset)[i]);
    }
    CBitmap* bitmap = container.GetBitmap(differ ? 107 : 133);
    if (compare->getBackground() != bitmap) compare->setBackground(bitmap);
    if (!differ && compare->getValue() != 0.0f) compare->setValue(0.0f);
    compare->setMouseEnabled(differ);
    compare->invalid();
}

void CMLVStompBoxGUIEditor::ApplyPlainValues(const std::vector<float>& plain) {
    CMLVDSPAlgInterface* alg = GetAlgorithm();
    for (size_t i = 0; i < plain.size(); ++i) {
        const int index = static_cast<int>(i) + 2;
        if (const CMLVParameter* p = alg->GetParameter(index))
            plugInInterface->SetControlValue(index, static_cast<float>(p->Normalize(plain[i])));
    }
}

void CMLVStompBoxGUIEditor::Compare(bool pressed) {
    if (pressed) {
        const std::vector<float>* preset = CurrentPresetValues();
        if (!preset) return;
        compareBuffer = plugInInterface->GetParameterValues();
        const std::vector<float> values = *preset; // the menu may change while applying
        const COptionMenu* presets = dynamic_cast<const COptionMenu*>(GetControl(Base::kTagPresetMenu));
        const CMenuItem* item = presets->getEntry(presets->getCurrentIndex(true));
        ApplyPlainValues(values);
        SetStatusText("Compare to: " + (item ? item->title : std::string()));
    } else {
        ApplyPlainValues(compareBuffer);
        SetStatusText("Settings restored");
    }
}

void CMLVStompBoxGUIEditor::BeginNameEntry(const std::string& name) {
    if (nameEntryActive || !frame) return;
    CControl* status = GetControl(Base::kTagStatus);
    CTextEdit* entry = dynamic_cast<CTextEdit*>(GetControl(Base::kTagNameEntry));
    CControl* accept = GetControl(Base::kTagAccept);
    CControl* cancel = GetControl(Base::kTagCancel);
    if (!status || !entry || !accept || !cancel) return;
    savedText = GetStatusText();
    frame->removeView(status, true); // the common set keeps its own reference
    entry->setText(name);
    for (CControl* c : {static_cast<CControl*>(entry), accept, cancel}) {
        c->setValue(0.0f);
        c->remember();
        frame->addView(c);
    }
    frame->setFocusView(entry);
    nameEntryActive = true;
}

void CMLVStompBoxGUIEditor::EndNameEntry(bool accept) {
    if (!nameEntryActive) return;
    nameEntryActive = false;
    CTextEdit* entry = dynamic_cast<CTextEdit*>(GetControl(Base::kTagNameEntry));
    for (int tag : {Base::kTagAccept, Base::kTagCancel, Base::kTagNameEntry})
        if (CControl* c = GetControl(tag)) frame->removeView(c, true);
    if (CControl* status = GetControl(Base::kTagStatus)) {
        status->remember();
        frame->addView(status);
    }
    const std::string name = entry ? entry->getText() : std::string();
    if (!accept || name.find_first_not_of(' ') == std::string::npos) {
        SetStatusText(savedText);
        frame->invalidRect(container.GetLayoutRect(11));
        return;
    }
    plugInInterface->SavePreset(name);
    RebuildPresetMenus();
    const std::string& problem = plugInInterface->LastSaveProblem();
    SetStatusText(problem.empty() ? "Preset: " + name : problem);
    UpdateCompareButton();
    frame->invalidRect(container.GetLayoutRect(11));
}

bool CMLVStompBoxGUIEditor::IsAboutShown() const {
    return aboutView && frame && frame->isChild(aboutView);
}

void CMLVStompBoxGUIEditor::ShowAbout() {
    if (IsAboutShown() || !frame) return;
    const CatalogueRecord* record = Catalogue::FindByEffectType(plugInInterface->EffectType());
    aboutView = new CMLVAboutView(frame->getViewSize(), this, record ? record->longName : "");
    frame->addView(aboutView);
}

void CMLVStompBoxGUIEditor::HideAbout() {
    if (!IsAboutShown()) return;
    frame->removeView(aboutView, true);
    aboutView = nullptr;
    frame->invalid();
}

void CMLVStompBoxGUIEditor::OpenHelp() {
    lastHelpDocument = HelpDocumentPath();
    if (!lastHelpDocument.empty()) LaunchDocument(lastHelpDocument);
}

void CMLVStompBoxGUIEditor::LaunchDocument(const std::string& path) {
    LaunchWithDesktopViewer(path);
}

void CMLVStompBoxGUIEditor::controlBeginEdit(CControl* control) {
    const int tag = control->getTag();
    if (tag >= 1 && tag <= 13) plugInInterface->BeginEdit(tag);
}

void CMLVStompBoxGUIEditor::controlEndEdit(CControl* control) {
    const int tag = control->getTag();
    if (tag >= 1 && tag <= 13) plugInInterface->EndEdit(tag);
}

void CMLVGUIEditorRTAS::OnControlChanged(CControl* control) {
    if (!isOpen) return;
    const int tag = control->getTag();
    const float value = control->getValue();
    switch (tag) {
    case Base::kTagOnOff:
        if (value == 1.0f) plugInInterface->SetControlValue(1, 1.0f - plugInInterface->GetControlValue(1));
        break;
    case Base::kTagCompare:
        Compare(value > 0.5f);
        return;
    case Base::kTagPresetMenu: {
        const int position = static_cast<COptionMenu*>(control)->getCurrentIndex(false);
        int i = 0;
        for (const auto& entry : GetAlgorithm()->GetPresets())
            if (i++ == position) {
                plugInInterface->RecallPreset(entry.first);
                break;
            }
        break;
    }
    case Base::kTagActionMenu: {
        const int choice = static_cast<COptionMenu*>(control)->getCurrentIndex(true);
        // Both store a new entry (the file never overwrites a preset); "Save" offers the current name.
        if (choice == 0) BeginNameEntry(CurrentPresetName());
        if (choice == 1) BeginNameEntry(std::string());
        static_cast<COptionMenu*>(control)->setCurrent(-1);
        break;
    }
    case Base::kTagHelpMenu: {
        const int choice = static_cast<COptionMenu*>(control)->getCurrentIndex(true);
        static_cast<COptionMenu*>(control)->setCurrent(-1);
        if (choice == 0) OpenHelp();
        if (choice == 1) ShowAbout();
        break;
    }
    case Base::kTagNameEntry: {
        const CKeyEvent::Key key = static_cast<CTextEdit*>(control)->getExitKey();
        if (key == CKeyEvent::kReturn || key == CKeyEvent::kEscape) EndNameEntry(key == CKeyEvent::kReturn);
        break;
    }
    case Base::kTagStepUp:
    case Base::kTagStepDown:
        if (value == 1.0f) {
            if (CMLVParameter* p = GetAlgorithm()->GetParameter(2)) {
                p->SetValue(static_cast<int>(p->GetValue()) + (tag == Base::kTagStepUp ? 1 : -1));
                plugInInterface->SetControlValue(2, static_cast<float>(p->normalizedValue));
            }
        }
        break;
    case Base::kTagAccept:
    case Base::kTagCancel:
        if (value == 1.0f) EndNameEntry(tag == Base::kTagAccept);
        control->setValue(0.0f);
        break;
    case Base::kTagAbout:
        if (value == 0.0f) HideAbout();
        return;
    default:
        if (tag >= 2 && tag <= 13 && GetAlgorithm()->GetParameter(tag))
            plugInInterface->SetControlValue(tag, NormalizedFromControl(control, tag));
        break;
    }
    UpdateCompareButton();
    control->invalid();
}
