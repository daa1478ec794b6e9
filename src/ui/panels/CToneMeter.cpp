#include "ui/panels/CToneMeter.h"
#include "ui/widgets/CBitmap.h"
#include <algorithm>
#include <cstring>

CToneMeter::CToneMeter(const CRect& r, CBitmap* on, CBitmap* off, int leds, int style_)
    : CControl(r), onBitmap(on), offBitmap(off), ledCount(leds), style(style_), onRect(r), offRect(r) {
    if (onBitmap) onBitmap->remember();
    if (offBitmap) offBitmap->remember();
    onRect.normalize();
    offRect.normalize();
    setMouseEnabled(false);
}

CToneMeter::CToneMeter(const CToneMeter& o)
    : CControl(o.getViewSize(), o.getListener(), o.getTag(), o.getBackground()), onBitmap(o.onBitmap),
      offBitmap(o.offBitmap), ledCount(o.ledCount), style(o.style), decreaseValue(o.decreaseValue),
      shownLevel(o.shownLevel), onRect(o.onRect), offRect(o.offRect) {
    value = o.value;
    vmin = o.vmin;
    vmax = o.vmax;
    if (onBitmap) onBitmap->remember();
    if (offBitmap) offBitmap->remember();
    setMouseEnabled(false);
}

CToneMeter::~CToneMeter() {
    if (onBitmap) onBitmap->forget();
    if (offBitmap) offBitmap->forget();
}

bool CToneMeter::isTypeOf(const char* className) const {
    return std::strcmp(className, "CToneMeter") == 0 || CControl::isTypeOf(className);
}

void CToneMeter::draw(cairo_t* cr) {
    bounceValue();
    shownLevel = std::max(value, shownLevel - decreaseValue);
    const int n = static_cast<int>(static_cast<float>(ledCount) * shownLevel + 0.5f);
    const int imageWidth = onBitmap ? onBitmap->getWidth() : 0;
    const int lit = ledCount > 0 ? imageWidth * n / ledCount : 0;
    offRect = size;
    onRect = CRect(size.right - lit, size.top, size.right, size.bottom);
    if (offBitmap) DrawBitmapPart(cr, offBitmap, offRect, 0, 0);
    if (onBitmap) DrawBitmapPart(cr, onBitmap, onRect, 0, 0);
}
