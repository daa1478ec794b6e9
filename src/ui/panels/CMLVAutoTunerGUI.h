#pragma once
#include "ui/panels/PanelClass.h"

class CToneMeter;
class CVuMeter;
class CTextEdit;

// The tuner's face: note and frequency texts, the flat and sharp LED bars either side of a centre
// indicator, three lamps (flat, in tune, sharp) and the buttons that step the A4 reference. Its idle
// hook shows what the running instance last measured.
class CMLVAutoTunerGUI : public CMLVStompBoxCtrlBaseSet {
  public:
    enum { kTagFlatLamp = 27, kTagSharpLamp = 28, kTagInTuneLamp = 29, kTagNote = 23, kTagFrequency = 24 };
    static constexpr int kBarLeds = 12;

    CMLVAutoTunerGUI(CMLVStompBoxGUIEditor* e, CMLVStompBoxGUIContainer* c, CMLVDSPAlgInterface* a);
    void Idle() override;
    // The reference is stepped by the buttons; there are no knobs to label.
    void AddLabels() override {}

    CToneMeter* GetFlatBar() const { return flatBar; }
    CVuMeter* GetSharpBar() const { return sharpBar; }
    CVuMeter* GetCentreIndicator() const { return centre; }

  private:
    // A display text of the tuner's face, at a layout entry.
    CTextEdit* AddText(int tag, int layoutIndex, const char* text = "");
    // Shows one measurement: note name, frequency in Hz, deviation from the note (+-50 at a semitone's
    // half). An off effect shows nothing.
    void Show(bool off, const std::string& note, float frequency, float deviation);

    CTextEdit* noteText;
    CTextEdit* frequencyText;
    CVuMeter* flatLamp;
    CVuMeter* sharpLamp;
    CVuMeter* inTuneLamp;
    CToneMeter* flatBar;
    CVuMeter* centre;
    CVuMeter* sharpBar;
};
