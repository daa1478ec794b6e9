#pragma once
#include "ui/widgets/CControl.h"

enum { kHorizontal = 1, kVertical = 2 };

// An LED meter: the off image over the whole control, the on image over the lit part, quantised to
// nbLed LEDs. Vertical meters fill from the bottom, horizontal ones from the left. The shown level
// jumps up at once and falls by decreaseValue per redraw. Ignores the mouse.
class CVuMeter : public CControl {
  public:
    CVuMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap, int nbLed, int style = kVertical);
    void draw(cairo_t* cr) override;
    bool isTypeOf(const char* className) const override;
    void setDecreaseValue(float v) { decreaseValue = v; }
    float getShownLevel() const { return shownLevel; }
    // LEDs lit at the last redraw.
    int getLitLeds() const { return litLeds; }
    CBitmap* getOnBitmap() const { return onBitmap; }
    CBitmap* getOffBitmap() const { return offBitmap; }
    int getNbLed() const { return nbLed; }
    int getStyle() const { return style; }

  protected:
    ~CVuMeter() override;
    CBitmap* onBitmap;
    CBitmap* offBitmap;
    int nbLed, style;
    float decreaseValue = 0.1f;
    float shownLevel = 0.0f;
    int litLeds = 0;
};
