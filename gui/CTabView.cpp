#include "gui/CTabView.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CTabButton.h"

XR_REGISTER_SOURCE_FILE("gui/CTabView.cpp");

CTabChildView::~CTabChildView() {
  if (view) view->forget();
}

CTabView::CTabView(const CRect& rect, CFrame* parent, CBitmap* bitmap, CBitmap* background, long position,
                   long s)
    : CViewContainer(rect, parent, background), tabPosition(position), style(s), tabBitmap(bitmap) {
  if (tabBitmap) {
    tabBitmap->remember();
    tabSize = CRect(0, 0, tabBitmap->getWidth(), tabBitmap->getHeight());
  }
  setMode(1);
}

CTabView::CTabView(const CRect& rect, CFrame* parent, const CRect& size, CBitmap* background, long position,
                   long s)
    : CViewContainer(rect, parent, background), tabPosition(position), style(s), tabSize(size) {
  setMode(1);
}

CTabView::~CTabView() {
  removeAllTabs();
  if (tabBitmap) tabBitmap->forget();
}

CRect CTabView::buttonRect(long i) const {
  const long w = tabSize.width();
  const long h = tabSize.height() / 2;
  switch (tabPosition) {
    case kPositionLeft: return CRect(0, i * h, w, i * h + h);
    case kPositionRight: return CRect(size.width() - w, i * h, size.width(), i * h + h);
    case kPositionBottom: return CRect(i * w, size.height() - h, i * w + w, size.height());
    default: return CRect(i * w, 0, i * w + w, h);
  }
}

bool CTabView::addTab(CView* view, const char* name, CBitmap* bitmap) {
  if (!view) return false;
  if (!bitmap) bitmap = tabBitmap;
  CTabButton* button =
      new CTabButton(buttonRect(numberOfChilds), this, kTabButtonTagStart + numberOfChilds, bitmap, name);
  button->setTransparency(true);
  addView(button);
  CTabChildView* child = new CTabChildView(view);
  child->button = button;
  child->previous = lastChild;
  if (lastChild)
    lastChild->next = child;
  else
    firstChild = child;
  lastChild = child;
  ++numberOfChilds;
  if (child == firstChild) setCurrentChild(child);
  return true;
}

void CTabView::setCurrentChild(CTabChildView* child) {
  if (child && child == currentChild) {
    child->button->setValue(1.0f);
    return;
  }
  if (currentChild) {
    currentChild->button->setValue(0.0f);
    removeView(currentChild->view, false);
  }
  currentChild = child;
  if (child) {
    addView(child->view);
    child->button->setValue(1.0f);
  }
  setDirty(true);
}

bool CTabView::selectTab(long index) {
  if (index < 0 || index > numberOfChilds) return false;
  CTabChildView* child = firstChild;
  for (long i = 0; child && i < index; ++i) child = child->next;
  if (!child) return false;
  setCurrentChild(child);
  return true;
}

bool CTabView::removeTab(CView* view) {
  CTabChildView* child = firstChild;
  while (child && child->view != view) child = child->next;
  if (!child) return false;
  if (child->previous)
    child->previous->next = child->next;
  else
    firstChild = child->next;
  if (child->next)
    child->next->previous = child->previous;
  else
    lastChild = child->previous;
  if (child == currentChild) setCurrentChild(child->previous ? child->previous : child->next);
  removeView(child->button, true);
  child->forget();
  --numberOfChilds;
  return true;
}

bool CTabView::removeAllTabs() {
  setCurrentChild(nullptr);
  CTabChildView* child = firstChild;
  while (child) {
    CTabChildView* next = child->next;
    removeView(child->button, true);
    child->forget();
    child = next;
  }
  firstChild = lastChild = nullptr;
  numberOfChilds = 0;
  return true;
}

const CRect& CTabView::getTabViewSize(CRect& rect) const {
  rect = CRect(0, 0, size.width(), size.height());
  switch (tabPosition) {
    case kPositionLeft: rect.left += tabSize.width(); break;
    case kPositionRight: rect.right -= tabSize.width(); break;
    case kPositionTop: rect.top += tabSize.height() / 2; break;
    case kPositionBottom: rect.bottom -= tabSize.height() / 2; break;
    default: break;
  }
  return rect;
}

void CTabView::alignTabs(long alignment) {
  const bool vertical = tabPosition == kPositionLeft || tabPosition == kPositionRight;
  const long strip = vertical ? size.height() : size.width();
  const long extent = vertical ? tabSize.height() / 2 : tabSize.width();
  long start = 0;
  if (alignment == kAlignTabsCenter)
    start = (strip - numberOfChilds * extent) / 2;
  else if (alignment == kAlignTabsEnd)
    start = strip - numberOfChilds * extent;
  long i = 0;
  for (CTabChildView* child = firstChild; child; child = child->next, ++i) {
    CRect r = buttonRect(0);
    if (vertical)
      r.offset(0, start + i * extent);
    else
      r.offset(start + i * extent, 0);
    child->button->setViewSize(r);
    child->button->setMouseableArea(r);
  }
  setDirty(true);
}

void CTabView::setTabFontStyle(const CFont& font, long fontSize, CColor selectedColor, CColor deselectedColor) {
  for (CTabChildView* child = firstChild; child; child = child->next) {
    child->button->setTextFont(font, fontSize);
    child->button->setActiveTextColor(selectedColor);
    child->button->setInactiveTextColor(deselectedColor);
  }
}

long CTabView::getCurrentTab() const {
  long i = 0;
  for (CTabChildView* child = firstChild; child; child = child->next, ++i)
    if (child == currentChild) return i;
  return -1;
}

void CTabView::valueChanged(CDrawContext*, CControl* control) {
  if (!control || !control->isTypeOf("CTabButton")) return;
  // The button's own tab, whatever tabs went before it: tags keep the
  // numbers of the tabs when they were added.
  for (CTabChildView* child = firstChild; child; child = child->next) {
    if (child->button == control) {
      setCurrentChild(child);
      return;
    }
  }
}

bool CTabView::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CTabView") == 0) return true;
  return CViewContainer::isTypeOf(type);
}
