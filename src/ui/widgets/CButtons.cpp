#include "ui/widgets/CButtons.h"
#include "ui/widgets/CBitmap.h"
#include <cstring>

CStripButton::CStripButton(const CRect& r, CControlListener* l, int t, int heightOfOne, CBitmap* bg,
                           CPoint offset)
    : CControl(r, l, t, bg), heightOfOneImage(heightOfOne) {
    backOffset = offset;
}

void CStripButton::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x, backOffset.y + (value > 0.5f ? heightOfOneImage : 0));
}

CKickButton::CKickButton(const CRect& r, CControlListener* l, int t, int heightOfOne, CBitmap* bg,
                         CPoint offset)
    : CStripButton(r, l, t, heightOfOne, bg, offset) {}

bool CKickButton::isTypeOf(const char* className) const {
    return std::strcmp(className, "CKickButton") == 0 || CControl::isTypeOf(className);
}

bool CKickButton::onMouseDown(CPoint, int buttons) {
    if (!(buttons & kLButton)) return false;
    beginEdit();
    value = vmax;
    invalid();
    valueChanged();
    return true;
}

void CKickButton::onMouseUp(CPoint, int) {
    value = vmin;
    invalid();
    valueChanged();
    endEdit();
}

CMovieButton::CMovieButton(const CRect& r, CControlListener* l, int t, int heightOfOne, CBitmap* bg,
                           CPoint offset)
    : CStripButton(r, l, t, heightOfOne, bg, offset) {}

bool CMovieButton::isTypeOf(const char* className) const {
    return std::strcmp(className, "CMovieButton") == 0 || CControl::isTypeOf(className);
}

bool CMovieButton::onMouseDown(CPoint, int buttons) {
    togglePressed(buttons);
    return false;
}

COnOffButton::COnOffButton(const CRect& r, CControlListener* l, int t, CBitmap* bg, int)
    : CControl(r, l, t, bg) {}

bool COnOffButton::isTypeOf(const char* className) const {
    return std::strcmp(className, "COnOffButton") == 0 || CControl::isTypeOf(className);
}

void COnOffButton::draw(cairo_t* cr) {
    const int half = background ? background->getHeight() / 2 : 0;
    DrawBitmapPart(cr, background, size, 0, value > 0.5f ? half : 0);
}

bool COnOffButton::onMouseDown(CPoint, int buttons) {
    togglePressed(buttons);
    return false;
}

CMovieBitmap::CMovieBitmap(const CRect& r, CControlListener* l, int t, int sub, int heightOfOne, CBitmap* bg,
                           CPoint offset)
    : CControl(r, l, t, bg), subPixmaps(sub < 1 ? 1 : sub), heightOfOneImage(heightOfOne) {
    backOffset = offset;
    mouseEnabled = false;
}

bool CMovieBitmap::isTypeOf(const char* className) const {
    return std::strcmp(className, "CMovieBitmap") == 0 || CControl::isTypeOf(className);
}

void CMovieBitmap::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x,
                   backOffset.y + frameForValue(subPixmaps) * heightOfOneImage);
}
