#pragma once
#include "PortLayout.h"
#include "ui/editor/CMLVUIPlugInInterface.h"
#include <lv2/ui/ui.h>
#include <vector>

// The editor's access to an LV2 instance over the port protocol only: a control value is the last one
// the host reported for its port, a change leaves through the host's write function in the port's
// plain units, with ui:touch around drags when the host offers it. The values the instance publishes
// (readouts, meters, host tempo) arrive as port events of its output ports. UI thread only.
class LV2PlugInInterface : public CMLVUIPlugInInterface {
  public:
    LV2PlugInInterface(int type, int channels, double sampleRate, LV2UI_Write_Function write,
                       LV2UI_Controller controller, const LV2UI_Touch* touch);

    // The plug-in's ports, from the same records the bundle's metadata is generated from.
    const lv2layout::PluginLayout& Layout() const { return fLayout; }
    // A port event of a control port (float protocol).
    void PortEvent(uint32_t port, float value);

  protected:
    void WriteControl(int index, float normalized) override;
    void TouchControl(int index, bool begin) override;

  private:
    const lv2layout::Port* PortOfControl(int index) const;
    // The instance's finished measurements and taps reach the host's ports from here, as the effect
    // process's push-back does in a host that hands the instance its controls.
    void PushBack(const lv2layout::Port& readout, float value);

    LV2UI_Write_Function fWrite;
    LV2UI_Controller fController;
    const LV2UI_Touch* fTouch;
    lv2layout::PluginLayout fLayout;
    std::vector<float> fLastReadout; // NaN until the first event
};
