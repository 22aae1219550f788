// Controls the editor framework derives from the toolkit's stock controls:
// a static label, an invisible click area (the flip button), a text button
// with an optional hover text, an on/off button that can flash while on, an
// option menu that can show abbreviations, a text edit whose text is a
// number, the numeric drag field, a multi-state button, a static bitmap and a
// colour rectangle; and the value-to-text helpers of the displays.
//
// Source files: DerivedControls.cpp (label, invisible and text buttons),
// DerivedControlsMenus.cpp (flashing button, menu), DerivedControlsText.cpp
// (value-to-text helpers, numeric text edit), DerivedControlsTextDrag.cpp
// (the drag field), DerivedControlsStatic.cpp (multi-state button, static
// bitmap and rectangle).
//
// Thread contract: user-interface thread only, like every control. The
// value-to-text helpers may be called on any thread: each thread has its
// own result buffer.
#pragma once

#include "gui/COnOffButton.h"
#include "gui/COptionMenu.h"
#include "gui/CParamDisplay.h"
#include "gui/CTextEdit.h"
#include "gui/MouseMoveAwayHook.h"

// --- value-to-text helpers ---------------------------------------------------------
//
// Each returns text that stays valid until the calling thread's next call of
// any of them; copy it at once.

enum EFrequencyStringFormat {
  eFSF_OneDecimal = 0,  // kHz always with one decimal
  eFSF_Adaptive = 1     // one decimal below 10 kHz, none from 10 kHz on
};

// Below 1000 Hz "%.0fHz"; otherwise kilohertz as the format says.
const char* FrequencyString(float hz, EFrequencyStringFormat format);
// An amplitude as dB: "%.1fdB" below 10 dB in size, "%.0fdB" from there;
// "-INF" for amplitudes not above 0.
const char* DbString(float amplitude);
// A stereo position (0 left, 0.5 centre, 1 right) as "L50", "0" or "R100".
const char* LRPanString(float position);
// The number at the start of text, times 1000 when the text holds a "k" or
// "K" anywhere; 0 for null.
float XR_atof(const char* text);
// Value-to-text and text-to-value converters for text controls; format is a
// printf format of one floating-point number (null: "%f"). text holds
// kParamDisplayTextSize bytes.
void CTextDrag_StringConvert(float value, char* text, void* format);
void CTextDrag_String2FloatConvert(char* text, float& value);

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
  // The press's buttons decide (-1: the current ones).
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
  // Transparent when its visible part is: what lies behind is drawn first.
  bool getTransparency() const override;
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

// A text edit whose text is a number: setting a text sets the value to the
// number it reads (XR_atof), and an edit the user ends leaves the typed
// number as the value. Background (100, 100, 100).
class CTextEditExtended : public CTextEdit {
 public:
  CTextEditExtended(const CRect& size, CControlListener* listener, long tag, const char* text, CBitmap* background,
                    long style);
  // The text, then the value it reads, held in range.
  void setText(const char* text) override;
  // Ends an open edit (the listener hears of a changed text), then takes the
  // edited text through setText.
  void looseFocus(CDrawContext* context = nullptr) override;
  bool isTypeOf(const char* type) const override;
};

// The numeric drag field: shows value * fScale in a printf format, and
// changes the value by dragging up and down (three pixels a step), by the
// wheel, or by typing after a double click. Command-click restores the
// default value.
//
// Drag laws by type: linear steps of the increment; logarithmic steps of 1 %
// of the logarithmic range between min and max; octave steps of a tenth of
// an octave on whole numbers. Shift makes the linear and logarithmic steps a
// tenth as large; on the octave type it switches to linear steps.
//
// The value the listener reads (getValue) is the number shown, held in
// range, so a typed number is what the listener gets. Typed text that holds
// no finite number is dropped, as Escape would.
//
// New fields take the class defaults set when they are made; creators set
// the defaults before each group of fields.
class CTextDrag : public CTextEditExtended, public virtual CMouseMoveAwayHook {
 public:
  enum ETextDragType {
    eTDT_Linear = 0,
    eTDT_Octaves = 1,  // whole numbers on a scale of tenths of an octave
    eTDT_Log = 2       // logarithmic between min and max (needs 0 < min < max)
  };

