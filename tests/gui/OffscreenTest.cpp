// Off-screen contexts and the direct pixel writers that fill their memory.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace {

class OffscreenTest : public ::testing::Test {
 protected:
  void SetUp() override { g_bCanDoPntFillRectQuartzOptimisations = true; }
  void TearDown() override { g_bCanDoPntFillRectQuartzOptimisations = true; }

  static COffscreenContext* Make(long width, long height, CColor background = kWhiteCColor) {
    return new COffscreenContext(nullptr, width, height, background);
  }
  static uint32_t Pixel(COffscreenContext* context, long x, long y) {
    return PixelOf(Surface(context), x, y);
  }
  static cairo_surface_t* Surface(COffscreenContext* context) {
    return cairo_get_target(context->getCairo());
  }
  static long Count(COffscreenContext* context, uint32_t word) {
    return CountPixels(Surface(context), 0, 0, context->getWidth(), context->getHeight(), word);
  }
};

TEST_F(OffscreenTest, NewContextIsFilledWithItsBackground) {
  const CColor background = {10, 20, 30, 255};
  COffscreenContext* context = Make(10, 4, background);
  CRect clip;
  context->getClipRect(clip);
  EXPECT_EQ(clip, CRect(0, 0, 10, 4));
  EXPECT_EQ(context->getFillColor(), background);
  EXPECT_EQ(context->getFrameColor(), background);
  EXPECT_EQ(Count(context, Argb(background)), 40);
  context->forget();
}

TEST_F(OffscreenTest, EmptySizeGivesAContextThatDrawsNothing) {
  COffscreenContext* context = Make(0, 5);
  EXPECT_EQ(context->getCairo(), nullptr);
  context->fillRect(CRect(0, 0, 5, 5), kRedCColor);
  context->drawPoint(CPoint(0, 0), kRedCColor);
  TestSurface window(10, 10);
  context->copyFrom(window.context(), CRect(0, 0, 10, 10));
  EXPECT_EQ(window.count(0, 0, 10, 10, kWhiteWord), 100);
  context->forget();
}

TEST_F(OffscreenTest, FillRectFastAndCairoPathsCoverTheSamePixels) {
  for (bool fast : {true, false}) {
    g_bCanDoPntFillRectQuartzOptimisations = fast;
    COffscreenContext* context = Make(10, 10);
    context->setFillColor(kRedCColor);
    context->fillRect(CRect(0, 0, 4, 4));
    EXPECT_EQ(Count(context, kRedWord), 9) << (fast ? "direct" : "Cairo");
    EXPECT_EQ(CountPixels(Surface(context), 0, 0, 3, 3, kRedWord), 9);
    context->setOffset(CPoint(5, 2));
    context->fillRect(CRect(0, 0, 4, 4));
    EXPECT_EQ(CountPixels(Surface(context), 5, 2, 8, 5, kRedWord), 9)
        << "the fill colour form applies the offset";
    context->forget();
  }
}

TEST_F(OffscreenTest, FillRectWithColourSkipsTheFirstRowAndIgnoresTheOffset) {
  for (bool fast : {true, false}) {
    g_bCanDoPntFillRectQuartzOptimisations = fast;
    COffscreenContext* context = Make(10, 10);
    context->setOffset(CPoint(3, 3));
    context->fillRect(CRect(0, 0, 4, 4), kBlueCColor);
    EXPECT_EQ(Count(context, kBlueWord), 9);
    EXPECT_EQ(CountPixels(Surface(context), 0, 1, 3, 4, kBlueWord), 9);
    EXPECT_EQ(context->getFillColor(), kWhiteCColor) << "the fill colour is not changed";
    // Clipped to the image: a rectangle reaching past it fills up to the
    // last column but one and down to the last row.
    context->fillRect(CRect(-5, -5, 50, 50), kGreenCColor);
    EXPECT_EQ(Count(context, kGreenWord), 9 * 9);
    EXPECT_EQ(CountPixels(Surface(context), 0, 1, 9, 10, kGreenWord), 9 * 9);
    context->forget();
  }
}

TEST_F(OffscreenTest, DirectWritesUseTheImageBoundsWhateverTheClip) {
  COffscreenContext* context = Make(10, 6);
  context->setClipRect(CRect(0, 0, 200, 200));
  context->fillRect(CRect(0, 0, 200, 200), kRedCColor);
  EXPECT_EQ(Count(context, kRedWord), 9 * 5);
  context->setClipRect(CRect(2, 2, 4, 4));
  context->drawPoint(CPoint(8, 0), kBlueCColor);
  EXPECT_EQ(Pixel(context, 8, 0), kBlueWord) << "the clip does not limit direct writes";
  context->forget();
}

