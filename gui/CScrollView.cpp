#include "gui/CScrollView.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CScrollContainer.h"
#include "gui/CScrollbar.h"

XR_REGISTER_SOURCE_FILE("gui/CScrollView.cpp");

CScrollView::CScrollView(const CRect& rect, const CRect& cs, CFrame* frame, long s, long scrollbarWidth,
                         CBitmap* background)
    : CViewContainer(rect, frame, background), containerSize(cs), style(s) {
  setTransparency(true);
  setMode(1);
  const long width = size.width();
  const long height = size.height();
  const bool horizontal = (style & kHorizontalScrollbar) != 0;
  const bool vertical = (style & kVerticalScrollbar) != 0;
  CRect scRect(0, 0, width, height);
  if (horizontal) scRect.bottom -= scrollbarWidth;
  if (vertical) scRect.right -= scrollbarWidth;
  sc = new CScrollContainer(scRect, containerSize, frame);
  CViewContainer::addView(sc);
  if (horizontal) {
    const CRect bar(0, height - scrollbarWidth, vertical ? width - scrollbarWidth + 1 : width, height);
    hsb = new CScrollbar(bar, this, 0, CScrollbar::kHorizontal, containerSize);
    CViewContainer::addView(hsb);
  }
  if (vertical) {
    const CRect bar(width - scrollbarWidth, 0, width, horizontal ? height - scrollbarWidth + 1 : height);
    vsb = new CScrollbar(bar, this, 1, CScrollbar::kVertical, containerSize);
    CViewContainer::addView(vsb);
  }
}

CScrollView::~CScrollView() = default;

void CScrollView::addView(CView* view) { sc->addView(view); }

void CScrollView::addView(CView* view, CRect& mouseableArea, bool mouseEnabled) {
  sc->addView(view, mouseableArea, mouseEnabled);
}

void CScrollView::setContainerSize(const CRect& cs) {
  containerSize = cs;
  sc->setContainerSize(cs);
  if (vsb) {
    vsb->setScrollSize(cs);
    valueChanged(nullptr, vsb);
  }
  if (hsb) {
    hsb->setScrollSize(cs);
    valueChanged(nullptr, hsb);
  }
}

void CScrollView::valueChanged(CDrawContext*, CControl* control) {
  if (!control) return;
  const CRect& c = containerSize;
  CRect v;
  sc->getViewSize(v);
  CPoint offset = sc->getScrollOffset();
  const float x = control->getValue();
  switch (control->getTag()) {
    case 0:
      offset.h = c.left - static_cast<long>(static_cast<float>(c.width() - v.width()) * x);
      break;
    case 1:
      offset.v = c.top + static_cast<long>(static_cast<float>(c.height() - v.height()) * x);
      break;
    default:
      return;
  }
  sc->setScrollOffset(offset, true);
}

bool CScrollView::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance) {
  if (CViewContainer::onWheel(context, where, axis, distance)) return true;
  if (axis == kWheelVertical && vsb) return vsb->onWheel(context, where, distance);
  if (axis == kWheelHorizontal && hsb) return hsb->onWheel(context, where, distance);
  return false;
}

void CScrollView::drawBackgroundRect(CDrawContext* context, CRect& rect) {
  context->setLineWidth(1);
  context->setLineStyle(kLineStyleSolid);
  context->setFrameColor(kBlackCColor);
  context->drawRect(CRect(0, 0, size.width(), size.height()));
  CViewContainer::drawBackgroundRect(context, rect);
}

bool CScrollView::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CScrollView") == 0) return true;
  return CViewContainer::isTypeOf(type);
}
