#include "ui/art/gen/ArtDraw.h"
#include "ui/widgets/UIFont.h"
#include <algorithm>
#include <cairo.h>
#include <cmath>

RGB RGB::scaled(double k) const {
    auto f = [k](double v) {
        return std::min(1.0, std::max(0.0, k < 1.0 ? v * k : v + (1.0 - v) * (k - 1.0)));
    };
    return RGB{f(r), f(g), f(b)};
}

RGB RGB::mixed(const RGB& o, double t) const {
    return RGB{r + (o.r - r) * t, g + (o.g - g) * t, b + (o.b - b) * t};
}

void SetColor(cairo_t* cr, const RGB& c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2.0);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void FillVertical(cairo_t* cr, double x, double y, double w, double h, const RGB& top, const RGB& bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void Plate(cairo_t* cr, double x, double y, double w, double h, double radius, const RGB& base, bool raised) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    const RGB top = raised ? base.scaled(1.25) : base.scaled(0.7);
    const RGB bottom = raised ? base.scaled(0.75) : base.scaled(1.1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    RoundRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, radius);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, base.scaled(0.35));
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}

void CenteredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, bool bold,
                  const RGB& color, double alpha) {
    cairo_save(cr);
    SelectUIFont(cr, bold ? UIFontFace::kSansBold : UIFontFace::kSans, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, cx - e.x_advance / 2.0, cy - e.y_bearing - e.height / 2.0);
    SetColor(cr, color, alpha);
    cairo_show_text(cr, text.c_str());
    cairo_new_path(cr); // show_text leaves a current point that the next arc would join
    cairo_restore(cr);
}

void Lamp(cairo_t* cr, double cx, double cy, double radius, const RGB& color, bool lit) {
    if (lit) {
        cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius * 1.6);
        cairo_pattern_add_color_stop_rgba(glow, 0, color.r, color.g, color.b, 0.55);
        cairo_pattern_add_color_stop_rgba(glow, 1, color.r, color.g, color.b, 0.0);
        cairo_set_source(cr, glow);
        cairo_arc(cr, cx, cy, radius * 1.6, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
    const RGB body = lit ? color : color.scaled(0.28);
    cairo_pattern_t* p =
        cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.35, radius * 0.1, cx, cy, radius);
    const RGB hi = body.scaled(lit ? 1.6 : 1.5);
    cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(p, 1, body.r, body.g, body.b);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, RGB{0.08, 0.08, 0.08});
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
}
