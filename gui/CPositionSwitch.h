// CPositionSwitch: what the horizontal and the vertical switch share, a
// multi-position switch picked by the pointer's place along its
// orientation. The value runs from 0 (first position) to 1 (last) in equal
// steps, one image per position. A click, and a drag while the buttons stay
// as they were at the press, picks the position under the pointer;
// Command-click or a double click resets to the default value (0).
//
// The images lie imageStep pixels apart in the bitmap, stacked downwards or
// side by side along its width. The positions share the length of one image
// along the orientation: imageStep where the images follow one another
// along it, the bitmap's own extent where they lie across it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CPositionSwitch : public CControl {
 public:
  ~CPositionSwitch() override;

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;

 protected:
  // orientation: kHorizontal or kVertical.
  CPositionSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background, const CPoint& offset,
                  long orientation, long imageCount, long positionCount, long imageStep, bool imagesSideBySide);

  // The value of the position under where (parent coordinates).
  float valueAt(const CPoint& where) const;

  CPoint offset;
  long orientation;
  long imageCount;
  long positionCount;
  long imageStep;         // from one image to the next in the bitmap
  bool imagesSideBySide;  // along the bitmap's width, not stacked down it
};
