#pragma once
#include "ui/widgets/CControl.h"
#include <string>
#include <vector>

class COptionMenu;

struct CMenuItem {
    std::string title;
    bool separator = false;
    bool enabled = true;
    COptionMenu* submenu = nullptr; // owned by the entry (one reference)
};

// A menu button. A press asks the frame's popup host to show the entries; the host answers with
// chooseEntry (or nothing when the user dismissed it). The value is the current entry's index,
// separators counted.
class COptionMenu : public CControl {
  public:
    COptionMenu(const CRect& size, CControlListener* listener, int tag, CBitmap* background = nullptr,
                CBitmap* bgWhenClick = nullptr, int style = 0);

    void draw(cairo_t* cr) override;
    bool onMouseDown(CPoint where, int buttons) override;
    bool isTypeOf(const char* className) const override;

    void addEntry(const std::string& title, bool enabled = true);
    // The menu takes the caller's reference on submenu.
    void addEntry(COptionMenu* submenu, const std::string& title);
    void addSeparator();
    // Replaces entry index (separators counted); a submenu is taken over as in addEntry.
    void setEntry(int index, const std::string& title, bool enabled = true, COptionMenu* submenu = nullptr);
    void removeAllEntry();
    int getNbEntries() const { return static_cast<int>(items.size()); }
    const CMenuItem* getEntry(int index) const;
    // Index of the first entry with that title, separators counted; -1 when none.
    int findEntry(const std::string& title) const;

    // Makes entry index current (separators counted) without telling the listener.
    void setCurrent(int index);
    // The current entry's index, with or without the separators before it counted; -1 when none.
    int getCurrentIndex(bool countSeparators = true) const;
    // The popup host's answer: an enabled plain entry becomes current and the listener is told.
    // Returns false for separators, disabled entries and submenu entries.
    bool chooseEntry(int index);

    // Draw the current entry's title over the background (menus that show their choice).
    void setShowCurrentText(bool show) { showText = show; }
    void setPopupOpen(bool open);

  protected:
    ~COptionMenu() override;
    std::vector<CMenuItem> items;
    CBitmap* bgWhenClick;
    int style;
    int current = -1;
    bool showText = false;
    bool popupOpen = false;
};
