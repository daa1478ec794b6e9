#include "ui/art/ArtCatalogue.h"
#include <algorithm>

namespace {
void AddRange(std::vector<ArtInfo>& v, int first, int last, int w, int h, int frames) {
    for (int id = first; id <= last; ++id)
        v.push_back({id, w, h, frames});
}

std::vector<ArtInfo> Build() {
    std::vector<ArtInfo> v;
    v.push_back({100, 161, 76, 2}); // footswitch
    // Buttons and menu backgrounds. Two-image strips are pressed/lit in the lower image.
    v.push_back({101, 24, 48, 2});
    v.push_back({102, 24, 48, 2});
    v.push_back({103, 57, 20, 1}); // preset menu, and its pressed look
    v.push_back({104, 57, 20, 1});
    v.push_back({105, 24, 20, 1}); // help menu
    v.push_back({106, 24, 20, 1});
    v.push_back({107, 24, 48, 2}); // compare, enabled
    v.push_back({108, 24, 48, 2});
    v.push_back({109, 53, 30, 2}); // tuner plus / minus
    v.push_back({110, 53, 30, 2});
    v.push_back({111, 20, 30, 2});
    v.push_back({112, 20, 30, 2});
    v.push_back({113, 50, 20, 1}); // preset actions menu
    v.push_back({114, 50, 20, 1});
    v.push_back({115, 40, 30, 2}); // on/off buttons of the gate and the exciter
    v.push_back({116, 40, 30, 2});
    v.push_back({117, 57, 20, 1}); // cabinet type menu
    v.push_back({118, 57, 20, 1});
    v.push_back({119, 20, 30, 2}); // accept / cancel name entry
    v.push_back({120, 20, 30, 2});
    v.push_back({121, 53, 19, 1}); // "Sync coeff" menu
    v.push_back({122, 40, 30, 2}); // "Tap" button
    for (int id = 123; id <= 132; ++id)
        v.push_back(id % 2 ? ArtInfo{id, 24, 48, 2} : ArtInfo{id, 20, 30, 2});
    v.push_back({133, 24, 48, 2}); // compare, disabled
    v.push_back({134, 24, 48, 2});
    v.push_back({200, 15, 150, 10});  // LED
    v.push_back({201, 173, 96, 4});   // power-amp display, one image per type
    AddRange(v, 202, 203, 6, 81, 1);  // level meter off / on
    AddRange(v, 204, 205, 6, 26, 1);  // tuner centre indicator off / on
    AddRange(v, 206, 207, 72, 26, 1); // tuner bars off / on
    AddRange(v, 208, 209, 44, 38, 1); // in-tune lamp off / on
    AddRange(v, 210, 213, 55, 38, 1); // flat and sharp lamps off / on
    v.push_back({300, 45, 45, 1});
    v.push_back({301, 63, 63, 1});
    v.push_back({302, 24, 24, 1});
    v.push_back({303, 28, 28, 1});
    v.push_back({320, 45, 225, 5});
    v.push_back({321, 45, 315, 7});
    v.push_back({322, 45, 270, 6});
    v.push_back({400, 40, 40, 2});
    v.push_back({401, 18, 80, 2});
    v.push_back({402, 132, 69, 3});
    v.push_back({403, 132, 92, 4});
    v.push_back({404, 132, 115, 5});
    v.push_back({405, 18, 280, 4});
    v.push_back({407, 41, 48, 1});
    v.push_back({408, 136, 140, 1});
    v.push_back({450, 18, 80, 1}); // vertical slider background and handle
    v.push_back({451, 18, 25, 1});
    v.push_back({452, 85, 19, 1}); // horizontal slider background and handle
    v.push_back({453, 31, 18, 1});
    v.push_back({454, 20, 20, 1});
    AddRange(v, 500, 542, 185, 320, 1);
    AddRange(v, 700, 719, 91, 77, 1);
    AddRange(v, 720, 739, 146, 143, 1);
    AddRange(v, 740, 758, 172, 143, 1);
    AddRange(v, 900, 901, 185, 320, 1);
    v.push_back({IDB_SW_HORIZ_SEVENSTATE, 130, 112, 7});
    return v;
}
} // namespace

namespace Art {
const std::vector<ArtInfo>& Catalogue() {
    static const std::vector<ArtInfo> catalogue = Build();
    return catalogue;
}

const ArtInfo* Find(int id) {
    const std::vector<ArtInfo>& c = Catalogue();
    auto it = std::lower_bound(c.begin(), c.end(), id, [](const ArtInfo& a, int i) { return a.id < i; });
    return it != c.end() && it->id == id ? &*it : nullptr;
}

int FaceForStyle(int style) {
    if (style % 5 == 0) return 500 + style / 5;
    return 536 + style % 5 + 4 * (style / 5);
}
} // namespace Art
