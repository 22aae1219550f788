#include "gui/CView.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CView");

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

struct CView::CAttributeListEntry {
  CAttributeListEntry* pNext = nullptr;
  unsigned char* pData = nullptr;
  long nSize = 0;
  unsigned long nId = 0;
};

CView::CView(const CRect& rect) : size(rect), mouseableArea(rect) {}

CView::~CView() {
  if (pBackground) pBackground->forget();
  CAttributeListEntry* entry = pAttributeList;
  while (entry) {
    CAttributeListEntry* next = entry->pNext;
    delete[] entry->pData;
    delete entry;
    entry = next;
  }
}

void CView::draw(CDrawContext* context) {
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(context, size);
    else
      pBackground->draw(context, size);
  }
  setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) { draw(context); }

bool CView::checkUpdate(CRect& update) const {
  return !(update.right < size.left || update.left > size.right || update.bottom < size.top ||
           update.top > size.bottom);
}

void CView::mouse(CDrawContext*, CPoint&, long) {}

void CView::mouseMove(CDrawContext*, CPoint&, long) {}

void CView::setBackground(CBitmap* background) {
  ReplaceHeld(pBackground, background);
  setDirty(true);
}

long CView::onKeyDown(VstKeyCode&) { return -1; }

long CView::onKeyUp(VstKeyCode&) { return -1; }

bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }

bool CView::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis, float distance) {
  return onWheel(context, where, distance);
}

bool CView::onDrop(CDrawContext*, CDragContainer*, const CPoint&) { return false; }

void CView::onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::onDragMove(CDrawContext*, CDragContainer*, const CPoint&) {}

void CView::looseFocus(CDrawContext*) {}

void CView::takeFocus(CDrawContext*) {}

bool CView::hitTest(const CPoint& where, const long) {
  return where.h >= mouseableArea.left && where.h <= mouseableArea.right &&
         where.v >= mouseableArea.top && where.v <= mouseableArea.bottom;
}

void CView::onMouseTrack(CDrawContext*, CPoint&, long) {}

void CView::onMouseTrackEnd(CDrawContext*, CPoint&, long) {}

void CView::onMouseTrackIdle(CDrawContext*, CPoint&, long) {}

void CView::setViewSize(CRect& rect) {
  size = rect;
  setDirty(true);
}

bool CView::removed(CView*) { return true; }

bool CView::attached(CView*) { return true; }

void CView::getMouseLocation(CDrawContext* context, CPoint& point) {
  if (!context) return;
  if (pParentView && pParentView->notify(this, kMsgCheckIfViewContainer) == 1) {
    CRect parentSize;
    pParentView->getViewSize(parentSize);
    const CPoint oldScreen = context->getScreenOffset();
    const CPoint oldOffset = context->getOffset();
    context->setScreenOffset(CPoint(oldScreen.h + parentSize.left, oldScreen.v + parentSize.top));
    context->setOffset(CPoint(oldOffset.h + parentSize.left, oldOffset.v + parentSize.top));
    pParentView->getMouseLocation(context, point);
    context->setScreenOffset(oldScreen);
    context->setOffset(oldOffset);
    return;
  }
  context->getMouseLocation(point);
}

CPoint& CView::frameToLocal(CPoint& point) const {
  if (pParentView && pParentView->isTypeOf("CViewContainer"))
    return pParentView->frameToLocal(point);
  return point;
}

CPoint& CView::localToFrame(CPoint& point) const {
  if (pParentView && pParentView->isTypeOf("CViewContainer"))
    return pParentView->localToFrame(point);
  return point;
}

AEffGUIEditor* CView::getEditor() const {
  return pParentFrame ? pParentFrame->getEditor() : nullptr;
}

long CView::notify(CView*, const char*) { return 0; }

void CView::redrawRect(CDrawContext* context, const CRect& rect) {
  if (pParentView)
    pParentView->redrawRect(context, rect);
  else if (pParentFrame)
    pParentFrame->drawRect(context, rect);
}

bool CView::isTypeOf(const char* type) const { return type && std::strcmp(type, "CView") == 0; }

void CView::update(CDrawContext* context) {
  if (isDirty()) {
    if (context)
      redrawRect(context, size);
    else if (pParentFrame)
      pParentFrame->draw(this);
    setDirty(false);
  }
}

void CView::redraw() {
  if (pParentFrame) pParentFrame->draw(this);
}

CView::CAttributeListEntry* CView::findAttribute(unsigned long id) const {
  for (CAttributeListEntry* entry = pAttributeList; entry; entry = entry->pNext)
    if (entry->nId == id) return entry;
  return nullptr;
}

bool CView::setAttribute(unsigned long id, long inSize, const void* data) {
  if (inSize < 0 || (inSize > 0 && !data)) return false;
  CAttributeListEntry* entry = findAttribute(id);
  if (entry) {
    // The entry keeps the size it was made with.
    if (inSize > entry->nSize) return false;
    if (inSize > 0) std::memcpy(entry->pData, data, static_cast<size_t>(inSize));
    return true;
  }
  entry = new CAttributeListEntry;
  entry->nId = id;
  entry->nSize = inSize;
  entry->pData = new unsigned char[inSize > 0 ? inSize : 1];
  if (inSize > 0) std::memcpy(entry->pData, data, static_cast<size_t>(inSize));
  if (!pAttributeList) {
    pAttributeList = entry;
  } else {
    CAttributeListEntry* last = pAttributeList;
    while (last->pNext) last = last->pNext;
    last->pNext = entry;
  }
  return true;
}

bool CView::getAttributeSize(unsigned long id, long& outSize) const {
  const CAttributeListEntry* entry = findAttribute(id);
  if (!entry) return false;
  outSize = entry->nSize;
  return true;
}

bool CView::getAttribute(unsigned long id, long inSize, void* data, long& outSize) const {
  const CAttributeListEntry* entry = findAttribute(id);
  if (!entry || entry->nSize > inSize) return false;
  if (entry->nSize > 0) {
    if (!data) return false;
    std::memcpy(data, entry->pData, static_cast<size_t>(entry->nSize));
  }
  outSize = entry->nSize;
  return true;
}
