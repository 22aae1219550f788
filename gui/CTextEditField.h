// CTextEditField: the single-line edit field that a text edit (CTextEdit)
// opens over itself while the user types. A view of the frame, laid over the
// control in frame coordinates, that draws its text on white with the caret
// and selection, takes the keys the text edit passes on and places the caret
// by the mouse.
//
// Keys (VST key records): printable characters (taken as Unicode code
// points) and the keypad insert; Backspace and Delete erase; Left, Right,
// Home, End (and Up and Down as Home and End) move the caret, with Shift
// extending the selection; Ctrl+A selects all, Ctrl+C, Ctrl+X and Ctrl+V copy,
// cut and paste. Return, Enter, Escape and Tab are left to the text edit and
// the frame. Copy and paste go through the desktop's clipboard (the frame's);
// pasted text arrives a little later, when the clipboard's owner answers.
//
// Characters the field's font has no glyph for, typed or pasted, are turned
// into a question mark, so that what the field holds is what it shows.
//
// Thread contract: user-interface thread only.
#pragma once

#include <string>

#include "gui/CTextEditBuffer.h"
#include "gui/CView.h"

class CTextEditField : public CView {
 public:
  // size in frame coordinates; text drawn in font at its standard size,
  // aligned by align while it fits.
  CTextEditField(const CRect& size, CFont font, CHoriTxtAlign align);
  ~CTextEditField() override;

  // Replaces the text (at most 255 bytes) and selects all of it.
  void setText(const char* text);
  // Text from the clipboard: replaces the selection (its first line).
  void pasteText(const std::string& text);
  const std::string& getText() const { return buffer.Text(); }
  CTextEditBuffer& getBuffer() { return buffer; }

  void draw(CDrawContext* context) override;
  // A press places the caret (Shift extends the selection, a double click
  // selects all); dragging with the button held selects, from the drag's
  // motions.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  // 1 for every key but Tab, which goes to the frame (-1).
  long onKeyDown(VstKeyCode& keyCode) override;
  bool isTypeOf(const char* type) const override;

  // The byte offset of the character boundary nearest to x (frame
  // coordinates) as the field last laid its text out.
  size_t positionAt(CDrawContext* context, long x);

 private:
  // The code point, or '?' when the font cannot show it.
  uint32_t showable(uint32_t codePoint) const;
  // Where the text starts (x, frame coordinates) so that the caret shows.
  long layoutText(CDrawContext* context);
  long widthOf(CDrawContext* context, size_t bytes);

  CTextEditBuffer buffer;
  CFont font;
  CHoriTxtAlign align;
  long scroll = 0;            // pixels of text scrolled out on the left
  unsigned int lastClickTicks = 0;  // frame ticks of the last press
  CPoint lastClick;                 // where it was
  bool hasClicked = false;
};

// Colours of the open edit field.
inline constexpr CColor kEditFieldBackColor = {255, 255, 255, 255};
inline constexpr CColor kEditFieldTextColor = {0, 0, 0, 255};
inline constexpr CColor kEditFieldSelectionColor = {173, 206, 250, 255};
