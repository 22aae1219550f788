// CVerticalSwitch: a multi-position switch. The background bitmap holds one
// image per position, stacked vertically; the value runs from 0 (first
// position) to 1 (last) in equal steps. A click, and a drag while the
// buttons stay as they were, picks the position under the pointer from the
// top of the control in steps of imageHeight / positionCount pixels.
// Command-click or a double click resets to the default value (0).
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CVerticalSwitch : public CControl {
 public:
  CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                  long heightOfOneImage, long iMaxPositions, CBitmap* background, CPoint& offset);
  // Images as tall as size; as many positions as the bitmap holds images.
  CVerticalSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                  CPoint& offset);
  ~CVerticalSwitch() override;

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
  long imageHeight;
  long positionCount;
};
