#include "ui/widgets/CKnob.h"
#include "ui/widgets/CBitmap.h"
#include <cairo.h>
#include <cmath>
#include <cstring>

CKnob::CKnob(const CRect& r, CControlListener* l, int t, CBitmap* bg, CBitmap* h, CPoint offset)
    : CControl(r, l, t, bg), handle(h) {
    if (handle) handle->remember();
    backOffset = offset;
}

CKnob::~CKnob() {
    if (handle) handle->forget();
}

bool CKnob::isTypeOf(const char* className) const {
    return std::strcmp(className, "CKnob") == 0 || CControl::isTypeOf(className);
}

void CKnob::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x, backOffset.y);
    if (!handle || !handle->isLoaded()) return;
    const float span = vmax - vmin;
    const double n = span > 0 ? (value - vmin) / span : 0.0;
    // 270 degrees of travel with the gap at the bottom; the handle image points up at mid-range.
    const double angle = (n - 0.5) * 1.5 * M_PI;
    const double cx = size.left + size.getWidth() / 2.0, cy = size.top + size.getHeight() / 2.0;
    cairo_save(cr);
    cairo_rectangle(cr, size.left, size.top, size.getWidth(), size.getHeight());
    cairo_clip(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_set_source_surface(cr, handle->getSurface(), -handle->getWidth() / 2.0, -handle->getHeight() / 2.0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_paint(cr);
    cairo_restore(cr);
}

bool CKnob::onMouseDown(CPoint where, int buttons) {
    if (!(buttons & kLButton)) return false;
    lastPoint = where;
    beginEdit();
    return true;
}

void CKnob::onMouseMoved(CPoint where, int buttons) {
    const float dy = static_cast<float>(lastPoint.y - where.y);
    lastPoint = where;
    if (dy == 0.0f) return;
    const float step = (vmax - vmin) / (buttons & kShift ? range * 10.0f : range);
    const float old = value;
    value += dy * step;
    bounceValue();
    if (value != old) {
        invalid();
        valueChanged();
    }
}

void CKnob::onMouseUp(CPoint, int) {
    endEdit();
}

CAnimKnob::CAnimKnob(const CRect& r, CControlListener* l, int t, int sub, int heightOfOne, CBitmap* bg,
                     CPoint offset)
    : CKnob(r, l, t, bg, nullptr, offset), subPixmaps(sub < 1 ? 1 : sub), heightOfOneImage(heightOfOne) {}

bool CAnimKnob::isTypeOf(const char* className) const {
    return std::strcmp(className, "CAnimKnob") == 0 || CKnob::isTypeOf(className);
}

void CAnimKnob::draw(cairo_t* cr) {
    DrawBitmapPart(cr, background, size, backOffset.x,
                   backOffset.y + frameForValue(subPixmaps) * heightOfOneImage);
}
