#include "gui/CScrollbar.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CScrollbar.cpp");

namespace {
constexpr unsigned int kPageRepeatMs = 100;  // paging repeats while the button stays down
}  // namespace

CScrollbar::CScrollbar(const CRect& rect, CControlListener* l, long t, long dir, const CRect& ssize)
    : CControl(rect, l, t, nullptr), direction(dir), scrollSize(ssize), scrollerArea(rect) {
  scrollerArea.inset(2, 2);
  wheelInc = 0.05f;
  calculateScrollerLength();
}

CScrollbar::~CScrollbar() = default;

void CScrollbar::setScrollSize(const CRect& ssize) {
  scrollSize = ssize;
  calculateScrollerLength();
}

void CScrollbar::calculateScrollerLength() {
  const long contentExtent = extent(scrollSize);
  const float ratio = contentExtent > 0 ? static_cast<float>(extent(size)) / static_cast<float>(contentExtent) : 1.0f;
  long length = ratio >= 1.0f ? 0 : truncToLong(ratio * static_cast<float>(extent(size)));
  // Never longer than the area it moves in.
  if (length > extent(scrollerArea)) length = extent(scrollerArea);
  if (length != scrollerLength) {
    scrollerLength = length;
    setDirty(true);
  }
}

CRect CScrollbar::getScrollerRect() const {
  CRect r = scrollerArea;
  const long start = truncToLong(static_cast<float>(extent(scrollerArea) - scrollerLength) * value);
  if (direction == kHorizontal) {
    r.left += start;
    r.right = r.left + scrollerLength;
  } else {
    r.top += start;
    r.bottom = r.top + scrollerLength;
  }
  return r;
}

void CScrollbar::draw(CDrawContext* context) {
  drawBackground(context);
  if (scrollerLength > 0) drawScroller(context, getScrollerRect());
  setDirty(false);
}

void CScrollbar::drawBackground(CDrawContext* context) {
  if (drawer) {
    drawer->drawScrollbarBackground(context, size, direction, this);
    return;
  }
  context->setLineWidth(1);
  context->setLineStyle(kLineStyleSolid);
  context->setFillColor(backgroundColor);
  context->setFrameColor(frameColor);
  context->drawRect(size, kStyleFilledAndStroked);
}

void CScrollbar::drawScroller(CDrawContext* context, const CRect& rect) {
  if (drawer) {
    drawer->drawScrollbarScroller(context, rect, direction, this);
    return;
  }
  context->setLineWidth(1);
  context->setLineStyle(kLineStyleSolid);
  context->setFillColor(scrollerColor);
  context->setFrameColor(frameColor);
  context->drawRect(rect, kStyleFilledAndStroked);
}

void CScrollbar::moveTo(CDrawContext* context, float newValue) {
  if (newValue < 0.0f) newValue = 0.0f;
  if (newValue > 1.0f) newValue = 1.0f;
  if (newValue == value) return;
  value = newValue;
  setDirty(true);
  if (listener) listener->valueChanged(context, this);
}

void CScrollbar::dragScroller(CDrawContext* context, const CPoint& where) {
  const long travel = extent(scrollerArea) - scrollerLength;
  const long scrollerStart = dragStartScroller + along(where) - dragPressed;
  if (travel > 0)
    moveTo(context, static_cast<float>(scrollerStart - startOf(scrollerArea)) / static_cast<float>(travel));
}

bool CScrollbar::pageToward(CDrawContext* context, const CPoint& where) {
  const float step = static_cast<float>(scrollerLength) / static_cast<float>(extent(scrollerArea));
  const CRect scroller = getScrollerRect();
  const long pointer = along(where);
  if (pointer < startOf(scroller)) {
    if (value <= 0.0f) return false;
    moveTo(context, value - step);
  } else if (pointer >= startOf(scroller) + scrollerLength) {
    if (value >= 1.0f) return false;
    moveTo(context, value + step);
  } else {
    return false;
  }
  pagedAt = pParentFrame ? static_cast<unsigned int>(pParentFrame->getTicks()) : 0u;
  return true;
}

void CScrollbar::pageOn(CDrawContext* context, const CPoint& where) {
  if (!pParentFrame || MsElapsed(static_cast<unsigned int>(pParentFrame->getTicks()), pagedAt) < kPageRepeatMs) return;
  if (!pageToward(context, where)) endTracking();
}

void CScrollbar::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!bMouseEnabled || !context) return;
  buttons = resolveButtons(context, buttons);
  if (!(buttons & kMouseLeft) || scrollerLength <= 0) return;
  if (getScrollerRect().pointInside(where)) {
    // The scroller moves with the drag's motions, not with the press.
    drag = EDrag::kScroller;
    dragPressed = along(where);
    dragStartScroller = startOf(getScrollerRect());
  } else if (scrollerArea.pointInside(where) && pageToward(context, where)) {
    drag = EDrag::kPaging;
  } else {
    return;
  }
  if (!trackMouse(buttons)) drag = EDrag::kNone;
}

void CScrollbar::onMouseTrack(CDrawContext* context, CPoint& where, long) {
  if (drag == EDrag::kScroller)
    dragScroller(context, where);
  else if (drag == EDrag::kPaging)
    pageOn(context, where);
}

void CScrollbar::onMouseTrackIdle(CDrawContext* context, CPoint& where, long) {
  if (drag == EDrag::kPaging) pageOn(context, where);
}

void CScrollbar::onMouseTrackEnd(CDrawContext*, CPoint&, long) { drag = EDrag::kNone; }

bool CScrollbar::onWheel(CDrawContext* context, const CPoint&, float distance) {
  if (!bMouseEnabled) return false;
  const float d = direction == kHorizontal ? -distance : distance;
  const bool shift = context && (context->getMouseButtons() & kModifierShift);
  if (shift)
    moveTo(context, value + d * -0.1f * wheelInc);
  else
    moveTo(context, value - d * wheelInc);
  return true;
}

bool CScrollbar::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CScrollbar") == 0) return true;
  return CControl::isTypeOf(type);
}
