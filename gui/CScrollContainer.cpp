#include "gui/CScrollContainer.h"

#include <algorithm>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CScrollContainer.cpp");

CScrollContainer::CScrollContainer(const CRect& rect, const CRect& cs, CFrame* frame, CBitmap* background)
    : CViewContainer(rect, frame, background), containerSize(cs) {
  setTransparency(true);
  setMode(1);
}

CScrollContainer::~CScrollContainer() = default;

void CScrollContainer::setScrollOffset(CPoint p, bool) {
  const CRect& c = containerSize;
  p.h = std::min(std::max(2 * c.left - c.right, p.h), c.right);
  p.v = std::min(std::max(c.top, p.v), c.bottom);
  const long dx = p.h - offset.h;
  const long dy = offset.v - p.v;
  if (dx == 0 && dy == 0) return;
  for (long i = 0, n = getNbViews(); i < n; ++i) {
    CView* view = getView(i);
    CRect r;
    view->getViewSize(r);
    r.offset(dx, dy);
    view->setViewSize(r);
    view->getMouseableArea(r);
    r.offset(dx, dy);
    view->setMouseableArea(r);
  }
  offset = p;
  setDirty(true);
}

void CScrollContainer::setContainerSize(const CRect& cs) {
  containerSize = cs;
  setScrollOffset(offset, false);
}

void CScrollContainer::redrawRect(CDrawContext* context, const CRect& rect) {
  CRect r(rect);
  r.offset(size.left, size.top);
  r.bound(size);
  if (bTransparencyEnabled) {
    if (pParentView)
      pParentView->redrawRect(context, r);
    else if (pParentFrame)
      pParentFrame->drawRect(context, r);
    return;
  }
  if (!pParentFrame) return;
  // The frame draws in its own coordinates.
  CPoint origin(0, 0);
  if (pParentView) pParentView->localToFrame(origin);
  r.offset(origin.h, origin.v);
  pParentFrame->drawRect(context, r);
}

bool CScrollContainer::isDirty() const {
  if (bDirty) return true;
  for (long i = 0, n = getNbViews(); i < n; ++i) {
    CView* view = getView(i);
    if (!view->isDirty()) continue;
    CRect r;
    view->getViewSize(r);
    r.offset(size.left, size.top);
    r.bound(size);
    if (r.width() > 0 && r.height() > 0) return true;
  }
  return false;
}

bool CScrollContainer::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CScrollContainer") == 0) return true;
  return CViewContainer::isTypeOf(type);
}
