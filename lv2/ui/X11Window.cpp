#include "X11Window.h"
#include "PopupMenuWindow.h"
#include "X11ErrorTrap.h"
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo/cairo-xlib.h>

std::string KeySymUTF8(unsigned long keysym) {
    unsigned long code = 0;
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        code = keysym; // Latin-1 key symbols are their code points
    else if ((keysym & 0xff000000ul) == 0x01000000ul)
        code = keysym & 0x00fffffful; // "U+XXXX" key symbols, as xdotool and input methods send them
    if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code > 0x10ffff || (code >= 0xd800 && code < 0xe000))
        return std::string();
    std::string s;
    if (code < 0x80) {
        s += static_cast<char>(code);
    } else if (code < 0x800) {
        s += static_cast<char>(0xc0 | (code >> 6));
        s += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        s += static_cast<char>(0xe0 | (code >> 12));
        s += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        s += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        s += static_cast<char>(0xf0 | (code >> 18));
        s += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        s += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        s += static_cast<char>(0x80 | (code & 0x3f));
    }
    return s;
}

namespace {

int ButtonsOf(unsigned int state) {
    int b = 0;
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    return b;
}

int ButtonBit(unsigned int button) {
    return button == Button1 ? kLButton : button == Button2 ? kMButton : button == Button3 ? kRButton : 0;
}

} // namespace

std::unique_ptr<X11Window> X11Window::Open(Window parent, int width, int height) {
    if (!parent) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    Window window = 0;
    bool failed = false;
    {
        X11ErrorTrap trap(display);
        XWindowAttributes parentAttributes;
        failed = !XGetWindowAttributes(display, parent, &parentAttributes) || trap.Failed();
        if (!failed) {
            XSetWindowAttributes a{};
            a.background_pixel = BlackPixel(display, DefaultScreen(display));
            a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                           KeyPressMask | StructureNotifyMask;
            window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWEventMask, &a);
            // Some hosts stretch a child that does not say it has one size only.
            XSizeHints* hints = XAllocSizeHints();
            hints->flags = PMinSize | PMaxSize | PBaseSize;
            hints->min_width = hints->max_width = hints->base_width = width;
            hints->min_height = hints->max_height = hints->base_height = height;
            XSetWMNormalHints(display, window, hints);
            XFree(hints);
            XStoreName(display, window, "Marlevo Tonvera");
            XMapWindow(display, window);
            failed = trap.Failed();
        }
    }
    if (failed) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11Window>(new X11Window(display, window, width, height));
}

X11Window::X11Window(Display* display, Window window, int width, int height)
    : fDisplay(display), fWindow(window), fWidth(width), fHeight(height) {
    fImage = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    fScreen = cairo_xlib_surface_create(display, window, DefaultVisual(display, DefaultScreen(display)),
                                        width, height);
}

X11Window::~X11Window() {
    {
        // The host may have destroyed its window, and ours with it, already.
        X11ErrorTrap trap(fDisplay);
        cairo_surface_destroy(fScreen);
        cairo_surface_destroy(fImage);
        XDestroyWindow(fDisplay, fWindow);
    }
    XCloseDisplay(fDisplay);
}

CPoint X11Window::ToRoot(CPoint p) const {
    int x = p.x, y = p.y;
    Window child = 0;
    XTranslateCoordinates(fDisplay, fWindow, DefaultRootWindow(fDisplay), p.x, p.y, &x, &y, &child);
    return CPoint{x, y};
}

void X11Window::Pump() {
    while (XPending(fDisplay)) {
        XEvent e;
        XNextEvent(fDisplay, &e);
        // Input tools remap keys on the fly (xdotool types "ä" through a spare key code).
        if (e.type == MappingNotify) {
            XRefreshKeyboardMapping(&e.xmapping);
            continue;
        }
        if (fPopup && fPopup->Owns(e.xany.window))
            fPopup->Handle(e);
        else if (e.xany.window == fWindow)
            Handle(e);
    }
}

void X11Window::TakeKeyboardFocus() {
    X11ErrorTrap trap(fDisplay);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(fDisplay, &focus, &revert);
    if (focus != fWindow) fFocusBefore = focus;
    XSetInputFocus(fDisplay, fWindow, RevertToParent, CurrentTime);
}

void X11Window::ReturnKeyboardFocus() {
    X11ErrorTrap trap(fDisplay);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(fDisplay, &focus, &revert);
    // Only when the user has not moved it elsewhere meanwhile; the old window may be gone (trapped).
    if (focus == fWindow && fFocusBefore != None)
        XSetInputFocus(fDisplay, fFocusBefore, RevertToParent, CurrentTime);
    fFocusBefore = None;
}

void X11Window::Handle(const XEvent& e) {
    switch (e.type) {
    case Expose:
        Blit(CRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height));
        break;
    case ButtonPress:
        if (e.xbutton.button > Button3) break; // wheel
        if (fContent && fContent->WantsKeyboard()) TakeKeyboardFocus();
        fButtons = ButtonsOf(e.xbutton.state) | ButtonBit(e.xbutton.button);
        if (fContent) fContent->MouseDown(CPoint{e.xbutton.x, e.xbutton.y}, fButtons);
        // A press that opened a menu ends here: the menu holds the pointer and gets the release.
        if (fContent && fPopup) {
            fContent->MouseUp(CPoint{e.xbutton.x, e.xbutton.y}, fButtons);
            fButtons = 0;
        }
        break;
    case MotionNotify:
        if (fContent) fContent->MouseMoved(CPoint{e.xmotion.x, e.xmotion.y}, ButtonsOf(e.xmotion.state));
        break;
    case ButtonRelease:
        if (e.xbutton.button > Button3) break;
        if (fContent) fContent->MouseUp(CPoint{e.xbutton.x, e.xbutton.y}, fButtons);
        fButtons = 0;
        break;
    case KeyPress: {
        XKeyEvent key = e.xkey;
        KeySym sym = NoSymbol;
        char ignored[8];
        XLookupString(&key, ignored, sizeof ignored, &sym, nullptr);
        CKeyEvent k;
        if (sym == XK_BackSpace)
            k.key = CKeyEvent::kBackspace;
        else if (sym == XK_Return || sym == XK_KP_Enter)
            k.key = CKeyEvent::kReturn;
        else if (sym == XK_Escape)
            k.key = CKeyEvent::kEscape;
        else if ((k.text = KeySymUTF8(sym)).empty())
            k.key = CKeyEvent::kOther;
        if (fContent) fContent->Key(k);
        break;
    }
    default:
        break;
    }
}

void X11Window::Repaint() {
    if (!fContent) return;
    CRect dirty = fContent->TakeDirty();
    dirty.left = std::max(dirty.left, 0), dirty.top = std::max(dirty.top, 0);
    dirty.right = std::min(dirty.right, fWidth), dirty.bottom = std::min(dirty.bottom, fHeight);
    if (dirty.isEmpty()) return;
    X11ErrorTrap trap(fDisplay);
    cairo_t* cr = cairo_create(fImage);
    cairo_rectangle(cr, dirty.left, dirty.top, dirty.getWidth(), dirty.getHeight());
    cairo_clip(cr);
    fContent->Draw(cr, dirty);
    cairo_destroy(cr);
    cairo_surface_flush(fImage);
    Blit(dirty);
}

void X11Window::Blit(const CRect& area) {
    cairo_t* cr = cairo_create(fScreen);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, fImage, 0, 0);
    cairo_rectangle(cr, area.left, area.top, area.getWidth(), area.getHeight());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(fScreen);
    XFlush(fDisplay);
}
