// The option menu's entries, check marks, sub-menus and current entry.
#include "gui/COptionMenu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/COptionMenuPopup.h"

XR_REGISTER_SOURCE_FILE("gui/COptionMenu.cpp");

namespace {

constexpr long kEntryGrowth = 32;
constexpr long kSubMenuGrowth = 10;

bool IsSeparator(const char* entry) { return std::strcmp(entry, "-") == 0; }
bool IsTitle(const char* entry) { return std::strncmp(entry, "-T", 2) == 0; }

// Formats an entry's text with its prefix into a buffer of
// kParamDisplayTextSize bytes, cut to fit.
void FormatEntry(char* buffer, const char* kind, long prefixNumbers, long position, const char* txt) {
  char formatted[kParamDisplayTextSize * 2];
  switch (prefixNumbers) {
    case 2: std::snprintf(formatted, sizeof formatted, "%s%1ld %s", kind, position, txt); break;
    case 3: std::snprintf(formatted, sizeof formatted, "%s%02ld %s", kind, position, txt); break;
    case 4: std::snprintf(formatted, sizeof formatted, "%s%03ld %s", kind, position, txt); break;
    default: std::snprintf(formatted, sizeof formatted, "%s%s", kind, txt); break;
  }
  CopyControlText(buffer, formatted);
}

}  // namespace

COptionMenu::COptionMenu(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                         CBitmap* click, const long s)
    : CParamDisplay(rect, background, s), bgWhenClick(click) {
  listener = l;
  tag = t;
  if (bgWhenClick) bgWhenClick->remember();
}

COptionMenu::~COptionMenu() {
  // The frame remembers a menu while its pop-up runs, so one runs here only
  // for a menu that never was in a frame's care: it closes unchosen.
  delete menuRun;
  removeAllEntry();
  if (bgWhenClick) bgWhenClick->forget();
}

bool COptionMenu::allocateMenu(long nb) {
  if (nb <= allocatedEntries) return true;
  char** newEntries = static_cast<char**>(std::realloc(entries, sizeof(char*) * static_cast<size_t>(nb)));
  if (!newEntries) return false;
  entries = newEntries;
  bool* newChecks = static_cast<bool*>(std::realloc(checks, sizeof(bool) * static_cast<size_t>(nb)));
  if (!newChecks) return false;
  checks = newChecks;
  for (long i = allocatedEntries; i < nb; ++i) {
    entries[i] = nullptr;
    checks[i] = false;
  }
  allocatedEntries = nb;
  return true;
}

bool COptionMenu::allocateSubMenu(long nb) {
  if (nb <= allocatedSubMenus) return true;
  COptionMenu** newSubMenus =
      static_cast<COptionMenu**>(std::realloc(subMenus, sizeof(COptionMenu*) * static_cast<size_t>(nb)));
  if (!newSubMenus) return false;
  subMenus = newSubMenus;
  for (long i = allocatedSubMenus; i < nb; ++i) subMenus[i] = nullptr;
  allocatedSubMenus = nb;
  return true;
}

bool COptionMenu::insertSlot(long at) {
  if (nbEntries >= kOptionMenuMaxEntries) return false;
  if (nbEntries >= allocatedEntries && !allocateMenu(allocatedEntries + kEntryGrowth)) return false;
  char* buffer = static_cast<char*>(std::calloc(1, kParamDisplayTextSize));
  if (!buffer) return false;
  for (long i = nbEntries; i > at; --i) {
    entries[i] = entries[i - 1];
    checks[i] = checks[i - 1];
  }
  entries[at] = buffer;
  checks[at] = false;
  ++nbEntries;
  return true;
}

bool COptionMenu::addEntry(char* txt, long index) {
  const long at = (index >= 0 && index < nbEntries) ? index : nbEntries;
  if (!insertSlot(at)) return false;
  if (index >= 0 && index <= currentIndex) ++currentIndex;
  if (txt) FormatEntry(entries[at], "", prefixNumbers, at + 1, txt);
  if (currentIndex < 0) currentIndex = 0;
  return true;
}

bool COptionMenu::addEntry(COptionMenu* subMenu, char* txt) {
  if (!subMenu || !txt || nbEntries >= kOptionMenuMaxEntries) return false;
  if (nbSubMenus >= allocatedSubMenus && !allocateSubMenu(allocatedSubMenus + kSubMenuGrowth)) return false;
  const long at = nbEntries;
  if (!insertSlot(at)) return false;
  FormatEntry(entries[at], "-M", prefixNumbers, at + 1, txt);
  subMenus[nbSubMenus++] = subMenu;
  subMenu->remember();
  if (currentIndex < 0) currentIndex = 0;
  return true;
}

long COptionMenu::getCurrent(char* txt, bool countSeparator) const {
  if (currentIndex < 0 || currentIndex >= nbEntries) return -1;
  if (txt) std::memcpy(txt, entries[currentIndex], std::strlen(entries[currentIndex]) + 1);
  if (countSeparator) return currentIndex;
  long counted = 0;
  for (long i = 0; i < currentIndex; ++i)
    if (!IsSeparator(entries[i]) && !IsTitle(entries[i])) ++counted;
  return counted;
}

