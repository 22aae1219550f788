// The flashing on/off button and the option menu with abbreviations.
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"

XR_REGISTER_SOURCE_FILE("Helpers/DerivedControlsMenus.cpp");

namespace {
constexpr unsigned int kFlashOnMs = 500;
constexpr unsigned int kFlashOffMs = 200;
}  // namespace

// --- COnOffButtonExtended --------------------------------------------------------------

COnOffButtonExtended::COnOffButtonExtended(const CRect& size, CControlListener* listener, long tag,
                                           CBitmap* background, long style)
    : COnOffButton(size, listener, tag, background, style) {}

void COnOffButtonExtended::draw(CDrawContext* context) {
  XR_TRY
  const unsigned int now = GetTickCount();
  if (MsReached(now, nNextFlashTicks)) {
    bFlashPhase = !bFlashPhase;
    nNextFlashTicks = now + (bFlashPhase ? kFlashOnMs : kFlashOffMs);
  }
  if (bFlashWhenOn && !bFlashPhase && value != 0.0f) {
    const float on = value;
    value = 0.0f;
    COnOffButton::draw(context);
    value = on;
    // Drawn as off, but the value stays on: not dirty until the next flip.
    oldValue = value;
    return;
  }
  COnOffButton::draw(context);
  XR_CATCH_VOID
}

void COnOffButtonExtended::Update() {
  XR_TRY
  if (MsReached(GetTickCount(), nNextFlashTicks)) setDirty(true);
  XR_CATCH_VOID
}

void COnOffButtonExtended::SetFlashWhenOn() {
  bFlashWhenOn = true;
  nNextFlashTicks = 0;
}

bool COnOffButtonExtended::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "COnOffButtonExtended") == 0) return true;
  return COnOffButton::isTypeOf(type);
}

// --- COptionMenuExtended -----------------------------------------------------------------

COptionMenuExtended::COptionMenuExtended(const CRect& size, CControlListener* listener, long tag,
                                         CBitmap* background, CBitmap* backgroundWhenClicked, long style)
    : COptionMenu(size, listener, tag, background, backgroundWhenClicked, style) {}

COptionMenuExtended::~COptionMenuExtended() { FreeAbbreviations(); }

float COptionMenuExtended::ConvertParamToValue(float param) {
  XR_TRY
  return getMin() + (getMax() - getMin()) * param + 0.5f;
  XR_CATCH(0.0f)
}

void COptionMenuExtended::FreeAbbreviations() {
  for (long i = 0; i < nAbbreviations; ++i) delete[] ppszAbbreviations[i];
  delete[] ppszAbbreviations;
  ppszAbbreviations = nullptr;
  nAbbreviations = 0;
}

void COptionMenuExtended::UseAbbreviations(const char* const* texts) {
  XR_TRY
  FreeAbbreviations();
  bUseAbbreviations = true;
  const long n = getNbEntries();
  ppszAbbreviations = new char*[n > 0 ? n : 1]();
  nAbbreviations = n;
  bool ended = !texts;
  for (long i = 0; i < n; ++i) {
    if (!ended && !texts[i]) ended = true;
    if (ended) continue;
    ppszAbbreviations[i] = new char[kParamDisplayTextSize];
    CopyControlText(ppszAbbreviations[i], texts[i]);
  }
  setDirty(true);
  XR_CATCH_VOID
}

void COptionMenuExtended::draw(CDrawContext* context) {
  XR_TRY
  const long current = getCurrent();
  const char* text = nullptr;
  if (current >= 0 && getNbEntries() > 0) {
    if (bUseAbbreviations)
      text = current < nAbbreviations ? ppszAbbreviations[current] : nullptr;
    else
      text = shownText(current);
  }
  drawText(context, text);
  XR_CATCH_VOID
}

bool COptionMenuExtended::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "COptionMenuExtended") == 0) return true;
  return COptionMenu::isTypeOf(type);
}
