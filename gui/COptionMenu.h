// COptionMenu: a text display that shows its current entry and, when
// clicked, pops up a menu of its entries at the control (COptionMenuPopup.h)
// with separators, disabled entries, titles, check marks, key shortcuts and
// nested sub-menus. The chosen entry becomes the value of the menu (or sub-
// menu) that holds it, and the listener is told with that menu as control.
//
// Entries are texts of at most 255 bytes whose leading characters give their
// kind ("-" separator, "-M" sub-menu, "-G" disabled, "-T" title; see
// COptionMenuEntry.h). The n-th "-M" entry opens the n-th sub-menu added. An
// entry may carry a numeric prefix (setPrefixNumbers: 2 "%1d ", 3 "%02d ",
// 4 "%03d " with its position from 1), which the control does not show.
//
// Every operation that takes an index does nothing and returns false (or -1)
// for an index outside the entries. At most 1024 entries.
//
// A click opens the edit bracket and the pop-up menu and returns: the menu
// runs on a thread of its own (CPopupMenuRun), and the frame hands its choice
// back at its next pass of the host's events (CFrame::beginPopup), where the
// chosen menu's value is set, the listener told and the bracket closed, as
// within the click; a dismissed menu only closes the bracket. The pop-up
// closes without a choice, and the bracket with it, when the control leaves
// its frame, the window goes, the editor closes or a click reaches the
// editor before the pop-up took the pointer.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CFrame.h"
#include "gui/CParamDisplay.h"

class COptionMenuScheme;
class CPopupMenuRun;
struct CPopupMenuTree;

class COptionMenu : public CParamDisplay, private CFramePopup {
 public:
  // Both bitmaps are remembered; bgWhenClick is shown while the menu is open.
  COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr,
              CBitmap* bgWhenClick = nullptr, const long style = 0);
  ~COptionMenu() override;

  // Appends an entry "-M" + txt opening subMenu (remembered). False for a
  // null menu or text, or when full.
  virtual bool addEntry(COptionMenu* subMenu, char* txt);
  // Inserts an entry at index (appends for -1); false when full.
  virtual bool addEntry(char* txt, long index = -1);
  // The current entry's index (or, without countSeparator, its index among
  // entries that are neither separators nor titles), its text copied into
  // txt (kParamDisplayTextSize bytes) when not null; -1 without one.
  virtual long getCurrent(char* txt = nullptr, bool countSeparator = true) const;
  virtual bool setCurrent(long index, bool countSeparator = true);
  virtual bool getEntry(long index, char* txt) const;
  virtual bool setEntry(long index, char* txt);
  virtual bool removeEntry(long index);
  virtual bool removeAllEntry();
  virtual long getNbEntries() const { return nbEntries; }
  // The first entry equal to txt, or -1.
  virtual long getIndex(char* txt) const;
  virtual bool checkEntry(long index, bool state);
  virtual bool checkEntryAlone(long index);
  virtual bool isCheckEntry(long index) const;
  virtual void setNbItemsPerColumn(long val) { nbItemsPerColumn = val; }
  virtual long getNbItemsPerColumn() const { return nbItemsPerColumn; }
  virtual COptionMenuScheme* getScheme() const { return scheme; }
  virtual void setPrefixNumbers(long preCount) { prefixNumbers = preCount; }

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // Pops up the menu (see the file comment); a pop-up of the frame under way
  // ends first.
  void takeFocus(CDrawContext* context = nullptr) override;
  // The entry at the value truncated becomes current (ignored outside the
  // entries); with kStyleMultipleCheck its check mark toggles.
  void setValue(float val) override;
  bool isTypeOf(const char* type) const override;

  // The i-th sub-menu, or null.
  COptionMenu* getSubMenu(long idx) const;
  // The menu or sub-menu that held the last chosen entry, with that entry's
  // index in it; null and -1 when nothing was chosen.
  COptionMenu* getLastItemMenu(long& idxInMenu) const;
  // The menu (this or a sub-menu, depth first) whose last built menu id is
  // offsetIdx, with idxInMenu = idx; null when none.
  COptionMenu* getItemMenu(long idx, long& idxInMenu, long& offsetIdx);
  // Builds this menu and its sub-menus into `tree`; its index there, or -1.
  // offsetIdx grows by the number of entries.
  int appendItems(CPopupMenuTree& tree, long& offsetIdx);
  long getLastResult() const { return lastResult; }
  long getLastButton() const { return lastButton; }
  long getMenuID() const { return menuID; }
  // From the click until its choice is applied or the pop-up ends unchosen.
  bool isMenuShown() const { return menuRun != nullptr; }

 protected:
  // Grow the entry and check arrays, or the sub-menu array, to at least nb
  // slots; false when memory runs out.
  bool allocateMenu(long nb);
  bool allocateSubMenu(long nb);
  // Adds a new empty buffer slot at position `at` (entries from there move
  // up); false when full or out of memory.
  bool insertSlot(long at);
  int appendItemsAt(CPopupMenuTree& tree, long& offsetIdx, int depth);
  // The entry's text for the control: the prefix's characters skipped.
  const char* shownText(long index) const;
  // The frame's pop-up hooks.
  bool popupClosed() const override;
  void popupEnd(bool apply) override;
  // What the pop-up's result (as RunPopupMenu's) does.
  void applyChoice(long result);

  CPopupMenuRun* menuRun = nullptr;  // while shown
  char** entries = nullptr;
  COptionMenu** subMenus = nullptr;
  bool* checks = nullptr;
  long menuID = 0;
  long nbEntries = 0;
  long nbSubMenus = 0;
  long currentIndex = -1;
  CBitmap* bgWhenClick;
  long lastButton = kMouseRight;
  long nbItemsPerColumn = -1;
  long allocatedEntries = 0;
  long allocatedSubMenus = 0;
  long lastResult = -1;
  long prefixNumbers = 0;
  COptionMenu* lastMenu = nullptr;
  COptionMenuScheme* scheme = nullptr;  // no scheme is ever made
};

// Limits of an option menu.
inline constexpr long kOptionMenuMaxEntries = 1024;
