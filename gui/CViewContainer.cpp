// The container's child list, coordinates, hit testing and event dispatch.
// Drawing is in CViewContainerDraw.cpp.
#include "gui/CViewContainer.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/COffscreenContext.h"
#include "gui/CFrame.h"
#include "gui/CReferenceCounter.h"

XR_REGISTER_SOURCE_FILE("gui/CViewContainer");

namespace {

// The frame's lock, when the container is in a frame: taken before the
// container's own, as every event and idle pass takes them, since a removal
// calls into the frame (the focus) and into the child (removed).
Lock* FrameLockOf(CFrame* frame) { return frame ? &frame->getFrameLock() : nullptr; }

// Mouseable areas hit on all four edges.
bool ContainsInclusive(const CRect& r, const CPoint& p) {
  return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
}

// Moves both offsets of a context by (dx, dy) for one call and back.
class CScopedOffsets {
 public:
  CScopedOffsets(CDrawContext* context, long dx, long dy) : m_pContext(context) {
    if (!m_pContext) return;
    m_Screen = m_pContext->getScreenOffset();
    m_Offset = m_pContext->getOffset();
    m_pContext->setScreenOffset(CPoint(m_Screen.h + dx, m_Screen.v + dy));
    m_pContext->setOffset(CPoint(m_Offset.h + dx, m_Offset.v + dy));
  }
  ~CScopedOffsets() {
    if (!m_pContext) return;
    m_pContext->setScreenOffset(m_Screen);
    m_pContext->setOffset(m_Offset);
  }
  CScopedOffsets(const CScopedOffsets&) = delete;
  CScopedOffsets& operator=(const CScopedOffsets&) = delete;

 private:
  CDrawContext* m_pContext;
  CPoint m_Screen;
  CPoint m_Offset;
};

}  // namespace

CCView::CCView(CView* view) : pView(view) {
  if (pView) pView->remember();
}

CCView::~CCView() {
  if (pView) pView->forget();
}

CViewContainer::CViewContainer(const CRect& rect, CFrame* parent, CBitmap* background)
    : CView(rect) {
  pParentFrame = parent;
  setBackground(background);
}

CViewContainer::~CViewContainer() {
  // The frame may be going (a frame's own base) or gone: its lock is left
  // alone here.
  RemoveAllChildren(true);
  if (pOffscreenContext) pOffscreenContext->forget();
  pOffscreenContext = nullptr;
}

void CViewContainer::addView(CView* view) {
  if (!view) return;
  // Panels are built on the event thread while the idle thread may draw.
  const CScopedLockPair hold(FrameLockOf(pParentFrame), lock);
  CCView* node = new CCView(view);
  view->setParentFrame(pParentFrame);
  view->setParentView(this);
  if (!pFirstView) {
    pFirstView = node;
  } else {
    CCView* last = pFirstView;
    while (last->pNext) last = last->pNext;
    last->pNext = node;
    node->pPrevious = last;
  }
  pLastView = node;
  view->attached(this);
  view->setDirty(true);
}

void CViewContainer::addView(CView* view, CRect& mouseableArea, bool mouseEnabled) {
  if (!view) return;
  view->setMouseEnabled(mouseEnabled);
  view->setMouseableArea(mouseableArea);
  addView(view);
}

void CViewContainer::deleteNode(CCView* node) {
  if (node->pPrevious)
    node->pPrevious->pNext = node->pNext;
  else
    pFirstView = node->pNext;
  if (node->pNext)
    node->pNext->pPrevious = node->pPrevious;
  else
    pLastView = node->pPrevious;
  delete node;
}

