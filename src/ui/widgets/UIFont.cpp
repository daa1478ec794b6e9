#include "ui/widgets/UIFont.h"
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <mutex>

namespace {
const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";

struct LoadedFaces {
    cairo_font_face_t* regular = nullptr;
    cairo_font_face_t* bold = nullptr;
    cairo_font_options_t* options = nullptr;
};

cairo_font_face_t* LoadFace(FT_Library lib, const char* file) {
    FT_Face face = nullptr;
    if (FT_New_Face(lib, (std::string(kFontDir) + file).c_str(), 0, &face) != 0) return nullptr;
    cairo_font_face_t* cf = cairo_ft_font_face_create_for_ft_face(face, 0);
    // The FreeType face lives as long as the Cairo face.
    static cairo_user_data_key_t key;
    cairo_font_face_set_user_data(cf, &key, face, [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); });
    return cf;
}

// Loaded once per library and kept: the faces are shared by every editor.
const LoadedFaces& Faces() {
    static LoadedFaces faces;
    static std::once_flag once;
    std::call_once(once, [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) == 0) {
            faces.regular = LoadFace(lib, "DejaVuSans.ttf");
            faces.bold = LoadFace(lib, "DejaVuSans-Bold.ttf");
        }
        // Fixed rendering options: the same pixels whatever the desktop's font settings say.
        faces.options = cairo_font_options_create();
        cairo_font_options_set_antialias(faces.options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(faces.options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(faces.options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_subpixel_order(faces.options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    });
    return faces;
}
} // namespace

void SelectUIFont(cairo_t* cr, UIFontFace face, double size) {
    const LoadedFaces& f = Faces();
    const bool bold = face == UIFontFace::kSansBold || face == UIFontFace::kCondensedBold;
    cairo_font_face_t* cf = bold ? f.bold : f.regular;
    if (cf)
        cairo_set_font_face(cr, cf);
    else
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_options(cr, f.options);
    // Condensed faces are the plain ones drawn narrower: fonts-dejavu-core has no condensed files.
    const bool condensed = face == UIFontFace::kCondensed || face == UIFontFace::kCondensedBold;
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, condensed ? size * 0.82 : size, size);
    cairo_set_font_matrix(cr, &m);
}

double UITextWidth(cairo_t* cr, const std::string& utf8, UIFontFace face, double size) {
    cairo_save(cr);
    SelectUIFont(cr, face, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, utf8.c_str(), &ext);
    cairo_restore(cr);
    return ext.x_advance;
}

void DrawUIText(cairo_t* cr, const std::string& utf8, const CRect& box, CColor color, UIFontFace face,
                double size, UIAlign align) {
    if (utf8.empty() || box.isEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, box.left, box.top, box.getWidth(), box.getHeight());
    cairo_clip(cr);
    SelectUIFont(cr, face, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, utf8.c_str(), &ext);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double x = box.left + 2;
    if (align == UIAlign::kCenter) x = box.left + (box.getWidth() - ext.x_advance) / 2.0;
    if (align == UIAlign::kRight) x = box.right - 2 - ext.x_advance;
    const double y = box.top + (box.getHeight() + fe.ascent - fe.descent) / 2.0;
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, utf8.c_str());
    cairo_restore(cr);
}
