// CAnimKnob: a knob that draws no handle but shows one frame of a film-strip
// bitmap (frames stacked vertically) per value step. It drags, wheels and
// steps as CKnob does.
//
// Redrawing follows the handle point that CKnob would draw: a change too
// small to move that point by a pixel neither redraws the knob nor, inside
// a drag, tells the listener.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CKnob.h"

class CAnimKnob : public CKnob {
 public:
  // subPixmaps frames of heightOfOneImage pixels each.
  CAnimKnob(const CRect& size, CControlListener* listener, long tag, long subPixmaps,
            long heightOfOneImage, CBitmap* background, CPoint& offset);
  // Frames as tall as size; their count is the bitmap's height divided by
  // that (0 without a bitmap or with an empty rectangle).
  CAnimKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
            CPoint& offset);
  ~CAnimKnob() override;

  // Frames run from the bottom of the strip when set.
  void setInverseBitmap(bool val) { inverseBitmap = val; }

  // The frame of the value, snapped down to a frame boundary (the first
  // frame for a negative value).
  void draw(CDrawContext* context) override;
  bool isDirty() const override;
  bool isTypeOf(const char* type) const override;

 protected:
  long imageCount;
  long imageHeight;
  bool inverseBitmap = false;
  CPoint lastHandlePoint;  // the handle point at the last draw
};