void CViewContainer::removeView(CView* view, const bool& withForget) {
  // A drag or pop-up of the view (or inside it) ends while its place is
  // still known, before the list is searched: its end may change the list.
  if (pParentFrame && view) {
    pParentFrame->endMouseCaptureWithin(view);
    pParentFrame->endPopupWithin(view);
  }
  const CScopedLockPair hold(FrameLockOf(pParentFrame), lock);
  if (pParentFrame && view && pParentFrame->getFocusView() == view)
    pParentFrame->setFocusView(nullptr);
  CCView* node = pFirstView;
  while (node && node->pView != view) node = node->pNext;
  if (!node) return;
  if (pCurrentDragView == view) pCurrentDragView = nullptr;
  view->removed(this);
  if (withForget) view->forget();
  deleteNode(node);
}

void CViewContainer::removeAll(const bool& withForget) {
  const CScopedLock frameFirst(FrameLockOf(pParentFrame));
  // A drag or pop-up of a child (or inside one) ends while its place is
  // still known; its end may change this list, which is walked afresh after.
  if (pParentFrame && (pParentFrame->getMouseCapture() || pParentFrame->getPopupView())) {
    bool capture = false;
    bool popup = false;
    {
      CScopedLock hold(lock);
      for (CCView* node = pFirstView; node; node = node->pNext) {
        capture = capture || pParentFrame->isMouseCaptureWithin(node->pView);
        popup = popup || pParentFrame->isPopupWithin(node->pView);
      }
    }
    if (capture) pParentFrame->endMouseCapture();
    if (popup) pParentFrame->endPopup();
  }
  RemoveAllChildren(withForget);
}

void CViewContainer::RemoveAllChildren(bool withForget) {
  CScopedLock hold(lock);
  // Detach the list first: a child's removed() may add or remove views here.
  CCView* node = pFirstView;
  pFirstView = nullptr;
  pLastView = nullptr;
  pCurrentDragView = nullptr;
  while (node) {
    CCView* next = node->pNext;
    node->pView->removed(this);
    if (withForget) node->pView->forget();
    delete node;
    node = next;
  }
}

bool CViewContainer::isChild(CView* view) const {
  for (CCView* node = pFirstView; node; node = node->pNext)
    if (node->pView == view) return true;
  return false;
}

long CViewContainer::getNbViews() const {
  long count = 0;
  for (CCView* node = pFirstView; node; node = node->pNext) ++count;
  return count;
}

CView* CViewContainer::getView(long index) const {
  if (index < 0) return nullptr;
  CCView* node = pFirstView;
  while (node && index-- > 0) node = node->pNext;
  return node ? node->pView : nullptr;
}

void CViewContainer::setBackgroundColor(CColor color) {
  backgroundColor = color;
  setDirty(true);
}

void CViewContainer::useOffscreen(bool b) {
  bDrawInOffscreen = b;
  if (!b && pOffscreenContext) {
    pOffscreenContext->forget();
    pOffscreenContext = nullptr;
  }
}

bool CViewContainer::attached(CView*) {
  if (!pOffscreenContext && bDrawInOffscreen)
    pOffscreenContext =
        new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);
  return true;
}

bool CViewContainer::removed(CView*) {
  if (pOffscreenContext) pOffscreenContext->forget();
  pOffscreenContext = nullptr;
  return true;
}

void CViewContainer::setViewSize(CRect& rect) {
  size = rect;
  setDirty(true);
  if (pOffscreenContext && bDrawInOffscreen) {
    pOffscreenContext->forget();
    pOffscreenContext =
        new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);
  }
}

long CViewContainer::notify(CView*, const char* message) {
  return message == kMsgCheckIfViewContainer ? 1 : 0;
}