bool COptionMenu::setCurrent(long index, bool countSeparator) {
  if (index < 0 || index >= nbEntries) return false;
  if (countSeparator) {
    if (IsSeparator(entries[index])) return false;
    currentIndex = index;
  } else {
    long counted = 0;
    long visited = 0;
    for (long i = 0; i < nbEntries; ++i) {
      visited = i;
      if (!IsSeparator(entries[i]) && !IsTitle(entries[i])) ++counted;
      if (counted > index) break;
    }
    currentIndex = visited;
  }
  if (style & kStyleMultipleCheck) checks[currentIndex] = !checks[currentIndex];
  setDirty(true);
  return true;
}

void COptionMenu::setValue(float val) {
  // A NaN names no entry.
  if (!(val == val)) return;
  const long index = truncToLong(val);
  if (index < 0 || index >= nbEntries) return;
  currentIndex = index;
  if (style & kStyleMultipleCheck) checks[currentIndex] = !checks[currentIndex];
  value = val;
  setDirty(true);
}

bool COptionMenu::getEntry(long index, char* txt) const {
  if (index < 0 || index >= nbEntries) return false;
  if (txt) std::memcpy(txt, entries[index], std::strlen(entries[index]) + 1);
  return true;
}

bool COptionMenu::setEntry(long index, char* txt) {
  if (index < 0 || index >= nbEntries) return false;
  if (txt) CopyControlText(entries[index], txt);
  return true;
}

long COptionMenu::getIndex(char* txt) const {
  if (!txt) return -1;
  for (long i = 0; i < nbEntries; ++i)
    if (std::strcmp(entries[i], txt) == 0) return i;
  return -1;
}

bool COptionMenu::removeEntry(long index) {
  if (index < 0 || index >= nbEntries) return false;
  std::free(entries[index]);
  for (long i = index; i < nbEntries - 1; ++i) {
    entries[i] = entries[i + 1];
    checks[i] = checks[i + 1];
  }
  --nbEntries;
  entries[nbEntries] = nullptr;
  checks[nbEntries] = false;
  if (index <= currentIndex) --currentIndex;
  if (nbEntries == 0) currentIndex = -1;
  return true;
}

bool COptionMenu::removeAllEntry() {
  for (long i = 0; i < nbEntries; ++i) std::free(entries[i]);
  for (long i = 0; i < nbSubMenus; ++i)
    if (subMenus[i]) subMenus[i]->forget();
  std::free(entries);
  std::free(checks);
  std::free(subMenus);
  entries = nullptr;
  checks = nullptr;
  subMenus = nullptr;
  nbEntries = 0;
  nbSubMenus = 0;
  allocatedEntries = 0;
  allocatedSubMenus = 0;
  currentIndex = -1;
  return true;
}

bool COptionMenu::checkEntry(long index, bool state) {
  if (index < 0 || index >= nbEntries) return false;
  checks[index] = state;
  return true;
}

bool COptionMenu::checkEntryAlone(long index) {
  if (index < 0 || index >= nbEntries) return false;
  for (long i = 0; i < nbEntries; ++i) checks[i] = false;
  checks[index] = true;
  return true;
}

bool COptionMenu::isCheckEntry(long index) const {
  if (index < 0 || index >= nbEntries) return false;
  return checks[index];
}

COptionMenu* COptionMenu::getSubMenu(long idx) const {
  if (idx < 0 || idx >= nbSubMenus) return nullptr;
  return subMenus[idx];
}

COptionMenu* COptionMenu::getLastItemMenu(long& idxInMenu) const {
  if (!lastMenu) {
    idxInMenu = -1;
    return nullptr;
  }
  idxInMenu = truncToLong(lastMenu->getValue());
  return lastMenu;
}

COptionMenu* COptionMenu::getItemMenu(long idx, long& idxInMenu, long& offsetIdx) {
  if (menuID == offsetIdx) {
    idxInMenu = idx;
    return this;
  }
  for (long i = 0; i < nbSubMenus; ++i) {
    if (!subMenus[i]) continue;
    if (COptionMenu* menu = subMenus[i]->getItemMenu(idx, idxInMenu, offsetIdx)) return menu;
  }
  return nullptr;
}

const char* COptionMenu::shownText(long index) const {
  const char* text = entries[index];
  const size_t length = std::strlen(text);
  const size_t skip = prefixNumbers > 0 ? static_cast<size_t>(prefixNumbers) : 0;
  return text + (skip < length ? skip : length);
}

void COptionMenu::draw(CDrawContext* context) {
  if (currentIndex >= 0 && currentIndex < nbEntries)
    drawText(context, shownText(currentIndex));
  else
    drawText(context, nullptr);
}

bool COptionMenu::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "COptionMenu") == 0) return true;
  return CParamDisplay::isTypeOf(type);
}
