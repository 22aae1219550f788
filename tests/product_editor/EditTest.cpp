// Edits through the editor: channel linking in its three modes and what must
// never mirror, the host's edit brackets around every write of an editor
// action, the graph's range parameters from a hostile host, the level meter
// fed from the audio thread without waiting, a panel built while a rebuild
// waits for the frame, and the edited channel across an open.
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "gui/CKickButton.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

constexpr int kBand = 5;
const int kLeftGain = nParamG[kBand];
const int kRightGain = nParamG[kQvx2NumBands + kBand];

class EditTest : public EditorFixture {
 protected:
  void SetMode(int state) { m_pEffect->setParameter(kQvx2ControlMode, state / 2.0f); }
  float Value(int index) { return m_pEffect->getParameter(index); }
  void ExpectGuardsClear() {
    EXPECT_FALSE(m_pEditor->m_bMirroring);
    EXPECT_EQ(m_pEditor->m_nEditorWrite, -1);
    EXPECT_FALSE(m_pEditor->IsChangeFromGui());
  }
};

// Blocks of a 0.5 sine through the effect.
void RunBlocks(AQVX2& fx, int blocks) {
  std::vector<float> in(512), out0(512), out1(512);
  for (size_t i = 0; i < in.size(); ++i) in[i] = 0.5f * std::sin(0.05f * i);
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  for (int b = 0; b < blocks; ++b) fx.processReplacing(inputs, outputs, 512);
}

}  // namespace

TEST_F(EditTest, QVX2_SUITE(EditorEditsMirrorByControlModeAndNothingElseDoes)) {
  struct Case {
    int mode;
    float rightBefore;
    float rightAfter;  // after the left band goes to 0.6
  };
  // Snap copies; Linked keeps the difference (0.2) and clamps; Seperate
  // leaves the partner alone.
  const Case cases[] = {{0, 0.7f, 0.6f}, {1, 0.7f, 0.8f}, {1, 0.95f, 1.0f}, {2, 0.7f, 0.7f}};
  for (const Case& c : cases) {
    m_pEffect->setParameter(kLeftGain, 0.5f);
    m_pEffect->setParameter(kRightGain, c.rightBefore);
    SetMode(c.mode);  // Linked takes its snapshot here
    EditBand(kBand, 4.0f);
    EXPECT_FLOAT_EQ(Value(kLeftGain), 0.6f) << "mode " << c.mode;
    EXPECT_FLOAT_EQ(Value(kRightGain), c.rightAfter) << "mode " << c.mode;

    // Host automation, here and from another thread, also while the editor
    // is in the middle of one of its own edits.
    m_pEffect->setParameter(kLeftGain, 0.3f);
    m_pEditor->m_bChangeFromGui.store(true);
    std::thread host([&] { m_pEffect->setParameter(kLeftGain, 0.35f); });
    host.join();
    m_pEffect->setParameter(kLeftGain, 0.4f);
    m_pEditor->m_bChangeFromGui.store(false);
    EXPECT_FLOAT_EQ(Value(kRightGain), c.rightAfter) << "mode " << c.mode;
    ExpectGuardsClear();
  }

  // The HPF frequency of the edited channel, from its drag field, in Snap.
  SetMode(0);
  Settle();
  m_pEditor->m_pHpfFreq->setValue(1000.0f);
  m_pEditor->valueChanged(nullptr, m_pEditor->m_pHpfFreq);
  EXPECT_NEAR(Value(kQvx2Hpf0Freq), std::log(100.0) / std::log(3000.0), 1e-5);
  EXPECT_FLOAT_EQ(Value(kQvx2Hpf1Freq), Value(kQvx2Hpf0Freq));
  ExpectGuardsClear();
}

TEST_F(EditTest, QVX2_SUITE(ResetLeavesBothChannelsAtTheirDefaultsInEveryControlMode)) {
  struct Case {
    int mode;
    float partnerAfterEdit;  // the right gain after a left edit to 0.6 once reset
  };
  // A single-band edit after the reset still mirrors as its mode says.
  const Case cases[] = {{0, 0.6f}, {1, 0.6f}, {2, 0.5f}};
  for (const Case& c : cases) {
    // The channels apart, every band and pass filter different on each side,
    // then the mode (Linked remembers the differences as it is entered).
    SetMode(2);
    for (int b = 0; b < kQvx2NumBands; ++b) {
      m_pEffect->setParameter(nParamG[b], 0.3f + 0.002f * b);
      m_pEffect->setParameter(nParamG[kQvx2NumBands + b], 0.7f - 0.003f * b);
    }
    for (int i = kQvx2Hpf0; i <= kQvx2Lpf1Freq; ++i) m_pEffect->setParameter(i, 0.1f + 0.1f * (i - kQvx2Hpf0));
    SetMode(c.mode);
    Settle();
    EditControl(m_pEditor->m_pResetButton, {1.0f});
    for (int i = 0; i < kQvx2NumGainParams; ++i)
      ASSERT_FLOAT_EQ(Value(i), m_pEffect->GetDefaultParam(i)) << "mode " << c.mode << ", parameter " << i;
    for (int i = kQvx2Hpf0; i <= kQvx2Lpf1Freq; ++i)
      EXPECT_FLOAT_EQ(Value(i), m_pEffect->GetDefaultParam(i)) << "mode " << c.mode << ", parameter " << i;
    ExpectGuardsClear();

    SetMode(c.mode);
    Settle();
    EditBand(kBand, 4.0f);
    EXPECT_FLOAT_EQ(Value(kLeftGain), 0.6f) << "mode " << c.mode;
    EXPECT_FLOAT_EQ(Value(kRightGain), c.partnerAfterEdit) << "mode " << c.mode;
  }
}

