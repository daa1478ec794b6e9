#pragma once
#include "ui/widgets/CControl.h"

// Two-image strip buttons (image 0 off, image 1 on, each heightOfOneImage high).

// Momentary: press sets max and tells the listener, release sets min and tells it again.
class CKickButton : public CControl {
  public:
    CKickButton(const CRect& size, CControlListener* listener, int tag, int heightOfOneImage,
                CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;

  private:
    int heightOfOneImage;
};

// Toggles between min and max on each press.
class CMovieButton : public CControl {
  public:
    CMovieButton(const CRect& size, CControlListener* listener, int tag, int heightOfOneImage,
                 CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;

  private:
    int heightOfOneImage;
};

// Toggles on each press; the image is half the bitmap's height.
class COnOffButton : public CControl {
  public:
    COnOffButton(const CRect& size, CControlListener* listener, int tag, CBitmap* background, int style = 0);
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;
};

// A display showing image round(value * (subPixmaps - 1)) of a film strip; ignores the mouse.
class CMovieBitmap : public CControl {
  public:
    CMovieBitmap(const CRect& size, CControlListener* listener, int tag, int subPixmaps, int heightOfOneImage,
                 CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool isTypeOf(const char* className) const override;
    int getNumSubPixmaps() const { return subPixmaps; }

  private:
    int subPixmaps, heightOfOneImage;
};