bool CViewContainer::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CViewContainer") == 0) return true;
  return CView::isTypeOf(type);
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
  point.offset(-size.left, -size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer"))
    return pParentView->frameToLocal(point);
  return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
  point.offset(size.left, size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer"))
    return pParentView->localToFrame(point);
  return point;
}

void CViewContainer::modifyDrawContext(long save[4], CDrawContext* context) {
  const CPoint screen = context->getScreenOffset();
  const CPoint off = context->getOffset();
  save[0] = screen.h;
  save[1] = screen.v;
  save[2] = off.h;
  save[3] = off.v;
  context->setScreenOffset(CPoint(screen.h + size.left, screen.v + size.top));
  context->setOffset(CPoint(off.h + size.left, off.v + size.top));
}

void CViewContainer::restoreDrawContext(CDrawContext* context, long save[4]) {
  context->setScreenOffset(CPoint(save[0], save[1]));
  context->setOffset(CPoint(save[2], save[3]));
}

bool CViewContainer::hitTest(const CPoint& where, const long buttons) {
  return CView::hitTest(where, buttons);
}

bool CViewContainer::hitTestSubViews(const CPoint& where, const long buttons) {
  const CPoint local(where.h - size.left, where.v - size.top);
  for (CCView* node = pLastView; node; node = node->pPrevious)
    if (node->pView->getMouseEnabled() && node->pView->hitTest(local, buttons)) return true;
  return false;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
  if (!pParentFrame) return nullptr;
  const CPoint local(where.h - size.left, where.v - size.top);
  for (CCView* node = pLastView; node; node = node->pPrevious) {
    CRect area;
    node->pView->getMouseableArea(area);
    if (!ContainsInclusive(area, local)) continue;
    if (deep && node->pView->isTypeOf("CViewContainer"))
      return static_cast<CViewContainer*>(node->pView)->getViewAt(local, true);
    return node->pView;
  }
  return nullptr;
}

CView* CViewContainer::getCurrentView() const {
  if (!pParentFrame) return nullptr;
  CPoint where;
  pParentFrame->getCurrentLocation(where);
  frameToLocal(where);
  for (CCView* node = pLastView; node; node = node->pPrevious) {
    CRect area;
    node->pView->getMouseableArea(area);
    if (ContainsInclusive(area, where)) return node->pView;
  }
  return nullptr;
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, long buttons) {
  CScopedLock hold(lock);
  CPoint local(where.h - size.left, where.v - size.top);
  if (buttons == -1 && context) buttons = context->getMouseButtons();
  for (CCView* node = pLastView; node; node = node->pPrevious) {
    CView* view = node->pView;
    if (view->getMouseEnabled() && view->hitTest(local, buttons)) {
      CRememberScope keep(view);
      view->mouse(context, local, buttons);
      return;
    }
  }
}

void CViewContainer::mouseMove(CDrawContext* context, CPoint& where, long buttons) {
  CScopedLock hold(lock);
  CPoint local(where.h - size.left, where.v - size.top);
  if (buttons == -1 && context) buttons = context->getMouseButtons();
  for (CCView* node = pLastView; node; node = node->pPrevious) {
    CView* view = node->pView;
    if (view->getMouseEnabled() && view->hitTest(local, buttons)) {
      CRememberScope keep(view);
      view->mouseMove(context, local, buttons);
      return;
    }
  }
}

long CViewContainer::onKeyDown(VstKeyCode& keyCode) {
  return DispatchKey(keyCode, &CView::onKeyDown);
}

long CViewContainer::onKeyUp(VstKeyCode& keyCode) {
  return DispatchKey(keyCode, &CView::onKeyUp);
}

long CViewContainer::DispatchKey(VstKeyCode& keyCode, long (CView::*handler)(VstKeyCode&)) {
  for (CCView* node = pLastView; node;) {
    CView* view = node->pView;
    CRememberScope keep(view);
    const long result = (view->*handler)(keyCode);
    if (result != -1) return result;
    // A handler that changed the children leaves no place to go on from.
    if (!isChild(view)) return -1;
    node = node->pPrevious;
  }
  return -1;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
  return onWheel(context, where, kWheelVertical, distance);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis,
                             float distance) {
  CView* view = getViewAt(where, false);
  if (!view) return false;
  const CPoint local(where.h - size.left, where.v - size.top);
  CRememberScope keep(view);
  CScopedOffsets moved(context, size.left, size.top);
  return view->onWheel(context, local, axis, distance);
}

// The drag handlers hold the views they call while they run, and read the
// current drag view again after each call: a handler may remove views, which
// clears it.
void CViewContainer::onDragEnter(CDrawContext* context, CDragContainer* drag,
                                 const CPoint& where) {
  if (!pParentFrame) return;
  const CPoint local(where.h - size.left, where.v - size.top);
  CScopedOffsets moved(context, size.left, size.top);
  LeaveCurrentDragView(context, drag, local);
  CView* view = getViewAt(where, false);
  CRememberScope keep(view);
  pCurrentDragView = view;
  if (view) view->onDragEnter(context, drag, local);
}

void CViewContainer::onDragMove(CDrawContext* context, CDragContainer* drag,
                                const CPoint& where) {
  if (!pParentFrame) return;
  const CPoint local(where.h - size.left, where.v - size.top);
  CScopedOffsets moved(context, size.left, size.top);
  CView* view = getViewAt(where, false);
  CRememberScope keep(view);
  if (view != pCurrentDragView) {
    LeaveCurrentDragView(context, drag, local);
    pCurrentDragView = view;
    if (view) view->onDragEnter(context, drag, local);
  } else if (view) {
    view->onDragMove(context, drag, local);
  }
}

void CViewContainer::onDragLeave(CDrawContext* context, CDragContainer* drag,
                                 const CPoint& where) {
  if (!pParentFrame) return;
  const CPoint local(where.h - size.left, where.v - size.top);
  CScopedOffsets moved(context, size.left, size.top);
  LeaveCurrentDragView(context, drag, local);
}

bool CViewContainer::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
  if (!pParentFrame) return false;
  const CPoint local(where.h - size.left, where.v - size.top);
  CScopedOffsets moved(context, size.left, size.top);
  CView* view = getViewAt(where, false);
  CRememberScope keep(view);
  if (view != pCurrentDragView) LeaveCurrentDragView(context, drag, local);
  pCurrentDragView = view;
  bool result = false;
  if (view) result = view->onDrop(context, drag, local);
  // A view that removed itself in its drop handler has left already.
  if (view && pCurrentDragView == view) view->onDragLeave(context, drag, local);
  pCurrentDragView = nullptr;
  return result;
}

