// COnOffButton: a two-state switch that toggles its value between 0 and 1
// on each left click. Its background bitmap holds the "off" image in its
// upper half and the "on" image in its lower half (split at half the
// bitmap's height).
//
// The style says when the listener hears of a click: before the idle pass
// that redraws the button (kOnOffNotifyBeforeIdle), after it
// (kOnOffNotifyAfterIdle), or, for any other value, never. The listener is
// told on every click, inside an edit bracket, whether or not the value
// moved.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

enum COnOffButtonStyle { kOnOffNotifyAfterIdle = 0, kOnOffNotifyBeforeIdle = 1 };

class COnOffButton : public CControl {
 public:
  COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
               long style = kOnOffNotifyAfterIdle);
  ~COnOffButton() override;

  virtual long getStyle() const { return style; }
  virtual void setStyle(long val) { style = val; }

  // The lower half when value is not 0 (NaN counts as not 0), else the
  // upper half; transparently when transparency is on.
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

 protected:
  long style;
};