TEST_F(OffscreenTest, DrawPointWritesOnlyInsideTheImage) {
  COffscreenContext* context = Make(10, 10);
  context->setOffset(CPoint(4, 4));
  context->drawPoint(CPoint(1, 2), kRedCColor);
  EXPECT_EQ(Pixel(context, 1, 2), kRedWord) << "as passed, without the offset";
  context->drawPoint(CPoint(-1, 0), kRedCColor);
  context->drawPoint(CPoint(10, 0), kRedCColor);
  context->drawPoint(CPoint(0, 10), kRedCColor);
  EXPECT_EQ(Count(context, kRedWord), 1);
  context->forget();
}

TEST_F(OffscreenTest, HalfTransparentColourIsStoredPremultiplied) {
  COffscreenContext* context = Make(4, 4);
  context->drawPoint(CPoint(1, 1), CColor{200, 100, 50, 128});
  EXPECT_EQ(Pixel(context, 1, 1), 0x80643219u);
  context->forget();
}

TEST_F(OffscreenTest, GraphPolyLineDrawsVerticalRunsPerColumn) {
  COffscreenContext* context = Make(20, 10);
  CPoint points[3] = {CPoint(5, 2), CPoint(6, 6), CPoint(7, 4)};
  context->drawGraphPolyLine(points, kRedCColor, 3);
  EXPECT_EQ(Pixel(context, 4, 2), kRedWord);
  for (long y = 2; y <= 5; ++y) EXPECT_EQ(Pixel(context, 5, y), kRedWord) << "row " << y;
  EXPECT_EQ(Count(context, kRedWord), 5) << "the third point is not used";

  // Rising trace: the run goes from the previous row up to one below q.
  COffscreenContext* rising = Make(20, 10);
  CPoint up[3] = {CPoint(2, 7), CPoint(3, 3), CPoint(4, 3)};
  rising->drawGraphPolyLine(up, kRedCColor, 3);
  EXPECT_EQ(Pixel(rising, 1, 7), kRedWord);
  for (long y = 4; y <= 7; ++y) EXPECT_EQ(Pixel(rising, 2, y), kRedWord) << "row " << y;
  EXPECT_EQ(Count(rising, kRedWord), 5);
  context->forget();
  rising->forget();
}

TEST_F(OffscreenTest, GraphTracesArePinnedAndClippedToTheImage) {
  COffscreenContext* context = Make(8, 6);
  // Rows are clamped to 0..H-2; the trace starts left of the image.
  CPoint points[6] = {CPoint(0, -9), CPoint(1, -9), CPoint(2, 50), CPoint(3, 50),
                      CPoint(4, 50), CPoint(5, 50)};
  context->drawGraphPolyLine(points, kGreenCColor, 6);
  EXPECT_EQ(Pixel(context, 0, 0), kGreenWord) << "column 0 runs from point 0 to point 1";
  for (long y = 0; y < 4; ++y) EXPECT_EQ(Pixel(context, 1, y), kGreenWord) << "row " << y;
  EXPECT_EQ(Pixel(context, 2, 4), kGreenWord);
  EXPECT_EQ(Pixel(context, 3, 4), kGreenWord);
  EXPECT_EQ(CountPixels(Surface(context), 0, 5, 8, 6, kGreenWord), 0) << "row H-1 is never used";
  EXPECT_EQ(CountPixels(Surface(context), 4, 0, 8, 6, kGreenWord), 0);

  // A trace longer than the image stops before its last column.
  COffscreenContext* wide = Make(8, 6);
  CPoint flat[20];
  for (int i = 0; i < 20; ++i) flat[i] = CPoint(3 + i, 2);
  wide->drawGraphPolyLine(flat, kGreenCColor, 20);
  EXPECT_EQ(CountPixels(Surface(wide), 0, 2, 8, 3, kGreenWord), 5) << "columns 2 to 6";
  EXPECT_EQ(Count(wide, kGreenWord), 5);
  context->forget();
  wide->forget();
}

TEST_F(OffscreenTest, GraphPolyPointShowsPointIAtColumnXPlusI) {
  COffscreenContext* context = Make(20, 10);
  CPoint points[4] = {CPoint(5, 1), CPoint(6, 3), CPoint(7, 5), CPoint(8, 7)};
  context->drawGraphPolyPoint(points, kBlueCColor, 4);
  EXPECT_EQ(Pixel(context, 4, 1), kBlueWord);
  EXPECT_EQ(Pixel(context, 5, 1), kBlueWord);
  EXPECT_EQ(Pixel(context, 6, 3), kBlueWord);
  EXPECT_EQ(Count(context, kBlueWord), 3);
  context->forget();

  // On a window context the points are drawn one by one through Cairo.
  TestSurface window(20, 10);
  window.context()->drawGraphPolyPoint(points, kBlueCColor, 4);
  EXPECT_EQ(window.count(0, 0, 20, 10, kBlueWord), 3);
}

