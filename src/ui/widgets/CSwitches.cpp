#include "ui/widgets/CSwitches.h"
#include "ui/widgets/CBitmap.h"
#include <cstring>

CHorizontalSwitch::CHorizontalSwitch(const CRect& r, CControlListener* l, int t, int sub, int heightOfOne,
                                     int maxPositions, CBitmap* bg, CPoint offset)
    : CControl(r, l, t, bg), subPixmaps(sub < 1 ? 1 : sub), heightOfOneImage(heightOfOne),
      positions(maxPositions < 1 ? 1 : maxPositions) {
    backOffset = offset;
}

bool CHorizontalSwitch::isTypeOf(const char* className) const {
    return std::strcmp(className, "CHorizontalSwitch") == 0 || CControl::isTypeOf(className);
}

void CHorizontalSwitch::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x,
                   backOffset.y + frameForValue(subPixmaps) * heightOfOneImage);
}

int CHorizontalSwitch::positionAt(CPoint where) const {
    const int w = size.getWidth();
    int p = w > 0 ? (where.x - size.left) * positions / w : 0;
    return p < 0 ? 0 : (p >= positions ? positions - 1 : p);
}

bool CHorizontalSwitch::onMouseDown(CPoint where, int buttons) {
    if (!(buttons & kLButton)) return false;
    beginEdit();
    onMouseMoved(where, buttons);
    return true;
}

void CHorizontalSwitch::onMouseMoved(CPoint where, int) {
    const float v =
        positions > 1 ? vmin + (vmax - vmin) * static_cast<float>(positionAt(where)) / (positions - 1) : vmin;
    if (v == value) return;
    value = v;
    invalid();
    valueChanged();
}

void CHorizontalSwitch::onMouseUp(CPoint, int) {
    endEdit();
}

CVerticalSwitch::CVerticalSwitch(const CRect& r, CControlListener* l, int t, int sub, int heightOfOne,
                                 int maxPositions, CBitmap* bg, CPoint offset)
    : CHorizontalSwitch(r, l, t, sub, heightOfOne, maxPositions, bg, offset) {}

bool CVerticalSwitch::isTypeOf(const char* className) const {
    return std::strcmp(className, "CVerticalSwitch") == 0 || CHorizontalSwitch::isTypeOf(className);
}

int CVerticalSwitch::positionAt(CPoint where) const {
    const int h = size.getHeight();
    int p = h > 0 ? (where.y - size.top) * positions / h : 0;
    return p < 0 ? 0 : (p >= positions ? positions - 1 : p);
}
