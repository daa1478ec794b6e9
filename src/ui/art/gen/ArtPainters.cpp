#include "ui/art/gen/ArtPainters.h"
#include <cairo.h>
#include <cmath>

namespace {
const RGB kBlack{0.07, 0.07, 0.08}, kMetal{0.72, 0.73, 0.75}, kWhite{0.96, 0.96, 0.94};
const RGB kRed{0.95, 0.12, 0.10}, kGreen{0.20, 0.90, 0.30}, kAmber{1.0, 0.70, 0.10};

// LED colours by image: off, then the states the panels select by value.
const RGB kLedColors[10] = {{0.95, 0.12, 0.10}, {0.95, 0.12, 0.10}, {0.20, 0.90, 0.30}, {1.0, 0.70, 0.10},
                            {0.25, 0.50, 1.00}, {1.0, 0.45, 0.05},  {0.92, 0.92, 0.92}, {0.75, 0.30, 0.95},
                            {0.15, 0.85, 0.90}, {0.55, 0.08, 0.06}};

void Face(cairo_t* cr, const FaceInfo& f) {
    const RGB c = f.color;
    SetColor(cr, c.scaled(0.25));
    cairo_paint(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 320);
    const RGB top = c.scaled(1.18), mid = c, bottom = c.scaled(0.62);
    cairo_pattern_add_color_stop_rgb(p, 0.0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 0.45, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(p, 1.0, bottom.r, bottom.g, bottom.b);
    RoundRect(cr, 1.5, 1.5, 182, 317, 9);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, c.scaled(0.3));
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    // Inner highlight line along the top edge.
    RoundRect(cr, 4.5, 4.5, 176, 311, 7);
    SetColor(cr, kWhite, 0.18);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Name band.
    RoundRect(cr, 8, 5, 169, 22, 5);
    SetColor(cr, kBlack, 0.35);
    cairo_fill(cr);
    CenteredText(cr, f.longName, 93.5, 17, f.longName.size() > 24 ? 10.5 : 12.0, true, kBlack, 0.6);
    CenteredText(cr, f.longName, 92.5, 16, f.longName.size() > 24 ? 10.5 : 12.0, true, kWhite);
    // Bezel of the status line and of the footswitch well.
    RoundRect(cr, 13, 123, 159, 23, 3);
    SetColor(cr, kBlack, 0.75);
    cairo_fill(cr);
    RoundRect(cr, 8, 274, 169, 44, 6);
    SetColor(cr, kBlack, 0.45);
    cairo_fill(cr);
    // Brand line above the footswitch; the large effect code as a watermark behind the controls.
    CenteredText(cr, "MARLEVO  TONVERA", 92.5, 250, 7.5, true, kWhite, 0.55);
    CenteredText(cr, f.code, 92.5, 206, 44, true, kWhite, 0.10);
    // Screws in the corners.
    for (double x : {10.0, 175.0})
        for (double y : {35.0, 266.0}) {
            cairo_arc(cr, x, y, 3.2, 0, 2 * M_PI);
            SetColor(cr, kMetal.scaled(0.8));
            cairo_fill_preserve(cr);
            SetColor(cr, kBlack, 0.7);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
            cairo_move_to(cr, x - 2.2, y - 2.2);
            cairo_line_to(cr, x + 2.2, y + 2.2);
            cairo_stroke(cr);
        }
}

void Footswitch(cairo_t* cr, double y0, bool pressed) {
    const double inset = pressed ? 2.0 : 0.0;
    RoundRect(cr, 1 + inset, y0 + 2 + inset, 159 - 2 * inset, 34 - 2 * inset, 8);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y0 + 38);
    const RGB a = kMetal.scaled(pressed ? 0.8 : 1.25), b = kMetal.scaled(pressed ? 0.55 : 0.7);
    cairo_pattern_add_color_stop_rgb(p, 0, a.r, a.g, a.b);
    cairo_pattern_add_color_stop_rgb(p, 1, b.r, b.g, b.b);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, kBlack);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // Grip ridges.
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i < 9; ++i) {
        const double x = 32.5 + i * 12;
        cairo_move_to(cr, x, y0 + 9 + inset);
        cairo_line_to(cr, x, y0 + 29 - inset);
        SetColor(cr, kBlack, 0.35);
        cairo_stroke(cr);
    }
}

