#pragma once
#include "ui/widgets/CControl.h"

// A knob: the background image, and the handle image rotated about the knob's centre through 270
// degrees (value 0 at lower left, 1 at lower right). A vertical drag turns it; Shift turns it finely.
class CKnob : public CControl {
  public:
    CKnob(const CRect& size, CControlListener* listener, int tag, CBitmap* background, CBitmap* handle,
          CPoint offset = CPoint());

    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseMoved(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;

    CBitmap* getHandleBitmap() const { return handle; }
    // Pixels of vertical movement for the full range.
    void setZoomFactor(float pixels) { range = pixels; }

  protected:
    ~CKnob() override;
    CBitmap* handle;
    float range = 150.0f;
    CPoint lastPoint;
};

// A knob drawn from a film strip of subPixmaps images of heightOfOneImage each.
class CAnimKnob : public CKnob {
  public:
    CAnimKnob(const CRect& size, CControlListener* listener, int tag, int subPixmaps, int heightOfOneImage,
              CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool isTypeOf(const char* className) const override;
    int getNumSubPixmaps() const { return subPixmaps; }

  private:
    int subPixmaps, heightOfOneImage;
};