TEST_F(EditTest, QVX2_SUITE(EveryWriteOfAnEditorActionReachesTheHostInsideOneBracketOfItsOwn)) {
  Settle();
  CControl* trimLeft = nullptr;
  for (CControl* c : Controls())
    if (c->getTag() == kQvx2TrimLeft && dynamic_cast<CTextDrag*>(c)) trimLeft = c;
  ASSERT_NE(trimLeft, nullptr);
  ASSERT_NE(m_pEditor->m_pBandTypeMenu, nullptr);
  struct Action {
    const char* name;
    std::function<void()> run;
    std::vector<int> written;  // among what the host must see bracketed
  };
  const std::vector<Action> actions = {
      {"left channel button", [&] { EditControl(m_pEditor->m_pLeftButton, {1.0f}); }, {kQvx2ControlChannel}},
      {"right channel button", [&] { EditControl(m_pEditor->m_pRightButton, {1.0f}); }, {kQvx2ControlChannel}},
      // The control brackets its own trim; the editor brackets the partner
      // once for the whole drag.
      {"trim drag with Trim Link",
       [&] {
         m_pEffect->setParameter(kQvx2TrimLink, 1.0f);
         fxtest::HostLog::Get().Reset();
         EditControl(trimLeft, {2.0f, 3.5f, 5.0f});
       },
       {kQvx2TrimLeft, kQvx2TrimRight}},
      {"HPF frequency drag, mirrored in Snap",
       [&] {
         SetMode(0);
         fxtest::HostLog::Get().Reset();
         EditControl(m_pEditor->m_pHpfFreq, {800.0f, 1200.0f});
       },
       {kQvx2Hpf0Freq, kQvx2Hpf1Freq}},
      // The refit's group brackets gain 0; the other gains get their own.
      {"band-type menu with its refit", [&] { EditControl(m_pEditor->m_pBandTypeMenu, {2.0f}); },
       {kQvx2BandType, nParamG[0], nParamG[1], nParamG[kQvx2NumBands + 1]}},
      {"Reset", [&] { EditControl(m_pEditor->m_pResetButton, {1.0f}); }, {nParamG[1], kQvx2TrimRight, kQvx2Depth}},
      // The lowest mode, on the back panel; the rebuild follows at idle.
      {"quality menu",
       [&] {
         m_pEditor->ToggleFrontAndBack();
         ASSERT_NE(m_pEditor->m_pQualityMenu, nullptr);
         fxtest::HostLog::Get().Reset();
         EditControl(m_pEditor->m_pQualityMenu, {static_cast<float>(m_pEditor->m_pQualityMenu->getNbEntries() - 1)});
       },
       {kQvx2QualityRating}},
  };
  for (const Action& action : actions) {
    fxtest::HostLog::Get().Reset();
    action.run();
    Settle();  // and a follow-up write at idle, if any, is bracketed too
    const std::map<int, std::string> marks = HostEditMarks();
    for (int index : action.written) EXPECT_EQ(marks.count(index), 1u) << action.name << ": " << index;
    for (const auto& [index, seen] : marks)
      EXPECT_TRUE(std::regex_match(seen, std::regex(R"(\(a+\))"))) << action.name << ", index " << index << ": " << seen;
  }
}

