#pragma once
#include "ui/widgets/CControl.h"
#include <map>

// Where controls go and what they look like: the face's layout table, the editor's controls by tag,
// and the bitmaps (decoded once and shared while any editor exists). UI thread only.
class CMLVGUIContainerInterface {
  public:
    virtual ~CMLVGUIContainerInterface() = default;
    virtual CRect GetLayoutRect(int index) const = 0;
    virtual CBitmap* GetBitmap(int id) = 0;
    virtual void RegisterControl(int tag, CControl* control) = 0;
    virtual CControl* GetControl(int tag) const = 0;
};

class CMLVStompBoxGUIContainer : public CMLVGUIContainerInterface {
  public:
    static constexpr int kLayoutCount = 55;
    static constexpr int kWidth = 185, kHeight = 320;

    CMLVStompBoxGUIContainer();
    ~CMLVStompBoxGUIContainer() override;

    // The table's entry; right and bottom are 0 where the control's bitmap completes them. Empty
    // rectangle for an index outside the table.
    CRect GetLayoutRect(int index) const override;
    // The entry completed from a bitmap of `frames` stacked images: right = left + width,
    // bottom = top + height / frames, where the table leaves them 0.
    CRect CompleteRect(int index, const CBitmap* bitmap, int frames) const;
    // The decoded bitmap of a resource id (cached; the cache keeps its reference, a control that keeps
    // the bitmap takes its own); nullptr for an unknown id.
    CBitmap* GetBitmap(int id) override;

    // The editor's controls by tag; a later registration of a tag replaces the earlier one.
    void RegisterControl(int tag, CControl* control) override;
    void UnregisterControl(int tag);
    CControl* GetControl(int tag) const override;
    const std::map<int, CControl*>& Controls() const { return controls; }
    void ClearControls() { controls.clear(), layoutOf.clear(); }
    // The layout index a view was placed by (-1 when placed otherwise).
    void SetLayoutIndex(const CView* view, int index) { layoutOf[view] = index; }
    int GetLayoutIndex(const CView* view) const {
        auto it = layoutOf.find(view);
        return it == layoutOf.end() ? -1 : it->second;
    }

    // Drops every decoded bitmap no control holds any more (after the last editor closed).
    static void TrimBitmapCache();
    // Bytes of decoded pixels in the shared cache.
    static size_t BitmapCacheBytes();

  private:
    std::map<int, CControl*> controls; // not owned: the frame owns the views
    std::map<const CView*, int> layoutOf;
};