void KnobBody(cairo_t* cr, double size, const RGB& color) {
    const double c = size / 2.0, r = size / 2.0 - 4;
    cairo_set_line_width(cr, 1.0);
    for (int i = 0; i <= 10; ++i) {
        const double a = (-135.0 + 27.0 * i - 90.0) * M_PI / 180.0;
        cairo_move_to(cr, c + std::cos(a) * (r + 0.5), c + std::sin(a) * (r + 0.5));
        cairo_line_to(cr, c + std::cos(a) * (r + 3.5), c + std::sin(a) * (r + 3.5));
        SetColor(cr, kWhite, 0.85);
        cairo_stroke(cr);
    }
    cairo_pattern_t* p = cairo_pattern_create_radial(c - r * 0.3, c - r * 0.4, r * 0.1, c, c, r);
    const RGB hi = color.scaled(1.5), lo = color.scaled(0.6);
    cairo_pattern_add_color_stop_rgb(p, 0, hi.r, hi.g, hi.b);
    cairo_pattern_add_color_stop_rgb(p, 1, lo.r, lo.g, lo.b);
    cairo_arc(cr, c, c, r - 1, 0, 2 * M_PI);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, kBlack);
    cairo_stroke(cr);
}

// A cap with its pointer straight up; the knob rotates it.
void KnobHandle(cairo_t* cr, double size) {
    const double c = size / 2.0, r = size / 2.0 - 1;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, size);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.32, 0.32, 0.34);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.10, 0.10, 0.11);
    cairo_arc(cr, c, c, r, 0, 2 * M_PI);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    SetColor(cr, kBlack);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, c, c - r * 0.2);
    cairo_line_to(cr, c, c - r + 2);
    SetColor(cr, kWhite);
    cairo_stroke(cr);
}

