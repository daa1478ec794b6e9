#pragma once
#include <cstddef>

typedef struct _cairo_surface cairo_surface_t;

// An image decoded from PNG bytes, shared by reference count (remember/forget) between the bitmap
// cache and the controls that draw it. UI thread only.
class CBitmap {
  public:
    // Decodes PNG bytes; an undecodable image yields a bitmap of size 0 x 0 that draws nothing.
    CBitmap(const unsigned char* png, size_t size);
    // Takes a reference on an existing ARGB32 surface (tests, generated images).
    explicit CBitmap(cairo_surface_t* surface);

    void remember() { ++refCount; }
    void forget() {
        if (--refCount == 0) delete this;
    }
    int getRefCount() const { return refCount; }

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool isLoaded() const { return surface != nullptr; }
    cairo_surface_t* getSurface() const { return surface; }
    // Bytes of decoded pixels this bitmap holds.
    size_t getMemorySize() const;

  private:
    ~CBitmap();
    cairo_surface_t* surface = nullptr;
    int width = 0, height = 0;
    int refCount = 1;
};
