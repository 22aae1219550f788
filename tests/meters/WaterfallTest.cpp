// The waterfalls: the colour law, the shifted colour cache, rows scrolling
// down under the fixed legend, freezing, and the colour-bar drag on a frame.
#include <gtest/gtest.h>

#include <cmath>

#include "Helpers/Waterfall.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "freqgraphs/EditorBaseTestSupport.h"
#include "freqgraphs/FreqGraphTestSupport.h"
#include "gui/CViewContainer.h"

using namespace freqtest;
using drawtest::Word;

namespace {

constexpr uint32_t kBlackWord = 0xFF000000u;

TEST(WaterfallLawTest, LevelsFollowTheLogOfTheAmplitude) {
  EXPECT_FLOAT_EQ(CCompositeWaterfall::LevelOf(255.0f), 1.0f);
  EXPECT_NEAR(CCompositeWaterfall::LevelOf(255.0f * std::exp(-10.0f / 3.0f)), 0.5f, 1e-5);
  EXPECT_NEAR(CCompositeWaterfall::LevelOf(1.0f), 1.0f - 0.15f * std::log(255.0f), 1e-5);
  EXPECT_EQ(CCompositeWaterfall::LevelOf(0.0f), 0.0f);
  EXPECT_EQ(CCompositeWaterfall::LevelOf(1e-9f), 0.0f);
  EXPECT_EQ(CCompositeWaterfall::LevelOf(1e9f), 1.0f);
  EXPECT_FLOAT_EQ(CStereoWaterfall::LevelOfDifference(-255.0f), -1.0f);
  EXPECT_NEAR(CStereoWaterfall::LevelOfDifference(255.0f * std::exp(-10.0f / 3.0f)), 0.5f, 1e-5);
  EXPECT_EQ(CStereoWaterfall::LevelOfDifference(0.0f), 0.0f);
}

class WaterfallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<fxtest::TestEffect>();
    effect->setSampleRate(kRate);
    editor = new displaytest::ScriptedEditor(effect.get());  // owned by the effect
    container = new CViewContainer(CRect(0, 0, 320, 170), nullptr, nullptr);
    fall = new CCompositeWaterfall(CRect(0, 0, 300, 150), editor, nullptr);
    fall->SetDataStore(0, &left);
    fall->SetDataStore(1, &right);
    fall->m_fRiseCoef = fall->m_fFallCoef = 0.0f;
    container->addView(fall);
  }
  void TearDown() override { container->forget(); }
  uint32_t At(long x, long y) { return drawtest::Pixels(fall->pOffscreen).at(x, y); }
  void Draw() { fall->draw(screen.context()); }
  // One frame with amplitude a in bin k of both channels, drawn; the
  // column where the left channel peaks.
  int Frame(int k, double a) {
    Spectrum().Set(k, a).StoreInto(left);
    Spectrum().Set(k, a).StoreInto(right);
    Draw();
    int best = 0;
    for (int x = 0; x < fall->m_nColumns; ++x)
      if (fall->m_pColumnLine[0][x] > fall->m_pColumnLine[0][best]) best = x;
    return best;
  }

  frametest::HeadlessScope headless;
  FakeHost host;
  TempConfigFolder prefs;
  ClockScope clock;
  std::unique_ptr<fxtest::TestEffect> effect;
  displaytest::ScriptedEditor* editor = nullptr;
  CFrequencyDataStore left{kFftSize};
  CFrequencyDataStore right{kFftSize};
  CViewContainer* container = nullptr;
  CCompositeWaterfall* fall = nullptr;  // owned by the container
  TestSurface screen{320, 170};
};

TEST_F(WaterfallTest, ColourCacheFollowsTheListAndTheOffset) {
  const ColorBoundary* list = fall->ColorList();
  ASSERT_EQ(list, g_ColorBoundaryPickerComposite.ppLists[0]) << "a preset without a list set";
  EXPECT_EQ(fall->ColourOfLevel(0.5f), GetColorForLevel(0.5f, list));
  EXPECT_EQ(fall->ColourOfLevel(0.0f), GetColorForLevel(0.0f, list));
  EXPECT_EQ(fall->ColourOfLevel(1.0f), GetColorForLevel(0.995f, list));
  fall->bBackgroundDirty = false;
  fall->SetColorBarOffset(0.2f);
  EXPECT_TRUE(fall->bBackgroundDirty);
  EXPECT_EQ(fall->ColourOfLevel(0.5f), GetColorForLevel(0.3f, list));

  CStereoWaterfall stereo(CRect(0, 0, 300, 150), editor, nullptr);
  const ColorBoundary* stereoList = stereo.ColorList();
  ASSERT_EQ(stereoList, g_ColorBoundaryPickerStereo.ppLists[0]);
  EXPECT_EQ(stereo.ColourOfLevel(-1.0f), (CColor{200, 200, 255, 255})) << "a right excess shows";
  EXPECT_EQ(stereo.ColourOfLevel(0.0f), GetColorForLevel(0.0f, stereoList));
  EXPECT_EQ(stereo.ColourOfLevel(0.5f), GetColorForLevel(0.5f, stereoList));
}

