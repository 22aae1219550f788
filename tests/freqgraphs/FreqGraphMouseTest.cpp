// The graphs' mouse handling on a frame in a headless window: the zoom
// drags in the two strips, default clicks, peak clearing, tone requests and
// the hover read-out.
#include <cmath>
#include <cstring>
#include <vector>

#include "EditorBaseTestSupport.h"
#include "FreqGraphTestSupport.h"
#include "Helpers/DivuVazize.h"
#include "gui/CFrame.h"

using namespace freqtest;

namespace {

constexpr CRect kGraphRect(20, 10, 420, 210);  // 400 x 200 inside the frame

using displaytest::PointerState;
using displaytest::ScriptedEditor;

// Records the tone requests it is asked for.
class ToneGraph : public CCompositeGraph {
 public:
  using CCompositeGraph::CCompositeGraph;
  void TriggerGenerateToneFor(CPoint& point, float freq) override {
    tones.push_back(freq);
    tonePoints.push_back(point);
    CCompositeGraph::TriggerGenerateToneFor(point, freq);
  }
  std::vector<float> tones;
  std::vector<CPoint> tonePoints;
};

class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<fxtest::TestEffect>();
    effect->setSampleRate(kRate);
    editor = new ScriptedEditor(effect.get());  // owned by the effect
    ASSERT_TRUE(editor->open(frametest::HostWindow()));
    editor->pWindow = LastHeadlessWindow();
    ASSERT_NE(editor->pWindow, nullptr);
    frame = editor->getFrame();
    graph = new ToneGraph(kGraphRect, editor, nullptr);
    graph->SetDataStore(0, &left);
    graph->SetDataStore(1, &right);
    graph->SetAbsFreqRange(20.0f, 22000.0f, -100000.0f, -100000.0f);
    graph->SetFreqRange(100.0f, 10000.0f, true);
    frame->addView(graph);
    frame->draw(static_cast<CView*>(nullptr));
  }
  void TearDown() override { editor->close(); }

  // A press at graph-local (x, y) with `buttons`, then the pointer's states
  // of `script` (graph-local too) as events, each in a host idle call of
  // its own. Presses lie far enough apart not to pair into double clicks.
  void Press(int x, int y, long buttons, std::vector<PointerState> script = {}) {
    g_nNow += 1000;
    for (PointerState& s : script) {
      s.x += kGraphRect.left;
      s.y += kGraphRect.top;
    }
    editor->Drag(x + kGraphRect.left, y + kGraphRect.top, buttons, script);
  }
  void Hover(int x, int y, long buttons = 0) {
    editor->pWindow->SetPointer(x + kGraphRect.left, y + kGraphRect.top, buttons);
    CDrawContext* context = frame->createDrawContext();
    CPoint where(x + kGraphRect.left, y + kGraphRect.top);
    graph->mouseMove(context, where, buttons);
    context->forget();
  }

  frametest::HeadlessScope headless;
  FakeHost host;
  TempConfigFolder prefs;
  ClockScope clock;
  std::unique_ptr<fxtest::TestEffect> effect;
  ScriptedEditor* editor = nullptr;
  CFrame* frame = nullptr;
  ToneGraph* graph = nullptr;  // owned by the frame
  CFrequencyDataStore left{kFftSize};
  CFrequencyDataStore right{kFftSize};
};

using Report = ScriptedEditor::Report;

int CountReports(const std::vector<Report>& reports, int kind, float a) {
  int n = 0;
  for (const Report& r : reports) n += r.kind == kind && r.a == a;
  return n;
}

// Takes every modifier click.
class TakingListener : public CControlListener {
 public:
  void valueChanged(CDrawContext*, CControl*) override {}
  long controlModifierClicked(CDrawContext*, CControl*, long button) override {
    ++taken;
    lastButton = button;
    return 1;
  }
  int taken = 0;
  long lastButton = 0;
};

constexpr int kFreqStripY = 195;  // inside the bottom row
constexpr int kDbStripX = 10;

TEST_F(MouseTest, DraggingDownInTheFrequencyStripWidensTheSpanAboutTheMouse) {
  Press(200, kFreqStripY, kMouseLeft, {{200, kFreqStripY + 10, kMouseLeft}, {200, kFreqStripY + 10, 0}});
  // The mouse stood at 1 kHz, the middle of 100 Hz..10 kHz (log): both ends
  // move away from it by e^0.1 in log terms.
  const double widened = std::exp(0.1);
  EXPECT_NEAR(std::log(graph->m_fFreqMin), std::log(1000.0) - std::log(10.0) * widened, 1e-4);
  EXPECT_NEAR(std::log(graph->m_fFreqMax), std::log(1000.0) + std::log(10.0) * widened, 1e-4);
  EXPECT_EQ(graph->m_eZoomState, CFreqGraph::eZoomNone);
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(graph));

  // Each change is reported as it happens, the release once more with 1.
  const auto& reports = editor->reports;
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].kind, DivuVazize::eCC_FreqZoom);
  EXPECT_EQ(reports[0].a, 0.0f);
  EXPECT_EQ(reports[1].kind, DivuVazize::eCC_FreqZoom);
  EXPECT_EQ(reports[1].a, 1.0f);
  for (const Report& r : reports) {
    EXPECT_EQ(r.control, graph);
    EXPECT_TRUE(r.fromGui);
  }
}

