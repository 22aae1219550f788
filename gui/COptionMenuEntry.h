// How an option menu's entry text reads: its kind by its leading characters
// ("-" separator, "-M" sub-menu, "-G" disabled, "-T" title), the text it
// shows (up to a tab) and the key shortcut that a description after the tab
// gives. Pure functions of the text.
//
// [any thread]
#pragma once

#include <string>

enum EMenuEntryKind {
  kMenuEntryNormal = 0,
  kMenuEntrySeparator,
  kMenuEntrySubMenu,
  kMenuEntryDisabled,
  kMenuEntryTitle
};

// Modifier bits of a menu shortcut: Shift 1, Option 2, Control 4, and 8 when
// the shortcut goes without the Command key.
enum EMenuShortcutModifier {
  kMenuShiftModifier = 1,
  kMenuOptionModifier = 2,
  kMenuControlModifier = 4,
  kMenuNoCommandModifier = 8
};

// Key codes of the special shortcut keys; they are also the items' glyphs.
enum EMenuShortcutKey {
  kMenuKeyDelete = 0x17,
  kMenuGlyphLeftArrow = 100,
  kMenuGlyphRightArrow = 101,
  kMenuGlyphUpArrow = 104,
  kMenuGlyphDownArrow = 106
};

struct CMenuShortcut {
  int key = 0;        // 0 when there is no shortcut; a character or EMenuShortcutKey
  int glyph = 0;      // the arrow glyph, or 0
  long modifiers = 0; // EMenuShortcutModifier bits
};

struct CMenuEntryInfo {
  EMenuEntryKind kind = kMenuEntryNormal;
  std::string text;  // shown text: after the kind's prefix, up to a tab
  CMenuShortcut shortcut;
};

// Reads an entry; a null text reads as an empty normal entry.
CMenuEntryInfo ParseMenuEntry(const char* entry);

// The shortcut as the menu shows it beside the entry, e.g. "Shift+Ctrl+V"
// (the Command key is the Ctrl key here, the Control key the Super key);
// empty without a shortcut.
std::string MenuShortcutLabel(const CMenuShortcut& shortcut);
