#pragma once
#include <initializer_list>
#include <string>

class CMLVStompBoxCtrlBaseSet;
class CMLVStompBoxGUIEditor;
class CMLVDSPAlgInterface;
class CControl;
class CFrame;
struct CRect;

// Small pieces the effect panels share. UI thread.
namespace PanelHelpers {

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Plain value of a parameter (List parameters read as whole numbers); 0 when there is none.
double Plain(const CMLVDSPAlgInterface* algorithm, int index);
// The parameter's 0..1 value; 0 when there is none.
double Normalized(const CMLVDSPAlgInterface* algorithm, int index);

// Replaces the status line's text and redraws it.
void ShowStatus(CMLVStompBoxGUIEditor* editor, const std::string& text);
// Sets a display's value and redraws it when the value differs.
void ShowValue(CControl* control, float value);

// Whether the effect is switched off: the on/off control (index 1) reads 1 for off.
bool EffectOff(CMLVStompBoxGUIEditor* editor);

// A value the running instance publishes, read through the editor's plug-in interface.
float Readout(CMLVStompBoxGUIEditor* editor, const char* symbol, float fallback = 0.0f);

// Ratio status text of the dynamics effects: " Ratio: 8.00 : 1", or " Ratio: Inf : 1 " at the top.
std::string RatioText(const CMLVDSPAlgInterface* algorithm, int index);

// A caption on the face, in the colour of the common knob labels.
void AddLabel(CFrame* frame, const CRect& box, const std::string& text);
// Captions the control of a tag just below (or, with above, just above) it.
void LabelControl(CMLVStompBoxGUIEditor* editor, int tag, const std::string& text, bool above = false);
// Captions controls below with the first word of their parameters' names ("Attack Time" -> "Attack"),
// where the full names would run into each other.
void LabelByFirstWord(CMLVStompBoxGUIEditor* editor, std::initializer_list<int> tags);

} // namespace PanelHelpers
