#pragma once
#include "ui/widgets/CControl.h"

// An LED bar that fills from its right edge towards the left (the tuner's flat side). The shown level
// jumps up to the value at once and falls by decreaseValue per redraw; the lit length is quantised to
// ledCount LEDs. Ignores the mouse. UI thread.
class CToneMeter : public CControl {
  public:
    CToneMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap, int ledCount, int style);
    CToneMeter(const CToneMeter& other);
    CToneMeter& operator=(const CToneMeter&) = delete;

    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint, int) override { return false; }
    bool isTypeOf(const char* className) const override;
    void setDecreaseValue(float v) { decreaseValue = v; }

    float getShownLevel() const { return shownLevel; }
    const CRect& getOnRect() const { return onRect; }
    const CRect& getOffRect() const { return offRect; }
    int getLedCount() const { return ledCount; }
    int getStyle() const { return style; }
    CBitmap* getOnBitmap() const { return onBitmap; }
    CBitmap* getOffBitmap() const { return offBitmap; }

  protected:
    ~CToneMeter() override;

  private:
    CBitmap* onBitmap;
    CBitmap* offBitmap;
    int ledCount;
    int style;
    float decreaseValue = 0.1f;
    float shownLevel = 0.0f;
    CRect onRect, offRect;
};
