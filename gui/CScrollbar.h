// CScrollbar: a control whose value (0 to 1) is a scroll position, drawn as
// a bar with a scroller whose length shows the visible share of the content.
// Dragging the scroller moves it; a press elsewhere pages toward the pointer,
// and on every 100 ms while the button stays down; the wheel steps it.
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
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackIdle(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
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
  // The scroller follows the pointer from the press.
  void dragScroller(CDrawContext* context, const CPoint& where);
  // One page toward where; false when the scroller has reached it (or an
  // end), and paging is over.
  bool pageToward(CDrawContext* context, const CPoint& where);
  // A page more once the last one is 100 ms old.
  void pageOn(CDrawContext* context, const CPoint& where);

  long direction;
  CRect scrollSize;
  CRect scrollerArea;
  float stepValue = 0.1f;
  long scrollerLength = 0;
  CColor frameColor = {0, 0, 0, 255};
  CColor scrollerColor = {0, 0, 255, 255};
  CColor backgroundColor = {255, 255, 255, 200};
  IScrollbarDrawer* drawer = nullptr;

  // The press under way: what it does, where the scroller was grabbed and
  // started, and when it paged last (frame ticks).
  enum class EDrag { kNone, kScroller, kPaging };
  EDrag drag = EDrag::kNone;
  long dragPressed = 0;
  long dragStartScroller = 0;
  unsigned int pagedAt = 0;
};