void Selector(cairo_t* cr, double y0, int frame, int frames) {
    cairo_save(cr);
    cairo_translate(cr, 0, y0);
    const double c = 22.5, r = 14;
    for (int i = 0; i < frames; ++i) {
        const double a = (-120.0 + 240.0 * i / (frames - 1) - 90.0) * M_PI / 180.0;
        cairo_arc(cr, c + std::cos(a) * 19.5, c + std::sin(a) * 19.5, 1.6, 0, 2 * M_PI);
        SetColor(cr, i == frame ? kAmber : kWhite, i == frame ? 1.0 : 0.6);
        cairo_fill(cr);
    }
    cairo_arc(cr, c, c, r, 0, 2 * M_PI);
    SetColor(cr, RGB{0.13, 0.13, 0.14});
    cairo_fill_preserve(cr);
    SetColor(cr, kBlack);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    const double a = (-120.0 + 240.0 * frame / (frames - 1) - 90.0) * M_PI / 180.0;
    cairo_set_line_width(cr, 3.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, c + std::cos(a) * 3, c + std::sin(a) * 3);
    cairo_line_to(cr, c + std::cos(a) * (r - 2), c + std::sin(a) * (r - 2));
    SetColor(cr, kWhite);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A row (or column) of segments with the selected one lit.
void Segments(cairo_t* cr, double x0, double y0, double w, double h, int lit, int count, bool vertical) {
    Plate(cr, x0, y0, w, h, 3, RGB{0.16, 0.16, 0.17}, false);
    for (int i = 0; i < count; ++i) {
        const double sx = vertical ? x0 + 3 : x0 + 3 + i * (w - 6) / count;
        const double sy = vertical ? y0 + 3 + i * (h - 6) / count : y0 + 3;
        const double sw = vertical ? w - 6 : (w - 6) / count - 2;
        const double sh = vertical ? (h - 6) / count - 2 : h - 6;
        RoundRect(cr, sx, sy, sw, sh, 2);
        SetColor(cr, i == lit ? kAmber : RGB{0.3, 0.3, 0.3}, i == lit ? 1.0 : 0.8);
        cairo_fill(cr);
    }
}

void Button(cairo_t* cr, double y0, double w, double h, bool down, const std::string& label, const RGB& lit,
            bool greyed) {
    const RGB base = greyed ? RGB{0.35, 0.35, 0.36} : RGB{0.24, 0.24, 0.26};
    Plate(cr, 1, y0 + 1, w - 2, h - 2, 3, down ? base.scaled(0.8) : base, !down);
    const RGB text = greyed ? RGB{0.55, 0.55, 0.55} : (down ? lit : kWhite);
    CenteredText(cr, label, w / 2.0, y0 + h / 2.0 + (down ? 1 : 0), std::min(h * 0.55, 10.0), true, text);
}

void MenuButton(cairo_t* cr, double w, double h, bool pressed, const std::string& label) {
    Plate(cr, 0.5, 0.5, w - 1, h - 1, h / 2.0, pressed ? RGB{0.35, 0.35, 0.38} : RGB{0.15, 0.15, 0.16},
          !pressed);
    if (!label.empty()) CenteredText(cr, label, (w - 8) / 2.0, h / 2.0, std::min(8.5, h * 0.5), true, kWhite);
    cairo_move_to(cr, w - 11, h / 2.0 - 2);
    cairo_line_to(cr, w - 5, h / 2.0 - 2);
    cairo_line_to(cr, w - 8, h / 2.0 + 2);
    cairo_close_path(cr);
    SetColor(cr, kWhite, 0.9);
    cairo_fill(cr);
}

void LedColumn(cairo_t* cr, double w, double h, bool on) {
    SetColor(cr, kBlack);
    cairo_paint(cr);
    const int n = 9;
    for (int i = 0; i < n; ++i) {
        const double y = 1 + i * (h - 2) / n;
        const RGB c = i < 2 ? kRed : (i < 4 ? kAmber : kGreen);
        cairo_rectangle(cr, 1, y, w - 2, (h - 2) / n - 1.5);
        SetColor(cr, on ? c : c.scaled(0.25));
        cairo_fill(cr);
    }
}

void LedBar(cairo_t* cr, double w, double h, bool on) {
    SetColor(cr, kBlack);
    cairo_paint(cr);
    const int n = 12;
    for (int i = 0; i < n; ++i) {
        const RGB c = i < 4 ? kGreen : (i < 8 ? kAmber : kRed);
        cairo_rectangle(cr, 1 + i * (w - 2) / n, 3, (w - 2) / n - 1.5, h - 6);
        SetColor(cr, on ? c : c.scaled(0.22));
        cairo_fill(cr);
    }
}

void Artwork(cairo_t* cr, double w, double h, int id) {
    const RGB base = RGB{0.55, 0.56, 0.58}.mixed(RGB{0.3, 0.32, 0.4}, (id % 7) / 7.0);
    Plate(cr, 0, 0, w, h, 6, base, true);
    cairo_set_line_width(cr, 1.0);
    // Concentric arcs, a different count per image.
    for (int i = 1; i <= 3 + id % 5; ++i) {
        cairo_arc(cr, w / 2, h / 2, i * std::min(w, h) / (2.0 * (4 + id % 5)), 0, 2 * M_PI);
        SetColor(cr, kWhite, 0.18);
        cairo_stroke(cr);
    }
}

void Slider(cairo_t* cr, double w, double h, bool vertical) {
    Plate(cr, 0, 0, w, h, 3, RGB{0.2, 0.2, 0.21}, false);
    SetColor(cr, kBlack);
    if (vertical)
        cairo_rectangle(cr, w / 2 - 1.5, 4, 3, h - 8);
    else
        cairo_rectangle(cr, 4, h / 2 - 1.5, w - 8, 3);
    cairo_fill(cr);
}

void SliderHandle(cairo_t* cr, double w, double h, bool vertical) {
    Plate(cr, 0, 0, w, h, 3, kMetal, true);
    SetColor(cr, kBlack);
    cairo_set_line_width(cr, 1.5);
    if (vertical) {
        cairo_move_to(cr, 2, h / 2);
        cairo_line_to(cr, w - 2, h / 2);
    } else {
        cairo_move_to(cr, w / 2, 2);
        cairo_line_to(cr, w / 2, h - 2);
    }
    cairo_stroke(cr);
}

std::string ButtonLabel(int id) {
    switch (id) {
    case 107:
    case 133:
        return "A/B";
    case 109:
        return "+";
    case 110:
        return "\xe2\x80\x93"; // en dash as the minus sign
    case 119:
        return "\xe2\x9c\x93"; // check mark
    case 120:
        return "\xc3\x97"; // multiplication sign
    case 122:
        return "TAP";
    case 115:
    case 116:
        return "ON";
    default:
        return "";
    }
}
} // namespace

