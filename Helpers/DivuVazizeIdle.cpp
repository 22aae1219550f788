// The editor's idle: the frame's redraw on every pass, and on the
// user-interface thread the deferred work: control updates left by other
// threads, UpdateUi, rebuilds, flips, the product's paced IdleInner and the
// effect's idle.
#include <cstdint>

#include "Helpers/Assert.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/HostInfo.h"
#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/ScopedValue.h"
#include "Helpers/XREffect.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("Helpers/DivuVazizeIdle.cpp");

namespace {
// A flip runs this long after the click that asked for it.
constexpr unsigned int kFlipDelayMs = 100;
constexpr long kFirstPersistantTag = 9000;
}  // namespace

void DivuVazize::idle() {
  XR_TRY
  if (!frame) return;
  // Entered with the frame lock held: from inside an event or a host call
  // that uses the views (a button redrawn between its notifications, a text
  // commit).
  const bool nested = frame->getFrameLock().IsHeldByCurrentThread();
  bool ranWork = false;
  {
    CScopedLock holdFrame(frame->getFrameLock());
    // Inside the deferred work (a panel build ends with an idle): nothing
    // more.
    if (!m_bOpen.load() || m_bInIdle) return;
    {
      // Lock B covers the frame's event and redraw pass; the deferred work
      // below may rebuild a panel, which takes lock A before lock B like
      // every other removal.
      CScopedLock holdB(m_lockB);
      // The window's events come before the in-idle guard: a control's
      // handler may idle the editor once more (doIdleStuff), which must find
      // the guard free. Inside an event this returns at once.
      frame->handlePlatformEvents();
      if (!frame || !m_bOpen.load()) return;
      const CFlagScope inIdle(m_bInIdle);
      try {
        frame->idle();
      } catch (...) {
        HandleException(__PRETTY_FUNCTION__);
      }
    }
    // The frame's idle thread only redraws: panels, controls and the
    // effect's idle work belong to the thread the host talks to.
    if (OnUiThread()) {
      MaybeCallIdleInner(nested);
      ranWork = true;
    }
  }
  // Outside the frame lock: the effect's idle may rebuild its filters and
  // then this editor's panel, which a nested pass would have to put off
  // (its views are in use).
  if (ranWork && !nested) CallEffectIdle();
  XR_CATCH_VOID
}

namespace {
void MarkDisplaysDirty(CViewContainer* container) {
  for (long i = 0, n = container->getNbViews(); i < n; ++i) {
    CView* view = container->getView(i);
    if (dynamic_cast<COwnerDrawControl*>(view))
      view->setDirty(true);
    else if (auto* inner = dynamic_cast<CViewContainer*>(view))
      MarkDisplaysDirty(inner);
  }
}
}  // namespace

void DivuVazize::keepDisplaysLive() {
  if (frame && m_bOpen.load()) MarkDisplaysDirty(frame);
}

void DivuVazize::MaybeCallIdleInner(bool viewsInUse) {
  XR_TRY
  if (m_bInIdle) return;
  const CFlagScope inIdle(m_bInIdle);
  XREffect* fx = GetXREffect();
  const bool effectQuiet = !fx || (!fx->IsInEditGroup() && !fx->IsInUndoRedoEdit());

  RunDeferredControlWork();
  // Cleared before the call, so that a request made meanwhile (a parameter
  // written on another thread) is served at the next idle.
  if (m_bPendingUpdateUi.exchange(false)) UpdateUi();

  // Rebuilds and flips remove views: not under an event that uses them, nor
  // during a drag or while a menu is open, which span host calls; the first
  // idle after them serves them.
  const bool viewsHeld = viewsInUse || DragUnderway();
  if (m_bPendingRefresh.load() && effectQuiet && !g_bAmHandlingCarbonEvent.load() && !viewsHeld) {
    m_bPendingRefresh.store(false);
    RefreshFrontOrBack();
  }

  const unsigned int flipAt = m_nFlipAtTicks.load();
  if (flipAt != 0 && static_cast<int32_t>(GetTickCount() - flipAt) > 0 && effectQuiet && !viewsHeld) {
    m_nFlipAtTicks.store(0);
    ToggleFrontAndBack();
  }

  const unsigned int now = GetTickCount();
  const int rate = g_kIdleRate.load();
  // A due time further ahead than one interval means the clock went back.
  if (MsReached(now, m_nNextIdleInnerTicks) || static_cast<int32_t>(m_nNextIdleInnerTicks - now) > rate) {
    // No pause after it: here a pause runs no event loop, and inside a
    // host's call it would only hold the host (and, for tens of
    // milliseconds on a busy machine, a host's audio waiting for it).
    IdleInner();
    m_nNextIdleInnerTicks = now + static_cast<unsigned int>(rate);
  }
  XR_CATCH_VOID
}

bool DivuVazize::DragUnderway() const { return frame && (frame->getMouseCapture() || frame->getPopupView()); }

void DivuVazize::CallEffectIdle() {
  XR_TRY
  XREffect* fx = GetXREffect();
  if (fx && m_bOpen.load()) fx->MaybeCallFxIdle(XREffect::eFxIdleFromEditor);
  XR_CATCH_VOID
}

void DivuVazize::ForceCallIdleInner() {
  XR_TRY
  m_nNextIdleInnerTicks = 0;
  // 0 may lie ahead of the clock; the far-ahead test runs IdleInner anyway.
  MaybeCallIdleInner();
  CallEffectIdle();
  XR_CATCH_VOID
}

void DivuVazize::RequestFlip() {
  unsigned int at = GetTickCount() + kFlipDelayMs;
  if (at == 0) at = 1;  // 0 means "no flip pending"
  m_nFlipAtTicks.store(at);
}

// --- work other threads leave for the user-interface thread -----------------------

void DivuVazize::DeferTagUpdate(long tag) {
  if (tag < 0 || tag >= kNumBindableTags) return;
  m_PendingTags[tag / 64].fetch_or(uint64_t{1} << (tag % 64));
  m_bPendingTagUpdates.store(true);
}

float DivuVazize::CurrentParamOfTag(long tag) {
  XREffect* fx = GetXREffect();
  if (!fx) return 0.0f;
  return tag >= kFirstPersistantTag ? fx->GetPersistantParam(static_cast<int>(tag))
                                    : fx->getParameter(static_cast<VstInt32>(tag));
}

void DivuVazize::RunDeferredControlWork() {
  if (m_bPendingTagUpdates.exchange(false)) {
    for (int w = 0; w < kPendingTagWords; ++w) {
      uint64_t bits = m_PendingTags[w].exchange(0);
      while (bits) {
        const int b = __builtin_ctzll(bits);
        bits &= bits - 1;
        const long tag = static_cast<long>(w) * 64 + b;
        SetControlsOfTag(tag, CurrentParamOfTag(tag));
      }
    }
  }
  if (m_bPendingUndoRedo.exchange(false)) UpdateUndoRedoControls();
  if (m_bPendingQM.exchange(false)) UpdateQMControls();
}
