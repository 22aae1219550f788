#include "Helpers/OwnerDrawControlsBase.h"

#include "Helpers/Assert.h"
#include "Helpers/ScopedValue.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/COffscreenContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControls");

COwnerDrawControl::COwnerDrawControl(const CRect& size, OwnerDrawFunction drawFunction,
                                     AEffGUIEditor* editor, CControlListener* listener)
    : CControl(size, listener, 0, nullptr), pDrawFunction(drawFunction), pEditor(editor) {
  // No parameter: editors bind owner-drawn controls by pointer.
  setTag(-1);
}

COwnerDrawControl::~COwnerDrawControl() {
  try {
    CScopedLock hold(lock);
    pDrawFunction = nullptr;
    // A control destroyed without being removed still releases its surface.
    if (pOffscreen) pOffscreen->forget();
    pOffscreen = nullptr;
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
}

void COwnerDrawControl::draw(CDrawContext* screen) {
  XR_TRY
  CScopedLock hold(lock);
  if (!pDrawFunction || !screen) return;
  if (bDrawBlack) {
    screen->setFillColor(kBlackCColor);
    screen->fillRect(size);
  } else {
    // Drawing needs the surface that attaching creates.
    if (!pOffscreen) return;
    const CRect local(0, 0, size.width(), size.height());
    pDrawFunction(local, this, pOffscreen);
    pOffscreen->copyFrom(screen, size, CPoint(0, 0));
    PostDraw(screen);
  }
  setDirty(false);
  XR_CATCH_VOID
}

bool COwnerDrawControl::attached(CView* parent) {
  XR_TRY
  CControl::attached(parent);
  if (pOffscreen) pOffscreen->forget();
  pOffscreen = nullptr;
  pOffscreen = new COffscreenContext(getFrame(), size.width(), size.height(), kBlackCColor);
  return true;
  XR_CATCH(false)
}

bool COwnerDrawControl::removed(CView* parent) {
  XR_TRY
  if (pOffscreen) pOffscreen->forget();
  pOffscreen = nullptr;
  return CControl::removed(parent);
  XR_CATCH(false)
}

void COwnerDrawControl::doIdleStuff() {
  if (bInIdle) return;
  // Elapsed time as an unsigned difference, so that the pacing survives the
  // clock's wrap.
  if (MsElapsed(GetTickCount(), nLastIdleTicks) < kOwnerDrawIdleIntervalMs) return;
  nLastIdleTicks = GetTickCount();
  const CFlagScope inIdle(bInIdle);
  // Fills during this redraw go through Cairo rather than into the pixels.
  g_bCanDoPntFillRectQuartzOptimisations = false;
  try {
    if (CFrame* frame = getFrame()) frame->doIdleStuff();
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
  g_bCanDoPntFillRectQuartzOptimisations = true;
}

void COwnerDrawControl::FollowMouse(CDrawContext* ctx, CPoint& where, long buttons) {
  CFrame* frame = getFrame();
  if (frame) frame->beginMouseCapture(this, buttons);
  if (frame && frame->getMouseCapture() == this) return;
  CPoint at(where);
  onMouseTrackEnd(ctx, at, 0);
}

void COwnerDrawControl::PostDraw(CDrawContext*) {}
