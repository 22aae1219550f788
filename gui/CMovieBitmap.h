// CMovieBitmap: a display of one frame of a film strip (frames stacked
// vertically from `offset`), chosen by the value from 0 (first frame) to 1
// (last). It takes no input.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CMovieBitmap : public CControl {
 public:
  CMovieBitmap(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
               long heightOfOneImage, CBitmap* background, CPoint& offset);
  // Frames as tall as size; as many as the bitmap holds.
  CMovieBitmap(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
               CPoint& offset);
  ~CMovieBitmap() override;

  // A value above 1 is set to 1; a value of 0 or below shows the first frame.
  void draw(CDrawContext* context) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CPoint offset;
  long imageCount;
  long imageHeight;
};
