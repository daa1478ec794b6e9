#include "ui/editor/CMLVStompBoxGUIContainer.h"
#include "ui/art/ArtCatalogue.h"
#include "ui/widgets/CBitmap.h"
#include <map>

namespace {
// Left, top, right, bottom of each layout index; right and bottom 0 where the bitmap decides.
const int kLayout[CMLVStompBoxGUIContainer::kLayoutCount][4] = {
    {12, 278, 0, 0},      {4, 58, 0, 0},       {48, 58, 0, 0},      {92, 58, 0, 0},      {136, 58, 0, 0},
    {48, 41, 0, 0},       {92, 41, 0, 0},      {5, 40, 0, 0},       {66, 40, 0, 0},      {117, 40, 0, 0},
    {70, 58, 0, 0},       {16, 126, 168, 143}, {16, 126, 120, 143}, {16, 126, 120, 143}, {85, 259, 0, 0},
    {119, 259, 0, 0},     {117, 2, 0, 0},      {119, 152, 0, 0},    {66, 152, 0, 0},     {13, 152, 0, 0},
    {13, 259, 0, 0},      {40, 152, 0, 0},     {74, 98, 0, 0},      {17, 33, 0, 0},      {18, 0, 0, 0},
    {71, 62, 0, 0},       {100, 62, 0, 0},     {25, 231, 0, 0},     {25, 231, 0, 0},     {31, 40, 0, 0},
    {48, 95, 0, 0},       {131, 42, 0, 0},     {6, 176, 0, 0},      {14, 188, 0, 0},     {21, 188, 0, 0},
    {158, 188, 0, 0},     {165, 188, 0, 0},    {12, 259, 0, 0},     {88, 30, 0, 0},      {119, 259, 0, 0},
    {13, 259, 0, 0},      {47, 37, 0, 0},      {51, 228, 0, 0},     {13, 259, 0, 0},     {42, 109, 90, 129},
    {69, 30, 0, 0},       {124, 30, 0, 0},     {10, 30, 0, 0},      {90, 112, 150, 126}, {18, 103, 43, 113},
    {139, 103, 164, 113}, {17, 77, 0, 0},      {126, 127, 0, 0},    {146, 127, 0, 0},    {119, 52, 0, 0},
};

// Decoded once while any editor exists; every editor shares them. UI thread only.
std::map<int, CBitmap*>& Cache() {
    static std::map<int, CBitmap*> cache;
    return cache;
}

int g_containers = 0;
} // namespace

CMLVStompBoxGUIContainer::CMLVStompBoxGUIContainer() {
    ++g_containers;
}

CMLVStompBoxGUIContainer::~CMLVStompBoxGUIContainer() {
    // The last editor gone: a host may unload the library next, which would strand the images.
    if (--g_containers == 0) TrimBitmapCache();
}

CRect CMLVStompBoxGUIContainer::GetLayoutRect(int index) const {
    if (index < 0 || index >= kLayoutCount) return CRect();
    const int* e = kLayout[index];
    return CRect(e[0], e[1], e[2], e[3]);
}

CRect CMLVStompBoxGUIContainer::CompleteRect(int index, const CBitmap* bitmap, int frames) const {
    CRect r = GetLayoutRect(index);
    if (bitmap && r.right == 0 && r.bottom == 0) {
        r.right = r.left + bitmap->getWidth();
        r.bottom = r.top + bitmap->getHeight() / (frames < 1 ? 1 : frames);
    }
    return r;
}

CBitmap* CMLVStompBoxGUIContainer::GetBitmap(int id) {
    std::map<int, CBitmap*>& cache = Cache();
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
    size_t size = 0;
    const unsigned char* png = Art::EmbeddedPNG(id, &size);
    if (!png) return nullptr;
    CBitmap* bitmap = new CBitmap(png, size);
    cache[id] = bitmap;
    return bitmap;
}

void CMLVStompBoxGUIContainer::TrimBitmapCache() {
    std::map<int, CBitmap*>& cache = Cache();
    for (auto it = cache.begin(); it != cache.end();) {
        if (it->second->getRefCount() == 1) {
            it->second->forget();
            it = cache.erase(it);
        } else {
            ++it;
        }
    }
}

size_t CMLVStompBoxGUIContainer::BitmapCacheBytes() {
    size_t n = 0;
    for (const auto& e : Cache())
        n += e.second->getMemorySize();
    return n;
}

void CMLVStompBoxGUIContainer::RegisterControl(int tag, CControl* control) {
    controls[tag] = control;
}

void CMLVStompBoxGUIContainer::UnregisterControl(int tag) {
    controls.erase(tag);
}

CControl* CMLVStompBoxGUIContainer::GetControl(int tag) const {
    auto it = controls.find(tag);
    return it == controls.end() ? nullptr : it->second;
}