  // Class defaults copied by the constructor. The formats are copied too.
  // Per thread: an editor sets them and creates its fields on one thread,
  // and another editor building its panels meanwhile keeps its own.
  static thread_local const char* c_szDefaultFormat;   // "%f"
  static thread_local const char* c_szDefaultKFormat;  // null: not used
  static thread_local float c_fDefaultMin;             // 0
  static thread_local float c_fDefaultMax;             // 1
  static thread_local float c_fDefaultInc;             // 0.01, the wheel and drag step
  static thread_local float c_fDefaultScale;           // 1

  CTextDrag(const CRect& size, CControlListener* listener, long tag, const char* text, CBitmap* background,
            long style);

  // Stores the value and, with a format, shows it: the K format (value *
  // fScale / 1000) from 1000 on when set, else the format. Marks the field
  // dirty when the text changed.
  void setValue(float val) override;
  // The number shown divided by fScale (without a format, the stored value),
  // held within min and max.
  float getValue() const override;
  float ConvertParamToValue(float param) override;
  float ConvertValueToParam(float val) override;
  // The text as typed: the value follows the text (through getValue).
  void setText(const char* text) override;
  void looseFocus(CDrawContext* context = nullptr) override;

  void draw(CDrawContext* context) override;
  // A double click starts typing; any other press goes to captureMouse.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // Linear steps of the increment for every type (a tenth with Shift);
  // false while mouse handling is off.
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  using CTextEditExtended::onWheel;
  // The modifier screening, the Command-click reset and the start of the
  // drag, which its motions then follow.
  virtual void captureMouse(CDrawContext* context, CPoint& where, long buttons);
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  bool isTypeOf(const char* type) const override;

  // The value steps from the press value P after `steps` drag steps (up is
  // negative) by the drag law of the type, before range limiting.
  float DragLawValue(float pressValue, long steps, bool linear) const;

  void SetFormat(const char* format);
  void SetKFormat(const char* format);
  const char* GetFormat() const { return pszFormat; }
  const char* GetKFormat() const { return pszKFormat; }

  ETextDragType eType = eTDT_Linear;
  float fScale = 1.0f;

 protected:
  float Scale() const { return fScale != 0.0f ? fScale : 1.0f; }
  // setValue and bounceValue; true when the value or its text changed.
  bool MoveTo(float v);
  float Limited(float v) const;

  const char* pszFormat = nullptr;   // into szFormat, or null
  const char* pszKFormat = nullptr;  // into szKFormat, or null
  char szFormat[32] = {};
  char szKFormat[32] = {};
  // The drag under way: every step counts from the press's value and height.
  float dragPressValue = 0.0f;
  long dragPressY = 0;
  CPoint dragLast;  // the last point that moved the value
};

// A button of n states: each left click advances the state, wrapping to 0;
// state k is stored as k / (n - 1) and shown as band k of a bitmap of n
// bands stacked vertically.
class CFiniteStatesButton : public CControl {
 public:
  CFiniteStatesButton(int states, const CRect& size, CControlListener* listener, long tag, CBitmap* background);
  int GetState() const;
  int GetStates() const { return nStates; }
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

 protected:
  int nStates;
};

// Draws its bitmap (through its transparent colour while transparency is
// on); bound to nothing.
class CStaticBitmap : public CControl {
 public:
  CStaticBitmap(const CRect& size, CBitmap* bitmap);
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;
};

// Fills its rectangle with one colour; bound to nothing.
class CStaticRect : public CControl {
 public:
  CStaticRect(const CRect& size, const CColor& colour);
  CColor GetColour() const { return colColour; }
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CColor colColour;
};
