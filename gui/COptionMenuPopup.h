// The pop-up menus that an option menu shows when clicked: a tree of menus
// built from its entries, laid out and drawn with the toolkit's drawing
// context into pop-up windows (platform/PlatformPopup.h), and the modal
// selection loop that runs while they are up.
//
// Selection: the menu opens while the button that opened it is still down.
// Releasing it over an entry chooses the entry; releasing it elsewhere before
// the pointer has been over a menu leaves the menus open for a click. A click
// outside every menu, Escape, or the session losing the screen closes them
// without a choice. Resting on a sub-menu entry opens its sub-menu. Keys:
// Up and Down move the highlight, Right opens a sub-menu, Left closes one,
// Return, Enter and Space choose, Home and End go to the ends.
//
// Thread contract: user-interface thread only; RunPopupMenu blocks until the
// user has chosen or dismissed.
#pragma once

#include <string>
#include <vector>

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
// at once.
long RunPopupMenu(CPlatformPopup& session, const CPopupMenuTree& tree, long left, long top,
                  long itemAtPoint, long minWidth);

// Colours of the menus.
inline constexpr CColor kPopupBackColor = {242, 242, 242, 255};
inline constexpr CColor kPopupFrameColor = {150, 150, 150, 255};
inline constexpr CColor kPopupTextColor = {0, 0, 0, 255};
inline constexpr CColor kPopupDisabledColor = {150, 150, 150, 255};
inline constexpr CColor kPopupTitleColor = {90, 90, 90, 255};
inline constexpr CColor kPopupHighlightColor = {51, 102, 204, 255};
inline constexpr CColor kPopupHighlightTextColor = {255, 255, 255, 255};
