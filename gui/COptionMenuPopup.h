// The pop-up menus that an option menu shows when clicked: a tree of menus
// built from its entries, laid out and drawn with the toolkit's drawing
// context into pop-up windows (platform/PlatformPopup.h), and the selection
// loop that runs while they are up, on a thread of its own (CPopupMenuRun),
// so that the host's call that delivered the click returns at once.
//
// Selection: the menu opens while the button that opened it is still down.
// Releasing it over an entry chooses the entry; releasing it elsewhere before
// the pointer has been over a menu leaves the menus open for a click. A click
// outside every menu, Escape, or the session losing the screen closes them
// without a choice. Resting on a sub-menu entry opens its sub-menu. Keys:
// Up and Down move the highlight, Right opens a sub-menu, Left closes one,
// Return, Enter and Space choose, Home and End go to the ends.
//
// Thread contract: RunPopupMenu blocks until the user has chosen or
// dismissed, on the thread that made the session; it touches the tree and
// the session only. A CPopupMenuRun runs RunPopupMenu on a thread of its own;
// its owner makes, polls and destroys it from one thread at a time (the
// option menu: the host's user-interface thread, or a thread that cuts the
// menu short, under the frame lock). Layout and drawing: any thread.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/ForkedChild.h"
#include "gui/GuiTypes.h"

class CPlatformPopup;

struct CPopupMenuItem {
  enum EKind { kNormal, kSeparator, kSubMenu, kDisabled, kTitle };
  EKind kind = kNormal;
  std::string text;      // UTF-8
  std::string shortcut;  // shown at the right, may be empty
  bool checked = false;
  int subMenu = -1;      // index into CPopupMenuTree::menus for kSubMenu
};

struct CPopupMenu {
  long menuID = 0;  // reported in the upper 16 bits of a choice
  std::vector<CPopupMenuItem> items;
};

// menus[0] is the menu that opens; the others are its sub-menus.
struct CPopupMenuTree {
  std::vector<CPopupMenu> menus;
};

// Item rectangles of one menu in its window's coordinates.
struct CPopupMenuLayout {
  long width = 0;
  long height = 0;
  std::vector<CRect> items;
};

// Measures a menu: its items one below the other, at least minWidth wide.
CPopupMenuLayout LayoutPopupMenu(const CPopupMenu& menu, long minWidth = 0);

// Runs the menus on the session: the menu at the top of `tree` opens with
// the top-left of item `itemAtPoint` at screen point (left, top), moved
// within the screen area as far as needed. Returns the choice as the chosen
// menu's id in the upper 16 bits and the item's number (index + 1) in the
// lower 16 bits, or 0 when nothing was chosen. A tree without items returns 0
// at once. With `stop`, the loop looks at it at least every
// kPopupStopCheckMs and, once it is set, closes the menus and returns 0.
long RunPopupMenu(CPlatformPopup& session, const CPopupMenuTree& tree, long left, long top, long itemAtPoint,
                  long minWidth, const std::atomic<bool>* stop = nullptr);

inline constexpr int kPopupStopCheckMs = 20;

// Where an option menu's pop-up opens, in the host window's coordinates (the
// window the editor was given): the top-left of its first item at (left,
// top), at least minWidth wide. Where the screen has no room below for it,
// it moves up to end an item's height above the screen's bottom; on a screen
// lower than the whole menu, the entry after the current one lies at the
// point.
struct CPopupMenuPlacement {
  long left = 0;
  long top = 0;
  long minWidth = 0;
  long current = -1;  // the control's current entry
};

// The menus of a tree run on a thread of their own: the thread makes the
// pop-up session for the host window, places the menus, runs them and
// destroys the session (its windows and grabs go) before it hands the choice
// over. It uses only the run's own copy of the tree, never a view, so its
// owner may change or lose the menu that built it meanwhile.
class CPopupMenuRun {
 public:
  CPopupMenuRun(void* hostWindow, CPopupMenuTree tree, const CPopupMenuPlacement& placement);
  // Ends the run as End does.
  ~CPopupMenuRun();
  CPopupMenuRun(const CPopupMenuRun&) = delete;
  CPopupMenuRun& operator=(const CPopupMenuRun&) = delete;

  // True once the menus have closed: chosen, dismissed, or never shown (no
  // session or thread to be had); result is the choice as RunPopupMenu
  // returns it.
  bool Closed(long& result) const;
  // Closes menus still open without a choice (the thread sees the request
  // within kPopupStopCheckMs, plus a drawing under way), joins the thread and
  // returns the choice made before, or 0. In a process forked from the one
  // that made the run the thread and the session are the parent's: the
  // thread is set aside, the session untouched, and 0 returned.
  long End();

 private:
  void Main();

  void* const m_pHostWindow;
  const CPopupMenuTree m_Tree;
  const CPopupMenuPlacement m_Placement;
  std::atomic<bool> m_bStop{false};    // written by the owner, read by the thread
  std::atomic<bool> m_bClosed{false};  // written by the thread (after the result), read by the owner
  std::atomic<long> m_nResult{0};
  const CProcessMark m_Process;
  std::thread m_Thread;
};

// Colours of the menus.
inline constexpr CColor kPopupBackColor = {242, 242, 242, 255};
inline constexpr CColor kPopupFrameColor = {150, 150, 150, 255};
inline constexpr CColor kPopupTextColor = {0, 0, 0, 255};
inline constexpr CColor kPopupDisabledColor = {150, 150, 150, 255};
inline constexpr CColor kPopupTitleColor = {90, 90, 90, 255};
inline constexpr CColor kPopupHighlightColor = {51, 102, 204, 255};
inline constexpr CColor kPopupHighlightTextColor = {255, 255, 255, 255};
