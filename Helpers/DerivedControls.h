// Controls the editor framework derives from the toolkit's stock controls:
// a static label, an invisible click area (the flip button), a text button
// with an optional hover text, an on/off button that can flash while on, and
// an option menu that can show abbreviations.
//
// Thread contract: user-interface thread only, like every control.
#pragma once

#include "Helpers/MouseMoveAwayHook.h"
#include "gui/COnOffButton.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"

// A one-line label bound to nothing (tag 9999): transparent, drawn in the
// font colour on whatever lies behind it.
class CStaticText : public CParamDisplay {
 public:
  CStaticText(const CRect& size, const char* text, CFont font, CTxtFace face, CBitmap* background);
  // Texts longer than 255 bytes are cut (never inside a UTF-8 character).
  virtual void SetText(const char* text);
  const char* GetText() const { return szText; }
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  char szText[kParamDisplayTextSize] = {};
};

// A click area that draws nothing: a left click toggles its value between 0
// and 1 and tells the listener.
class CInvisibleButton : public CControl {
 public:
  CInvisibleButton(const CRect& size, CControlListener* listener, bool standardPointer);
  void draw(CDrawContext* context) override;
  // The passed buttons are not used: the current ones are read.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // Asks for the standard pointer when so made.
  void mouseMove(CDrawContext* context, CPoint& where, long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

 protected:
  bool bStandardPointer;
};

// A text that acts as a button. Its visible part is a static text of the
// button's size (GetTextPart, for colours and opacity); with a hover text,
// the hover text shows while the mouse is over the button.
class CTextButton : public CInvisibleButton, public CMouseMoveAwayHook {
 public:
  CTextButton(const CRect& size, CControlListener* listener, const char* text, CFont font, CTxtFace face,
              bool standardPointer, const char* hoverText);
  ~CTextButton() override;

  virtual void SetText(const char* text);
  virtual void SetHoverText(const char* text);
  // No effect: the visible part's own colours are used.
  virtual void SetClearToColor(CColor) {}
  // With a transparent visible part, the parent is redrawn as well, so the
  // background behind a changed text is painted again.
  virtual void ForceRefresh();
  CStaticText* GetTextPart() const { return pText; }
  const char* GetNormalText() const { return szNormalText; }

  void draw(CDrawContext* context) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void MouseMovedAway(CDrawContext* context) override;
  // Either part may need drawing: a colour set on the visible part counts.
  bool isDirty() const override;
  void setDirty(const bool val = true) override;
  void setViewSize(CRect& rect) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CStaticText* pText;  // owned
  bool bHasHoverText = false;
  bool bHovered = false;
  char szNormalText[kParamDisplayTextSize] = {};
  char szHoverText[kParamDisplayTextSize] = {};
};

// An on/off button that, once SetFlashWhenOn was called, blinks while on: on
// for 500 ms, off for 200 ms. Update() keeps an idle loop redrawing it.
class COnOffButtonExtended : public COnOffButton {
 public:
  COnOffButtonExtended(const CRect& size, CControlListener* listener, long tag, CBitmap* background, long style);
  void draw(CDrawContext* context) override;
  void Update();
  void SetFlashWhenOn();
  bool isTypeOf(const char* type) const override;

 protected:
  bool bFlashWhenOn = false;
  unsigned int nNextFlashTicks = 0;
  bool bFlashPhase = true;
};

// An option menu whose parameter maps to the nearest entry, and which may
// show an abbreviation of its current entry instead of the entry's text.
class COptionMenuExtended : public COptionMenu {
 public:
  COptionMenuExtended(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                      CBitmap* backgroundWhenClicked, long style);
  ~COptionMenuExtended() override;
  // The entry index of a parameter: min + (max - min) * p, rounded.
  float ConvertParamToValue(float param) override;
  // One copy per current entry; entries from the first null text on have
  // none.
  void UseAbbreviations(const char* const* texts);
  // Takes a text that is not changed (the base's entries are copies).
  bool addEntry(const char* text, long index = -1) { return COptionMenu::addEntry(const_cast<char*>(text), index); }
  using COptionMenu::addEntry;
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  void FreeAbbreviations();

  bool bUseAbbreviations = false;
  char** ppszAbbreviations = nullptr;  // owned, nAbbreviations entries
  long nAbbreviations = 0;
};
