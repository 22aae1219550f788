// The editor's sides: opening and closing, the front as the product builds
// it, the flip button and the deferred flip, the about page and its return
// button, rebuilds requested by the product, and what the sides draw.
#include "editor/EditorTestSupport.h"

using namespace edtest;

namespace {

CView* ViewAt(CFrame* frame, const CRect& rect) {
  for (long i = 0; i < frame->getNbViews(); ++i) {
    CView* view = frame->getView(i);
    CRect size;
    view->getViewSize(size);
    if (size == rect) return view;
  }
  return nullptr;
}

class EditorPanelsTest : public EditorFixture {};

// A view that follows every press until its release, and counts the ends.
class HoldingView : public CView {
 public:
  using CView::CView;
  void mouse(CDrawContext*, CPoint&, long buttons) override { getFrame()->beginMouseCapture(this, buttons); }
  void onMouseTrackEnd(CDrawContext*, CPoint&, long) override { ++ends; }
  int ends = 0;
};

}  // namespace

TEST_F(EditorPanelsTest, OpenBuildsTheFrontAtTheFrontBitmapsSize) {
  CFrame* frame = m_pEditor->Frame();
  ASSERT_NE(frame, nullptr);
  CRect size;
  frame->getSize(size);
  EXPECT_EQ(size, CRect(0, 0, kFrontWidth, kFrontHeight));
  ERect* rect = nullptr;
  ASSERT_TRUE(m_pEditor->getRect(&rect));
  EXPECT_EQ(rect->right, kFrontWidth);
  EXPECT_EQ(rect->bottom, kFrontHeight);

  EXPECT_TRUE(m_pEditor->IsOpen());
  EXPECT_TRUE(m_pEditor->IsFrontShown());
  EXPECT_FALSE(m_pEditor->IsBuildingViews());
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 1);
  EXPECT_GE(m_pEditor->m_nUpdateUi, 1) << "open ends with UpdateUi";
  ASSERT_NE(m_pEditor->m_pFlipButton, nullptr);
  CRect flip;
  m_pEditor->m_pFlipButton->getViewSize(flip);
  EXPECT_EQ(flip, kFlipRect);
  EXPECT_EQ(frame->getView(frame->getNbViews() - 1), m_pEditor->m_pFlipButton) << "the flip area lies on top";
}

TEST_F(EditorPanelsTest, OpeningAgainReplacesTheFrameAndItsViews) {
  COnOffButtonExtended* oldTwin = m_pEditor->m_pTwinA;
  oldTwin->remember();
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  EXPECT_EQ(oldTwin->getNbReference(), 1) << "the old frame released its views";
  EXPECT_NE(m_pEditor->m_pTwinA, oldTwin);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 2);
  oldTwin->forget();
}

TEST_F(EditorPanelsTest, WithOverriddenOpenOnlyTheFrameAndUpdateUi) {
  m_pEditor->close();
  m_pEditor->m_bOverrideOpen = true;
  const int updates = m_pEditor->m_nUpdateUi;
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  ASSERT_NE(m_pEditor->Frame(), nullptr);
  EXPECT_EQ(m_pEditor->Frame()->getNbViews(), 0);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 1) << "only the first open built a front";
  EXPECT_EQ(m_pEditor->m_nUpdateUi, updates + 1);
}

TEST_F(EditorPanelsTest, CloseRemovesControlsAndEmptiesTheBitmapCache) {
  CBitmap* undo = m_pEditor->GetBitmap(150);
  EXPECT_EQ(m_pEditor->GetBitmap(150), undo) << "one object per id";
  const int cached = m_pEditor->m_nGenericBitmapsAdded;
  EXPECT_GE(cached, 32) << "every bitmap of the list is precached";
  EXPECT_EQ(m_pEditor->GetBitmap(150), undo);
  EXPECT_EQ(m_pEditor->m_nGenericBitmapsAdded, cached) << "a hit loads nothing";

  m_pEditor->close();
  EXPECT_FALSE(m_pEditor->IsOpen());
  EXPECT_EQ(m_pEditor->Frame(), nullptr);
  EXPECT_EQ(m_pEditor->m_nGenericBitmapsAdded, 0);
  EXPECT_EQ(m_pEditor->m_pTwinA, nullptr);
  EXPECT_EQ(m_pEditor->m_nGenericControlsAdded, 0);

  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  EXPECT_GT(m_pEditor->m_nGenericBitmapsAdded, 0) << "the new front loads what it uses";
  CBitmap* again = m_pEditor->GetBitmap(150);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->getHeight(), 32);
}

