#include "ui/panels/CMLVParametricEQGUI.h"
#include "params/CMLVDSPAlgInterface.h"
#include "ui/editor/PanelRegistry.h"
#include "ui/panels/PanelHelpers.h"

namespace {
constexpr int kGain = 2, kWidth = 4, kType = 5;
enum { kLowShelf, kHighShelf, kPeak, kLowPass, kHighPass, kNotch };
} // namespace

using PanelHelpers::Format;
using PanelHelpers::Plain;

MLV_PANEL_CONSTRUCTOR(CMLVParametricEQGUI, 130) {
    AddAnimKnob(kType, 4, 322);
}

void CMLVParametricEQGUI::ParameterChanged(int index, float) {
    const int type = static_cast<int>(Plain(algorithm, kType) + 0.5);
    // The pass filters apply half the gain; peak and notch read the width as half the bandwidth.
    const bool pass = type == kLowPass || type == kHighPass;
    if (index == kWidth) {
        const double w = Plain(algorithm, kWidth);
        if (type == kLowShelf || type == kHighShelf)
            PanelHelpers::ShowStatus(editor, Format("Slope: %.2f", w));
        else if (type == kPeak || type == kNotch)
            PanelHelpers::ShowStatus(editor, Format("Bandwidth: %.2f octaves", 2.0 * w));
        else if (pass)
            PanelHelpers::ShowStatus(editor, Format("Q: %.2f", w));
    } else if (index == kGain) {
        const CMLVParameter* gain = algorithm->GetParameter(kGain);
        if (!gain) return;
        const double g = pass ? gain->GetValue() / 2.0 : gain->GetValue();
        const std::string unit = gain->GetLabels().empty() ? std::string() : gain->GetLabels()[0];
        PanelHelpers::ShowStatus(editor, gain->GetName() + ": " + Format("%.2f", g) + " " + unit);
    }
}
