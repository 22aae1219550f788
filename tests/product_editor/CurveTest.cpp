// The curve graph as a user sees it: the curve rows drawn under the live
// spectrum, the handles on the curve, the curve from the committed kernels,
// and a drag that draws the curve across the bands.
#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "Helpers/ColorModel.h"
#include "Helpers/FrequencyDataStore.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

// Graph pixel (0, 0) in the window. The owner-drawn copy lays the
// off-screen one row higher than the control's rectangle.
const CPoint kGraphAt(g_rectCompositeGraph.left, g_rectCompositeGraph.top - 1);
constexpr int kPlotHeight = 228;

uint32_t Rgb(const CColor& c) { return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue; }

// Loud spectra on both analyser stores: the traces reach high into the plot.
void FeedSpectra(EditorQvx2& fx) {
  const int n = fx.GetFFTSize();
  std::vector<Complex<double>> left(static_cast<size_t>(n / 2 + 1)), right(left.size());
  for (size_t k = 0; k < left.size(); ++k) {
    left[k] = {600.0 + 200.0 * std::sin(0.05 * k), 0.0};
    right[k] = {150.0 + 100.0 * std::cos(0.03 * k), 0.0};
  }
  fx.GetDataStore(0)->StoreValuesForGraph(left.data(), n);
  fx.GetDataStore(1)->StoreValuesForGraph(right.data(), n);
}

// Row of a curve value in dB on the graph's range (graph coordinates).
long RowOf(const QVX2CompositeGraph& g, double db) {
  return static_cast<long>(kPlotHeight - kPlotHeight / (g.m_fDbMax - g.m_fDbMin) * (db - g.m_fDbMin));
}

class CurveTest : public EditorFixture {
 protected:
  // Columns of the curve cache drawn below half the sample rate.
  int DrawnColumns() const {
    return static_cast<int>(472 * std::log(kRate / 2 / Graph()->m_fFreqMin) /
                            std::log(Graph()->m_fFreqMax / Graph()->m_fFreqMin));
  }
  // Curve lines and handles of either channel, and the hovered handle.
  bool IsCurvePixel(uint32_t p) const {
    const QVX2CompositeGraph& g = *Graph();
    for (const CColor& c : {g.m_colLeftCurve, g.m_colRightCurve, g.m_colLinkedCurve})
      if (p == Rgb(c * 2.0f) || p == Rgb(c * 2.2f)) return true;
    return p == 0xFFFFFFu;
  }
  // Fraction of columns 2..count-2 whose pixel on the channel's curve shows
  // a curve (where both curves meet, the edited one lies on top).
  double CurveShown(int channel) {
    const QVX2CompositeGraph& g = *Graph();
    const int count = std::min(DrawnColumns(), 472);
    int shown = 0;
    // Column i draws the run from the row of curve value i - 1 towards
    // that of value i.
    for (int i = 2; i < count - 2; ++i) {
      const long y = RowOf(g, m_pEditor->Curve(channel)[i - 1]);
      shown += IsCurvePixel(Pixel(static_cast<int>(kGraphAt.h + i), static_cast<int>(kGraphAt.v + y)));
    }
    return static_cast<double>(shown) / (count - 4);
  }
};

}  // namespace

TEST_F(CurveTest, QVX2_SUITE(FlatCurveLiesOnTheZeroDbRow)) {
  Settle();
  ASSERT_NE(Graph(), nullptr);
  const QVX2CompositeGraph& g = *Graph();
  for (int i = 0; i < 472; ++i) ASSERT_EQ(m_pEditor->Curve(0)[i], 0.0) << i;
  const long zeroRow = RowOf(g, 0.0);
  EXPECT_EQ(zeroRow, kPlotHeight / 2);
  int onRow = 0, offRow = 0;
  for (int i = 2; i < 430; ++i) {
    onRow += IsCurvePixel(Pixel(kGraphAt.h + i, kGraphAt.v + zeroRow));
    offRow += IsCurvePixel(Pixel(kGraphAt.h + i, kGraphAt.v + zeroRow - 6));
    offRow += IsCurvePixel(Pixel(kGraphAt.h + i, kGraphAt.v + zeroRow + 6));
  }
  EXPECT_EQ(onRow, 428);
  EXPECT_EQ(offRow, 0);
}

TEST_F(CurveTest, QVX2_SUITE(SpectrumTracesLeaveTheCurvesVisibleInEveryMode)) {
  // Different curves on the two channels: both are drawn.
  m_pEffect->setParameter(kQvx2ControlMode, 1.0f);
  for (int b = 3; b < 12; ++b) {
    m_pEffect->setParameter(nParamG[b], GainValue(12.0f));
    m_pEffect->setParameter(nParamG[135 + b + 6], GainValue(-9.0f));
  }
  struct Mode {
    const char* name;
    float msMode, fftBands, fill;
  };
  const Mode modes[] = {{"lr", 0, 0, 1}, {"lr_bands", 0, 1, 1}, {"lr_nofill", 0, 0, 0}, {"ms", 1, 0, 1}};
  for (const Mode& mode : modes) {
    if (mode.msMode != 0.0f && kQvx2MSMode < 0) continue;
    if (kQvx2MSMode >= 0) m_pEffect->setParameter(kQvx2MSMode, mode.msMode);
    m_pEffect->setParameter(kQvx2FftBands, mode.fftBands);
    m_pEffect->SetPersistantParam(9008, mode.fill);
    m_pEffect->FinishUpdate();
    Settle();
    ASSERT_NE(Graph(), nullptr) << mode.name;
    for (int i = 0; i < 12; ++i) {
      FeedSpectra(*m_pEffect);
      Idle();
    }
    Screenshot(std::string("curve_") + mode.name);
    EXPECT_GT(CurveShown(0), 0.9) << mode.name;
    EXPECT_GT(CurveShown(1), 0.9) << mode.name;
  }
}

