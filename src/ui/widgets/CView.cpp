#include "ui/widgets/CView.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CFrame.h"
#include <cairo.h>
#include <cstring>

CView::CView(const CRect& r) : size(r) {
    size.normalize();
}

CView::~CView() = default;

void CView::draw(cairo_t*) {}
bool CView::onMouseDown(CPoint, int) {
    return false;
}
void CView::onMouseMoved(CPoint, int) {}
void CView::onMouseUp(CPoint, int) {}
bool CView::onKeyDown(const CKeyEvent&) {
    return false;
}

bool CView::isTypeOf(const char* className) const {
    return std::strcmp(className, "CView") == 0;
}

void CView::setViewSize(const CRect& rect) {
    invalid();
    size = rect;
    size.normalize();
    invalid();
}

void CView::setVisible(bool v) {
    if (v == visible) return;
    visible = v;
    if (frame) frame->invalidRect(size);
}

void CView::invalid() {
    if (frame) frame->invalidRect(size);
}

void DrawBitmapPart(cairo_t* cr, const CBitmap* bitmap, const CRect& dest, int srcX, int srcY, double alpha) {
    if (!bitmap || !bitmap->isLoaded() || dest.isEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, dest.left, dest.top, dest.getWidth(), dest.getHeight());
    cairo_clip(cr);
    cairo_set_source_surface(cr, bitmap->getSurface(), dest.left - srcX, dest.top - srcY);
    if (alpha >= 1.0)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}
