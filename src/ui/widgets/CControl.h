#pragma once
#include "ui/widgets/CView.h"

class CControl;

// Receives the changes a user makes. UI thread.
class CControlListener {
  public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    // Around a drag, so that a host can record automation as a gesture.
    virtual void controlBeginEdit(CControl*) {}
    virtual void controlEndEdit(CControl*) {}
};

// A view with a value in [min, max] (0..1 unless set), a tag and a listener.
class CControl : public CView {
  public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int tag = -1,
             CBitmap* background = nullptr);

    bool isTypeOf(const char* className) const override;

    // Stores the value without telling the listener (the editor's path for host values).
    virtual void setValue(float v) { value = v; }
    float getValue() const { return value; }
    void setMin(float v) { vmin = v; }
    float getMin() const { return vmin; }
    void setMax(float v) { vmax = v; }
    float getMax() const { return vmax; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    // Keeps value within [min, max].
    void bounceValue();

    int getTag() const { return tag; }
    void setTag(int t) { tag = t; }
    CControlListener* getListener() const { return listener; }
    void setListener(CControlListener* l) { listener = l; }
    CBitmap* getBackground() const { return background; }
    void setBackground(CBitmap* bitmap);
    // Offset of the drawn part inside the background image.
    void setBackOffset(CPoint offset) { backOffset = offset; }

    // Tells the listener.
    void valueChanged();
    void beginEdit();
    void endEdit();

  protected:
    ~CControl() override;
    // Frame index of a film strip of `frames` images for the current value.
    int frameForValue(int frames) const;
    // A left press on a toggle flips between min and max as one edit gesture, redraws and tells the
    // listener; other buttons do nothing. Toggles keep no mouse capture.
    void togglePressed(int buttons);

    CControlListener* listener;
    int tag;
    float value = 0.0f, vmin = 0.0f, vmax = 1.0f, defaultValue = 0.5f;
    CBitmap* background = nullptr;
    CPoint backOffset;
};
