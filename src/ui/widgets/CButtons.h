#pragma once
#include "ui/widgets/CControl.h"

// Two-image strip buttons (image 0 off, image 1 on, each heightOfOneImage high).

// What the kick and movie buttons share: image 1 of the strip above half way, else image 0.
class CStripButton : public CControl {
  public:
    CStripButton(const CRect& size, CControlListener* listener, int tag, int heightOfOneImage,
                 CBitmap* background, CPoint offset);
    void draw(cairo_t* cr) override;

  private:
    int heightOfOneImage;
};

// Momentary: press sets max and tells the listener, release sets min and tells it again.
class CKickButton : public CStripButton {
  public:
    CKickButton(const CRect& size, CControlListener* listener, int tag, int heightOfOneImage,
                CBitmap* background, CPoint offset = CPoint());
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;
};

// Toggles between min and max on each press.
class CMovieButton : public CStripButton {
  public:
    CMovieButton(const CRect& size, CControlListener* listener, int tag, int heightOfOneImage,
                 CBitmap* background, CPoint offset = CPoint());
    bool onMouseDown(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;
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
