#pragma once
#include "ui/widgets/CView.h"
#include <deque>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;
class COptionMenu;

// Shows popup menus for the frame. The X11 host opens a window and later calls the menu's chooseEntry
// (or, for a submenu entry, shows that submenu and calls its chooseEntry); tests and snapshots answer
// at once with CScriptedPopupHost.
class IPopupHost {
  public:
    virtual ~IPopupHost() = default;
    // anchor: the menu button's rectangle in frame coordinates.
    virtual void ShowMenu(COptionMenu* menu, const CRect& anchor) = 0;
};

// Answers each menu from a queue of entry indices: one for the menu, one more when that entry opens a
// submenu. An empty queue dismisses the menu.
class CScriptedPopupHost : public IPopupHost {
  public:
    void ShowMenu(COptionMenu* menu, const CRect& anchor) override;
    std::deque<int> choices;
    COptionMenu* lastMenu = nullptr; // the last menu shown (not owned)
};

// The editor's window content: a background image and a flat list of views, drawn in order.
// Input arrives in frame coordinates; the frame collects the area to redraw, which the window asks
// for after each event and timer tick. UI thread only.
class CFrame {
  public:
    CFrame(const CRect& size, IPopupHost* popupHost);
    ~CFrame();
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // Takes over the caller's reference.
    void addView(CView* view);
    // withForget drops the frame's reference; otherwise it passes back to the caller.
    bool removeView(CView* view, bool withForget = true);
    bool isChild(const CView* view) const;
    int getNbViews() const { return static_cast<int>(views.size()); }
    CView* getView(int i) const { return views[static_cast<size_t>(i)]; }
    void removeAll();

    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }
    const CRect& getViewSize() const { return size; }

    // Paints the background and every visible view that meets dirty.
    void Draw(cairo_t* cr, const CRect& dirty);
    // The whole face as a new ARGB32 image surface (caller destroys it).
    cairo_surface_t* RenderToSurface();

    // Mouse input; a press captures the topmost mouse-enabled view under it until the release.
    bool OnMouseDown(CPoint where, int buttons);
    void OnMouseMoved(CPoint where, int buttons);
    void OnMouseUp(CPoint where, int buttons);
    // Keys go to the focus view.
    bool OnKey(const CKeyEvent& key);
    void setFocusView(CView* view);
    CView* getFocusView() const { return focusView; }

    void invalidRect(const CRect& rect);
    void invalid() { invalidRect(size); }
    // Hands out and clears the area to redraw; false when nothing is dirty.
    bool TakeDirtyRect(CRect* rect);
    const CRect& getDirtyRect() const { return dirty; }

    void PopupMenu(COptionMenu* menu);
    IPopupHost* getPopupHost() const { return popupHost; }
    void setPopupHost(IPopupHost* host) { popupHost = host; }

  private:
    CRect size;
    IPopupHost* popupHost;
    std::vector<CView*> views;
    CBitmap* background = nullptr;
    CView* mouseView = nullptr;
    CView* focusView = nullptr;
    CRect dirty;
};
