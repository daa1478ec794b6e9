#include "ui/panels/PanelHelpers.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
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

} // namespace PanelHelpers
