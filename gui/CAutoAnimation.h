// CAutoAnimation: a manually stepped animation. A click opens it (first
// frame shown, listener told) or closes it again (nobody told); while open,
// its owner steps the frames with nextPixmap and previousPixmap. The value
// is the pixel offset of the current frame in the strip (frames stacked
// vertically from `offset`); nothing is drawn while closed.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CAutoAnimation : public CControl {
 public:
  CAutoAnimation(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
                 long heightOfOneImage, CBitmap* background, CPoint& offset);
  // Frames as tall as size; as many as the bitmap holds.
  CAutoAnimation(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                 CPoint& offset);
  ~CAutoAnimation() override;

  virtual void openWindow() { windowOpened = true; }
  virtual void closeWindow() { windowOpened = false; }
  // One frame on, back to the first after the last.
  virtual void nextPixmap();
  // One frame back, on to the last before the first.
  virtual void previousPixmap();

  bool isWindowOpened() const { return windowOpened; }

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CPoint offset;
  long imageCount;
  long imageHeight;
  long totalHeight;  // imageCount * imageHeight
  bool windowOpened = false;
};
