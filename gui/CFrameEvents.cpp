// The frame's window events: each event the window reports becomes calls on
// the views, under the frame lock, with g_bAmHandlingCarbonEvent set on the
// host's thread.
#include <optional>

#include "Helpers/Assert.h"
#include "Helpers/ScopedValue.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CTextEditField.h"
#include "gui/MouseMoveAwayHook.h"

XR_REGISTER_SOURCE_FILE("gui/CFrameEvents.cpp");

std::atomic<bool> g_bAmHandlingCarbonEvent{false};

namespace {
// Events the idle thread serves while the host's calls stay away: they touch
// no view's handler and call nothing of the host.
bool ServedWithoutHost(EPlatformEvent type) {
  switch (type) {
    case EPlatformEvent::kExpose:
    case EPlatformEvent::kResized:
    case EPlatformEvent::kDestroyed:
    case EPlatformEvent::kHidden:
    case EPlatformEvent::kShown:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool CFrame::hostIdleStale() const {
  return MsElapsed(AEffGUIEditor::getTicks(), lastHostEventPass.load()) > kHostIdleStaleMs;
}

void CFrame::handlePlatformEvents() {
  const bool onHost = isOnHostThread();
  if (onHost)
    lastHostEventPass = AEffGUIEditor::getTicks();
  else if (!hostIdleStale())
    return;
  CScopedLock hold(frameLock);
  if (bInEvents || !pPlatform) return;
  const CFlagScope inEvents(bInEvents);
  // A pop-up that closed since the last pass applies its outcome, as the
  // press that opened it would have.
  if (onHost && pPopup && bAlive) {
    const CFlagScope<std::atomic<bool>> handling(g_bAmHandlingCarbonEvent);
    servePopup();
  }
  PlatformEvent event;
  for (;;) {
    if (onHost && !deferredEvents.empty()) {
      event = std::move(deferredEvents.front());
      deferredEvents.pop_front();
    } else if (!pPlatform->NextEvent(event)) {
      break;
    } else if (!onHost && !ServedWithoutHost(event.type)) {
      // Kept for the host's thread; of a run of moves only the last counts.
      if (event.type == EPlatformEvent::kMouseMove && !deferredEvents.empty() &&
          deferredEvents.back().type == EPlatformEvent::kMouseMove)
        deferredEvents.back() = std::move(event);
      else
        deferredEvents.push_back(std::move(event));
      continue;
    }
    // A failing event is dropped; the ones after it are still served.
    try {
      handlePlatformEvent(event);
      // What a press or a release changed shows before the next event is
      // handled, so that two clicks in one pass act as two.
      if (event.type == EPlatformEvent::kMouseDown || event.type == EPlatformEvent::kMouseUp) idle();
    } catch (...) {
      HandleException(__PRETTY_FUNCTION__);
    }
  }
  // A drag hears of every pass, also while the pointer rests.
  if (onHost && pMouseCapture && bAlive) {
    const CFlagScope<std::atomic<bool>> handling(g_bAmHandlingCarbonEvent);
    sendTracked(captureLast, captureHeld, ETracked::kIdle);
  }
}

void CFrame::handlePlatformEvent(const PlatformEvent& event) {
  // The flag tells the host's thread's own work apart: set there only, and
  // cleared on every way out.
  std::optional<CFlagScope<std::atomic<bool>>> handling;
  if (isOnHostThread()) handling.emplace(g_bAmHandlingCarbonEvent);
  if (!bAlive) return;
  CScopedLock hold(frameLock);
  const CScopedValue<bool> inEvents(bInEvents, true);
  CPoint where(event.x, event.y);
  switch (event.type) {
    case EPlatformEvent::kMouseDown:
    case EPlatformEvent::kMouseMove:
    case EPlatformEvent::kMouseUp:
      lastMousePoint = where;
      break;
    default:
      break;
  }
  if (pMouseCapture && dispatchTracked(event)) return;
  switch (event.type) {
    case EPlatformEvent::kExpose: {
      // The window lost these pixels; the back buffer is redrawn there (the
      // background once more, and a panel that draws it every time goes on
      // doing so) and copied onto the window.
      const bool wasDirty = bDirty;
      const CRect rect(event.rect.left, event.rect.top, event.rect.right, event.rect.bottom);
      CDrawContext* context = createDrawContext();
      if (backgroundDrawCount >= 0) ++backgroundDrawCount;
      drawRect(context, rect);
      context->forget();
      if (wasDirty && rect != CRect(0, 0, size.width(), size.height())) setDirty(true);
      break;
    }
    case EPlatformEvent::kMouseDown: {
      // A closed pop-up's outcome comes before the next click. A click on
      // the editor while one is open closes it, as outside its own windows.
      if (pPopup && isOnHostThread()) {
        const bool open = !pPopup->popupClosed();
        finishPopup(true);
        if (open) break;
      }
      if (pPopup) break;
      CDrawContext* context = createDrawContext();
      mouse(context, where, event.buttons);
      context->forget();
      break;
    }
    case EPlatformEvent::kWheel: {
      // Command turns the vertical wheel into a horizontal one.
      const CMouseWheelAxis axis =
          (event.wheelAxis == 1 && !(event.buttons & kModifierCommand)) ? kWheelVertical : kWheelHorizontal;
      CDrawContext* context = createDrawContext();
      onWheel(context, where, axis, event.wheelDistance);
      context->forget();
      break;
    }
    case EPlatformEvent::kMouseMove:
      dispatchMouseMove(event, false);
      break;
    case EPlatformEvent::kMouseLeave:
      dispatchMouseMove(event, true);
      break;
    case EPlatformEvent::kKeyDown:
    case EPlatformEvent::kKeyUp:
      dispatchKey(event);
      break;
    case EPlatformEvent::kFocusOut:
      // The window's keyboard focus went elsewhere: an open text edit ends
      // keeping its text, as with Return.
      if (pFocusView) setFocusView(nullptr);
      break;
    case EPlatformEvent::kHidden:
      bShown = false;
      break;
    case EPlatformEvent::kShown:
      // What was drawn while hidden never reached the window.
      bShown = true;
      setDirty(true);
      break;
    case EPlatformEvent::kClipboardText:
      if (CTextEditField* target = pasteTarget) {
        pasteTarget = nullptr;
        if (isChild(target)) target->pasteText(event.text);
        target->forget();
      }
      break;
    case EPlatformEvent::kDestroyed:
      // The host's window went, and ours with it: nothing more is served,
      // and a drag under way ends where it was.
      bAlive = false;
      endMouseCapture();
      endPopup();
      break;
    case EPlatformEvent::kDragEnter:
    case EPlatformEvent::kDragMove:
    case EPlatformEvent::kDragLeave:
    case EPlatformEvent::kDrop:
      dispatchDrag(event);
      break;
    case EPlatformEvent::kMouseUp:
    case EPlatformEvent::kMouseEnter:
    case EPlatformEvent::kResized:
      break;
  }
}

namespace {
constexpr long kMouseButtons = kMouseLeft | kMouseMiddle | kMouseRight;

// True when inner is outer or lies inside it.
bool IsWithin(CView* inner, const CView* outer) {
  for (CView* v = inner; v && outer; v = v->getParentView())
    if (v == outer) return true;
  return false;
}
}  // namespace

void CFrame::beginMouseCapture(CView* view, long buttons) {
  CScopedLock hold(frameLock);
  if (pMouseCapture) endMouseCapture();
  if (!view || !(buttons & kMouseButtons)) return;
  view->remember();
  pMouseCapture = view;
  captureButtons = buttons & kMouseButtons;
  captureHeld = buttons;
  captureLast = lastMousePoint;
}

void CFrame::sendTracked(const CPoint& framePoint, long buttons, ETracked call) {
  CView* view = pMouseCapture;
  if (!view) return;
  const bool end = call == ETracked::kEnd;
  captureLast = framePoint;
  if (!end) captureHeld = buttons;
  // Taken out before the call: the view's handler may start a new tracking,
  // or remove views.
  if (end) pMouseCapture = nullptr;
  CPoint where(framePoint);
  view->frameToLocal(where);
  CDrawContext* context = createDrawContext();
  try {
    if (end)
      view->onMouseTrackEnd(context, where, buttons & ~captureButtons);
    else if (call == ETracked::kIdle)
      view->onMouseTrackIdle(context, where, buttons);
    else
      view->onMouseTrack(context, where, buttons);
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
  context->forget();
  if (end) view->forget();
}

void CFrame::endMouseCapture() {
  CScopedLock hold(frameLock);
  sendTracked(captureLast, 0, ETracked::kEnd);
}

bool CFrame::isMouseCaptureWithin(CView* view) const { return IsWithin(pMouseCapture, view); }

void CFrame::endMouseCaptureWithin(CView* view) {
  CScopedLock hold(frameLock);
  if (isMouseCaptureWithin(view)) endMouseCapture();
}

void CFrame::beginPopup(CView* view, CFramePopup* popup) {
  CScopedLock hold(frameLock);
  finishPopup(false);
  if (!view || !popup) return;
  view->remember();
  pPopupView = view;
  pPopup = popup;
}

void CFrame::finishPopup(bool apply) {
  CFramePopup* popup = pPopup;
  CView* view = pPopupView;
  if (!popup) return;
  // Taken out before the call: the outcome's handlers may open another
  // pop-up or remove views.
  pPopup = nullptr;
  pPopupView = nullptr;
  try {
    popup->popupEnd(apply);
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
  view->forget();
}

void CFrame::servePopup() {
  if (pPopup && pPopup->popupClosed()) finishPopup(true);
}

void CFrame::endPopup() {
  CScopedLock hold(frameLock);
  finishPopup(false);
}

bool CFrame::isPopupWithin(CView* view) const { return IsWithin(pPopupView, view); }

void CFrame::endPopupWithin(CView* view) {
  CScopedLock hold(frameLock);
  if (isPopupWithin(view)) finishPopup(false);
}

bool CFrame::dispatchTracked(const PlatformEvent& event) {
  const CPoint where(event.x, event.y);
  switch (event.type) {
    case EPlatformEvent::kMouseMove:
      // A motion without the drag's buttons: their release was lost (a grab
      // elsewhere took it); the drag ends and the motion goes on as hover.
      if (!(event.buttons & captureButtons)) {
        sendTracked(where, event.buttons, ETracked::kEnd);
        return false;
      }
      sendTracked(where, event.buttons, ETracked::kMotion);
      return true;
    case EPlatformEvent::kMouseUp:
      if (!(event.buttons & captureButtons))
        sendTracked(where, event.buttons, ETracked::kEnd);
      else
        captureHeld = event.buttons;
      return true;
    case EPlatformEvent::kMouseDown:
      // Another button during a drag belongs to the drag; a press of the
      // drag's own button means its release was lost.
      if (!(event.buttons & captureButtons)) return true;
      sendTracked(captureLast, 0, ETracked::kEnd);
      return false;
    case EPlatformEvent::kMouseEnter:
    case EPlatformEvent::kMouseLeave:
      // The pointer stays the drag's outside the window: no hover changes.
      return true;
    default:
      return false;
  }
}

bool CFrame::takeKey(VstKeyCode& keyCode, bool down) {
  CScopedLock hold(frameLock);
  return (down ? onKeyDown(keyCode) : onKeyUp(keyCode)) == 1;
}

void CFrame::dispatchKey(const PlatformEvent& event) {
  VstKeyCode key{};
  key.character = event.key.character;
  key.virt = event.key.virt;
  key.modifier = event.key.modifier;
  // What no view takes is the host's: its shortcuts work over the editor.
  if (!takeKey(key, event.type == EPlatformEvent::kKeyDown) && bAlive && pPlatform)
    pPlatform->ForwardKey(event);
}

void CFrame::dispatchMouseMove(const PlatformEvent& event, bool left) {
  const CMouseMoveDispatch dispatch(this);  // the hover hook below is this frame's
  CDrawContext* context = createDrawContext();
  CMouseMoveAwayHook* saved = g_pCurrentMouseMoveAwayHook;
  g_pCurrentMouseMoveAwayHook = nullptr;
  // Leaving the window reaches no view: the hovered one hears it moved away.
  if (!left) {
    CPoint where(event.x, event.y);
    mouseMove(context, where, -1);
  }
  if (saved && saved != g_pCurrentMouseMoveAwayHook) saved->MouseMovedAway(context);
  context->forget();
}

void CFrame::dispatchDrag(const PlatformEvent& event) {
  const CPoint where(event.x, event.y);
  if (event.type == EPlatformEvent::kDragEnter) {
    if (gDragContainer) gDragContainer->forget();
    gDragContainer = new CDragContainer(event.items);
    setCursor(kCursorNotAllowed);
  }
  CDragContainer* drag = gDragContainer;
  if (!drag) return;
  // The drag and the views it goes to (the one it leaves, the one under it)
  // are held while they handle it: a view's handler may remove views.
  CRememberScope keepDrag(drag);
  CRememberScope keepCurrent(pCurrentDragView);
  CRememberScope keepTarget(getViewAt(where, false));
  CDrawContext* context = createDrawContext();
  switch (event.type) {
    case EPlatformEvent::kDragEnter:
      onDragEnter(context, drag, where);
      break;
    case EPlatformEvent::kDragMove:
      onDragMove(context, drag, where);
      break;
    case EPlatformEvent::kDragLeave:
    case EPlatformEvent::kDrop:
      // A leave: the drag has gone elsewhere; a return is a new drag with
      // new items.
      if (event.type == EPlatformEvent::kDrop)
        onDrop(context, drag, where);
      else
        onDragLeave(context, drag, where);
      setCursor(kCursorDefault);
      if (gDragContainer == drag) {
        gDragContainer = nullptr;
        drag->forget();
      }
      break;
    default:
      break;
  }
  context->forget();
}

bool CFrame::getPointerState(CPoint& where, long& buttons) {
  CScopedLock hold(frameLock);
  if (!pPlatform || !pPlatform->IsAlive()) return false;
  int x = 0, y = 0;
  pPlatform->QueryPointer(x, y, buttons);
  where = CPoint(x, y);
  return true;
}
