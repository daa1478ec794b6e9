#pragma once
#include "ui/widgets/CControl.h"

// Multi-position switches drawn from a film strip of subPixmaps images; a press (and a drag) selects
// the position under the mouse along the switch's axis: value = position / (positions - 1).
class CHorizontalSwitch : public CControl {
  public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, int tag, int subPixmaps,
                      int heightOfOneImage, int iMaxPositions, CBitmap* background, CPoint offset = CPoint());
    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseMoved(CPoint where, int buttons) override;
    void onMouseUp(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;
    int getNumPositions() const { return positions; }
    int getNumSubPixmaps() const { return subPixmaps; }

  protected:
    virtual int positionAt(CPoint where) const;
    int subPixmaps, heightOfOneImage, positions;
};

class CVerticalSwitch : public CHorizontalSwitch {
  public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, int tag, int subPixmaps,
                    int heightOfOneImage, int iMaxPositions, CBitmap* background, CPoint offset = CPoint());
    bool isTypeOf(const char* className) const override;

  protected:
    int positionAt(CPoint where) const override;
};