TEST_F(WaterfallTest, NewRowsEnterAtTheTopAndOldOnesMoveDownAboveTheLegend) {
  Draw();
  const long barRow = 150 - 16;
  const uint32_t bar = At(150, barRow);
  EXPECT_NE(bar, kBlackWord) << "the colour bar";

  const int first = Frame(93, 400.0);
  const uint32_t firstColour = At(first, 0);
  ASSERT_NE(firstColour, kBlackWord);
  const int second = Frame(465, 400.0);
  ASSERT_GT(second, first + 10);
  EXPECT_EQ(At(first, 1), firstColour) << "moved down one row";
  EXPECT_EQ(At(first, 0), kBlackWord);
  EXPECT_NE(At(second, 0), kBlackWord);
  EXPECT_EQ(At(second, 1), kBlackWord);
  for (int i = 0; i < 5; ++i) Frame(465, 400.0);
  EXPECT_EQ(At(first, 6), firstColour);
  EXPECT_EQ(At(150, barRow), bar) << "the legend does not scroll";
}

TEST_F(WaterfallTest, FreezingStopsTheRowsAndUnfreezingStartsAfresh) {
  const int first = Frame(93, 400.0);
  const uint32_t firstColour = At(first, 0);
  fall->SetFreezeDisplay(true);
  Frame(465, 400.0);
  Frame(465, 400.0);
  EXPECT_EQ(At(first, 0), firstColour);
  EXPECT_EQ(fall->nCachedRows, 0);
  fall->SetFreezeDisplay(false);
  const int second = Frame(465, 400.0);
  EXPECT_NE(At(second, 0), kBlackWord);
  // The frozen picture is gone: the background (a grid line or black).
  EXPECT_NE(At(first, 1), firstColour);
  EXPECT_EQ(At(first, 1), At(first, 60));
}

TEST_F(WaterfallTest, ColourBarDragShiftsTheScaleAndReportsIt) {
  ASSERT_TRUE(editor->open(frametest::HostWindow()));
  editor->pWindow = LastHeadlessWindow();
  ASSERT_NE(editor->pWindow, nullptr);
  CFrame* frame = editor->getFrame();
  auto* onFrame = new CCompositeWaterfall(CRect(10, 10, 310, 160), editor, nullptr);
  frame->addView(onFrame);
  auto press = [&](int x, int y, long buttons, const std::vector<displaytest::PointerState>& script) {
    g_nNow += 1000;  // no double click
    editor->reports.clear();
    editor->Drag(x, y, buttons, script);
  };
  // The bar spans 260 columns: 26 to the right move the scale by 0.1.
  const int y = 10 + 150 - 16;
  press(150, y, kMouseLeft, {{176, y, kMouseLeft}, {176, y, 0}});
  EXPECT_NEAR(onFrame->fColorBarOffset, 0.1f, 1e-5);
  ASSERT_FALSE(editor->reports.empty());
  EXPECT_EQ(editor->reports.back().kind, DivuVazize::eCC_ColorBar);
  EXPECT_NEAR(editor->reports.back().a, 0.1f, 1e-5);
  EXPECT_TRUE(editor->reports.back().fromGui);

  press(150, y, kMouseLeft, {{2000, y, kMouseLeft}, {2000, y, 0}});
  EXPECT_EQ(onFrame->fColorBarOffset, 1.0f) << "no further than the upper level";

  press(150, y, kMouseLeft | kModifierCommand, {});
  EXPECT_EQ(onFrame->fColorBarOffset, 0.0f);
  ASSERT_EQ(editor->reports.size(), 1u);
  EXPECT_EQ(editor->reports[0].a, 0.0f);
  editor->close();
}

}  // namespace
