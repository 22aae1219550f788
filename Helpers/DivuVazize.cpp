// The editor base: life cycle, the front panel, the editor locks, the undo,
// redo and A/B controls and the control-callback protocol.
#include "Helpers/DivuVazize.h"

#include <chrono>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/ScopedValue.h"
#include "Helpers/XREffect.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("Helpers/DivuVazize.cpp");

const long g_nAllResources[] = {111, 114, 133, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148,
                                149, 150, 151, 154, 155, 156, 157, 158, 160, 161, 162, 163, 164, 152, 153, -1};

namespace {
// The undo and redo buttons' tags: the toolkit hands them to the edit
// brackets, which the effect reads as undo and redo.
constexpr long kUndoTag = 10001;
constexpr long kRedoTag = 10002;
// How many redraws paint the front background after a build.
constexpr long kFrontBackgroundDraws = 5;
// Longest wait for the audio thread's block before a panel is built anyway:
// a hold that lasts longer belongs to this very thread.
constexpr auto kAudioBusyWaitLimit = std::chrono::milliseconds(500);

// Clears the building flag on every way out of a build.
class CBuildingViews {
 public:
  explicit CBuildingViews(std::atomic<bool>& flag) : m_Flag(flag) { m_Flag.store(true); }
  ~CBuildingViews() { m_Flag.store(false); }
  CBuildingViews(const CBuildingViews&) = delete;
  CBuildingViews& operator=(const CBuildingViews&) = delete;

 private:
  std::atomic<bool>& m_Flag;
};
}  // namespace

void CBitmapResource::ForgetAndClear() {
  XR_TRY
  if (m_pBitmap) m_pBitmap->forget();
  m_pBitmap = nullptr;
  m_nResourceId = 0;
  XR_CATCH_VOID
}

// --- life cycle --------------------------------------------------------------

DivuVazize::DivuVazize(AudioEffect* effect, long frontBitmapId, long backBitmapId, const CRect& flipRect,
                       const CRect&, int, int backTextTop, int, int)
    : AEffGUIEditor(effect) {
  XR_TRY
  ZeroControlPtrs(false);
  m_rectFlipButton = flipRect;
  m_rectBackFlipButton = flipRect;
  m_nBackTextTop = backTextTop;
  m_pFrontBitmap = new CBitmap(frontBitmapId);
  m_pBackBitmap = new CBitmap(backBitmapId);
  rect.top = 0;
  rect.left = 0;
  rect.bottom = static_cast<VstInt16>(m_pFrontBitmap->getHeight());
  rect.right = static_cast<VstInt16>(m_pFrontBitmap->getWidth());
  PlatformSpecificPrecacheAllGraphics();
  XR_CATCH_VOID
}

DivuVazize::~DivuVazize() {
  XR_TRY
  // A host that deletes an open editor without closing it first: the
  // product's part is gone already, so only this part's pointers are
  // cleared; the frame releases its views as it goes.
  if (frame) {
    m_bOpen.store(false);
    ZeroControlPtrs(false);
    DropFrame(true);
  }
  for (CBitmapResource& entry : m_GenericBitmaps) entry.ForgetAndClear();
  if (m_pFrontBitmap) m_pFrontBitmap->forget();
  m_pFrontBitmap = nullptr;
  if (m_pBackBitmap) m_pBackBitmap->forget();
  m_pBackBitmap = nullptr;
  XR_CATCH_VOID
}

XREffect* DivuVazize::GetXREffect() const { return dynamic_cast<XREffect*>(effect); }

bool DivuVazize::open(void* window) {
  XR_TRY
  AEffGUIEditor::open(window);
  ZeroControlPtrs(true);
  DropFrame(false);
  m_nUiThread.store(ThisThreadSerial());
  const long width = m_pFrontBitmap ? m_pFrontBitmap->getWidth() : 0;
  const long height = m_pFrontBitmap ? m_pFrontBitmap->getHeight() : 0;
  frame = new CFrame(CRect(0, 0, width, height), window, this);
  if (!frame->getPlatformWindow()) {
    // No window could be made in the host's (it is not a window, or there
    // is no display): the host hears so, and nothing is left behind.
    DropFrame(true);
    systemWindow = nullptr;
    return false;
  }
  m_bOpen.store(true);
  if (!OverrideOpenBehaviour()) AddFrontViews();
  UpdateUi();
  // Last: the idle thread reads the frame pointer and the panel from its
  // first pass, and the build may have waited past the thread's start
  // delay for an audio block.
  if (frame) frame->CreateIdleTimer();
  return true;
  XR_CATCH(true)
}

