#include "ui/widgets/CBitmap.h"
#include <cairo.h>
#include <cstring>

namespace {
struct PngReader {
    const unsigned char* data;
    size_t size, pos;
};

cairo_status_t ReadPng(void* closure, unsigned char* out, unsigned int length) {
    PngReader* r = static_cast<PngReader*>(closure);
    if (r->size - r->pos < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
    return CAIRO_STATUS_SUCCESS;
}
} // namespace

CBitmap::CBitmap(const unsigned char* png, size_t size) {
    if (!png || size == 0) return;
    PngReader reader{png, size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface = s;
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
}

CBitmap::CBitmap(cairo_surface_t* s) : surface(cairo_surface_reference(s)) {
    width = cairo_image_surface_get_width(s);
    height = cairo_image_surface_get_height(s);
}

CBitmap::~CBitmap() {
    if (surface) cairo_surface_destroy(surface);
}

size_t CBitmap::getMemorySize() const {
    return surface
               ? static_cast<size_t>(cairo_image_surface_get_stride(surface)) * static_cast<size_t>(height)
               : 0;
}
