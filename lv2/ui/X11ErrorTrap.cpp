#include "X11ErrorTrap.h"

namespace {
// Only touched on the UI thread while a trap is in place.
int g_errors = 0;

int CountError(Display*, XErrorEvent*) {
    ++g_errors;
    return 0;
}
} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : fDisplay(display), fPrevious(XSetErrorHandler(CountError)), fErrorsBefore(g_errors) {}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(fDisplay, False);
    XSetErrorHandler(fPrevious);
}

bool X11ErrorTrap::Failed() {
    XSync(fDisplay, False);
    return g_errors != fErrorsBefore;
}