void DivuVazize::close() {
  XR_TRY
  // Closed already (a host's second close, or a forked child's request
  // after the first set the parent's frame aside): nothing is left to release.
  if (!frame && !m_bOpen.load()) return;
  // In a child forked with the editor open the views are the parent's
  // frame's: DropFrame sets it aside with them.
  const bool inherited = frame && frame->isInheritedByFork();
  if (frame && !inherited) frame->prepareClose();
  m_bOpen.store(false);
  if (inherited)
    ZeroControlPtrs(true);
  else
    RemoveAllControls();
  DropFrame(true);
  systemWindow = nullptr;
  XR_CATCH_VOID
}

void DivuVazize::DropFrame(bool emptyCache) {
  if (frame && frame->isInheritedByFork()) {
    // Left as it is, never deleted: its locks may be held by the parent's
    // threads, and its window's requests would go on the parent's stream.
    frame = nullptr;
    return;
  }
  CFrame* old = nullptr;
  {
    const CScopedLock holdFrame(frame ? &frame->getFrameLock() : nullptr);
    const CScopedLockPair holdAB(m_lockA, m_lockB);
    if (emptyCache) {
      for (CBitmapResource& entry : m_GenericBitmaps) entry.ForgetAndClear();
      m_nGenericBitmapsAdded = 0;
    }
    old = frame;
    frame = nullptr;
  }
  // Outside every lock: the frame's destructor waits for its idle thread,
  // whose pass may be waiting for these locks.
  if (old) old->forget();
}

void DivuVazize::ZeroControlPtrs(bool inner) {
  XR_TRY
  m_pFlipButton = nullptr;
  m_pReturnButton = nullptr;
  m_pABButton = nullptr;
  m_pCopyABButton = nullptr;
  m_pUndoButton = nullptr;
  m_pRedoButton = nullptr;
  m_pQualityMenu = nullptr;
  m_pDitherMenu = nullptr;
  m_pBitDepthMenu = nullptr;
  m_pReportLatencyMenu = nullptr;
  m_pOfflineRenderMenu = nullptr;
  m_pWysiwygMenu = nullptr;
  m_pQualityNotice = nullptr;
  for (CStaticText*& info : m_pQualityInfo) info = nullptr;
  for (CControl*& slot : m_pGenericControls) slot = nullptr;
  m_nGenericControlsAdded = 0;
  if (inner) InnerZeroControlPtrs();
  XR_CATCH_VOID
}

void DivuVazize::RemoveAllControls() {
  XR_TRY
  // The frame lock first: the user-interface thread is then neither
  // drawing nor handling an event while the pointers and views go.
  const CScopedLock holdFrame(frame ? &frame->getFrameLock() : nullptr);
  ZeroControlPtrs(true);
  const CScopedLockPair holdAB(m_lockA, m_lockB);
  if (frame) frame->removeAll(true);
  XR_CATCH_VOID
}

bool DivuVazize::TryRemoveAllControls() {
  XR_TRY
  // Inside this thread's own use of the views (an event, a host call to the
  // editor): they stay until it has left.
  if (IsInUseOnThisThread()) return false;
  RemoveAllControls();
  return true;
  XR_CATCH(false)
}

bool DivuVazize::IsInUseOnThisThread() const {
  // Only the thread the editor runs on reads its own frame pointer here.
  return OnUiThread() && frame && frame->getFrameLock().IsHeldByCurrentThread();
}

// --- the front panel ------------------------------------------------------------

