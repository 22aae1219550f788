// CSlider: a handle bitmap moved along a track over a background bitmap,
// horizontally or vertically, with the value's origin at one end (style
// bits of CControlStyle: kHorizontal or kVertical, and one of kLeft,
// kRight, kTop, kBottom). CHorizontalSlider and CVerticalSlider add the
// orientation bit to the style they are given.
//
// A click makes the handle's centre jump to the pointer (free click), or,
// with free click off, must fall on the handle, which then keeps the
// pointer's place on it. While Shift is held the value moves a zoomFactor-th
// as fast. The press sets the value from its point and each motion of the
// drag from its own (CControl's event-driven tracking). Command-click or a
// double click resets to the default value. The wheel and the arrow keys
// step as a knob's do.
//
// Positions along the axis are in pixels from the control's left (or top):
// the handle's leading edge is at the handle offset plus the value's share
// of rangeHandle, held within minHandlePos and maxHandlePos.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CSlider : public CControl {
 public:
  // The handle travels from iMinPos to iMaxPos (parent coordinates along
  // the axis); handle offset (0, 0).
  CSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos, long iMaxPos,
          CBitmap* handle, CBitmap* background, CPoint& offset, long style = kLeft | kHorizontal);
  // The handle starts at offsetHandle inside the control and its track is
  // rangeHandle pixels long, the handle included.
  CSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
          long rangeHandle, CBitmap* handle, CBitmap* background, CPoint& offset,
          long style = kLeft | kHorizontal);
  ~CSlider() override;

  virtual void setDrawTransparentHandle(bool val) { drawTransparentHandle = val; }
  virtual void setFreeClick(bool val) { freeClick = val; }
  virtual bool getFreeClick() const { return freeClick; }
  // Stores the offset and recomputes the handle's limits.
  virtual void setOffsetHandle(CPoint& val);
  // Remembers the new handle, forgets the old one and takes the new one's
  // size (a null handle keeps the old size).
  virtual void setHandle(CBitmap* handle);
  virtual CBitmap* getHandle() const { return handle; }
  virtual void setZoomFactor(float val) { zoomFactor = val; }
  virtual float getZoomFactor() const { return zoomFactor; }

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  long onKeyDown(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  using CControl::onWheel;
  bool isTypeOf(const char* type) const override;

 protected:
  // The handle's rectangle for the current value, in parent coordinates.
  CRect handleRect() const;
  bool isHorizontal() const { return (style & kHorizontal) != 0; }
  // One step of the drag to where (parent coordinates) with the buttons
  // held.
  void dragTo(CDrawContext* context, const CPoint& where, long buttons);

  CPoint offset;        // background bitmap point
  CPoint offsetHandle;  // handle origin inside the control
  CBitmap* handle;      // one reference held, or null
  long style;
  long handleWidth = 1;
  long handleHeight = 1;
  long rangeHandle = 0;  // travel, pixels
  long minHandlePos = 0;
  long maxHandlePos = 0;
  long minPos = 0;
  long controlWidth;
  long controlHeight;
  float zoomFactor = 10.0f;
  bool drawTransparentHandle = true;
  bool freeClick = true;

  // The drag under way, set up by the press.
  long dragGrab = 0;           // the pointer's place along the axis at value 0
  float dragBaseValue = 0.0f;  // Shift moves the value from here
  long dragButtons = 0;        // the buttons dragBaseValue was taken for
};

class CHorizontalSlider : public CSlider {
 public:
  CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                    long iMaxPos, CBitmap* handle, CBitmap* background, CPoint& offset,
                    long style = kLeft);
  CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
                    long rangeHandle, CBitmap* handle, CBitmap* background, CPoint& offset,
                    long style = kLeft);
};

class CVerticalSlider : public CSlider {
 public:
  CVerticalSlider(const CRect& size, CControlListener* listener, long tag, long iMinPos,
                  long iMaxPos, CBitmap* handle, CBitmap* background, CPoint& offset,
                  long style = kBottom);
  CVerticalSlider(const CRect& size, CControlListener* listener, long tag, CPoint& offsetHandle,
                  long rangeHandle, CBitmap* handle, CBitmap* background, CPoint& offset,
                  long style = kBottom);
};
