#include "ui/widgets/CControl.h"
#include "ui/widgets/CBitmap.h"
#include <cmath>
#include <cstring>

CControl::CControl(const CRect& r, CControlListener* l, int t, CBitmap* bg) : CView(r), listener(l), tag(t) {
    setBackground(bg);
}

CControl::~CControl() {
    setBackground(nullptr);
}

bool CControl::isTypeOf(const char* className) const {
    return std::strcmp(className, "CControl") == 0 || CView::isTypeOf(className);
}

void CControl::bounceValue() {
    if (value > vmax) value = vmax;
    if (value < vmin) value = vmin;
}

void CControl::setBackground(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
}

void CControl::valueChanged() {
    if (listener) listener->valueChanged(this);
}

void CControl::beginEdit() {
    if (listener) listener->controlBeginEdit(this);
}

void CControl::endEdit() {
    if (listener) listener->controlEndEdit(this);
}

void CControl::togglePressed(int buttons) {
    if (!(buttons & kLButton)) return;
    beginEdit();
    value = value > 0.5f ? vmin : vmax;
    invalid();
    valueChanged();
    endEdit();
}

int CControl::frameForValue(int frames) const {
    if (frames <= 1) return 0;
    const float range = vmax - vmin;
    const float n = range > 0 ? (value - vmin) / range : 0.0f;
    int f = static_cast<int>(n * static_cast<float>(frames - 1) + 0.5f);
    return f < 0 ? 0 : (f >= frames ? frames - 1 : f);
}
