// CScrollbar: a control whose value (0 to 1) is a scroll position, drawn as
// a bar with a scroller whose length shows the visible share of the content.
// Dragging the scroller moves it; a press elsewhere pages toward the pointer;
// the wheel steps it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CScrollbar;

// Takes over the drawing of a scroll bar's background and scroller.
class IScrollbarDrawer {
 public:
  virtual void drawScrollbarBackground(CDrawContext* context, const CRect& size, long direction,
                                       CScrollbar* bar) = 0;
  virtual void drawScrollbarScroller(CDrawContext* context, const CRect& size, long direction,
                                     CScrollbar* bar) = 0;

 protected:
  ~IScrollbarDrawer() = default;
};

class CScrollbar : public CControl {
 public:
  enum { kHorizontal = 0, kVertical = 1 };

  // direction: kHorizontal or kVertical; scrollSize: the content's size.
  CScrollbar(const CRect& size, CControlListener* listener, long tag, long direction,
             const CRect& scrollSize);
  ~CScrollbar() override;

  // Stores the content's size and measures the scroller again.
  virtual void setScrollSize(const CRect& ssize);
  const CRect& getScrollSize() const { return scrollSize; }
  // The scroller's length: the bar's extent times the visible share, 0 when
  // everything shows. A change marks the bar dirty.
  virtual void calculateScrollerLength();
  long getScrollerLength() const { return scrollerLength; }
  // The scroller's rectangle at the current value.
  CRect getScrollerRect() const;
  const CRect& getScrollerArea() const { return scrollerArea; }

  void setStep(float val) { stepValue = val; }
  float getStep() const { return stepValue; }
  void setFrameColor(const CColor& color) { frameColor = color; }
  void setScrollerColor(const CColor& color) { scrollerColor = color; }
  void setBackgroundColor(const CColor& color) { backgroundColor = color; }
  // Not owned; null draws the plain bar.
  void setDrawer(IScrollbarDrawer* d) { drawer = d; }

  void draw(CDrawContext* context) override;
  virtual void drawBackground(CDrawContext* context);
  virtual void drawScroller(CDrawContext* context, const CRect& rect);
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // distance steps of the wheel increment (a tenth with Shift, the other
  // way); horizontal bars take the distance negated.
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  bool isTypeOf(const char* type) const override;

 protected:
  long extent(const CRect& r) const { return direction == kHorizontal ? r.width() : r.height(); }
  long along(const CPoint& p) const { return direction == kHorizontal ? p.h : p.v; }
  long startOf(const CRect& r) const { return direction == kHorizontal ? r.left : r.top; }
  // Sets the value clamped to 0..1 and tells the listener when it moved.
  void moveTo(CDrawContext* context, float newValue);
  void dragScroller(CDrawContext* context, const CPoint& where);
  void pageToward(CDrawContext* context, CPoint where);

  long direction;
  CRect scrollSize;
  CRect scrollerArea;
  float stepValue = 0.1f;
  long scrollerLength = 0;
  CColor frameColor = {0, 0, 0, 255};
  CColor scrollerColor = {0, 0, 255, 255};
  CColor backgroundColor = {255, 255, 255, 200};
  IScrollbarDrawer* drawer = nullptr;
};
