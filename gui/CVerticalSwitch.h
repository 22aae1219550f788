// CVerticalSwitch: a multi-position switch picked by the pointer's
// vertical place (CPositionSwitch). The background bitmap holds one image
// per position, stacked vertically imageHeight pixels apart; the positions
// share that height from the top of the control.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CPositionSwitch.h"

class CVerticalSwitch : public CPositionSwitch {
 public:
  CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                  long heightOfOneImage, long iMaxPositions, CBitmap* background, CPoint& offset);
  // Images as tall as size; as many positions as the bitmap holds images.
  CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                  CPoint& offset);
  ~CVerticalSwitch() override;

  bool isTypeOf(const char* type) const override;
};
