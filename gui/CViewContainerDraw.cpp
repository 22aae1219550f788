// Drawing of a container: background, children, clipping, the optional
// off-screen buffer, dirty state and partial updates.
#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"
#include "gui/CViewContainer.h"

XR_REGISTER_SOURCE_FILE("gui/CViewContainerDraw");

void CViewContainer::prepareOffscreen(CDrawContext* context) {
  if (bDrawInOffscreen && !pOffscreenContext)
    pOffscreenContext =
        new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);
  if (pOffscreenContext && bTransparencyEnabled)
    pOffscreenContext->copyTo(context, size, CPoint(0, 0));
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, CRect& rect) {
  if (pBackground) {
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect newClip(rect);
    newClip.bound(oldClip);
    context->setClipRect(newClip);
    CRect whole(0, 0, pBackground->getWidth(), pBackground->getHeight());
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, whole, backgroundOffset);
    else
      pBackground->draw(context, whole, backgroundOffset);
    context->setClipRect(oldClip);
  } else if (!bTransparencyEnabled) {
    context->setFillColor(backgroundColor);
    context->fillRect(rect);
  }
}

void CViewContainer::drawBackgroundUnderTransparentViews(CDrawContext* context, const CRect& rect) {
  for (CCView* node = pFirstView; node; node = node->pNext) {
    CView* view = node->pView;
    CRect area(rect);
    if (!view->getTransparency() || !view->checkUpdate(area)) continue;
    view->getViewSize(area);
    area.bound(rect);
    if (area.width() > 0 && area.height() > 0) drawBackgroundRect(context, area);
  }
}

void CViewContainer::draw(CDrawContext* context) {
  if (!context) return;
  CScopedLock hold(lock);
  prepareOffscreen(context);
  CDrawContext* target = pOffscreenContext ? pOffscreenContext : context;
  long save[4] = {0, 0, 0, 0};
  if (!pOffscreenContext) modifyDrawContext(save, context);

  CRect r(0, 0, size.width(), size.height());
  CRect oldClip;
  context->getClipRect(oldClip);
  const CRect entryClip(oldClip);
  if (pOffscreenContext && this != pParentFrame) oldClip.moveTo(0, 0);
  CRect newClip(r);
  newClip.bound(oldClip);
  target->setClipRect(newClip);

  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(target, r, backgroundOffset);
    else
      pBackground->draw(target, r, backgroundOffset);
  } else if (!bTransparencyEnabled) {
    target->setFillColor(backgroundColor);
    target->fillRect(r);
  }

  for (CCView* node = pFirstView; node; node = node->pNext) {
    CRect viewClip;
    node->pView->getViewSize(viewClip);
    viewClip.bound(oldClip);
    target->setClipRect(viewClip);
    node->pView->draw(target);
  }

  context->setClipRect(entryClip);
  if (pOffscreenContext)
    pOffscreenContext->copyFrom(context, size, CPoint(0, 0));
  else
    restoreDrawContext(context, save);
  setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& update) {
  if (!context) return;
  CScopedLock hold(lock);
  prepareOffscreen(context);
  CDrawContext* target = pOffscreenContext ? pOffscreenContext : context;
  long save[4] = {0, 0, 0, 0};
  if (!pOffscreenContext) modifyDrawContext(save, context);

  CRect updateRect(update);
  updateRect.bound(size);
  CRect client(updateRect);
  client.offset(-size.left, -size.top);

  CRect oldClip;
  context->getClipRect(oldClip);
  const CRect entryClip(oldClip);
  if (pOffscreenContext && this != pParentFrame) oldClip.moveTo(0, 0);
  CRect newClip(client);
  newClip.bound(oldClip);
  target->setClipRect(newClip);

  if (backgroundDrawCount != 0) {
    if (backgroundDrawCount > 0) --backgroundDrawCount;
    drawBackgroundRect(target, client);
  } else {
    drawBackgroundUnderTransparentViews(target, client);
  }

  const bool isScroller = isTypeOf("CScrollContainer");
  for (CCView* node = pFirstView; node; node = node->pNext) {
    CView* view = node->pView;
    if (!view->checkUpdate(client)) continue;
    CRect viewSize;
    view->getViewSize(viewSize);
    CRect viewClip(viewSize);
    viewClip.bound(newClip);
    if (viewClip.width() == 0 || viewClip.height() == 0) continue;
    target->setClipRect(viewClip);
    const bool wasDirty = view->isDirty();
    view->drawRect(target, client);
    // Drawn only in part: a later update must draw it whole.
    if (wasDirty && viewSize != viewClip && !isScroller) view->setDirty(true);
  }

  context->setClipRect(entryClip);
  if (pOffscreenContext)
    pOffscreenContext->copyFrom(context, updateRect, CPoint(client.left, client.top));
  else
    restoreDrawContext(context, save);
  setDirty(false);
}

void CViewContainer::redrawRect(CDrawContext* context, const CRect& rect) {
  CRect r(rect);
  r.offset(size.left, size.top);
  if (bTransparencyEnabled) {
    if (pParentView)
      pParentView->redrawRect(context, r);
    else if (pParentFrame)
      pParentFrame->drawRect(context, r);
    return;
  }
  if (!context) {
    // No context at hand: let the frame draw the region with one of its own.
    if (!pParentFrame) return;
    CPoint origin(0, 0);
    if (pParentView) pParentView->localToFrame(origin);
    r.offset(origin.h, origin.v);
    pParentFrame->drawRect(nullptr, r);
    return;
  }
  if (pParentView) {
    CPoint origin(0, 0);
    pParentView->localToFrame(origin);
    const CPoint oldScreen = context->getScreenOffset();
    const CPoint oldOffset = context->getOffset();
    context->setScreenOffset(CPoint(oldScreen.h + origin.h, oldScreen.v + origin.v));
    context->setOffset(CPoint(oldOffset.h + origin.h, oldOffset.v + origin.v));
    drawRect(context, r);
    context->setScreenOffset(oldScreen);
    context->setOffset(oldOffset);
  } else {
    drawRect(context, r);
  }
}

void CViewContainer::update(CDrawContext* context) {
  const CRect local(0, 0, size.width(), size.height());
  switch (mode) {
    case 0:
      if (isDirty()) {
        redrawRect(context, local);
        setDirty(false);
      }
      break;
    case 1:
      if (bDirty) {
        redrawRect(context, local);
      } else {
        CRect area(local);
        for (CCView* node = pFirstView; node; node = node->pNext) {
          CView* view = node->pView;
          if (pParentFrame && pParentFrame->redrawGivesWay()) break;
          if (!view->isDirty() || !view->checkUpdate(area)) continue;
          if (view->notify(this, kMsgCheckIfViewContainer) == 1) {
            view->update(context);
          } else {
            CRect viewRect;
            view->getViewSize(viewRect);
            viewRect.bound(local);
            view->redrawRect(context, viewRect);
          }
        }
      }
      setDirty(false);
      break;
    default:
      break;
  }
}
