#include "ui/panels/PanelHelpers.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include "ui/widgets/CFrame.h"
#include "ui/widgets/CTextEdit.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace PanelHelpers {

std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

double Plain(const CMLVDSPAlgInterface* algorithm, int index) {
    const CMLVParameter* p = algorithm ? algorithm->GetParameter(index) : nullptr;
    return p ? p->GetValue() : 0.0;
}

double Normalized(const CMLVDSPAlgInterface* algorithm, int index) {
    const CMLVParameter* p = algorithm ? algorithm->GetParameter(index) : nullptr;
    return p ? p->normalizedValue : 0.0;
}

void ShowStatus(CMLVStompBoxGUIEditor* editor, const std::string& text) {
    if (editor) editor->SetStatusText(text);
}

void ShowValue(CControl* control, float value) {
    if (!control || control->getValue() == value) return;
    control->setValue(value);
    control->invalid();
}

bool EffectOff(CMLVStompBoxGUIEditor* editor) {
    CMLVUIPlugInInterface* plugIn = editor ? editor->GetPlugIn() : nullptr;
    return plugIn && plugIn->GetControlValue(1) >= 0.5f;
}

float Readout(CMLVStompBoxGUIEditor* editor, const char* symbol, float fallback) {
    CMLVUIPlugInInterface* plugIn = editor ? editor->GetPlugIn() : nullptr;
    return plugIn ? plugIn->GetReadoutValue(symbol, fallback) : fallback;
}

std::string RatioText(const CMLVDSPAlgInterface* algorithm, int index) {
    const CMLVParameter* p = algorithm ? algorithm->GetParameter(index) : nullptr;
    if (!p) return std::string();
    const double v = p->GetValue();
    if (v < p->maxValue) return Format(" %s: %.2f : 1", p->GetName().c_str(), v);
    return Format(" %s: Inf : 1 ", p->GetName().c_str());
}

void AddLabel(CFrame* frame, const CRect& box, const std::string& text) {
    if (frame) frame->addView(new CTextLabel(box, text, CColor{250, 250, 245, 255}));
}

void LabelControl(CMLVStompBoxGUIEditor* editor, int tag, const std::string& text, bool above) {
    const CControl* c = editor ? editor->GetControl(tag) : nullptr;
    if (!c) return;
    const CRect& r = c->getViewSize();
    // Labels may be wider than narrow controls (sliders, switches): centre a box of at least 24 px.
    const int half = std::max(r.getWidth(), 24) / 2, mid = (r.left + r.right) / 2;
    const int left = std::max(mid - half, 0), right = std::min(mid + half, 185);
    const CRect box =
        above ? CRect(left, r.top - 10, right, r.top) : CRect(left, r.bottom, right, r.bottom + 10);
    AddLabel(editor->GetFrame(), box, text);
}

void LabelByFirstWord(CMLVStompBoxGUIEditor* editor, std::initializer_list<int> tags) {
    const CMLVDSPAlgInterface* algorithm = editor ? editor->GetAlgorithm() : nullptr;
    for (int tag : tags)
        if (const CMLVParameter* p = algorithm ? algorithm->GetParameter(tag) : nullptr)
            LabelControl(editor, tag, p->GetName().substr(0, p->GetName().find(' ')));
}

} // namespace PanelHelpers