TEST_F(CurveTest, QVX2_SUITE(HandlesSitOnTheirBandsColumnAndOnlyLayoutBandsAreNearest)) {
  // Bark: 26 bands. Before any draw of a new panel the nearest band to the
  // right edge is the layout's last, never one behind its end.
  m_pEffect->setParameter(kQvx2BandType, 0.0f);
  m_pEffect->FinishUpdate();
  Reopen();
  auto* fresh = new QVX2CompositeGraph(g_rectCompositeGraph, m_pEditor);
  EXPECT_EQ(fresh->GetNearestHandle(static_cast<int>(g_rectCompositeGraph.right) - 1), 25);
  EXPECT_EQ(fresh->GetNearestHandle(-5000), 0);
  fresh->forget();

  const QVX2CompositeGraph& g = *Graph();
  const double logMin = std::log(10.0), logRange = std::log(3000.0);
  for (int b = 0; b < 26; ++b) {
    // The curve column of a handle covers the band's frequency.
    const long column = g.m_Handles[b].h - g_rectCompositeGraph.left;
    ASSERT_GE(column, 0);
    ASSERT_LT(column, 472);
    const double f0 = std::exp(logMin + logRange * column / 472.0);
    const double f1 = std::exp(logMin + logRange * (column + 1) / 472.0);
    const double fb = kfBandFreqBark[static_cast<size_t>(b)];
    EXPECT_LE(f0, fb * 1.0001) << b;
    EXPECT_GT(f1, fb * 0.9999) << b;
    // Flat: every handle sits on the curve's row.
    EXPECT_EQ(g.m_Handles[b].v - g_rectCompositeGraph.top, RowOf(g, 0.0)) << b;
  }
  for (int b = 26; b < 135; ++b) EXPECT_EQ(g.m_Handles[b].h, QVX2CompositeGraph::kNoHandle);
}

TEST_F(CurveTest, QVX2_SUITE(WysiwygCurveKeepsItsShapeUntilTheNewKernelsAreCommitted)) {
  if (kQvx2Wysiwyg < 0) GTEST_SKIP() << "the standard edition has no WYSIWYG setting";
  m_pEffect->setParameter(kQvx2BandType, 2.0f / 99.0f);  // Thirds
  m_pEffect->setParameter(kQvx2Wysiwyg, 1.0f);
  m_pEffect->FinishUpdate();
  Settle();
  const std::vector<double> before(m_pEditor->Curve(0), m_pEditor->Curve(0) + 472);

  for (int b = 12; b <= 16; ++b) m_pEffect->setParameter(nParamG[b], GainValue(15.0f));
  m_pEditor->MarkCurveStale();
  m_pEditor->CacheFilterGraph();
  EXPECT_TRUE(m_pEditor->IsCurveStale());
  EXPECT_EQ(std::vector<double>(m_pEditor->Curve(0), m_pEditor->Curve(0) + 472), before);

  m_pEffect->FinishUpdate();
  EXPECT_TRUE(m_pEditor->IsCurveStale());  // the commit asks for the curve
  m_pEditor->CacheFilterGraph();
  EXPECT_FALSE(m_pEditor->IsCurveStale());
  // Band 14 of Thirds is 440 Hz: the committed kernel raises it by about 15 dB.
  const int column = static_cast<int>(472 * (std::log(440.0) - std::log(10.0)) / std::log(3000.0));
  EXPECT_NEAR(m_pEditor->Curve(0)[column], 15.0, 1.5);
  EXPECT_NEAR(before[static_cast<size_t>(column)], 0.0, 0.1);
}

TEST_F(CurveTest, QVX2_SUITE(CommittedResponseReadsStayInsideTheSpectrumAndFloorSilentBins)) {
  if (kQvx2Wysiwyg < 0) GTEST_SKIP() << "the standard edition has no WYSIWYG setting";
  m_pEffect->setParameter(kQvx2Wysiwyg, 1.0f);
  m_pEffect->FinishUpdate();
  Settle();
  // Silent bins (a kernel that removes everything) and a range that ends
  // beyond half the sample rate.
  CQVX2Engine* engine = m_pEffect->Engine();
  ASSERT_NE(engine, nullptr);
  for (auto& kernel : engine->pKernel)
    for (int k = 0; k <= engine->nFftSize / 2; ++k) kernel->m_pResponse[k] = {0.0, 0.0};
  m_pEffect->setParameter(kQvx2GraphMinFreq, 0.85f);
  Settle();
  m_pEditor->MarkCurveStale();
  m_pEditor->CacheFilterGraph();
  ASSERT_FALSE(m_pEditor->IsCurveStale());
  int silent = 0;
  for (int ch = 0; ch < 2; ++ch) {
    for (int i = 0; i < 472; ++i) {
      const double v = m_pEditor->Curve(ch)[i];
      ASSERT_TRUE(std::isfinite(v)) << i;
      silent += v <= -150.0;
    }
  }
  EXPECT_GT(silent, 2 * 100);
  Idle();  // and it draws
}

