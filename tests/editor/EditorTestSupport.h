// Doubles for the editor base: an effect with the product's quality settings
// and quality-link button, an editor built on DivuVazize the way a product
// editor is (a few bound controls, the A/B, copy, undo and redo controls on
// its front), a test clock, and a fixture that opens the editor on a
// headless window driven only by the test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/DivuVazize.h"
#include "framework/QualityTestSupport.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"
#include "gui/CKickButton.h"
#include "gui_frame/FrameTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace edtest {

constexpr int kBoundTag = 10;         // two on/off buttons show this parameter
constexpr int kPersistantTag = 9001;  // one on/off button shows this one
constexpr long kFrontBitmap = 161;
constexpr long kBackBitmap = 114;
constexpr int kFrontWidth = 600;
constexpr int kFrontHeight = 360;
const CRect kFlipRect(390, 0, 600, 25);

// The test clock, in ms; written by the test thread only. Each ClockScope
// starts it a minute behind the machine's clock.
extern std::atomic<unsigned int> g_Now;
class ClockScope {
 public:
  ClockScope();
  ~ClockScope();
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;
};

class EditorTestEffect : public fxtest::QualityTestEffect {
 public:
  EditorTestEffect() : fxtest::QualityTestEffect(fxtest::RecordingHostCallback, false) {}
  int GetQMLinkButtonResourceId() override { return 156; }
  // Records whether each write came from the editor's own controls.
  void ParameterChanged(int index) override;

  struct Write {
    int nIndex;
    bool bFromGui;
  };
  std::vector<Write> Writes();
  void ClearWrites();

 private:
  std::mutex m_WritesMutex;
  std::vector<Write> m_Writes;
};

class TestEditor : public DivuVazize {
 public:
  explicit TestEditor(AudioEffect* effect);

  // Fields and operations the tests look at.
  using DivuVazize::m_bChangeFromGui;
  using DivuVazize::m_bPendingRefresh;
  using DivuVazize::m_bPendingUpdateUi;
  using DivuVazize::m_GenericBitmaps;
  using DivuVazize::m_nFlipAtTicks;
  using DivuVazize::m_nGenericBitmapsAdded;
  using DivuVazize::m_nGenericControlsAdded;
  using DivuVazize::m_nNextIdleInnerTicks;
  using DivuVazize::m_pABButton;
  using DivuVazize::m_pBackBitmap;
  using DivuVazize::m_pFrontBitmap;
  using DivuVazize::m_pBitDepthMenu;
  using DivuVazize::m_pCopyABButton;
  using DivuVazize::m_pDitherMenu;
  using DivuVazize::m_pFlipButton;
  using DivuVazize::m_pGenericControls;
  using DivuVazize::m_pOfflineRenderMenu;
  using DivuVazize::m_pQualityInfo;
  using DivuVazize::m_pQualityMenu;
  using DivuVazize::m_pQualityNotice;
  using DivuVazize::m_pRedoButton;
  using DivuVazize::m_pReportLatencyMenu;
  using DivuVazize::m_pReturnButton;
  using DivuVazize::m_pUndoButton;
  using DivuVazize::m_pWysiwygMenu;
  using DivuVazize::m_bShowQualityAdvice;
  using DivuVazize::m_bShowQualityModeControls;

  bool OverrideOpenBehaviour() override { return m_bOverrideOpen; }
  void AddFrontViewsInner() override;
  void InnerZeroControlPtrs() override;
  void UpdateUi() override { ++m_nUpdateUi; }
  void IdleInner() override {
    ++m_nIdleInner;
    if (m_OnIdleInner) m_OnIdleInner();
  }
  void SetParameterInner(long index, float) override { m_nLastInner.store(static_cast<int>(index)); }
  void ControlCallbackInner(EControlCallback kind, CControl*, float a, float, float) override;

  CFrame* Frame() const { return frame; }

  // The front's own controls (nulled with every removal).
  COnOffButtonExtended* m_pTwinA = nullptr;
  COnOffButtonExtended* m_pTwinB = nullptr;
  COnOffButtonExtended* m_pPersistant = nullptr;
  COnOffButtonExtended* m_pUnbound = nullptr;

  bool m_bOverrideOpen = false;
  int m_nFrontBuilds = 0;
  int m_nZeroInner = 0;
  int m_nUpdateUi = 0;
  int m_nIdleInner = 0;
  std::function<void()> m_OnIdleInner;  // runs at the end of each IdleInner
  std::atomic<int> m_nLastInner{-1};
  bool m_bGuiFlagInCallback = false;
  float m_fCallbackA = 0.0f;
};

// Top-left corners of the front's controls.
const CPoint kTwinAAt(27, 7);
const CPoint kTwinBAt(27, 300);
const CPoint kPersistantAt(100, 300);
const CPoint kUnboundAt(160, 300);
const CPoint kABAt(138, 7);
const CPoint kCopyAt(189, 7);
const CPoint kUndoAt(77, 7);
const CPoint kRedoAt(108, 7);

// An open editor on a headless window; the host's idle calls come from the
// test only. The effect runs at 48 kHz with the quality mode applied.
class EditorFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // One host editor-idle call after the clock moved by ms.
  void IdleAfter(unsigned int ms);
  // A left click at (x, y): press and release, both delivered on the next
  // idle.
  void Click(long x, long y);
  // Flips and idles until the flip has run.
  void FlipToBack();
  // Runs fn on a thread of its own and waits for it.
  static void OnOtherThread(const std::function<void()>& fn);

  fxtest::HostLog& Host() { return fxtest::HostLog::Get(); }
  int AutomationsOf(int index);

  TempConfigFolder m_Prefs;  // the effect reads and writes preferences
  frametest::HeadlessScope m_Headless;
  ClockScope m_Clock;
  std::unique_ptr<EditorTestEffect> m_pEffect;
  TestEditor* m_pEditor = nullptr;  // owned by the effect
  CHeadlessWindow* m_pWindow = nullptr;
};

// Waits up to ms for done(); false on timeout.
bool WaitUntil(const std::function<bool()>& done, int ms);

}  // namespace edtest