TEST_F(EditorPanelsTest, BitmapCacheRefusesEntriesBeyondItsSize) {
  ResetAssertionLatchForTesting();
  long id = 5000;
  while (m_pEditor->m_nGenericBitmapsAdded < NUM_GENERIC_BITMAPS) ASSERT_NE(m_pEditor->GetBitmap(id++), nullptr);
  EXPECT_EQ(m_pEditor->GetBitmap(id), nullptr);
  EXPECT_EQ(m_pEditor->m_nGenericBitmapsAdded, NUM_GENERIC_BITMAPS);
  EXPECT_NE(m_pEditor->GetBitmap(150), nullptr) << "cached ids are still found";
}

TEST_F(EditorPanelsTest, FlipClickTurnsToTheBackAfter100Ms) {
  Click(400, 10);
  IdleAfter(0);
  EXPECT_TRUE(m_pEditor->IsFrontShown());
  const unsigned int due = m_pEditor->m_nFlipAtTicks.load();
  EXPECT_EQ(due, g_Now.load() + 100);
  IdleAfter(100);
  EXPECT_TRUE(m_pEditor->IsFrontShown()) << "exactly 100 ms later is not yet past the due time";
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->IsFrontShown());
  EXPECT_EQ(m_pEditor->m_nFlipAtTicks.load(), 0u);
  EXPECT_EQ(m_pEditor->m_pTwinA, nullptr) << "the front's controls went with it";
  EXPECT_NE(m_pEditor->m_pReturnButton, nullptr);
  EXPECT_NE(m_pEditor->m_pQualityMenu, nullptr);
}

TEST_F(EditorPanelsTest, TwoClicksWithin100MsFlipOnce100MsAfterTheSecond) {
  Click(400, 10);
  IdleAfter(0);
  Click(400, 10);
  IdleAfter(50);
  IdleAfter(51);
  EXPECT_TRUE(m_pEditor->IsFrontShown()) << "101 ms after the first click";
  IdleAfter(50);
  EXPECT_FALSE(m_pEditor->IsFrontShown());
  IdleAfter(200);
  EXPECT_FALSE(m_pEditor->IsFrontShown()) << "one flip only";
}

TEST_F(EditorPanelsTest, FlipWaitsUntilTheEditGestureEnds) {
  Click(400, 10);
  IdleAfter(0);
  m_pEffect->beginEdit(kBoundTag);
  IdleAfter(300);
  EXPECT_TRUE(m_pEditor->IsFrontShown()) << "the user holds a control";
  m_pEffect->endEdit(kBoundTag);
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->IsFrontShown());
}

TEST_F(EditorPanelsTest, FlipAndRebuildsWaitForADragsRelease) {
  auto* held = new HoldingView(CRect(200, 150, 250, 200));
  held->remember();
  m_pEditor->Frame()->addView(held);
  Click(400, 10);
  IdleAfter(0);
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, 210, 160, kMouseLeft));
  IdleAfter(1);
  m_pEditor->m_bPendingRefresh.store(true);
  m_pEditor->RefreshFrontOrBack();  // as the effect asks, outside an event
  IdleAfter(300);
  EXPECT_TRUE(m_pEditor->IsFrontShown()) << "the user holds a view";
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 1);
  EXPECT_TRUE(m_pEditor->m_bPendingRefresh.load());
  EXPECT_EQ(held->ends, 0);
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, 210, 160, 0));
  IdleAfter(1);
  EXPECT_EQ(held->ends, 1);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 2) << "the rebuild came with the first idle after the release";
  EXPECT_FALSE(m_pEditor->IsFrontShown()) << "and so did the flip";
  EXPECT_FALSE(m_pEditor->m_bPendingRefresh.load());
  held->forget();
}

TEST_F(EditorPanelsTest, ReturnButtonLeadsBackToTheFront) {
  FlipToBack();
  ASSERT_FALSE(m_pEditor->IsFrontShown());
  CRect returnRect;
  m_pEditor->m_pReturnButton->getViewSize(returnRect);
  EXPECT_EQ(returnRect, CRect(300 - 180, 78, 300 + 180, 98));
  Click(returnRect.left + 20, returnRect.top + 5);
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->IsFrontShown());
  IdleAfter(101);
  EXPECT_TRUE(m_pEditor->IsFrontShown());
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 2);
  EXPECT_EQ(m_pEditor->m_pReturnButton, nullptr);
}

