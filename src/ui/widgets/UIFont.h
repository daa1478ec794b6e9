#pragma once
#include "ui/widgets/UITypes.h"
#include <string>

typedef struct _cairo cairo_t;

enum class UIFontFace { kSans, kSansBold, kCondensed, kCondensedBold };
enum class UIAlign { kLeft, kCenter, kRight };

// Text of the editor. The faces come from fixed DejaVu font files (fonts-dejavu-core) through
// cairo-ft with fixed hinting and antialiasing, so that the same text gives the same pixels on every
// machine; without those files Cairo's own sans face stands in.
void SelectUIFont(cairo_t* cr, UIFontFace face, double size);
// Draws one line of text vertically centred in box, clipped to it.
void DrawUIText(cairo_t* cr, const std::string& utf8, const CRect& box, CColor color, UIFontFace face,
                double size, UIAlign align);
// Advance width of the text in pixels.
double UITextWidth(cairo_t* cr, const std::string& utf8, UIFontFace face, double size);