void DivuVazize::WaitWhileAudioBusy() {
  XREffect* fx = GetXREffect();
  if (!fx) return;
  const auto deadline = std::chrono::steady_clock::now() + kAudioBusyWaitLimit;
  while (fx->IsAudioBusy() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
}

void DivuVazize::AddFrontViews() {
  XR_TRY
  WaitWhileAudioBusy();
  {
    CBuildingViews building(m_bBuildingViews);
    m_bFrontShown = true;
    if (!m_bOpen.load() || !frame) return;
    CScopedLock hold(frame->getFrameLock());
    RemoveAllControls();
    frame->setBackground(m_pFrontBitmap);
    frame->setDirty(true);
    frame->setBackgroundDrawCount(kFrontBackgroundDraws);
    AddFrontSlidingPanel();
    AddFrontViewsInner();
    UpdateABControls();
    m_pFlipButton = new CInvisibleButton(m_rectFlipButton, this, true);
    frame->addView(m_pFlipButton);
    frame->setOpenFlag(true);
    UpdateUndoRedoControls();
    frame->setDirty(true);
    CRect whole;
    frame->getSize(&whole);
    frame->invalidate(whole);
  }
  idle();
  XR_CATCH_VOID
}

void DivuVazize::ToggleFrontAndBack() {
  XR_TRY
  if (m_bFrontShown)
    AddBackViews(BACK_VIEW_NORMAL);
  else
    AddFrontViews();
  XR_CATCH_VOID
}

void DivuVazize::RefreshFrontOrBack() {
  XR_TRY
  // Off the user-interface thread, inside an event (whose views the rebuild
  // would delete under it) or during a drag, the next quiet idle rebuilds.
  if (!OnUiThread() || g_bAmHandlingCarbonEvent.load() || DragUnderway()) {
    m_bPendingRefresh.store(true);
    return;
  }
  if (m_bFrontShown)
    AddFrontViews();
  else
    AddBackViews(m_eBackViewType);
  XR_CATCH_VOID
}

// --- A/B, undo and redo ---------------------------------------------------------

void DivuVazize::UpdateABControls() {
  XR_TRY
  XREffect* fx = GetXREffect();
  if (!m_pABButton || !fx) return;
  m_pABButton->setValue(fx->GetABBank() == 1 ? 1.0f : 0.0f);
  m_pABButton->setDirty(true);
  XR_CATCH_VOID
}

void DivuVazize::UpdateUndoRedoControls() {
  XR_TRY
  CUiScope ui(this, &m_bPendingUndoRedo);
  if (!ui.Entered()) return;
  XREffect* fx = GetXREffect();
  if (!fx) return;
  if (m_pUndoButton && m_nUndoBitmapOn != -1 && m_nUndoBitmapOff != -1) {
    m_pUndoButton->setBackground(GetBitmap(fx->CanUndo() ? m_nUndoBitmapOn : m_nUndoBitmapOff));
    m_pUndoButton->setDirty(true);
  }
  if (m_pRedoButton && m_nRedoBitmapOn != -1 && m_nRedoBitmapOff != -1) {
    m_pRedoButton->setBackground(GetBitmap(fx->CanRedo() ? m_nRedoBitmapOn : m_nRedoBitmapOff));
    m_pRedoButton->setDirty(true);
  }
  XR_CATCH_VOID
}

// --- edits ------------------------------------------------------------------------

void DivuVazize::ControlCallback(EControlCallback kind, CControl* control, float a, float b, float c) {
  XR_TRY
  const CScopedValue<std::atomic<bool>> gui(m_bChangeFromGui, true);
  ControlCallbackInner(kind, control, a, b, c);
  XR_CATCH_VOID
}

bool DivuVazize::beginEdit(int index) {
  XR_TRY
  return AEffGUIEditor::beginEdit(index);
  XR_CATCH(false)
}

bool DivuVazize::endEdit(int index) {
  XR_TRY
  return AEffGUIEditor::endEdit(index);
  XR_CATCH(false)
}

bool DivuVazize::setKnobMode(VstInt32) {
  XR_TRY
  AEffGUIEditor::setKnobMode(2);
  return true;
  XR_CATCH(true)
}

void DivuVazize::PlatformSpecificPrecacheAllGraphics() {
  XR_TRY
  for (int i = 0; g_nAllResources[i] >= 0; ++i) GetBitmap(g_nAllResources[i]);
  XR_CATCH_VOID
}

// --- work for the user-interface thread -------------------------------------------

DivuVazize::CUiScope::CUiScope(DivuVazize* editor, std::atomic<bool>* pending) {
  if (!editor->OnUiThread()) {
    if (pending) pending->store(true);
    return;
  }
  // Closed: there are no controls to guard.
  if (!editor->frame) {
    m_bEntered = true;
    return;
  }
  Lock& lock = editor->frame->getFrameLock();
  if (lock.TryHoldLock()) {
    m_pLock = &lock;
    m_bEntered = true;
  } else if (pending) {
    pending->store(true);
  }
}

DivuVazize::CUiScope::~CUiScope() {
  if (m_pLock) m_pLock->ReleaseLock();
}
