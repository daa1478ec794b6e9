#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

// Geometry and input types of the widget layer. Integer pixels: the face is drawn 1:1.
struct CPoint {
    int x = 0, y = 0;
};

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    int getWidth() const { return right - left; }
    int getHeight() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool rectOverlap(const CRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    // Left <= right and top <= bottom.
    CRect& normalize() {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
        return *this;
    }
    // Smallest rectangle holding both; an empty operand leaves the other.
    CRect& unite(const CRect& o) {
        if (o.isEmpty()) return *this;
        if (isEmpty()) return *this = o;
        left = std::min(left, o.left), top = std::min(top, o.top);
        right = std::max(right, o.right), bottom = std::max(bottom, o.bottom);
        return *this;
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

struct CColor {
    uint8_t red = 0, green = 0, blue = 0, alpha = 255;
};

// Mouse buttons and modifiers as a bit set.
enum CButton { kLButton = 1, kMButton = 2, kRButton = 4, kShift = 8, kControl = 16, kDoubleClick = 32 };

// A key press: either a named key or printable UTF-8 text.
struct CKeyEvent {
    enum Key { kCharacter, kBackspace, kReturn, kEscape, kOther };
    Key key = kCharacter;
    std::string text; // UTF-8 of one character when key == kCharacter
};
