#pragma once
#include "ui/art/ArtCatalogue.h"
#include "ui/art/gen/ArtDraw.h"
#include <map>
#include <string>

typedef struct _cairo cairo_t;

// What a face shows: the effect's name and its family's colour.
struct FaceInfo {
    std::string code, longName;
    RGB color;
};

// Paints one bitmap of the catalogue, every image of a strip at its place from the top.
void PaintArt(cairo_t* cr, const ArtInfo& art, const std::map<int, FaceInfo>& faces);