TEST_F(OffscreenTest, CopyFromStartsOneRowAboveTheRectangle) {
  COffscreenContext* offscreen = Make(50, 20);
  for (long y = 0; y < 20; ++y)
    for (long x = 0; x < 50; ++x)
      offscreen->drawPoint(CPoint(x, y), CColor{static_cast<unsigned char>(10 * y), 0, 0, 255});
  TestSurface window(60, 30);
  offscreen->copyFrom(window.context(), CRect(0, 10, 50, 20), CPoint(0, 0));
  for (long y = 9; y < 20; ++y)
    EXPECT_EQ(window.pixel(20, y), Argb(CColor{static_cast<unsigned char>(10 * (y - 9)), 0, 0, 255}))
        << "window row " << y;
  EXPECT_EQ(window.pixel(20, 8), kWhiteWord);
  EXPECT_EQ(window.pixel(20, 20), kWhiteWord);
  EXPECT_EQ(window.pixel(50, 15), kWhiteWord);

  // Source offset and the window context's offset.
  TestSurface shifted(60, 30);
  shifted.context()->setOffset(CPoint(5, 2));
  offscreen->copyFrom(shifted.context(), CRect(0, 10, 10, 12), CPoint(3, 4));
  EXPECT_EQ(shifted.pixel(5, 11), Argb(CColor{40, 0, 0, 255}));
  EXPECT_EQ(shifted.pixel(5, 13), Argb(CColor{60, 0, 0, 255}));
  EXPECT_EQ(shifted.pixel(5, 14), kWhiteWord);
  offscreen->forget();
}

TEST_F(OffscreenTest, CopyFromAnEmptyRectangleChangesNothing) {
  COffscreenContext* offscreen = Make(10, 30, kRedCColor);
  TestSurface window(20, 30);
  offscreen->copyFrom(window.context(), CRect(5, 5, 5, 20));
  EXPECT_EQ(window.count(0, 0, 20, 30, kWhiteWord), 600);
  // A rectangle of no height still copies the one row above it.
  offscreen->copyFrom(window.context(), CRect(5, 5, 9, 5));
  EXPECT_EQ(window.count(0, 0, 20, 30, kRedWord), 4);
  EXPECT_EQ(window.count(5, 4, 9, 5, kRedWord), 4);
  offscreen->forget();
}

TEST_F(OffscreenTest, CopyIsLimitedByTheDestinationClip) {
  COffscreenContext* offscreen = Make(20, 20, kRedCColor);
  TestSurface window(30, 30);
  window.context()->setClipRect(CRect(0, 10, 30, 30));
  offscreen->copyFrom(window.context(), CRect(0, 10, 20, 20));
  EXPECT_EQ(window.pixel(5, 9), kWhiteWord) << "the extra row above lies outside the clip";
  EXPECT_EQ(window.count(0, 10, 20, 20, kRedWord), 200);
  offscreen->forget();
}

TEST_F(OffscreenTest, FreshContextDrawsSmoothlyUntilTheModeChanges) {
  auto blended = [](COffscreenContext* c) {
    c->setFrameColor(kBlackCColor);
    c->moveTo(CPoint(0, 0));
    c->lineTo(CPoint(20, 9));
    long n = 0;
    for (long y = 0; y < 10; ++y)
      for (long x = 0; x < 20; ++x) {
        const uint32_t p = PixelOf(cairo_get_target(c->getCairo()), x, y);
        if (p != kWhiteWord && p != kBlackWord) ++n;
      }
    return n;
  };
  COffscreenContext* fresh = Make(20, 10);
  fresh->setDrawMode(kDrawAliased);
  EXPECT_GT(blended(fresh), 0) << "setting the mode it already has changes nothing";
  COffscreenContext* aliased = Make(20, 10);
  aliased->setDrawMode(kDrawAntialiased);
  aliased->setDrawMode(kDrawAliased);
  EXPECT_EQ(blended(aliased), 0);
  fresh->forget();
  aliased->forget();
}

TEST_F(OffscreenTest, ImageIsACopyOfThePixels) {
  COffscreenContext* context = Make(6, 6, kGreenCColor);
  cairo_surface_t* image = context->getCairoImage();
  ASSERT_NE(image, nullptr);
  context->drawPoint(CPoint(2, 2), kRedCColor);
  EXPECT_EQ(PixelOf(image, 2, 2), kGreenWord);
  EXPECT_EQ(cairo_image_surface_get_width(image), 6);
  cairo_surface_destroy(image);
  context->forget();
}

}  // namespace
