#pragma once
#include "ui/widgets/CFrame.h"
#include <X11/Xlib.h>
#include <functional>
#include <memory>
#include <vector>

class X11Window;

// A menu of the editor shown as override-redirect windows (the menu, and one level of submenu beside
// it) that hold the pointer until the user chooses an entry or clicks elsewhere. A press and release
// on an entry, or a drag from the menu button onto an entry, chooses it; an entry with a submenu opens
// the submenu when the pointer rests on it. UI thread only.
class PopupMenuWindow {
  public:
    // rootPosition: the top left corner on the screen; minWidth: the menu button's width.
    PopupMenuWindow(X11Window& owner, COptionMenu* menu, CPoint rootPosition, int minWidth);
    ~PopupMenuWindow();
    PopupMenuWindow(const PopupMenuWindow&) = delete;
    PopupMenuWindow& operator=(const PopupMenuWindow&) = delete;

    bool Owns(Window w) const;
    void Handle(const XEvent& e);
    bool Finished() const { return fFinished; }
    // Closes the menu button and tells the chosen menu its entry (after the windows are gone).
    void Deliver();

  private:
    struct Level {
        COptionMenu* menu = nullptr; // one reference held while shown
        Window window = 0;
        cairo_surface_t* surface = nullptr;
        CRect rootRect;
        std::vector<CRect> rows; // per entry, window coordinates
        int hot = -1;
    };
    void OpenLevel(COptionMenu* menu, CPoint rootPosition, int minWidth);
    void CloseLevelsFrom(size_t depth);
    void Paint(Level& level);
    // The level and entry under a root point; false when outside every level.
    bool HitTest(CPoint root, size_t* depth, int* entry) const;
    void Finish(COptionMenu* menu, int entry);

    X11Window& fOwner;
    Display* fDisplay;
    COptionMenu* fRoot; // the menu button's menu, one reference held
    std::vector<Level> fLevels;
    bool fMoved = false, fPressedInside = false, fFinished = false;
    COptionMenu* fChosenMenu = nullptr;
    int fChosenEntry = -1;
};

// The frame's popup host in a real window: one menu at a time.
class X11PopupHost : public IPopupHost {
  public:
    explicit X11PopupHost(X11Window& window) : fWindow(window) {}
    ~X11PopupHost() override;
    void ShowMenu(COptionMenu* menu, const CRect& anchor) override;
    // After each batch of events: delivers a finished menu's choice and drops its windows.
    void Settle();
    bool IsOpen() const { return fPopup != nullptr; }

  private:
    X11Window& fWindow;
    std::unique_ptr<PopupMenuWindow> fPopup;
};
