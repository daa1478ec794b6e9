#pragma once
#include <cstddef>
#include <vector>

// Bitmap ids without a number of their own get one here, outside the numbered ranges.
constexpr int IDB_SW_HORIZ_SEVENSTATE = 1000;

// One bitmap of the editor: its id, the whole image's size, and how many images of equal height it
// holds stacked from the top (film strips; 1 for a single image).
struct ArtInfo {
    int id;
    int width, height;
    int frames;
};

namespace Art {
// Every bitmap the editor uses, in ascending id.
const std::vector<ArtInfo>& Catalogue();
const ArtInfo* Find(int id);
// Height of one image of the strip.
inline int FrameHeight(const ArtInfo& a) {
    return a.height / a.frames;
}
// Face bitmap of a panel style: 500 + s / 5 for multiples of 5, else 536 + s mod 5 + 4 * (s / 5).
int FaceForStyle(int style);
// The PNG bytes embedded at build time; nullptr (size 0) when the id has none.
const unsigned char* EmbeddedPNG(int id, size_t* size);
} // namespace Art
