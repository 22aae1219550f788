// Doubles for the equaliser editor's tests: the effect at 48 kHz on the
// recording host with its filters built, its editor replaced by one that
// opens the editor's fields to the tests (and behaves as the product's), and
// a fixture that opens it on a headless window driven by the test alone.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "QVX2/QVX2.h"
#include "QVX2/QVX2Editor.h"
#include "QVX2/QVX2Engine.h"
#include "QVX2/QVX2Graph.h"
#include "framework/FrameworkTestSupport.h"
#include "gui_frame/FrameTestSupport.h"
#include "product/EditionSuite.h"
#include "prefs/TempConfigFolder.h"

namespace edtest2 {

constexpr float kRate = 48000.0f;

struct TemporaryPreferences {
  TempConfigFolder m_Folder;
};

class EditorQvx2 : private TemporaryPreferences, public AQVX2 {
 public:
  EditorQvx2() : AQVX2(fxtest::RecordingHostCallback) {}
  // Runs the idle-side update to its end.
  void FinishUpdate() { CompleteFilterUpdate(); }
  CQVX2Engine* Engine() { return m_pEngine.get(); }
  // Holds the idle side as a running update or rebuild would.
  std::recursive_mutex& IdleMutex() { return m_IdleMutex; }
};

class EditorProbe : public QVX2Editor {
 public:
  using QVX2Editor::QVX2Editor;
  using QVX2Editor::m_bChangeFromGui;
  using QVX2Editor::m_bColorMode;
  using QVX2Editor::m_pABButton;
  using QVX2Editor::m_pBandTypeMenu;
  using QVX2Editor::m_pFillButton;
  using QVX2Editor::m_bPendingRefresh;
  using QVX2Editor::m_bMirroring;
  using QVX2Editor::m_nEditorWrite;
  using QVX2Editor::m_nSelectedHandle;
  using QVX2Editor::m_pGraph;
  using QVX2Editor::m_pHpfFreq;
  using QVX2Editor::m_pHpfOnButton;
  using QVX2Editor::m_pLeftButton;
  using QVX2Editor::m_pLevelMeter;
  using QVX2Editor::m_pQualityInfo;
  using QVX2Editor::m_pQualityMenu;
  using QVX2Editor::m_pResetButton;
  using QVX2Editor::m_pReturnButton;
  using QVX2Editor::m_pRightButton;
  CFrame* Frame() const { return frame; }
  // Runs once inside the next front build, under the frame lock, before the
  // product adds its views.
  std::function<void()> m_BeforeFrontBuild;

 protected:
  void AddFrontViewsInner() override {
    std::function<void()> hook = std::move(m_BeforeFrontBuild);
    m_BeforeFrontBuild = nullptr;
    if (hook) hook();
    QVX2Editor::AddFrontViewsInner();
  }
};

// A user's edit on a control as the control base makes it: its begin edit, a
// value change per value, its end edit.
void EditControl(EditorProbe& editor, CControl* control, const std::vector<float>& values);

// Noise through the record's processReplacing at the pace of a 48 kHz device,
// on an audio thread of its own until stopped; its level rises and falls
// from block to block between -47 and -27 dB, so meters and spectra move.
class NoisePlayer {
 public:
  explicit NoisePlayer(AEffect* effect);
  ~NoisePlayer() { Stop(); }
  NoisePlayer(const NoisePlayer&) = delete;
  NoisePlayer& operator=(const NoisePlayer&) = delete;
  void Stop();

 private:
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

class EditorFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // One host editor-idle call after the clock moved on by ms.
  void Idle(unsigned int ms = 20);
  // The window asks for its whole area to be drawn.
  void Expose();
  // Idles until pending rebuilds and refreshes have run.
  void Settle();
  // Rebuilds the front panel (closing and opening the editor).
  void Reopen();
  // A band edit from the curve, as a drag pass reports it.
  void EditBand(int band, float db) { m_pEditor->ControlCallback(DivuVazize::eCC_BandEdit, Graph(), static_cast<float>(band), db, 0); }
  QVX2CompositeGraph* Graph() const { return m_pEditor->m_pGraph; }
  // Every control of the shown panel.
  std::vector<CControl*> Controls() const;
  // The shown pixel at frame (x, y), 0xRRGGBB.
  uint32_t Pixel(int x, int y) const;
  // Writes the window as QVX_SCREENSHOT_DIR/name.png when the variable is set.
  void Screenshot(const std::string& name) const;
  // Host calls of an opcode for one index.
  int HostCallsOf(VstInt32 opcode, int index);
  void EditControl(CControl* control, const std::vector<float>& values) {
    edtest2::EditControl(*m_pEditor, control, values);
  }
  // Per parameter index, its begin edits, automations and end edits as the
  // host saw them in order: '(' , 'a', ')'; all of them in order in *order.
  static std::map<int, std::string> HostEditMarks(std::string* order = nullptr);

  frametest::HeadlessScope m_Headless;
  std::unique_ptr<EditorQvx2> m_pEffect;
  EditorProbe* m_pEditor = nullptr;  // owned by the effect
  CHeadlessWindow* m_pWindow = nullptr;
};

// The band-gain value of a gain in dB.
inline float GainValue(float db) { return (db - kfSP_MinG) / (kfSP_MaxG - kfSP_MinG); }

}  // namespace edtest2
