#include "gui/CFrame.h"

#include <cairo.h>

#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/ScopedValue.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CDrawContext.h"
#include "gui/CTextEdit.h"
#include "gui/CTextEditField.h"
#include "vst/AudioEffectX.h"

XR_REGISTER_SOURCE_FILE("gui/CFrame.cpp");

CFrame::CFrame(const CRect& size, void* systemWindow, void* editor)
    : CViewContainer(size, nullptr, nullptr),
      pEditor(static_cast<AEffGUIEditor*>(editor)),
      hostThread(std::this_thread::get_id()),
      lastHostEventPass(AEffGUIEditor::getTicks()) {
  setParentFrame(this);
  initFrame(systemWindow);
}

CFrame::CFrame(const CRect& size, const char* title, void* editor, const long style)
    : CViewContainer(size, nullptr, nullptr),
      pEditor(static_cast<AEffGUIEditor*>(editor)),
      hostThread(std::this_thread::get_id()) {
  // Frames in windows of their own are not made on this platform: the host
  // always hands the editor its window.
  (void)title;
  (void)style;
  setParentFrame(this);
  bOpenFlag = false;
  bOwnWindow = true;
}

CFrame::~CFrame() {
  DestroyIdleTimer();
  CScopedLock hold(frameLock);
  prepareClose();
  endPopup();
  if (pModalView) removeView(pModalView, false);
  pModalView = nullptr;
  if (pasteTarget) pasteTarget->forget();
  pasteTarget = nullptr;
  setCursor(kCursorDefault);
  setDropActive(false);
  // Views still find a working frame while they go.
  removeAll(true);
  pPlatform.reset();
  pBackBuffer.reset();
}

void CFrame::prepareClose() {
  // A round trip on the parent's connection would take the parent's reply.
  if (isInheritedByFork()) return;
  CScopedLock hold(frameLock);
  if (pPlatform && !pPlatform->SyncAlive()) bAlive = false;
}

bool CFrame::open(CPoint*) { return false; }
bool CFrame::close() { return false; }

bool CFrame::initFrame(void* systemWindow) {
  if (!systemWindow) return false;
  pSystemWindow = systemWindow;
  size.moveTo(0, 0);
  pPlatform = CreatePlatformWindow(systemWindow, static_cast<int>(size.width()),
                                   static_cast<int>(size.height()));
  if (!pPlatform) {
    std::fprintf(stderr, "Could not create Control : %d\n", -1);
    return false;
  }
  resizeBackBuffer(size.width(), size.height());
  setDropActive(true);
  return true;
}

void CFrame::resizeBackBuffer(long width, long height) {
  if (width <= 0 || height <= 0) return;
  CairoSurfacePtr surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height)));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
  {
    const CairoPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    cairo_paint(cr.get());
    if (pBackBuffer) {
      cairo_set_source_surface(cr.get(), pBackBuffer.get(), 0, 0);
      cairo_paint(cr.get());
    }
  }
  pBackBuffer = std::move(surface);
}

CDrawContext* CFrame::createDrawContext() {
  if (pCurrentDrawContext) {
    pCurrentDrawContext->remember();
    return pCurrentDrawContext;
  }
  return new CDrawContext(this, nullptr, pSystemWindow);
}

unsigned long CFrame::getTicks() const { return pEditor ? AEffGUIEditor::getTicks() : 0; }

long CFrame::getKnobMode() const { return AEffGUIEditor::knobMode.load(); }

void CFrame::beginEdit(long index) {
  if (pEditor) pEditor->beginEdit(static_cast<int>(index));
}

void CFrame::endEdit(long index) {
  if (pEditor) pEditor->endEdit(static_cast<int>(index));
}

bool CFrame::setModalView(CView* view) {
  if (view && pModalView) return false;
  if (pModalView) removeView(pModalView, false);
  pModalView = view;
  if (view) addView(view);
  return true;
}

void CFrame::setFocusView(CView* view) {
  CView* old = pFocusView;
  pFocusView = view;
  if (view && view->wantsFocus()) view->setDirty(true);
  if (old) {
    old->looseFocus(nullptr);
    if (old->wantsFocus()) old->setDirty(true);
  }
  updateKeyInput();
}

void CFrame::updateKeyInput() {
  CScopedLock hold(frameLock);
  const bool editing = pFocusView && pFocusView->isTypeOf("CTextEdit") &&
                       static_cast<const CTextEdit*>(pFocusView)->isEditing();
  if (pPlatform) pPlatform->SetKeyInput(editing);
}

bool CFrame::getPressPoint(CPoint& where) const {
  if (!pPressPoint) return false;
  where = *pPressPoint;
  return true;
}

bool CFrame::getCurrentLocation(CPoint& where) {
  CDrawContext* context = createDrawContext();
  context->getMouseLocation(where);
  context->forget();
  return true;
}

CView* CFrame::getCurrentView() const {
  if (pModalView) return pModalView;
  return CViewContainer::getCurrentView();
}

