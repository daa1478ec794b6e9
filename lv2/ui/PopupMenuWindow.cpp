#include "PopupMenuWindow.h"
#include "X11Window.h"
#include "ui/widgets/COptionMenu.h"
#include "ui/widgets/UIFont.h"
#include <X11/keysym.h>
#include <algorithm>
#include <cairo/cairo-xlib.h>

namespace {
constexpr int kRowHeight = 16, kSeparatorHeight = 7, kPadding = 8;
constexpr double kFontSize = 11.0;
const CColor kText{20, 20, 20, 255}, kDisabled{140, 140, 140, 255}, kHotText{255, 255, 255, 255};
} // namespace

PopupMenuWindow::PopupMenuWindow(X11Window& owner, COptionMenu* menu, CPoint rootPosition, int minWidth)
    : fOwner(owner), fDisplay(owner.Connection()), fRoot(menu) {
    fRoot->remember();
    OpenLevel(menu, rootPosition, minWidth);
    // The pointer and keys belong to the menu until it closes; events arrive relative to its window.
    XGrabPointer(fDisplay, fLevels[0].window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    XGrabKeyboard(fDisplay, fLevels[0].window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
}

PopupMenuWindow::~PopupMenuWindow() {
    CloseLevelsFrom(0);
    if (fChosenMenu) fChosenMenu->forget();
    fRoot->forget();
}

void PopupMenuWindow::OpenLevel(COptionMenu* menu, CPoint rootPosition, int minWidth) {
    Level level;
    level.menu = menu;
    menu->remember();
    // Row sizes from the text widths, measured on a scratch surface.
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(scratch);
    int width = minWidth, y = 2;
    for (int i = 0; i < menu->getNbEntries(); ++i) {
        const CMenuItem* item = menu->getEntry(i);
        const int h = item->separator ? kSeparatorHeight : kRowHeight;
        level.rows.emplace_back(0, y, 0, y + h);
        y += h;
        if (!item->separator)
            width =
                std::max(width, static_cast<int>(UITextWidth(cr, item->title, UIFontFace::kSans, kFontSize)) +
                                    3 * kPadding);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    for (CRect& r : level.rows)
        r.right = width;
    const int height = std::max(y + 2, 8);

    // Keep the menu on the screen.
    const int screenW = DisplayWidth(fDisplay, DefaultScreen(fDisplay));
    const int screenH = DisplayHeight(fDisplay, DefaultScreen(fDisplay));
    int x = std::max(0, std::min(rootPosition.x, screenW - width));
    int top = std::max(0, std::min(rootPosition.y, screenH - height));
    level.rootRect = CRect(x, top, x + width, top + height);

    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.save_under = True;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    level.window = XCreateWindow(fDisplay, DefaultRootWindow(fDisplay), x, top, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 1, CopyFromParent, InputOutput,
                                 CopyFromParent, CWOverrideRedirect | CWSaveUnder | CWEventMask, &a);
    XStoreName(fDisplay, level.window, "Marlevo Tonvera menu");
    XMapRaised(fDisplay, level.window);
    level.surface = cairo_xlib_surface_create(
        fDisplay, level.window, DefaultVisual(fDisplay, DefaultScreen(fDisplay)), width, height);
    fLevels.push_back(level);
    Paint(fLevels.back());
}

void PopupMenuWindow::CloseLevelsFrom(size_t depth) {
    while (fLevels.size() > depth) {
        Level& level = fLevels.back();
        if (fLevels.size() == 1) {
            XUngrabPointer(fDisplay, CurrentTime);
            XUngrabKeyboard(fDisplay, CurrentTime);
        }
        cairo_surface_destroy(level.surface);
        XDestroyWindow(fDisplay, level.window);
        level.menu->forget();
        fLevels.pop_back();
    }
    XFlush(fDisplay);
}

bool PopupMenuWindow::Owns(Window w) const {
    for (const Level& level : fLevels)
        if (level.window == w) return true;
    return false;
}

void PopupMenuWindow::Paint(Level& level) {
    cairo_t* cr = cairo_create(level.surface);
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.91);
    cairo_paint(cr);
    for (int i = 0; i < static_cast<int>(level.rows.size()); ++i) {
        const CMenuItem* item = level.menu->getEntry(i);
        const CRect& r = level.rows[static_cast<size_t>(i)];
        if (item->separator) {
            cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
            cairo_rectangle(cr, 4, r.top + kSeparatorHeight / 2, r.getWidth() - 8, 1);
            cairo_fill(cr);
            continue;
        }
        const bool hot = i == level.hot && item->enabled;
        if (hot) {
            cairo_set_source_rgb(cr, 0.2, 0.35, 0.6);
            cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
            cairo_fill(cr);
        }
        const CColor color = !item->enabled ? kDisabled : hot ? kHotText : kText;
        DrawUIText(cr, item->title, CRect(r.left + kPadding, r.top, r.right - kPadding, r.bottom), color,
                   UIFontFace::kSans, kFontSize, UIAlign::kLeft);
        if (item->submenu)
            DrawUIText(cr, ">", CRect(r.right - kPadding - 6, r.top, r.right - 2, r.bottom), color,
                       UIFontFace::kSans, kFontSize, UIAlign::kLeft);
    }
    cairo_destroy(cr);
    cairo_surface_flush(level.surface);
    XFlush(fDisplay);
}

bool PopupMenuWindow::HitTest(CPoint root, size_t* depth, int* entry) const {
    for (size_t d = fLevels.size(); d-- > 0;) {
        const Level& level = fLevels[d];
        if (!level.rootRect.pointInside(root)) continue;
        *depth = d;
        *entry = -1;
        const CPoint local{root.x - level.rootRect.left, root.y - level.rootRect.top};
        for (size_t i = 0; i < level.rows.size(); ++i)
            if (level.rows[i].pointInside(local)) *entry = static_cast<int>(i);
        return true;
    }
    return false;
}

void PopupMenuWindow::Handle(const XEvent& e) {
    if (fFinished) return;
    switch (e.type) {
    case Expose:
        for (Level& level : fLevels)
            if (level.window == e.xexpose.window) Paint(level);
        break;
    case KeyPress: {
        XKeyEvent key = e.xkey;
        if (XLookupKeysym(&key, 0) == XK_Escape) Finish(nullptr, -1);
        break;
    }
    case MotionNotify:
    case ButtonPress:
    case ButtonRelease: {
        const CPoint root = e.type == MotionNotify ? CPoint{e.xmotion.x_root, e.xmotion.y_root}
                                                   : CPoint{e.xbutton.x_root, e.xbutton.y_root};
        size_t depth = 0;
        int entry = -1;
        const bool inside = HitTest(root, &depth, &entry);
        if (e.type == ButtonPress) {
            if (!inside) {
                Finish(nullptr, -1);
                return;
            }
            fPressedInside = true;
        }
        if (inside && entry >= 0) {
            Level& level = fLevels[depth];
            const CMenuItem* item = level.menu->getEntry(entry);
            if (e.type == MotionNotify) fMoved = true;
            if (level.hot != entry) {
                level.hot = entry;
                Paint(level);
            }
            if (item->submenu && item->enabled) {
                if (fLevels.size() <= depth + 1 || fLevels[depth + 1].menu != item->submenu) {
                    CloseLevelsFrom(depth + 1);
                    const CRect& row = level.rows[static_cast<size_t>(entry)];
                    OpenLevel(item->submenu, CPoint{level.rootRect.right, level.rootRect.top + row.top}, 0);
                }
            } else {
                CloseLevelsFrom(depth + 1); // another entry of this level: its submenu goes
                if (e.type == ButtonRelease && (fMoved || fPressedInside) && item->enabled &&
                    !item->separator)
                    Finish(level.menu, entry);
            }
        }
        if (e.type == ButtonRelease) fPressedInside = false;
        break;
    }
    default:
        break;
    }
}

void PopupMenuWindow::Finish(COptionMenu* menu, int entry) {
    fFinished = true;
    if (menu) {
        fChosenMenu = menu;
        menu->remember();
        fChosenEntry = entry;
    }
    CloseLevelsFrom(0);
}

void PopupMenuWindow::Deliver() {
    fRoot->setPopupOpen(false); // the menu button looks closed again, whatever was chosen
    if (!fChosenMenu) return;
    COptionMenu* menu = fChosenMenu;
    fChosenMenu = nullptr;
    menu->chooseEntry(fChosenEntry);
    menu->forget();
}

X11PopupHost::~X11PopupHost() {
    fWindow.SetPopup(nullptr);
}

void X11PopupHost::ShowMenu(COptionMenu* menu, const CRect& anchor) {
    fWindow.SetPopup(nullptr);
    fPopup.reset();
    if (!menu || menu->getNbEntries() == 0) return;
    fPopup = std::make_unique<PopupMenuWindow>(
        fWindow, menu, fWindow.ToRoot(CPoint{anchor.left, anchor.bottom}), anchor.getWidth());
    fWindow.SetPopup(fPopup.get());
}

void X11PopupHost::Settle() {
    if (!fPopup || !fPopup->Finished()) return;
    std::unique_ptr<PopupMenuWindow> done = std::move(fPopup);
    fWindow.SetPopup(nullptr);
    done->Deliver(); // may open the next menu
}