TEST_F(MouseTest, ShiftMakesTheFrequencyZoomTenTimesFiner) {
  const long shift = kMouseLeft | kModifierShift;
  Press(200, kFreqStripY, shift, {{200, kFreqStripY + 10, shift}, {200, kFreqStripY + 10, 0}});
  EXPECT_NEAR(std::log(graph->m_fFreqMax), std::log(1000.0) + std::log(10.0) * std::exp(0.01), 1e-4);
}

TEST_F(MouseTest, DraggingSidewaysInTheFrequencyStripMovesTheRange) {
  Press(200, kFreqStripY, kMouseLeft, {{240, kFreqStripY, kMouseLeft}, {240, kFreqStripY, 0}});
  const double shift = 40.0 * std::log(100.0) / 400.0;
  EXPECT_NEAR(std::log(graph->m_fFreqMin), std::log(100.0) - shift, 1e-4);
  EXPECT_NEAR(std::log(graph->m_fFreqMax), std::log(10000.0) - shift, 1e-4);
}

TEST_F(MouseTest, TheFrequencySpanStaysInsideTheAbsoluteRangeAndAtLeastTenHertz) {
  graph->SetFreqRange(1000.0f, 1040.0f, true);
  Press(200, kFreqStripY, kMouseLeft, {{200, kFreqStripY - 150, kMouseLeft}, {200, kFreqStripY - 300, kMouseLeft},
                                       {200, kFreqStripY - 300, 0}});
  EXPECT_NEAR(graph->m_fFreqMax - graph->m_fFreqMin, 10.0f, 1e-3f);

  Press(200, kFreqStripY, kMouseLeft, {{200, kFreqStripY + 900, kMouseLeft}, {200, kFreqStripY + 900, 0}});
  EXPECT_FLOAT_EQ(graph->m_fFreqMin, 20.0f);
  EXPECT_FLOAT_EQ(graph->m_fFreqMax, 22000.0f);
}

TEST_F(MouseTest, ACommandClickInAStripRestoresTheDefaultRange) {
  graph->SetAbsFreqRange(20.0f, 22000.0f, 50.0f, 5000.0f);
  Press(200, kFreqStripY, kMouseLeft | kModifierCommand);
  EXPECT_EQ(graph->m_fFreqMin, 50.0f);
  EXPECT_EQ(graph->m_fFreqMax, 5000.0f);
  ASSERT_EQ(editor->reports.size(), 1u);
  EXPECT_EQ(editor->reports[0].kind, DivuVazize::eCC_FreqZoom);
  EXPECT_EQ(editor->reports[0].a, 1.0f);

  graph->SetAbsDbRange(-120.0f, 10.0f, -60.0f, 0.0f);
  Press(kDbStripX, 100, kMouseLeft | kModifierCommand);
  EXPECT_EQ(graph->m_fDbMin, -60.0f);
  EXPECT_EQ(graph->m_fDbMax, 0.0f);
  ASSERT_EQ(editor->reports.size(), 2u);
  EXPECT_EQ(editor->reports[1].kind, DivuVazize::eCC_DbZoom);
  EXPECT_EQ(editor->reports[1].a, 1.0f);
}

TEST_F(MouseTest, AListenerThatTakesModifierClicksStopsTheZooms) {
  TakingListener taker;
  auto* other = new CCompositeGraph(kGraphRect, editor, &taker);
  frame->removeView(graph, true);
  frame->addView(other);
  other->SetFreqRange(100.0f, 10000.0f, true);
  const long shift = kMouseLeft | kModifierShift;
  Press(200, kFreqStripY, shift, {{200, kFreqStripY + 10, shift}, {200, kFreqStripY + 10, 0}});
  Press(kDbStripX, 100, kMouseLeft | kModifierCommand);
  EXPECT_EQ(taker.taken, 2);
  EXPECT_EQ(taker.lastButton, kMouseLeft | kModifierCommand);
  EXPECT_EQ(other->m_fFreqMin, 100.0f);
  EXPECT_EQ(other->m_fDbMin, -100.0f);
  EXPECT_TRUE(editor->reports.empty());
}

