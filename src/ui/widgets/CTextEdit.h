#pragma once
#include "ui/widgets/CControl.h"
#include "ui/widgets/UIFont.h"
#include <string>

// One line of text on a coloured (or transparent) background. When editable and holding the focus
// it takes typed text: printable UTF-8 appends, Backspace removes the last character, Return and
// Escape end the entry and tell the listener, getExitKey saying which.
class CTextEdit : public CControl {
  public:
    CTextEdit(const CRect& size, CControlListener* listener, int tag, const std::string& text = std::string(),
              CBitmap* background = nullptr, int style = 0);

    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool onKeyDown(const CKeyEvent& key) override;
    void looseFocus() override;
    bool isTypeOf(const char* className) const override;

    void setText(const std::string& text);
    const std::string& getText() const { return text; }
    int getStyle() const { return style; }
    void setEditable(bool e) { editable = e; }
    bool isEditable() const { return editable; }
    // Return or Escape for the entry that ended last; kCharacter while none ended.
    CKeyEvent::Key getExitKey() const { return exitKey; }

    void setFont(UIFontFace f, double sizePx) { face = f, fontSize = sizePx; }
    void setFontColor(CColor c) { fontColor = c; }
    void setBackColor(CColor c) { backColor = c; }
    void setTransparency(bool t) { transparent = t; }
    void setHoriAlign(UIAlign a) { align = a; }

  protected:
    std::string text;
    int style;
    bool editable = false;
    CKeyEvent::Key exitKey = CKeyEvent::kCharacter;
    UIFontFace face = UIFontFace::kSans;
    double fontSize = 10.0;
    CColor fontColor{230, 230, 230, 255};
    CColor backColor{20, 20, 20, 255};
    bool transparent = false;
    UIAlign align = UIAlign::kCenter;
};

// A text that only shows (labels under knobs); never takes the mouse.
class CTextLabel : public CTextEdit {
  public:
    CTextLabel(const CRect& size, const std::string& text, CColor color, double fontSize = 8.0,
               UIFontFace face = UIFontFace::kCondensedBold);
    void draw(cairo_t* cr) override;
    bool isTypeOf(const char* className) const override;
};