TEST_F(CurveTest, QVX2_SUITE(ADragSetsTheSkippedBandsByInterpolationInsideOneEditHoweverItEnds)) {
  m_pEffect->setParameter(kQvx2BandType, 2.0f / 99.0f);  // Thirds: 31 bands
  m_pEffect->FinishUpdate();
  Reopen();
  enum class End { kRelease, kReleaseOutside, kLostRelease, kEditorClosed, kWindowGone };
  for (const End end : {End::kRelease, End::kReleaseOutside, End::kLostRelease, End::kEditorClosed, End::kWindowGone}) {
    SCOPED_TRACE(static_cast<int>(end));
    fxtest::HostLog::Get().Reset();
    const QVX2CompositeGraph& g = *Graph();
    // From band 10 at +10 dB to band 20 at -8 dB in one move; press, move
    // and release reach the editor in one host call.
    const CPoint from(g.m_Handles[10].h, g_rectCompositeGraph.top + RowOf(g, 10.0));
    const CPoint to(g.m_Handles[20].h, g_rectCompositeGraph.top + RowOf(g, -8.0));
    // The dB under each pointer position, on the graph's law (read before
    // the graph may go with the editor).
    const float db0 = g.m_fDbMin + (g.m_fDbMax - g.m_fDbMin) * (kPlotHeight - (from.v - g_rectCompositeGraph.top)) /
                                       static_cast<float>(kPlotHeight);
    const float db1 = g.m_fDbMin + (g.m_fDbMax - g.m_fDbMin) * (kPlotHeight - (to.v - g_rectCompositeGraph.top)) /
                                       static_cast<float>(kPlotHeight);
    auto queue = [&](EPlatformEvent type, const CPoint& at, long buttons) {
      m_pWindow->Queue(frametest::MakeEvent(type, static_cast<int>(at.h), static_cast<int>(at.v), buttons));
    };
    queue(EPlatformEvent::kMouseDown, from, kMouseLeft);
    queue(EPlatformEvent::kMouseMove, to, kMouseLeft);
    switch (end) {
      case End::kRelease:
        queue(EPlatformEvent::kMouseUp, to, 0);
        break;
      case End::kReleaseOutside:
        queue(EPlatformEvent::kMouseUp, CPoint(-300, 900), 0);
        break;
      case End::kLostRelease:
        queue(EPlatformEvent::kMouseMove, to, 0);
        break;
      default:
        break;
    }
    Idle();
    if (end == End::kEditorClosed) m_pEditor->close();
    if (end == End::kWindowGone) {
      m_pWindow->Destroy();
      Idle();
    }

    // Snap mirrors each band onto the right channel.
    std::set<int> written;
    for (int b = 10; b <= 20; ++b) {
      const float db = db0 + (db1 - db0) * (b - 10) / 10.0f;
      for (int index : {nParamG[b], nParamG[b + kQvx2NumBands]}) {
        EXPECT_NEAR(m_pEffect->getParameter(index), GainValue(db), 1e-5) << "band " << b << ", index " << index;
        written.insert(index);
      }
    }
    EXPECT_FLOAT_EQ(m_pEffect->getParameter(nParamG[9]), 0.5f);
    EXPECT_FLOAT_EQ(m_pEffect->getParameter(nParamG[21]), 0.5f);

    // Every parameter the drag wrote, and no other, reaches the host as
    // automation after its one begin edit; all end edits come at the drag's
    // end, after the last automation.
    std::string order;
    const std::map<int, std::string> seen = HostEditMarks(&order);
    std::set<int> bracketed;
    for (const auto& [index, marks] : seen) {
      bracketed.insert(index);
      EXPECT_TRUE(std::regex_match(marks, std::regex(R"(\(a+\))"))) << "index " << index << ": " << marks;
    }
    EXPECT_EQ(bracketed, written);
    EXPECT_EQ(order.find(')'), order.find_last_of("(a") + 1) << order;
    // One undo step takes the whole drag back.
    m_pEffect->beginEdit(kXrUndoRequest);
    m_pEffect->endEdit(kXrUndoRequest);
    for (int b = 10; b <= 20; ++b) {
      EXPECT_FLOAT_EQ(m_pEffect->getParameter(nParamG[b]), 0.5f) << "band " << b;
      EXPECT_FLOAT_EQ(m_pEffect->getParameter(nParamG[b + kQvx2NumBands]), 0.5f) << "band " << b;
    }
    if (end == End::kEditorClosed || end == End::kWindowGone) Reopen();
    Settle();
  }
}