TEST_F(EditorPanelsTest, AboutPageRowsFollowTheBackTextTop) {
  FlipToBack();
  CFrame* frame = m_pEditor->Frame();
  auto* title = dynamic_cast<CStaticText*>(ViewAt(frame, CRect(0, 33, 600, 53)));
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title->GetText(), "Test Editor v1");
  EXPECT_EQ(title->getFont(), kFontBig);
  EXPECT_EQ(title->getTxtFace(), kFaceBold);
  auto* credit = dynamic_cast<CStaticText*>(ViewAt(frame, CRect(0, 60, 600, 80)));
  ASSERT_NE(credit, nullptr);
  EXPECT_STREQ(credit->GetText(), "VST technology by Steinberg Media Technologies AG");
  EXPECT_STREQ(m_pEditor->m_pReturnButton->GetNormalText(), "Click here to return to main interface.");
  EXPECT_EQ(frame->getBackground(), m_pEditor->m_pBackBitmap);
  EXPECT_EQ(frame->getBackgroundDrawCount(), -1) << "the back background is painted at every redraw";
}

TEST_F(EditorPanelsTest, WithoutTheBlockFlagTheBackIsTheAboutPageOnly) {
  m_pEditor->m_bShowQualityModeControls = false;
  FlipToBack();
  EXPECT_EQ(m_pEditor->m_pQualityMenu, nullptr);
  EXPECT_EQ(m_pEditor->m_pQualityNotice, nullptr);
  EXPECT_EQ(ViewAt(m_pEditor->Frame(), CRect(0, 254, 600, 274)), nullptr) << "advice needs the block";
  EXPECT_EQ(m_pEditor->Frame()->getNbViews(), 4) << "title, credit, return button and the back flip area";
}

TEST_F(EditorPanelsTest, RefreshRebuildsTheSideShownOnceTheEffectIsQuiet) {
  m_pEditor->m_bPendingRefresh.store(true);
  m_pEffect->beginEdit(kBoundTag);
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 1);
  m_pEffect->endEdit(kBoundTag);
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nFrontBuilds, 2);

  FlipToBack();
  const int zeroed = m_pEditor->m_nZeroInner;
  m_pEditor->m_bPendingRefresh.store(true);
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->IsFrontShown()) << "the back is rebuilt as the back";
  EXPECT_GT(m_pEditor->m_nZeroInner, zeroed);
  EXPECT_NE(m_pEditor->m_pQualityMenu, nullptr);
}

TEST_F(EditorPanelsTest, RefreshWaitsOutAnEventInProgressButAFlipDoesNot) {
  Click(400, 10);
  IdleAfter(0);
  m_pEditor->m_bPendingRefresh.store(true);
  g_bAmHandlingCarbonEvent = true;
  IdleAfter(101);
  g_bAmHandlingCarbonEvent = false;
  EXPECT_FALSE(m_pEditor->IsFrontShown()) << "the flip ran";
  EXPECT_TRUE(m_pEditor->m_bPendingRefresh.load()) << "the refresh waits";
  IdleAfter(1);
  EXPECT_FALSE(m_pEditor->m_bPendingRefresh.load());
}

TEST_F(EditorPanelsTest, FrontAndBackDrawTheirBackgrounds) {
  m_pWindow->Queue(frametest::ExposeAll());
  IdleAfter(1);
  EXPECT_EQ(frametest::Shown(m_pWindow, 200, 150), 0x000000u) << "the graph's well on the front";
  EXPECT_NE(frametest::Shown(m_pWindow, 10, 200), 0x000000u) << "the panel around it";
  FlipToBack();
  IdleAfter(1);
  EXPECT_NE(frametest::Shown(m_pWindow, 200, 150), 0x000000u) << "the back has no well there";
  // The title is drawn in white on the dark back panel.
  int light = 0;
  for (int x = 200; x < 400; ++x)
    for (int y = 33; y < 53; ++y)
      if ((frametest::Shown(m_pWindow, x, y) & 0xFF) > 0xC0) ++light;
  EXPECT_GT(light, 20);
}

TEST_F(EditorPanelsTest, AnEffectDeletedWithItsEditorOpenTakesTheEditorAndFrameAlong) {
  COnOffButtonExtended* twin = m_pEditor->m_pTwinA;
  twin->remember();
  m_pEffect.reset();
  m_pEditor = nullptr;
  EXPECT_EQ(twin->getNbReference(), 1) << "the frame released its views";
  twin->forget();
}