void PaintArt(cairo_t* cr, const ArtInfo& a, const std::map<int, FaceInfo>& faces) {
    const double w = a.width, fh = Art::FrameHeight(a);
    if (a.id >= 500 && a.id <= 542 ? true : (a.id == 900 || a.id == 901)) {
        auto it = faces.find(a.id);
        Face(cr, it != faces.end() ? it->second : FaceInfo{"MT", "Marlevo Tonvera", RGB{0.45, 0.46, 0.48}});
        return;
    }
    for (int f = 0; f < a.frames; ++f) {
        const double y0 = f * fh;
        cairo_save(cr);
        cairo_rectangle(cr, 0, y0, w, fh);
        cairo_clip(cr);
        if (a.id == 100) {
            Footswitch(cr, y0, f == 1);
        } else if (a.id == 200) {
            Lamp(cr, 7.5, y0 + 7.5, 5.5, kLedColors[f], f != 0);
        } else if (a.id == 201) {
            Segments(cr, 0, y0, w, fh, f, a.frames, false);
        } else if (a.id == 202 || a.id == 203) {
            LedColumn(cr, w, fh, a.id == 203);
        } else if (a.id == 204 || a.id == 205) {
            SetColor(cr, kBlack);
            cairo_paint(cr);
            cairo_rectangle(cr, 1, 3, w - 2, fh - 6);
            SetColor(cr, a.id == 205 ? kGreen : kGreen.scaled(0.22));
            cairo_fill(cr);
        } else if (a.id == 206 || a.id == 207) {
            LedBar(cr, w, fh, a.id == 207);
        } else if (a.id >= 208 && a.id <= 213) {
            Plate(cr, 0, 0, w, fh, 4, RGB{0.12, 0.12, 0.13}, false);
            const bool lit = a.id % 2 == 1;
            const RGB color = a.id <= 209 ? kGreen : kRed;
            Lamp(cr, w / 2, fh / 2 - 4, 8, color, lit);
            const char* label = a.id <= 209 ? "OK" : (a.id <= 211 ? "\xe2\x99\xad" : "\xe2\x99\xaf");
            CenteredText(cr, label, w / 2, fh - 7, a.id <= 209 ? 8 : 11, true, kWhite, lit ? 1.0 : 0.5);
        } else if (a.id == 300 || a.id == 301) {
            KnobBody(cr, w, RGB{0.25, 0.25, 0.27});
        } else if (a.id == 302 || a.id == 303) {
            KnobHandle(cr, w);
        } else if (a.id >= 320 && a.id <= 322) {
            Selector(cr, y0, f, a.frames);
        } else if (a.id == 400 || a.id == 401) {
            // Two-position slide switch.
            const bool vertical = a.id == 401;
            Plate(cr, 0, y0, w, fh, 4, RGB{0.16, 0.16, 0.17}, false);
            const double kw = vertical ? w - 4 : w / 2 - 2, kh = vertical ? fh / 2 - 2 : fh - 4;
            const double kx = vertical ? 2 : (f ? w / 2 : 2), ky = vertical ? y0 + (f ? fh / 2 : 2) : y0 + 2;
            Plate(cr, kx, ky, kw, kh, 3, kMetal, true);
        } else if (a.id >= 402 && a.id <= 405) {
            Segments(cr, 0, y0, w, fh, f, a.frames, a.id == 405);
        } else if (a.id == IDB_SW_HORIZ_SEVENSTATE) {
            Segments(cr, 0, y0, w, fh, f, a.frames, false);
        } else if (a.id == 407 || a.id == 408 || (a.id >= 700 && a.id <= 758)) {
            Artwork(cr, w, fh, a.id);
        } else if (a.id == 450 || a.id == 452) {
            Slider(cr, w, fh, a.id == 450);
        } else if (a.id == 451 || a.id == 453 || a.id == 454) {
            SliderHandle(cr, w, fh, a.id != 453);
        } else if (a.frames == 2) {
            Button(cr, y0, w, fh, f == 1, ButtonLabel(a.id), a.id == 122 ? kRed : kAmber, a.id == 133);
        } else {
            const bool pressed = a.id % 2 == 0 && a.id != 122;
            std::string label;
            if (a.id == 103 || a.id == 104) label = "PRESET";
            if (a.id == 113 || a.id == 114) label = "STORE";
            if (a.id == 105 || a.id == 106) label = "?";
            if (a.id == 117 || a.id == 118) label = "TYPE";
            if (a.id == 121) label = "";
            MenuButton(cr, w, fh, pressed && a.id != 121, label);
        }
        cairo_restore(cr);
    }
}
