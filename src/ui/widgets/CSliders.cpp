#include "ui/widgets/CSliders.h"
#include "ui/widgets/CBitmap.h"
#include <cstring>

CVerticalSlider::CVerticalSlider(const CRect& r, CControlListener* l, int t, int iMinPos, int iMaxPos,
                                 CBitmap* h, CBitmap* bg, CPoint offset)
    : CControl(r, l, t, bg), handle(h), minPos(iMinPos), maxPos(iMaxPos) {
    if (handle) handle->remember();
    backOffset = offset;
    if (maxPos <= minPos) minPos = 0, maxPos = this->size.getHeight();
}

CVerticalSlider::~CVerticalSlider() {
    if (handle) handle->forget();
}

bool CVerticalSlider::isTypeOf(const char* className) const {
    return std::strcmp(className, "CVerticalSlider") == 0 || CControl::isTypeOf(className);
}

static float Normalised(float v, float lo, float hi) {
    return hi > lo ? (v - lo) / (hi - lo) : 0.0f;
}

CRect CVerticalSlider::handleRect() const {
    const int hw = handle ? handle->getWidth() : size.getWidth();
    const int hh = handle ? handle->getHeight() : 0;
    const int travel = maxPos - minPos - hh;
    const int top =
        size.top + minPos + static_cast<int>((1.0f - Normalised(value, vmin, vmax)) * travel + 0.5f);
    const int left = size.left + (size.getWidth() - hw) / 2;
    return CRect(left, top, left + hw, top + hh);
}

float CVerticalSlider::valueAt(CPoint where) const {
    const int hh = handle ? handle->getHeight() : 0;
    const int travel = maxPos - minPos - hh;
    if (travel <= 0) return value;
    const float n =
        1.0f - static_cast<float>(where.y - size.top - minPos - hh / 2) / static_cast<float>(travel);
    return vmin + (vmax - vmin) * (n < 0 ? 0 : (n > 1 ? 1 : n));
}

void CVerticalSlider::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x, backOffset.y);
    if (handle) DrawBitmapPart(cr, handle, handleRect(), 0, 0);
}

bool CVerticalSlider::onMouseDown(CPoint where, int buttons) {
    if (!(buttons & kLButton)) return false;
    beginEdit();
    onMouseMoved(where, buttons);
    return true;
}

void CVerticalSlider::onMouseMoved(CPoint where, int) {
    const float v = valueAt(where);
    if (v == value) return;
    value = v;
    invalid();
    valueChanged();
}

void CVerticalSlider::onMouseUp(CPoint, int) {
    endEdit();
}

CHorizontalSlider::CHorizontalSlider(const CRect& r, CControlListener* l, int t, int iMinPos, int iMaxPos,
                                     CBitmap* h, CBitmap* bg, CPoint offset)
    : CVerticalSlider(r, l, t, iMinPos, iMaxPos, h, bg, offset) {
    if (iMaxPos <= iMinPos) minPos = 0, maxPos = this->size.getWidth();
}

bool CHorizontalSlider::isTypeOf(const char* className) const {
    return std::strcmp(className, "CHorizontalSlider") == 0 || CVerticalSlider::isTypeOf(className);
}

CRect CHorizontalSlider::handleRect() const {
    const int hw = handle ? handle->getWidth() : 0;
    const int hh = handle ? handle->getHeight() : size.getHeight();
    const int travel = maxPos - minPos - hw;
    const int left = size.left + minPos + static_cast<int>(Normalised(value, vmin, vmax) * travel + 0.5f);
    const int top = size.top + (size.getHeight() - hh) / 2;
    return CRect(left, top, left + hw, top + hh);
}

float CHorizontalSlider::valueAt(CPoint where) const {
    const int hw = handle ? handle->getWidth() : 0;
    const int travel = maxPos - minPos - hw;
    if (travel <= 0) return value;
    const float n = static_cast<float>(where.x - size.left - minPos - hw / 2) / static_cast<float>(travel);
    return vmin + (vmax - vmin) * (n < 0 ? 0 : (n > 1 ? 1 : n));
}
