// CHorizontalSwitch: a multi-position switch picked by the pointer's
// horizontal place. The value runs from 0 (first position) to 1 (last) in
// equal steps. Command-click or a double click resets to the default value
// (0).
//
// Images: with an explicit image size they are stacked vertically, one per
// position, imageWidth pixels apart (the size given as heightOfOneImage),
// and the positions share the bitmap's width. Built from the bitmap alone,
// the images lie side by side, each as wide as the control, and the
// positions share the control's width.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CHorizontalSwitch : public CControl {
 public:
  CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                    long heightOfOneImage, long iMaxPositions, CBitmap* background,
                    CPoint& offset);
  // Images as wide as size; as many positions as the bitmap holds images.
  CHorizontalSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                    CPoint& offset);
  ~CHorizontalSwitch() override;

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // The drag picks positions while the buttons stay as they were at the press.
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  bool isTypeOf(const char* type) const override;

 protected:
  // The position under where (parent coordinates), told when it changed.
  void pickAt(CDrawContext* context, const CPoint& where);

  CPoint offset;
  long imageCount;
  long positionCount;
  long imageWidth;
  bool imagesSideBySide;  // built from the bitmap alone
};
