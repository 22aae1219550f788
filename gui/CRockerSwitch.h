// CRockerSwitch: a three-position spring-back rocker. While pressed, the
// left half (kHorizontal) or top half of the control gives -1 and the other
// half +1; on release it springs back to 0 and the listener always hears
// that final 0. The wheel rocks it once: up (positive) gives -1, down +1.
//
// The background bitmap holds three images imageHeight apart from `offset`
// down: the one for -1, the resting one (0) and the one for +1.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CRockerSwitch : public CControl {
 public:
  CRockerSwitch(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
                CBitmap* background, CPoint& offset, const long style = kHorizontal);
  // The image height is the width of size.
  CRockerSwitch(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                CPoint& offset, const long style = kHorizontal);
  ~CRockerSwitch() override;

  // The image at offset for -1, one image lower for 0, two lower for 1.
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  using CControl::onWheel;
  bool isTypeOf(const char* type) const override;

 protected:
  // -1 or +1 by the half of the control the pointer is in, the entry value
  // outside the control (edges included).
  float valueAt(const CPoint& where, float entryValue) const;

  CPoint offset;
  long imageHeight;
  long style;
  float entryValue = 0.0f;  // of the press under way
};