void CFrame::invalidate(const CRect& rect) {
  for (long i = 0, n = getNbViews(); i < n; ++i) {
    CView* view = getView(i);
    CRect viewSize;
    view->getViewSize(viewSize);
    if (viewSize.left <= rect.right && viewSize.right >= rect.left && viewSize.top <= rect.bottom &&
        viewSize.bottom >= rect.top)
      view->setDirty(true);
  }
}

bool CFrame::updatesDisabled(bool state) {
  const bool old = bUpdatesDisabled;
  bUpdatesDisabled = state;
  return old;
}

bool CFrame::setPosition(long x, long y) {
  CScopedLock hold(frameLock);
  if (!bOpenFlag || !pPlatform) return false;
  pPlatform->SetPosition(static_cast<int>(x), static_cast<int>(y));
  return true;
}

bool CFrame::getPosition(long& x, long& y) const {
  if (!bOpenFlag || !pPlatform) return false;
  const PlatformRect frame = pPlatform->GetFrame();
  x = frame.left - scrollOffset.h;
  y = frame.top - scrollOffset.v;
  return true;
}

bool CFrame::getSize(CRect* rect) const {
  if (!bOpenFlag || !rect) return false;
  if (pPlatform) {
    const PlatformRect frame = pPlatform->GetFrame();
    *rect = CRect(frame.left, frame.top, frame.right, frame.bottom);
  } else {
    *rect = size;
  }
  return true;
}

bool CFrame::getSize(CRect& rect) const { return getSize(&rect); }

void CFrame::setViewSize(CRect& rect) { setSize(rect.width(), rect.height()); }

bool CFrame::setSize(long width, long height) {
  if (!bOpenFlag || (width == size.width() && height == size.height())) return false;
  if (width <= 0 || height <= 0) return false;
  CScopedLock hold(frameLock);
  bAlive = false;
  AudioEffectX* effect =
      pEditor ? dynamic_cast<AudioEffectX*>(pEditor->getEffect()) : nullptr;
  const bool hostResized = effect && effect->canHostDo("sizeWindow") &&
                           effect->sizeWindow(static_cast<VstInt32>(width), static_cast<VstInt32>(height));
  size.right = size.left + width;
  size.bottom = size.top + height;
  if (pPlatform) pPlatform->SetSize(static_cast<int>(width), static_cast<int>(height));
  resizeBackBuffer(width, height);
  if (!hostResized) {
    // The host keeps its window; only ours changes, and the views with it.
    CRect local(0, 0, width, height);
    CViewContainer::setViewSize(local);
  }
  bAlive = true;
  return true;
}

void CFrame::removeAll(const bool& withForget) {
  pModalView = nullptr;
  pFocusView = nullptr;
  CViewContainer::removeAll(withForget);
}

bool CFrame::isTypeOf(const char* type) const {
  if (std::strcmp(type, "CFrame") == 0) return true;
  return CViewContainer::isTypeOf(type);
}

void CFrame::setCursor(CCursorType type) {
  CScopedLock hold(frameLock);
  if (pPlatform) pPlatform->SetCursor(static_cast<int>(type));
}

bool CFrame::setDropActive(bool val) {
  CScopedLock hold(frameLock);
  if (pPlatform && val != bDropActive) pPlatform->SetDropTarget(val);
  bDropActive = val;
  return true;
}

// --- drawing ---------------------------------------------------------------

void CFrame::addDamage(const CRect& rect) {
  CRect r = rect;
  r.bound(CRect(0, 0, size.width(), size.height()));
  if (r.isEmpty()) return;
  if (!bHasDamage) {
    damage = r;
    bHasDamage = true;
    return;
  }
  if (r.left < damage.left) damage.left = r.left;
  if (r.top < damage.top) damage.top = r.top;
  if (r.right > damage.right) damage.right = r.right;
  if (r.bottom > damage.bottom) damage.bottom = r.bottom;
}

cairo_surface_t* CFrame::getWindowSurface() { return pBackBuffer.get(); }

void CFrame::windowSurfaceChanged() {
  CScopedLock hold(frameLock);
  if (!pPlatform || !pBackBuffer) return;
  // Drawing that came through none of the frame's entry points may lie
  // anywhere: the whole window then.
  const CRect area = bHasDamage ? damage : CRect(0, 0, size.width(), size.height());
  bHasDamage = false;
  // A hidden window is redrawn whole when it shows again.
  if (!bShown) return;
  cairo_surface_flush(pBackBuffer.get());
  pPlatform->Present(pBackBuffer.get(), {static_cast<int>(area.left), static_cast<int>(area.top),
                                         static_cast<int>(area.right), static_cast<int>(area.bottom)});
  drawCount.fetch_add(1);
}

void CFrame::setClipboardText(const std::string& text) {
  CScopedLock hold(frameLock);
  if (pPlatform) pPlatform->SetClipboardText(text);
}

void CFrame::requestClipboardText(CTextEditField* target) {
  CScopedLock hold(frameLock);
  if (!pPlatform || !target) return;
  ReplaceHeld(pasteTarget, target);
  pPlatform->RequestClipboardText();
}

