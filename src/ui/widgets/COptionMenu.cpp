#include "ui/widgets/COptionMenu.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CFrame.h"
#include "ui/widgets/UIFont.h"
#include <cstring>

COptionMenu::COptionMenu(const CRect& r, CControlListener* l, int t, CBitmap* bg, CBitmap* click, int st)
    : CControl(r, l, t, bg), bgWhenClick(click), style(st) {
    if (bgWhenClick) bgWhenClick->remember();
}

COptionMenu::~COptionMenu() {
    removeAllEntry();
    if (bgWhenClick) bgWhenClick->forget();
}

bool COptionMenu::isTypeOf(const char* className) const {
    return std::strcmp(className, "COptionMenu") == 0 || CControl::isTypeOf(className);
}

void COptionMenu::draw(cairo_t* cr) {
    DrawBitmapPart(cr, popupOpen && bgWhenClick ? bgWhenClick : background, size, 0, 0);
    if (showText && current >= 0 && current < getNbEntries())
        DrawUIText(cr, items[static_cast<size_t>(current)].title, size, CColor{235, 235, 235, 255},
                   UIFontFace::kCondensedBold, 9.0, UIAlign::kCenter);
}

bool COptionMenu::onMouseDown(CPoint, int buttons) {
    if (!(buttons & kLButton) || !frame) return false;
    frame->PopupMenu(this);
    return false;
}

void COptionMenu::setPopupOpen(bool open) {
    if (open == popupOpen) return;
    popupOpen = open;
    invalid();
}

void COptionMenu::addEntry(const std::string& title, bool enabled) {
    CMenuItem item;
    item.title = title;
    item.enabled = enabled;
    items.push_back(item);
    vmax = static_cast<float>(items.size() > 1 ? items.size() - 1 : 1);
}

void COptionMenu::addEntry(COptionMenu* submenu, const std::string& title) {
    addEntry(title);
    items.back().submenu = submenu;
}

void COptionMenu::addSeparator() {
    addEntry("-", false);
    items.back().separator = true;
}

void COptionMenu::setEntry(int index, const std::string& title, bool enabled, COptionMenu* submenu) {
    if (index < 0) return;
    while (getNbEntries() <= index)
        addEntry("");
    CMenuItem& item = items[static_cast<size_t>(index)];
    if (item.submenu && item.submenu != submenu) item.submenu->forget();
    item.title = title;
    item.enabled = enabled;
    item.separator = false;
    item.submenu = submenu;
}

void COptionMenu::removeAllEntry() {
    for (CMenuItem& item : items)
        if (item.submenu) item.submenu->forget();
    items.clear();
    current = -1;
    value = 0.0f;
}

const CMenuItem* COptionMenu::getEntry(int index) const {
    return index >= 0 && index < getNbEntries() ? &items[static_cast<size_t>(index)] : nullptr;
}

int COptionMenu::findEntry(const std::string& title) const {
    for (int i = 0; i < getNbEntries(); ++i)
        if (!items[static_cast<size_t>(i)].separator && items[static_cast<size_t>(i)].title == title)
            return i;
    return -1;
}

void COptionMenu::setCurrent(int index) {
    current = index >= 0 && index < getNbEntries() ? index : -1;
    value = current < 0 ? 0.0f : static_cast<float>(current);
    invalid();
}

int COptionMenu::getCurrentIndex(bool countSeparators) const {
    if (current < 0 || countSeparators) return current;
    int n = 0;
    for (int i = 0; i < current; ++i)
        if (!items[static_cast<size_t>(i)].separator) ++n;
    return n;
}

bool COptionMenu::chooseEntry(int index) {
    const CMenuItem* item = getEntry(index);
    setPopupOpen(false);
    if (!item || item->separator || !item->enabled || item->submenu) return false;
    setCurrent(index);
    valueChanged();
    return true;
}