TEST_F(MouseTest, DraggingRightInTheDbStripNarrowsTheRangeAboutTheMouse) {
  Press(kDbStripX, 100, kMouseLeft, {{kDbStripX + 10, 100, kMouseLeft}, {kDbStripX + 10, 100, 0}});
  // -50 dB stood under the mouse.
  EXPECT_NEAR(graph->m_fDbMin, -50.0 - 50.0 * std::exp(-0.1), 1e-3);
  EXPECT_NEAR(graph->m_fDbMax, -50.0 + 50.0 * std::exp(-0.1), 1e-3);
  EXPECT_EQ(graph->m_eZoomState, CFreqGraph::eZoomNone);
  // One report of the change, and one with 1 after every pass.
  EXPECT_EQ(CountReports(editor->reports, DivuVazize::eCC_DbZoom, 0.0f), 1);
  EXPECT_EQ(CountReports(editor->reports, DivuVazize::eCC_DbZoom, 1.0f), 2);
  EXPECT_EQ(editor->reports.back().a, 1.0f);

  // Up by 20 px moves the range down by a tenth of its span.
  const float span = graph->m_fDbMax - graph->m_fDbMin;
  const float max = graph->m_fDbMax;
  Press(kDbStripX, 100, kMouseLeft, {{kDbStripX, 80, kMouseLeft}, {kDbStripX, 80, 0}});
  EXPECT_NEAR(graph->m_fDbMax, max - span * 0.1f, 1e-3);
}

TEST_F(MouseTest, TheDbSpanStaysInsideTheAbsoluteRangeAndAtLeastFiveDb) {
  Press(kDbStripX, 100, kMouseLeft, {{kDbStripX + 300, 100, kMouseLeft}, {kDbStripX + 600, 100, kMouseLeft},
                                     {kDbStripX + 600, 100, 0}});
  EXPECT_NEAR(graph->m_fDbMax - graph->m_fDbMin, 5.0f, 1e-4f);
  Press(kDbStripX, 100, kMouseLeft, {{kDbStripX - 900, 100, kMouseLeft}, {kDbStripX - 900, 100, 0}});
  EXPECT_FLOAT_EQ(graph->m_fDbMin, -100.0f);
  EXPECT_FLOAT_EQ(graph->m_fDbMax, 0.0f);
}

TEST_F(MouseTest, AClickInThePlotClearsThePeaksAndKeepsTheRange) {
  graph->OperatePeak(5.0f, 0, 30, 1000);
  graph->OperatePeak(5.0f, 1, 30, 1000);
  Press(200, 100, kMouseLeft);
  EXPECT_EQ(graph->m_pPeakLine[0][30], 0.0f);
  EXPECT_EQ(graph->m_pPeakLine[1][30], 0.0f);
  EXPECT_EQ(graph->m_fFreqMin, 100.0f);
  EXPECT_EQ(g_MousePointerID, 4);
}

TEST_F(MouseTest, TheRightButtonAsksForATone) {
  Press(200, 50, kMouseRight);
  ASSERT_EQ(graph->tones.size(), 1u);
  EXPECT_NEAR(graph->tones[0], 1000.0f, 0.01f);
  EXPECT_EQ(graph->tonePoints[0], CPoint(200, 50)) << "view-relative";
  // The dB under the point (-25 dB a quarter down -100..0 dB) as both levels.
  ASSERT_EQ(editor->reports.size(), 1u);
  const Report& tone = editor->reports[0];
  EXPECT_EQ(tone.kind, DivuVazize::eCC_Tone);
  EXPECT_NEAR(tone.a, 1000.0f, 0.01f);
  EXPECT_EQ(tone.b, -25.0f);
  EXPECT_EQ(tone.c, -25.0f);
  EXPECT_TRUE(tone.fromGui);
  graph->SetBarChartType(4);
  Press(220, 50, kMouseRight);  // 1259 Hz: the nearest note is D#6
  ASSERT_EQ(graph->tones.size(), 2u);
  EXPECT_NEAR(graph->tones[1], 1244.51f, 0.01f);
}

TEST_F(MouseTest, HoverShadesTheStripsAndReadsOutTheFrequencyAndLevel) {
  Hover(200, kFreqStripY);
  EXPECT_EQ(graph->m_eZoomState, CFreqGraph::eZoomOverFreq);
  EXPECT_STREQ(graph->m_szMouseInfo, "");
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(graph));
  Hover(kDbStripX, 100);
  EXPECT_EQ(graph->m_eZoomState, CFreqGraph::eZoomOverDb);
  EXPECT_EQ(g_MousePointerID, 2);

  Hover(200, 100);
  EXPECT_EQ(graph->m_eZoomState, CFreqGraph::eZoomNone);
  EXPECT_STREQ(graph->m_szMouseInfo, "1000Hz, -50.0dB");
  EXPECT_EQ(g_MousePointerID, 4);

  graph->MouseMovedAway(nullptr);
  EXPECT_STREQ(graph->m_szMouseInfo, "");
  EXPECT_TRUE(graph->isDirty());

  // Below the visible frequency range nothing is read out.
  graph->m_bScales = false;
  graph->m_bScalesOutside = true;
  Hover(10, 100);
  EXPECT_STREQ(graph->m_szMouseInfo, "");
}

}  // namespace
