#include "ui/widgets/CVuMeter.h"
#include "ui/widgets/CBitmap.h"
#include <algorithm>
#include <cstring>

CVuMeter::CVuMeter(const CRect& r, CBitmap* on, CBitmap* off, int leds, int st)
    : CControl(r, nullptr, -1, nullptr), onBitmap(on), offBitmap(off), nbLed(leds < 1 ? 1 : leds), style(st) {
    if (onBitmap) onBitmap->remember();
    if (offBitmap) offBitmap->remember();
    mouseEnabled = false;
}

CVuMeter::~CVuMeter() {
    if (onBitmap) onBitmap->forget();
    if (offBitmap) offBitmap->forget();
}

bool CVuMeter::isTypeOf(const char* className) const {
    return std::strcmp(className, "CVuMeter") == 0 || CControl::isTypeOf(className);
}

void CVuMeter::draw(cairo_t* cr) {
    bounceValue();
    shownLevel = std::max(value, shownLevel - decreaseValue);
    litLeds = static_cast<int>(nbLed * shownLevel + 0.5f);
    if (litLeds > nbLed) litLeds = nbLed;
    DrawBitmapPart(cr, offBitmap, size, 0, 0);
    if (litLeds <= 0) return;
    if (style & kVertical) {
        const int h = size.getHeight() * litLeds / nbLed;
        DrawBitmapPart(cr, onBitmap, CRect(size.left, size.bottom - h, size.right, size.bottom), 0,
                       size.getHeight() - h);
    } else {
        const int w = size.getWidth() * litLeds / nbLed;
        DrawBitmapPart(cr, onBitmap, CRect(size.left, size.top, size.left + w, size.bottom), 0, 0);
    }
}
