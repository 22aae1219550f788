// CVuMeter: a bar meter drawn from an "on" and an "off" bitmap, cut at whole
// steps (nbLed of them over the range). The bar rises at once and falls by
// at most decreaseValue per draw: oldValue holds the level shown, so the
// meter stays dirty, and is redrawn, until the shown level has reached the
// value.
//
// Style: kHorizontal for a bar growing rightward; otherwise it grows upward.
// With setUseOffscreen(true) (before the meter is added to a container) the
// meter draws into an off-screen context of its own and copies that to the
// screen.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class COffscreenContext;

class CVuMeter : public CControl {
 public:
  // Both bitmaps are remembered; nbLed is the number of steps.
  CVuMeter(const CRect& size, CBitmap* onBitmap, CBitmap* offBitmap, long nbLed,
           long style = kBottom);
  ~CVuMeter() override;

  virtual void setDecreaseStepValue(float val) { decreaseValue = val; }

  // Nothing without an on-bitmap.
  void draw(CDrawContext* context) override;
  // Stores the flag only: oldValue is the level shown.
  void setDirty(const bool val = true) override;
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;
  bool isTypeOf(const char* type) const override;

  void setUseOffscreen(bool val = true) { useOffscreen = val; }

 protected:
  // The off-screen context of the control's size, with both rectangles
  // based at (0, 0).
  void makeOffscreen();
  void dropOffscreen();

  CBitmap* onBitmap;   // one reference held, or null
  CBitmap* offBitmap;  // one reference held, or null
  COffscreenContext* offscreen = nullptr;  // one reference held, or null
  long nbLed;
  long style;
  float decreaseValue = 0.1f;
  bool useOffscreen = false;
  CRect rectOn;
  CRect rectOff;
};
