#include "ui/widgets/CTextEdit.h"
#include "ui/widgets/CBitmap.h"
#include "ui/widgets/CFrame.h"
#include <cairo.h>
#include <algorithm>
#include <cstring>

CTextEdit::CTextEdit(const CRect& r, CControlListener* l, int t, const std::string& s, CBitmap* bg, int st)
    : CControl(r, l, t, bg), text(s), style(st) {}

bool CTextEdit::isTypeOf(const char* className) const {
    return std::strcmp(className, "CTextEdit") == 0 || CControl::isTypeOf(className);
}

void CTextEdit::setText(const std::string& t) {
    if (t == text) return;
    text = t;
    invalid();
}

void CTextEdit::draw(cairo_t* cr) {
    if (background) {
        DrawBitmapPart(cr, background, size, 0, 0);
    } else if (!transparent) {
        cairo_set_source_rgba(cr, backColor.red / 255.0, backColor.green / 255.0, backColor.blue / 255.0,
                              backColor.alpha / 255.0);
        cairo_rectangle(cr, size.left, size.top, size.getWidth(), size.getHeight());
        cairo_fill(cr);
    }
    const bool editing = frame && frame->getFocusView() == this;
    if (!editing) return DrawUIText(cr, text, size, fontColor, face, fontSize, align);
    // While typing, the end of a long name stays in view.
    const std::string shown = text + "_";
    const bool overflows = UITextWidth(cr, shown, face, fontSize) > size.getWidth() - 4;
    DrawUIText(cr, shown, size, fontColor, face, fontSize, overflows ? UIAlign::kRight : UIAlign::kLeft);
}

bool CTextEdit::onMouseDown(CPoint, int buttons) {
    if (!editable || !(buttons & kLButton) || !frame) return false;
    frame->setFocusView(this);
    return false;
}

bool CTextEdit::onKeyDown(const CKeyEvent& key) {
    if (!editable) return false;
    switch (key.key) {
    case CKeyEvent::kCharacter:
        // Printable text only: control characters would not survive the preset file.
        if (key.text.empty() || static_cast<unsigned char>(key.text[0]) < 0x20 || key.text[0] == 0x7f)
            return false;
        text += key.text;
        invalid();
        return true;
    case CKeyEvent::kBackspace:
        if (!text.empty()) {
            size_t n = text.size() - 1;
            while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
                --n; // back to the lead byte of the last UTF-8 sequence
            text.erase(n);
            invalid();
        }
        return true;
    case CKeyEvent::kReturn:
    case CKeyEvent::kEscape:
        exitKey = key.key;
        if (frame) frame->setFocusView(nullptr);
        valueChanged();
        exitKey = CKeyEvent::kCharacter;
        return true;
    default:
        return false;
    }
}

void CTextEdit::looseFocus() {
    invalid();
}

CTextLabel::CTextLabel(const CRect& r, const std::string& t, CColor color, double fontSizePx, UIFontFace f)
    : CTextEdit(r, nullptr, -1, t) {
    setFontColor(color);
    setFont(f, fontSizePx);
    setTransparency(true);
    mouseEnabled = false;
}

void CTextLabel::draw(cairo_t* cr) {
    // A long name shrinks to its box rather than running into its neighbour's.
    double sizePx = fontSize;
    const double room = size.getWidth() - 2;
    const double width = UITextWidth(cr, text, face, sizePx);
    if (width > room && width > 0) sizePx = std::max(5.0, sizePx * room / width);
    DrawUIText(cr, text, size, fontColor, face, sizePx, align);
}

bool CTextLabel::isTypeOf(const char* className) const {
    return std::strcmp(className, "CTextLabel") == 0 || CTextEdit::isTypeOf(className);
}