void CFrame::update(CDrawContext* context) {
  if (!bOpenFlag || bUpdatesDisabled) return;
  if (bDirty) {
    draw(context);
    setDirty(false);
    return;
  }
  CRect oldClip;
  context->getClipRect(oldClip);
  const CRect noted = oldClip;
  if (pModalView && pModalView->isDirty()) pModalView->update(context);
  for (long i = 0, n = getNbViews(); i < n && !redrawGivesWay(); ++i) {
    CView* view = getView(i);
    CRect clip;
    view->getViewSize(clip);
    clip.bound(noted);
    context->setClipRect(clip);
    view->update(context);
  }
  context->setClipRect(noted);
}

void CFrame::idle() {
  if (!bOpenFlag || bFirstDraw || !isDirty()) return;
  CScopedLock hold(frameLock);
  if (!bAlive || !bShown) return;
  CDrawContext* context = createDrawContext();
  update(context);
  context->forget();
}

void CFrame::draw(CDrawContext* context) {
  bFirstDraw = false;
  addDamage(CRect(0, 0, size.width(), size.height()));
  if (!context) context = pCurrentDrawContext;
  if (context) {
    CViewContainer::draw(context);
    return;
  }
  CDrawContext* own = createDrawContext();
  CViewContainer::draw(own);
  own->forget();
}

void CFrame::drawRect(CDrawContext* context, const CRect& update) {
  bFirstDraw = false;
  CDrawContext* own = nullptr;
  if (!context) context = own = createDrawContext();
  addDamage(update);
  CRect oldClip;
  context->getClipRect(oldClip);
  const CRect noted = oldClip;
  CRect clip = update;
  clip.bound(noted);
  context->setClipRect(clip);
  if (update.width() > 0 && update.height() > 0) CViewContainer::drawRect(context, update);
  context->setClipRect(noted);
  if (own) own->forget();
}

void CFrame::draw(CView* view) {
  CView* child = (view && isChild(view)) ? view : nullptr;
  CDrawContext* context = createDrawContext();
  if (child) {
    CRect viewSize;
    child->getViewSize(viewSize);
    if (child->getTransparency()) {
      // What lies behind it first, or it is drawn over its own old pixels.
      drawRect(context, viewSize);
    } else {
      addDamage(viewSize);
      child->draw(context);
    }
  } else {
    draw(context);
  }
  context->forget();
}

// --- input -------------------------------------------------------------------

void CFrame::mouse(CDrawContext* context, CPoint& where, long buttons) {
  if (!context) context = pCurrentDrawContext;
  const CPoint press(where);
  const CScopedValue<const CPoint*> pressing(pPressPoint, &press);
  // Any click takes the keyboard focus away.
  if (pFocusView) setFocusView(nullptr);
  if (buttons == -1 && context) buttons = context->getMouseButtons();
  if (!pModalView) {
    CViewContainer::mouse(context, where, buttons);
    return;
  }
  if (pModalView->hitTest(where, buttons)) pModalView->mouse(context, where, buttons);
}

namespace {
// A view's answer to a key, the view held meanwhile: its handler may remove
// it (a panel rebuilt on Return). -1 without a view.
long SendKey(CView* view, VstKeyCode& keyCode, bool down) {
  if (!view) return -1;
  CRememberScope keep(view);
  return down ? view->onKeyDown(keyCode) : view->onKeyUp(keyCode);
}
}  // namespace

long CFrame::onKeyDown(VstKeyCode& keyCode) {
  long result = SendKey(pFocusView, keyCode, true);
  if (result == -1) result = SendKey(pModalView, keyCode, true);
  if (result != -1) return result;
  if (keyCode.virt == VKEY_TAB)
    return advanceNextFocusView(pFocusView, (keyCode.modifier & MODIFIER_SHIFT) != 0) ? 1 : -1;
  return -1;
}

long CFrame::onKeyUp(VstKeyCode& keyCode) {
  const long result = SendKey(pFocusView, keyCode, false);
  return result != -1 ? result : SendKey(pModalView, keyCode, false);
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
  return onWheel(context, where, kWheelVertical, distance);
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance) {
  CView* view = pModalView ? pModalView : getViewAt(where, false);
  if (!view) return false;
  CDrawContext* own = nullptr;
  if (!context) context = own = createDrawContext();
  const bool used = view->onWheel(context, where, axis, distance);
  if (own) own->forget();
  return used;
}

bool CFrame::advanceNextFocusView(CView* oldFocus, bool reverse) {
  if (pModalView) return false;
  if (!oldFocus) {
    oldFocus = pFocusView;
    if (!oldFocus) return CViewContainer::advanceNextFocusView(nullptr, reverse);
  }
  if (isChild(oldFocus)) {
    if (CViewContainer::advanceNextFocusView(oldFocus, reverse)) return true;
    setFocusView(nullptr);
    return false;
  }
  CView* previous = oldFocus;
  CView* parent = oldFocus->getParentView();
  while (parent && parent != this && parent->isTypeOf("CViewContainer")) {
    if (static_cast<CViewContainer*>(parent)->advanceNextFocusView(previous, reverse)) return true;
    previous = parent;
    parent = parent->getParentView();
  }
  return CViewContainer::advanceNextFocusView(previous == oldFocus ? oldFocus : previous, reverse);
}