// Every click counts, however short: a press and its release that reach the
// editor in one idle call ("settings >", "Click here to return", BYPASS),
// and two quick clicks in one call, act as the clicks they are; none of
// them gives the host its idle call.
TEST_F(EditTest, QVX2_SUITE(ClicksWhosePressAndReleaseComeTogetherFlipThePanelAndToggleAButton)) {
  Settle();
  auto click = [&](const CRect& at, int times) {
    const int x = static_cast<int>(at.left + 5), y = static_cast<int>(at.top + 5);
    for (int i = 0; i < times; ++i) {
      m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, x, y, kMouseLeft));
      m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, x, y, 0));
    }
    Idle();
  };
  fxtest::HostLog::Get().Reset();
  click(CRect(27, 7, 30, 10), 1);
  EXPECT_EQ(Value(kQvx2Bypass), 1.0f) << "BYPASS on";
  click(CRect(27, 7, 30, 10), 2);
  EXPECT_EQ(Value(kQvx2Bypass), 1.0f) << "off and on again";
  EXPECT_EQ(HostEditMarks()[kQvx2Bypass], "(a)(a)(a)");

  click(CRect(390, 0, 600, 25), 1);
  Settle();
  ASSERT_FALSE(m_pEditor->IsFrontShown()) << "settings >";
  ASSERT_NE(m_pEditor->m_pReturnButton, nullptr);
  CRect back;
  m_pEditor->m_pReturnButton->getViewSize(back);
  click(back, 1);
  Settle();
  EXPECT_TRUE(m_pEditor->IsFrontShown()) << "Click here to return";
  EXPECT_TRUE(fxtest::HostLog::Get().CallsOf(audioMasterIdle).empty());
}

TEST_F(EditTest, QVX2_SUITE(PanelBuiltWhileAnotherThreadsRebuildWaitsForTheFrameTakesTheStoresLater)) {
  // A quality-mode rebuild holds the effect's idle mutex and then waits for
  // the frame lock to remove the editor's views. Here it comes while the
  // user-interface thread builds the front under the frame lock: the build
  // must not wait for the idle mutex in turn.
  std::atomic<bool> idleHeld{false};
  std::thread rebuild;
  m_pEditor->m_BeforeFrontBuild = [&] {
    rebuild = std::thread([&] {
      std::lock_guard<std::recursive_mutex> idle(m_pEffect->IdleMutex());
      idleHeld = true;
      m_pEditor->RemoveAllControls();
    });
    while (!idleHeld.load()) std::this_thread::yield();
  };
  m_pEditor->RefreshFrontOrBack();
  rebuild.join();
  Settle();
  ASSERT_NE(Graph(), nullptr);
  EXPECT_NE(Graph()->GetDataStore(0), nullptr);
  EXPECT_EQ(Graph()->GetDataStore(0), m_pEffect->GetDataStore(0));
}

TEST_F(EditTest, QVX2_SUITE(ProgramLoadsAndABSwitchesNeverMirror)) {
  SetMode(0);
  // Program 1 holds different channels; loading it keeps them.
  m_pEffect->setProgram(1);
  m_pEffect->setParameter(kLeftGain, 0.2f);
  m_pEffect->setParameter(kRightGain, 0.9f);
  m_pEffect->setProgram(0);
  m_pEffect->setProgram(1);
  EXPECT_FLOAT_EQ(Value(kLeftGain), 0.2f);
  EXPECT_FLOAT_EQ(Value(kRightGain), 0.9f);

  // The B settings hold different channels; switching with the editor's
  // A/B button (an edit from the editor) keeps them.
  Settle();
  CControl* ab = m_pEditor->m_pABButton;
  ASSERT_NE(ab, nullptr);
  ab->setValue(1.0f);
  m_pEditor->valueChanged(nullptr, ab);
  m_pEffect->setParameter(kLeftGain, 0.1f);
  m_pEffect->setParameter(kRightGain, 0.8f);
  ab->setValue(0.0f);
  m_pEditor->valueChanged(nullptr, ab);
  ab->setValue(1.0f);
  m_pEditor->valueChanged(nullptr, ab);
  EXPECT_EQ(m_pEffect->GetABBank(), 1);
  EXPECT_FLOAT_EQ(Value(kLeftGain), 0.1f);
  EXPECT_FLOAT_EQ(Value(kRightGain), 0.8f);
}

