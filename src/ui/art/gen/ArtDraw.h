#pragma once
#include <string>

typedef struct _cairo cairo_t;

// Painting helpers of the artwork generator. All artwork is our own, drawn from shapes and text.
struct RGB {
    double r, g, b;
    RGB scaled(double k) const; // darker (k < 1) or lighter (k > 1), clamped
    RGB mixed(const RGB& o, double t) const;
};

void SetColor(cairo_t* cr, const RGB& c, double alpha = 1.0);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double radius);
void FillVertical(cairo_t* cr, double x, double y, double w, double h, const RGB& top, const RGB& bottom);
// A pressed-in or raised bevelled plate.
void Plate(cairo_t* cr, double x, double y, double w, double h, double radius, const RGB& base, bool raised);
// Text centred on (cx, cy) in the editor's fixed fonts.
void CenteredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, bool bold,
                  const RGB& color, double alpha = 1.0);
// A lamp: a glass disc, lit or dark.
void Lamp(cairo_t* cr, double cx, double cy, double radius, const RGB& color, bool lit);
