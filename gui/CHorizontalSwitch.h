// CHorizontalSwitch: a multi-position switch picked by the pointer's
// horizontal place (CPositionSwitch).
//
// Images: with an explicit image size they are stacked vertically, one per
// position, imageWidth pixels apart (the size given as heightOfOneImage),
// and the positions share the bitmap's width. Built from the bitmap alone,
// the images lie side by side, each as wide as the control, and the
// positions share the control's width.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CPositionSwitch.h"

class CHorizontalSwitch : public CPositionSwitch {
 public:
  CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                    long heightOfOneImage, long iMaxPositions, CBitmap* background,
                    CPoint& offset);
  // Images as wide as size; as many positions as the bitmap holds images.
  CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                    CPoint& offset);
  ~CHorizontalSwitch() override;

  bool isTypeOf(const char* type) const override;
};