TEST_F(EditTest, QVX2_SUITE(HostileGraphRangesGiveAUsableRangeAndTheGraphDraws)) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  // Min freq, max freq, min dB, max dB as the host writes them.
  const float cases[][4] = {{nan, nan, nan, nan}, {inf, -inf, -inf, inf}, {0.8f, 0.2f, 0.9f, 0.1f},
                            {0.5f, 0.5f, 0.5f, 0.5f}, {1e30f, -1e30f, 1e30f, 1e30f}, {1.0f, 1.0f, 0.0f, 0.0f}};
  for (const auto& c : cases) {
    for (int i = 0; i < 4; ++i) m_pEffect->setParameter(kQvx2GraphMinFreq + i, c[i]);
    Settle();
    const QVX2CompositeGraph& g = *Graph();
    EXPECT_TRUE(g.m_fFreqMin >= 10.0f && g.m_fFreqMax <= 30000.5f && g.m_fFreqMax - g.m_fFreqMin >= 9.99f)
        << g.m_fFreqMin << " .. " << g.m_fFreqMax;
    EXPECT_TRUE(g.m_fDbMin >= -20.0f && g.m_fDbMax <= 20.0f && g.m_fDbMax - g.m_fDbMin >= 4.99f)
        << g.m_fDbMin << " .. " << g.m_fDbMax;
    EXPECT_TRUE(std::isfinite(m_pEditor->LogFreqRange()) && m_pEditor->LogFreqRange() > 0.0f);
  }
  // A NaN end reads as its default: the whole axis.
  for (int i = 0; i < 4; ++i) m_pEffect->setParameter(kQvx2GraphMinFreq + i, nan);
  Settle();
  EXPECT_NEAR(Graph()->m_fFreqMin, 10.0f, 0.01f);
  EXPECT_NEAR(Graph()->m_fDbMax, 20.0f, 0.01f);
}

TEST_F(EditTest, QVX2_SUITE(AudioThreadNeverWaitsForTheMetersLock)) {
  CLevelMeter* meter = m_pEditor->m_pLevelMeter.load();
  ASSERT_NE(meter, nullptr);
  // Past the latency, so that the output carries the sine.
  m_pEditor->GetLockA().HoldLock();
  std::atomic<bool> done{false};
  std::thread audio([&] {
    RunBlocks(*m_pEffect, 12);
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done.load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(done.load()) << "the audio thread waited for lock A";
  m_pEditor->GetLockA().ReleaseLock();
  audio.join();
  EXPECT_EQ(meter->fPeak[0].load(), 0.0f);

  std::thread again([&] { RunBlocks(*m_pEffect, 2); });
  again.join();
  EXPECT_GT(meter->fPeak[0].load(), 0.1f);
}

TEST_F(EditTest, QVX2_SUITE(PanelRebuildsWhileAudioFeedsTheMeter)) {
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop.load()) RunBlocks(*m_pEffect, 1);
  });
  for (int i = 0; i < 20; ++i) {
    if (i % 5 == 4)
      Reopen();
    else
      m_pEditor->RefreshFrontOrBack();
    Idle();
  }
  stop = true;
  audio.join();
  EXPECT_NE(m_pEditor->m_pLevelMeter.load(), nullptr);
}

TEST_F(EditTest, QVX2_SUITE(OpeningTheEditorKeepsTheEditedChannel)) {
  // A new editor (as a new instance makes) on settings that edit the right
  // channel.
  m_pEditor->close();
  delete m_pEffect->getEditor();
  m_pEffect->setEditor(nullptr);
  m_pEffect->setParameter(kQvx2ControlMode, 1.0f);  // Seperate: left and right shown apart
  m_pEffect->setParameter(kQvx2ControlChannel, 1.0f);
  fxtest::HostLog::Get().Reset();
  m_pEditor = new EditorProbe(m_pEffect.get());
  Reopen();
  EXPECT_EQ(Value(kQvx2ControlChannel), 1.0f);
  EXPECT_EQ(HostCallsOf(audioMasterAutomate, kQvx2ControlChannel), 0);
  EXPECT_EQ(m_pEditor->m_pRightButton->getValue(), 1.0f);
}

TEST_F(EditTest, QVX2_SUITE(TwoEditorsWithIdleThreadsTellOnlyTheirOwnHoveredViewThatTheMouseLeft)) {
  // A second instance with its editor open: each frame has its idle thread.
  EditorQvx2 second;
  second.setSampleRate(kRate);
  second.FinishUpdate();
  delete second.getEditor();
  auto* editor = new EditorProbe(&second);
  ASSERT_TRUE(editor->open(frametest::HostWindow()));
  CHeadlessWindow* window = LastHeadlessWindow();
  const CRect& g = g_rectCompositeGraph;
  const int x = static_cast<int>(g.left + g.right) / 2, y = static_cast<int>(g.top + g.bottom) / 2;

  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, x, y));
  Idle();
  ASSERT_NE(Graph()->m_szMouseInfo[0], '\0') << "the graph shows the pointer's frequency";
  // Moves over the other editor, while this one's idle thread draws its
  // graph: its hovered graph is not the other frame's to tell.
  for (int i = 0; i < 20; ++i) {
    window->Queue(frametest::MakeEvent(EPlatformEvent::kMouseMove, x + i, y));
    editor->idle();
  }
  EXPECT_NE(Graph()->m_szMouseInfo[0], '\0');
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseLeave, 700, y));
  Idle();
  EXPECT_EQ(Graph()->m_szMouseInfo[0], '\0') << "leaving its own window clears it";
  editor->close();
}
