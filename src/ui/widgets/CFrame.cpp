#include "ui/widgets/CFrame.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/COptionMenu.h"
#include <algorithm>
#include <cairo.h>

void CScriptedPopupHost::ShowMenu(COptionMenu* menu, const CRect&) {
    lastMenu = menu;
    if (choices.empty()) {
        menu->setPopupOpen(false);
        return;
    }
    const int index = choices.front();
    choices.pop_front();
    const CMenuItem* item = menu->getEntry(index);
    if (item && item->submenu && item->enabled) {
        menu->setPopupOpen(false);
        ShowMenu(item->submenu, CRect());
        return;
    }
    menu->chooseEntry(index);
}

CFrame::CFrame(const CRect& r, IPopupHost* host) : size(r), popupHost(host) {}

CFrame::~CFrame() {
    removeAll();
    setBackground(nullptr);
}

void CFrame::addView(CView* view) {
    if (!view || isChild(view)) return;
    views.push_back(view);
    view->setFrame(this);
    invalidRect(view->getViewSize());
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end()) return false;
    views.erase(it);
    if (mouseView == view) mouseView = nullptr;
    if (focusView == view) focusView = nullptr;
    invalidRect(view->getViewSize());
    view->setFrame(nullptr);
    if (withForget) view->forget();
    return true;
}

bool CFrame::isChild(const CView* view) const {
    return std::find(views.begin(), views.end(), view) != views.end();
}

void CFrame::removeAll() {
    mouseView = focusView = nullptr;
    std::vector<CView*> old;
    old.swap(views);
    for (CView* v : old) {
        v->setFrame(nullptr);
        v->forget();
    }
}

void CFrame::setBackground(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
    invalid();
}

void CFrame::Draw(cairo_t* cr, const CRect& area) {
    cairo_save(cr);
    cairo_rectangle(cr, area.left, area.top, area.getWidth(), area.getHeight());
    cairo_clip(cr);
    if (background && background->isLoaded()) {
        DrawBitmapPart(cr, background, size, 0, 0);
    } else {
        cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
        cairo_paint(cr);
    }
    for (CView* v : views)
        if (v->isVisible() && v->getViewSize().rectOverlap(area)) v->draw(cr);
    cairo_restore(cr);
}

cairo_surface_t* CFrame::RenderToSurface() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.getWidth(), size.getHeight());
    cairo_t* cr = cairo_create(s);
    Draw(cr, size);
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

bool CFrame::OnMouseDown(CPoint where, int buttons) {
    if (focusView && !focusView->getViewSize().pointInside(where)) setFocusView(nullptr);
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        CView* v = *it;
        if (!v->isVisible() || !v->getMouseEnabled() || !v->getViewSize().pointInside(where)) continue;
        // The view may remove itself or others while handling the press.
        v->remember();
        const bool capture = v->onMouseDown(where, buttons);
        if (capture && isChild(v)) {
            mouseView = v;
        }
        v->forget();
        return true;
    }
    return false;
}

void CFrame::OnMouseMoved(CPoint where, int buttons) {
    if (mouseView) mouseView->onMouseMoved(where, buttons);
}

void CFrame::OnMouseUp(CPoint where, int buttons) {
    CView* v = mouseView;
    mouseView = nullptr;
    if (v) v->onMouseUp(where, buttons);
}

bool CFrame::OnKey(const CKeyEvent& key) {
    return focusView && focusView->onKeyDown(key);
}

void CFrame::setFocusView(CView* view) {
    if (view == focusView) return;
    CView* old = focusView;
    focusView = view;
    if (old) old->looseFocus();
    if (view) view->invalid();
}

void CFrame::invalidRect(const CRect& rect) {
    CRect r = rect;
    r.left = std::max(r.left, size.left), r.top = std::max(r.top, size.top);
    r.right = std::min(r.right, size.right), r.bottom = std::min(r.bottom, size.bottom);
    dirty.unite(r);
}

bool CFrame::TakeDirtyRect(CRect* rect) {
    if (dirty.isEmpty()) return false;
    *rect = dirty;
    dirty = CRect();
    return true;
}

void CFrame::PopupMenu(COptionMenu* menu) {
    if (!popupHost || !menu) return;
    menu->setPopupOpen(true);
    popupHost->ShowMenu(menu, menu->getViewSize());
}
