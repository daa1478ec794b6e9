#pragma once
#include "ui/widgets/UITypes.h"

typedef struct _cairo cairo_t;
class CFrame;
class CBitmap;

// Base of everything the frame shows. Views live in one flat list of the frame and draw in frame
// coordinates. Reference counted like the bitmaps: new gives one reference, the frame takes it over
// in addView and drops it in removeView(view, true) or its destructor. UI thread only.
class CView {
  public:
    explicit CView(const CRect& size);
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    void remember() { ++refCount; }
    void forget() {
        if (--refCount == 0) delete this;
    }

    // Paints the view; cr is clipped to the dirty area.
    virtual void draw(cairo_t* cr);
    // A press inside the view; true captures the mouse until the release.
    virtual bool onMouseDown(CPoint where, int buttons);
    virtual void onMouseMoved(CPoint where, int buttons);
    virtual void onMouseUp(CPoint where, int buttons);
    // A key while the view holds the focus; true when used.
    virtual bool onKeyDown(const CKeyEvent& key);
    // The frame took the focus away from the view.
    virtual void looseFocus() {}
    // Class-name query covering the base classes ("CView", "CControl", "CKnob", ...).
    virtual bool isTypeOf(const char* className) const;

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& rect);
    bool isVisible() const { return visible; }
    void setVisible(bool v);
    bool getMouseEnabled() const { return mouseEnabled; }
    void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }

    // Asks the frame to redraw this view's rectangle (nothing while the view is not in a frame).
    void invalid();
    void setDirty(bool dirty = true) {
        if (dirty) invalid();
    }
    CFrame* getFrame() const { return frame; }
    void setFrame(CFrame* f) { frame = f; }

  protected:
    virtual ~CView();
    CRect size;
    CFrame* frame = nullptr;
    bool visible = true;
    bool mouseEnabled = true;

  private:
    int refCount = 1;
};

// Draws the part of a film strip that starts at (srcX, srcY) of the bitmap into dest, clipped to dest.
void DrawBitmapPart(cairo_t* cr, const CBitmap* bitmap, const CRect& dest, int srcX, int srcY,
                    double alpha = 1.0);
