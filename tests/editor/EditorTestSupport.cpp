#include "editor/EditorTestSupport.h"

namespace edtest {

std::atomic<unsigned int> g_Now{0};

namespace {
unsigned int TestClock() { return g_Now.load(); }
}  // namespace

ClockScope::ClockScope() {
  g_Now = fxtest::FakeClockStart();
  SetTickCountSourceForTesting(TestClock);
}
ClockScope::~ClockScope() { SetTickCountSourceForTesting(nullptr); }

// --- the effect ---------------------------------------------------------------------

void EditorTestEffect::ParameterChanged(int index) {
  XREditorHooks* editor = GetEditorHooks();
  {
    std::lock_guard<std::mutex> lock(m_WritesMutex);
    m_Writes.push_back({index, editor && editor->IsChangeFromGui()});
  }
  fxtest::QualityTestEffect::ParameterChanged(index);
}

std::vector<EditorTestEffect::Write> EditorTestEffect::Writes() {
  std::lock_guard<std::mutex> lock(m_WritesMutex);
  return m_Writes;
}

void EditorTestEffect::ClearWrites() {
  std::lock_guard<std::mutex> lock(m_WritesMutex);
  m_Writes.clear();
}

// --- the editor ---------------------------------------------------------------------

TestEditor::TestEditor(AudioEffect* effect)
    : DivuVazize(effect, kFrontBitmap, kBackBitmap, kFlipRect, CRect(0, 0, 0, 0), 300, 30, 312, 184) {
  m_szTitle = "Test Editor v1";
  m_nTextButtonHalfWidth = 180;
  m_rectBackFlipButton = CRect(0, 0, 0, 0);
  m_bShowQualityModeControls = true;
  m_bShowQualityAdvice = true;
  m_nUndoBitmapOn = 150;
  m_nUndoBitmapOff = 158;
  m_nRedoBitmapOn = 148;
  m_nRedoBitmapOff = 157;
}

void TestEditor::AddFrontViewsInner() {
  ++m_nFrontBuilds;
  m_pTwinA = AddOnOffButton(kTwinAAt, 139, kBoundTag);
  m_pTwinB = AddOnOffButton(kTwinBAt, 139, kBoundTag);
  m_pPersistant = AddOnOffButton(kPersistantAt, 137, kPersistantTag);
  m_pUnbound = AddOnOffButton(kUnboundAt, 137, 9999);
  m_pABButton = AddOnOffButton(kABAt, 133, 9999);
  CPoint origin(0, 0);
  CBitmap* copy = GetBitmap(155);
  m_pCopyABButton = AddControl(
      new CKickButton(CRect(kCopyAt, copy->getWidth(), copy->getHeight() / 2), this, 9999, copy, origin), 9999);
  CBitmap* undo = GetBitmap(150);
  m_pUndoButton = AddControl(
      new CKickButton(CRect(kUndoAt, undo->getWidth(), undo->getHeight() / 2), this, 10001, undo, origin), 10001);
  CBitmap* redo = GetBitmap(148);
  m_pRedoButton = AddControl(
      new CKickButton(CRect(kRedoAt, redo->getWidth(), redo->getHeight() / 2), this, 10002, redo, origin), 10002);
}

void TestEditor::InnerZeroControlPtrs() {
  ++m_nZeroInner;
  m_pTwinA = m_pTwinB = m_pPersistant = m_pUnbound = nullptr;
}

void TestEditor::ControlCallbackInner(EControlCallback, CControl*, float a, float, float) {
  m_bGuiFlagInCallback = IsChangeFromGui();
  m_fCallbackA = a;
}

// --- the fixture --------------------------------------------------------------------

void EditorFixture::SetUp() {
  fxtest::HostLog::Get().Reset();
  g_kIdleRate = 10;
  m_pEffect = std::make_unique<EditorTestEffect>();
  m_pEffect->setSampleRate(48000.0f);
  m_pEditor = new TestEditor(m_pEffect.get());
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  m_pWindow = LastHeadlessWindow();
  ASSERT_NE(m_pWindow, nullptr);
}

void EditorFixture::TearDown() {
  if (m_pEditor) m_pEditor->close();
  m_pEffect.reset();
  g_kIdleRate = 10;
}

void EditorFixture::IdleAfter(unsigned int ms) {
  g_Now += ms;
  m_pEditor->idle();
}

void EditorFixture::Click(long x, long y) {
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, static_cast<int>(x), static_cast<int>(y),
                                        kMouseLeft));
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, static_cast<int>(x), static_cast<int>(y), 0));
}

void EditorFixture::FlipToBack() {
  Click(kFlipRect.left + 10, kFlipRect.top + 10);
  IdleAfter(1);
  IdleAfter(101);
}

void EditorFixture::OnOtherThread(const std::function<void()>& fn) {
  std::thread other(fn);
  other.join();
}

int EditorFixture::AutomationsOf(int index) {
  int n = 0;
  for (const fxtest::HostCall& call : Host().CallsOf(audioMasterAutomate))
    if (call.nIndex == index) ++n;
  return n;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace edtest
