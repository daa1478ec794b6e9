#pragma once
#include "ui/widgets/UITypes.h"
#include <X11/Xlib.h>
#include <cairo/cairo.h>
#include <memory>

class PopupMenuWindow;

// What the window shows and where its input goes: the editor's frame, behind a small adapter.
class IWindowContent {
  public:
    virtual ~IWindowContent() = default;
    virtual void Draw(cairo_t* cr, const CRect& dirty) = 0;
    virtual void MouseDown(CPoint where, int buttons) = 0;
    virtual void MouseMoved(CPoint where, int buttons) = 0;
    virtual void MouseUp(CPoint where, int buttons) = 0;
    virtual void Key(const CKeyEvent& key) = 0;
    // Whether a text field waits for typing (the window then takes the keyboard focus on a click).
    virtual bool WantsKeyboard() const = 0;
    // The area to repaint since the last call; empty when nothing changed. Clears it.
    virtual CRect TakeDirty() = 0;
};

// The editor's own X11 window: a fixed-size child of the host's window on a display connection of its
// own, painted from a Cairo image surface (the same pixels `tonvera snapshot` writes). Every
// operation runs on the host's UI thread.
class X11Window {
  public:
    // None when there is no X display or the parent does not exist; never ends the host.
    static std::unique_ptr<X11Window> Open(Window parent, int width, int height);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    void SetContent(IWindowContent* content) { fContent = content; }
    Window Id() const { return fWindow; }
    Display* Connection() const { return fDisplay; }
    // Root coordinates of a point of the window.
    CPoint ToRoot(CPoint p) const;

    // Handles what the server sent (input, exposure).
    void Pump();
    // Repaints what the content marks dirty.
    void Repaint();
    // Typing goes to this window (name entry) until it gives the keyboard back to where it was.
    void TakeKeyboardFocus();
    void ReturnKeyboardFocus();

    // The popup that currently owns the pointer, if any; it receives the events of its windows.
    void SetPopup(PopupMenuWindow* popup) { fPopup = popup; }

  private:
    X11Window(Display* display, Window window, int width, int height);
    void Handle(const XEvent& e);
    void Blit(const CRect& area);

    Display* fDisplay;
    Window fWindow;
    int fWidth, fHeight;
    cairo_surface_t* fImage = nullptr;  // the face, drawn by the content
    cairo_surface_t* fScreen = nullptr; // the window
    IWindowContent* fContent = nullptr;
    PopupMenuWindow* fPopup = nullptr;
    int fButtons = 0;
    Window fFocusBefore = None; // the host's focus window while the editor holds the keyboard
};

// Printable UTF-8 of a key symbol (Latin-1 and the Unicode key symbols), empty for the others.
std::string KeySymUTF8(unsigned long keysym);
