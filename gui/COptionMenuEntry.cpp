#include "gui/COptionMenuEntry.h"

#include <cctype>
#include <cstring>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenuEntry.cpp");

namespace {

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

CMenuShortcut ParseShortcut(const std::string& description) {
  CMenuShortcut shortcut;
  if (description.empty()) return shortcut;
  const char* text = description.c_str();
  if (!std::strstr(text, "Ctrl")) shortcut.modifiers |= kMenuNoCommandModifier;
  if (std::strstr(text, "Alt")) shortcut.modifiers |= kMenuOptionModifier;
  if (std::strstr(text, "Shift")) shortcut.modifiers |= kMenuShiftModifier;
  if (std::strstr(text, "Apple")) shortcut.modifiers |= kMenuControlModifier;
  if (StartsWith(text, "Del")) {
    shortcut.key = kMenuKeyDelete;
  } else if (StartsWith(text, "Left")) {
    shortcut.key = shortcut.glyph = kMenuGlyphLeftArrow;
  } else if (StartsWith(text, "Right")) {
    shortcut.key = shortcut.glyph = kMenuGlyphRightArrow;
  } else if (StartsWith(text, "Up")) {
    shortcut.key = shortcut.glyph = kMenuGlyphUpArrow;
  } else if (StartsWith(text, "Down")) {
    shortcut.key = shortcut.glyph = kMenuGlyphDownArrow;
  } else {
    shortcut.key = static_cast<unsigned char>(description.back());
  }
  return shortcut;
}

}  // namespace

CMenuEntryInfo ParseMenuEntry(const char* entry) {
  CMenuEntryInfo info;
  if (!entry) return info;
  const char* text = entry;
  if (std::strcmp(entry, "-") == 0) {
    info.kind = kMenuEntrySeparator;
    return info;
  }
  if (StartsWith(entry, "-M")) {
    info.kind = kMenuEntrySubMenu;
    text += 2;
  } else if (StartsWith(entry, "-G")) {
    info.kind = kMenuEntryDisabled;
    text += 2;
  } else if (StartsWith(entry, "-T")) {
    info.kind = kMenuEntryTitle;
    text += 2;
  }
  const char* tab = std::strchr(text, '\t');
  if (!tab) {
    info.text = text;
    return info;
  }
  info.text.assign(text, tab);
  if (info.kind != kMenuEntrySubMenu) info.shortcut = ParseShortcut(tab + 1);
  return info;
}

std::string MenuShortcutLabel(const CMenuShortcut& shortcut) {
  if (shortcut.key == 0) return std::string();
  std::string label;
  if (shortcut.modifiers & kMenuControlModifier) label += "Super+";
  if (shortcut.modifiers & kMenuOptionModifier) label += "Alt+";
  if (shortcut.modifiers & kMenuShiftModifier) label += "Shift+";
  if (!(shortcut.modifiers & kMenuNoCommandModifier)) label += "Ctrl+";
  switch (shortcut.key) {
    case kMenuKeyDelete: label += "Del"; break;
    case kMenuGlyphLeftArrow: label += "Left"; break;
    case kMenuGlyphRightArrow: label += "Right"; break;
    case kMenuGlyphUpArrow: label += "Up"; break;
    case kMenuGlyphDownArrow: label += "Down"; break;
    default: label += static_cast<char>(std::toupper(shortcut.key)); break;
  }
  return label;
}