void CViewContainer::LeaveCurrentDragView(CDrawContext* context, CDragContainer* drag,
                                          const CPoint& local) {
  CView* view = pCurrentDragView;
  pCurrentDragView = nullptr;
  CRememberScope keep(view);
  if (view) view->onDragLeave(context, drag, local);
}

void CViewContainer::looseFocus(CDrawContext* context) {
  for (CCView* node = pFirstView; node; node = node->pNext) node->pView->looseFocus(context);
}

void CViewContainer::takeFocus(CDrawContext* context) {
  for (CCView* node = pFirstView; node; node = node->pNext) node->pView->takeFocus(context);
}

bool CViewContainer::advanceNextFocusView(CView* oldFocus, bool reverse) {
  bool passed = oldFocus == nullptr;
  for (CCView* node = reverse ? pLastView : pFirstView; node;
       node = reverse ? node->pPrevious : node->pNext) {
    CView* view = node->pView;
    if (!passed) {
      passed = view == oldFocus;
      continue;
    }
    if (view->wantsFocus()) {
      if (pParentFrame) pParentFrame->setFocusView(view);
      return true;
    }
    if (view->isTypeOf("CViewContainer") &&
        static_cast<CViewContainer*>(view)->advanceNextFocusView(nullptr, reverse))
      return true;
  }
  return false;
}

bool CViewContainer::isDirty() const {
  if (bDirty) return true;
  const CRect local(0, 0, size.width(), size.height());
  for (CCView* node = pFirstView; node; node = node->pNext) {
    if (!node->pView->isDirty()) continue;
    CRect r;
    node->pView->getViewSize(r);
    r.bound(local);
    if (r.width() > 0 && r.height() > 0) return true;
  }
  return false;
}
