// Entry texts of option menus: kinds, shown texts and key shortcuts.
#include <gtest/gtest.h>

#include "gui/COptionMenuEntry.h"

TEST(MenuEntryTest, LeadingCharactersGiveTheKindAndTheRestIsShown) {
  struct Case {
    const char* entry;
    EMenuEntryKind kind;
    const char* shown;
  };
  const Case cases[] = {
      {"-", kMenuEntrySeparator, ""},       {"-MMore", kMenuEntrySubMenu, "More"},
      {"-GGrey", kMenuEntryDisabled, "Grey"}, {"-TSection", kMenuEntryTitle, "Section"},
      {"Plain", kMenuEntryNormal, "Plain"},  {"--", kMenuEntryNormal, "--"},
      {"- x", kMenuEntryNormal, "- x"},      {"", kMenuEntryNormal, ""},
  };
  for (const Case& c : cases) {
    const CMenuEntryInfo info = ParseMenuEntry(c.entry);
    EXPECT_EQ(info.kind, c.kind) << c.entry;
    EXPECT_EQ(info.text, c.shown) << c.entry;
  }
  EXPECT_EQ(ParseMenuEntry(nullptr).kind, kMenuEntryNormal);
}

TEST(MenuEntryTest, TabEndsTheTextAndDescribesTheShortcut) {
  CMenuEntryInfo copy = ParseMenuEntry("Copy\tCtrl+C");
  EXPECT_EQ(copy.text, "Copy");
  EXPECT_EQ(copy.shortcut.key, 'C');
  EXPECT_EQ(copy.shortcut.modifiers, 0) << "Ctrl asks for the Command key and nothing else";
  EXPECT_EQ(MenuShortcutLabel(copy.shortcut), "Ctrl+C");

  CMenuEntryInfo paste = ParseMenuEntry("Paste\tShift Ctrl+V");
  EXPECT_EQ(paste.shortcut.key, 'V');
  EXPECT_EQ(paste.shortcut.modifiers, kMenuShiftModifier);
  EXPECT_EQ(MenuShortcutLabel(paste.shortcut), "Shift+Ctrl+V");

  CMenuEntryInfo up = ParseMenuEntry("Up\tUp");
  EXPECT_EQ(up.text, "Up");
  EXPECT_EQ(up.shortcut.key, kMenuGlyphUpArrow);
  EXPECT_EQ(up.shortcut.glyph, kMenuGlyphUpArrow);
  EXPECT_EQ(up.shortcut.modifiers, kMenuNoCommandModifier) << "no Ctrl, no Command key";

  const CMenuEntryInfo del = ParseMenuEntry("-GErase\tDel");
  EXPECT_EQ(del.kind, kMenuEntryDisabled);
  EXPECT_EQ(del.text, "Erase");
  EXPECT_EQ(del.shortcut.key, kMenuKeyDelete);
  EXPECT_EQ(del.shortcut.glyph, 0);

  const CMenuEntryInfo all = ParseMenuEntry("X\tApple Alt Shift Ctrl+Right");
  EXPECT_EQ(all.shortcut.key, 't') << "a description not starting with a key name ends with its key";
  EXPECT_EQ(all.shortcut.modifiers, kMenuShiftModifier | kMenuOptionModifier | kMenuControlModifier);
  EXPECT_EQ(MenuShortcutLabel(all.shortcut), "Super+Alt+Shift+Ctrl+T");

  EXPECT_EQ(ParseMenuEntry("Left\tLeft").shortcut.glyph, kMenuGlyphLeftArrow);
  EXPECT_EQ(ParseMenuEntry("Right\tRight").shortcut.glyph, kMenuGlyphRightArrow);
  EXPECT_EQ(ParseMenuEntry("Down\tDown").shortcut.glyph, kMenuGlyphDownArrow);
}

TEST(MenuEntryTest, EmptyDescriptionAndSubMenusHaveNoShortcut) {
  const CMenuEntryInfo empty = ParseMenuEntry("Open\t");
  EXPECT_EQ(empty.text, "Open");
  EXPECT_EQ(empty.shortcut.key, 0);
  EXPECT_EQ(MenuShortcutLabel(empty.shortcut), "");
  const CMenuEntryInfo sub = ParseMenuEntry("-MRecent\tCtrl+R");
  EXPECT_EQ(sub.text, "Recent");
  EXPECT_EQ(sub.shortcut.key, 0);
}
