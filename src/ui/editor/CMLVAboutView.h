#pragma once
#include "ui/widgets/CControl.h"
#include <string>

// The About view over the whole face; a click closes it (tag 37, value 0 on release).
class CMLVAboutView : public CControl {
  public:
    CMLVAboutView(const CRect& size, CControlListener* listener, const std::string& effectName);
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;

  private:
    std::string effectName;
};
