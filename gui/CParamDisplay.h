// CParamDisplay: a control that shows its value, or a given text, as one line
// in a box: background bitmap or filled rectangle, optional frame or 3D edge,
// optional shadow text, with a font, face, colours and alignment. It is the
// base of the text edit, the option menu, the text label and the editor's
// static texts; drawText does the drawing for all of them.
//
// The value becomes text through the converters when set (the one with data
// first), else as "%2.2f". Texts are at most 255 bytes.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

// Style bits of the text controls (a long; the option menu gives some of them
// a meaning of its own).
enum CParamDisplayStyle {
  kStyleMultipleCheck = 1,   // option menus: each entry keeps its own check mark
  kStyleShadowText = 4,      // the text is drawn once more, offset, in the shadow colour
  kStyle3DIn = 0x80,         // sunken 3D edge
  kStyle3DOut = 0x100,       // raised 3D edge
  kStylePopup = 0x200,       // option menus: the menu opens at the control's top
  kStyleCheck = 0x400,       // option menus: the current entry carries a check mark
  kStyleNoText = 0x800,      // no text is drawn
  kStyleNoDraw = 0x1000,     // nothing is drawn, and the control starts clean
  kStyleDoubleClick = 0x2000,// text edits open only on a double click
  kStyleNoFrame = 0x4000     // no frame around the filled background
};

// Room for a control's text: 255 bytes and the terminator.
inline constexpr long kParamDisplayTextSize = 256;

class CParamDisplay : public CControl {
 public:
  CParamDisplay(const CRect& size, CBitmap* background = nullptr, const long style = 0);
  ~CParamDisplay() override;

  // The appearance setters mark the control dirty when the value changes.
  virtual void setFont(CFont fontID);
  CFont getFont() const { return font; }
  virtual void setFontColor(CColor color);
  CColor getFontColor() const { return fontColor; }
  virtual void setBackColor(CColor color);
  CColor getBackColor() const { return backColor; }
  virtual void setFrameColor(CColor color);
  CColor getFrameColor() const { return frameColor; }
  virtual void setShadowColor(CColor color);
  CColor getShadowColor() const { return shadowColor; }
  virtual void setHoriAlign(CHoriTxtAlign hAlign);
  CHoriTxtAlign getHoriAlign() const { return horiAlign; }
  // Converters: value to text (into a buffer of kParamDisplayTextSize).
  virtual void setStringConvert(void (*convert)(float value, char* string));
  virtual void setStringConvert(void (*convert)(float value, char* string, void* data), void* data);
  // Text to value; kept for derived controls.
  virtual void setString2FloatConvert(void (*convert)(char* string, float& output));
  virtual void setStyle(long val);
  long getStyle() const { return style; }
  virtual void setTxtFace(CTxtFace val);
  CTxtFace getTxtFace() const { return txtFace; }
  // True: the text is drawn without an opaque box.
  virtual void setTextTransparency(bool val) { textTransparency = val; }
  bool getTextTransparency() const { return textTransparency; }

  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

  // Background (newBack, else the background bitmap, else the filled and
  // framed rectangle), 3D edge, then string (null: no text). Clears the
  // dirty state first; with kStyleNoDraw that is all.
  void drawText(CDrawContext* context, const char* string, CBitmap* newBack = nullptr);

 protected:
  // The value as text by the converters, into text (kParamDisplayTextSize
  // bytes); false when no converter is set.
  bool convertValue(char* text);

  void (*stringConvert)(float value, char* string) = nullptr;
  void (*stringConvertWithData)(float value, char* string, void* data) = nullptr;
  void (*string2FloatConvert)(char* string, float& output) = nullptr;
  void* convertData = nullptr;
  CHoriTxtAlign horiAlign = kAlignCenter;
  long style;
  CFont font = kFontNormal;
  CTxtFace txtFace = kFaceNormal;
  CColor fontColor = kWhiteCColor;
  CColor backColor = kBlackCColor;
  CColor frameColor = kBlackCColor;
  CColor shadowColor = kRedCColor;
  bool textTransparency = true;
};

// Copies at most kParamDisplayTextSize - 1 bytes of source into destination
// (kParamDisplayTextSize bytes) and terminates it, never cutting a UTF-8
// character in two. A null source gives an empty text.
void CopyControlText(char* destination, const char* source);
