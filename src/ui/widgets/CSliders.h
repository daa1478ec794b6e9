#pragma once
#include "ui/widgets/CControl.h"

// A slider: the background image and a handle that moves between iMinPos and iMaxPos (pixels from the
// control's top, or left). Vertical sliders have max at the top. A press moves the handle under the
// mouse, a drag follows it.
class CVerticalSlider : public CControl {
  public:
    CVerticalSlider(const CRect& size, CControlListener* listener, int tag, int iMinPos, int iMaxPos,
                    CBitmap* handle, CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseMoved(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;
    CBitmap* getHandle() const { return handle; }
    // Handle's rectangle for the current value.
    virtual CRect handleRect() const;

  protected:
    ~CVerticalSlider() override;
    virtual float valueAt(CPoint where) const;
    CBitmap* handle;
    int minPos, maxPos;
};

class CHorizontalSlider : public CVerticalSlider {
  public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, int tag, int iMinPos, int iMaxPos,
                      CBitmap* handle, CBitmap* background, CPoint offset = CPoint());
    bool isTypeOf(const char* className) const override;
    CRect handleRect() const override;

  protected:
    float valueAt(CPoint where) const override;
};
