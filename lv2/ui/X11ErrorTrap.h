#pragma once
#include <X11/Xlib.h>

// Catches the X errors of a stretch of requests instead of letting Xlib's default handler end the
// host: a bad parent id, or a window the host destroyed before the editor closed. Xlib's handler is
// process-wide, so the host's own one is back in place when the trap goes. UI thread only.
class X11ErrorTrap {
  public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server to answer what was sent so far; true when any request failed.
    bool Failed();

  private:
    Display* fDisplay;
    XErrorHandler fPrevious;
    int fErrorsBefore;
};
