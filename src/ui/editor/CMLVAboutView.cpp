#include "ui/editor/CMLVAboutView.h"
#include "ui/editor/CMLVStompBoxGUIEditor.h"
#include "ui/widgets/UIFont.h"
#include <cairo.h>

CMLVAboutView::CMLVAboutView(const CRect& r, CControlListener* l, const std::string& name)
    : CControl(r, l, 37), effectName(name) {}

void CMLVAboutView::draw(cairo_t* cr) {
    cairo_set_source_rgba(cr, 0.05, 0.05, 0.06, 0.92);
    cairo_rectangle(cr, size.left, size.top, size.getWidth(), size.getHeight());
    cairo_fill(cr);
    const CColor white{245, 245, 240, 255}, grey{170, 170, 165, 255};
    const int x0 = size.left + 6, x1 = size.right - 6;
    DrawUIText(cr, "Marlevo Tonvera", CRect(x0, 90, x1, 110), white, UIFontFace::kSansBold, 13.0,
               UIAlign::kCenter);
    DrawUIText(cr, effectName, CRect(x0, 114, x1, 130), white, UIFontFace::kSans, 10.0, UIAlign::kCenter);
    DrawUIText(cr, std::string("Version: ") + CMLVStompBoxGUIEditor::kVersion, CRect(x0, 140, x1, 156), white,
               UIFontFace::kSans, 10.0, UIAlign::kCenter);
    DrawUIText(cr, "Click to close", CRect(x0, 200, x1, 214), grey, UIFontFace::kSans, 8.0, UIAlign::kCenter);
}

bool CMLVAboutView::onMouseDown(CPoint, int buttons) {
    if (!(buttons & kLButton)) return false;
    value = 1.0f;
    return true;
}

void CMLVAboutView::onMouseUp(CPoint, int) {
    value = 0.0f;
    valueChanged();
}
