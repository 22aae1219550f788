// CSpecialDigit: a multi-digit number display. The value, a whole number
// from 0 to 10^digitCount - 1, is shown digit by digit (most significant
// first), each digit an image of a strip of ten (0 to 9, stacked vertically,
// digitHeight apart) drawn at its own place. It takes no input.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CSpecialDigit : public CControl {
 public:
  // The most digits a display shows.
  static constexpr long kMaxDigits = 7;

  // dwPos: the value shown; iNumbers: the number of digits (at most
  // kMaxDigits); xpos/ypos: iNumbers places (parent coordinates) of the
  // digits, or null for digits side by side from the control's top-left;
  // width/height: one digit's size.
  CSpecialDigit(const CRect& size, CControlListener* listener, long tag, long dwPos,
                long iNumbers, long* xpos, long* ypos, long width, long height,
                CBitmap* background);
  ~CSpecialDigit() override;

  // value / maxValue, within 0..1.
  virtual float getNormValue() const;

  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  long digitCount;
  long xPos[kMaxDigits] = {};
  long yPos[kMaxDigits] = {};
  long digitWidth;
  long digitHeight;
};
