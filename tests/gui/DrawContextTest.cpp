// Drawing on a window-like context: the pixels that shapes cover, offsets,
// clipping, line styles, and the Cairo state a context leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "GuiTestSupport.h"

namespace {

// Bounding box of the pixels that differ from `background`.
CRect InkBox(TestSurface& target, long width, long height, uint32_t background) {
  CRect box(width, height, -1, -1);
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x)
      if (target.pixel(x, y) != background) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

TEST(DrawContextTest, StrokedRectOutlinesTheRectangleInBothDrawModes) {
  for (CDrawMode mode : {kDrawAliased, kDrawAntialiased}) {
    TestSurface target(40, 40);
    CDrawContext* context = target.context();
    context->setDrawMode(mode);
    context->setFrameColor(kRedCColor);
    context->drawRect(CRect(10, 10, 20, 20), kStyleStroked);
    for (long i = 10; i < 20; ++i) {
      EXPECT_EQ(target.pixel(i, 10), kRedWord) << "mode " << mode << " top row, column " << i;
      EXPECT_EQ(target.pixel(i, 19), kRedWord) << "mode " << mode << " bottom row, column " << i;
      EXPECT_EQ(target.pixel(10, i), kRedWord) << "mode " << mode << " left column, row " << i;
      EXPECT_EQ(target.pixel(19, i), kRedWord) << "mode " << mode << " right column, row " << i;
    }
    EXPECT_EQ(target.count(0, 0, 40, 40, kWhiteWord), 40 * 40 - 36)
        << "mode " << mode << ": only the 36 outline pixels change";
  }
}

TEST(DrawContextTest, FilledShapesLeaveTheLastColumnAndRow) {
  TestSurface target(20, 20);
  CDrawContext* context = target.context();
  context->setFillColor(kBlueCColor);
  context->fillRect(CRect(0, 0, 10, 10));
  EXPECT_EQ(target.count(0, 0, 20, 20, kBlueWord), 81);
  EXPECT_EQ(target.count(0, 0, 9, 9, kBlueWord), 81);

  // A filled drawRect covers columns left..right-2 and rows top+1..bottom-1.
  TestSurface second(20, 20);
  second.context()->setFillColor(kBlueCColor);
  second.context()->drawRect(CRect(2, 2, 8, 8), kStyleFilled);
  EXPECT_EQ(second.count(0, 0, 20, 20, kBlueWord), 5 * 5);
  EXPECT_EQ(second.count(2, 3, 7, 8, kBlueWord), 5 * 5);

  // An empty rectangle paints nothing.
  TestSurface third(20, 20);
  third.context()->setFillColor(kBlueCColor);
  third.context()->fillRect(CRect(5, 5, 5, 10));
  third.context()->fillRect(CRect(5, 5, 6, 6));
  EXPECT_EQ(third.count(0, 0, 20, 20, kWhiteWord), 400);
}

TEST(DrawContextTest, OffsetMovesPrimitivesAndClip) {
  TestSurface target(30, 30);
  CDrawContext* context = target.context();
  context->setOffset(CPoint(5, 7));
  context->setFillColor(kRedCColor);
  context->fillRect(CRect(0, 0, 4, 4));
  EXPECT_EQ(target.count(0, 0, 30, 30, kRedWord), 9);
  EXPECT_EQ(target.count(5, 7, 8, 10, kRedWord), 9);

  context->setClipRect(CRect(0, 0, 4, 4));
  CRect clip;
  context->getClipRect(clip);
  EXPECT_EQ(clip, CRect(0, 0, 4, 4)) << "the clip reads back in the current coordinates";
  context->setOffset(CPoint(0, 0));
  context->getClipRect(clip);
  EXPECT_EQ(clip, CRect(5, 7, 9, 11)) << "stored with the offset in force when it was set";
}

TEST(DrawContextTest, ClipLimitsEveryPrimitive) {
  TestSurface target(30, 30);
  CDrawContext* context = target.context();
  context->setClipRect(CRect(2, 3, 6, 8));
  context->setFillColor(kGreenCColor);
  context->fillRect(CRect(0, 0, 30, 30));
  context->setFrameColor(kGreenCColor);
  context->moveTo(CPoint(0, 20));
  context->lineTo(CPoint(29, 20));
  EXPECT_EQ(target.count(0, 0, 30, 30, kGreenWord), 4 * 5);
  EXPECT_EQ(target.count(2, 3, 6, 8, kGreenWord), 4 * 5);

  context->resetClipRect();
  context->fillRect(CRect(0, 0, 30, 30));
  EXPECT_EQ(target.count(0, 0, 30, 30, kGreenWord), 29 * 29)
      << "without a frame the reset clip is (0, 0, 1000, 1000)";
}

TEST(DrawContextTest, LinesFollowThePenAndTheGrid) {
  TestSurface target(20, 20);
  CDrawContext* context = target.context();
  context->setFrameColor(kBlackCColor);
  context->moveTo(CPoint(3, 0));
  context->lineTo(CPoint(3, 5));
  EXPECT_EQ(context->getPenPosition(), CPoint(3, 5));
  context->lineTo(CPoint(8, 5));
  // Vertical at x covers column x; horizontal at y covers row y - 1.
  EXPECT_EQ(target.count(3, 0, 4, 5, kBlackWord), 5);
  EXPECT_EQ(target.count(3, 4, 8, 5, kBlackWord), 5);
  EXPECT_EQ(target.count(0, 0, 20, 20, kBlackWord), 9);

  // drawLines strokes each pair; a polyline shifts every x left by one.
  TestSurface second(20, 20);
  const CPoint pairs[4] = {CPoint(1, 1), CPoint(1, 4), CPoint(10, 1), CPoint(10, 4)};
  second.context()->setFrameColor(kBlackCColor);
  second.context()->drawLines(pairs, 2);
  EXPECT_EQ(second.count(1, 1, 2, 4, kBlackWord), 3);
  EXPECT_EQ(second.count(10, 1, 11, 4, kBlackWord), 3);
  const CPoint poly[2] = {CPoint(15, 2), CPoint(15, 8)};
  second.context()->polyLine(poly, 2);
  EXPECT_EQ(second.count(14, 2, 15, 8, kBlackWord), 6);
  EXPECT_EQ(second.count(0, 0, 20, 20, kBlackWord), 12);
}

TEST(DrawContextTest, DashedLineAlternatesByLineWidth) {
  TestSurface target(24, 10);
  CDrawContext* context = target.context();
  context->setFrameColor(kBlackCColor);
  context->setLineStyle(kLineStyleDash);
  context->moveTo(CPoint(0, 5));
  context->lineTo(CPoint(20, 5));
  for (long x = 0; x < 20; ++x)
    EXPECT_EQ(target.pixel(x, 4), x % 2 == 0 ? kBlackWord : kWhiteWord) << "column " << x;

  TestSurface wide(24, 10);
  wide.context()->setFrameColor(kBlackCColor);
  wide.context()->setLineStyle(kLineStyleDash);
  wide.context()->setLineWidth(2);
  wide.context()->moveTo(CPoint(0, 5));
  wide.context()->lineTo(CPoint(20, 5));
  for (long x = 0; x < 20; ++x) {
    const uint32_t expected = (x / 2) % 2 == 0 ? kBlackWord : kWhiteWord;
    EXPECT_EQ(wide.pixel(x, 4), expected) << "column " << x;
    EXPECT_EQ(wide.pixel(x, 5), expected) << "column " << x;
  }
}

TEST(DrawContextTest, EllipsesStayInsideTheirRectangleAndAreSymmetric) {
  TestSurface target(40, 30);
  CDrawContext* context = target.context();
  context->setFillColor(kBlueCColor);
  context->fillEllipse(CRect(5, 5, 35, 25));
  const CRect box = InkBox(target, 40, 30, kWhiteWord);
  EXPECT_GE(box.left, 5);
  EXPECT_GE(box.top, 5);
  EXPECT_LE(box.right, 35);
  EXPECT_LE(box.bottom, 25);
  EXPECT_EQ(target.pixel(20, 15), kBlueWord);
  EXPECT_EQ(target.pixel(5, 5), kWhiteWord);
  for (long y = 5; y < 25; ++y)
    for (long x = 5; x < 20; ++x)
      EXPECT_EQ(target.pixel(x, y), target.pixel(39 - x, y)) << "mirror of (" << x << ", " << y << ")";
  // Area of an ellipse of radii 15 and 10 is about 471 pixels.
  const long area = target.count(0, 0, 40, 30, kBlueWord);
  EXPECT_NEAR(area, 471, 15);

  // A stroked circle marks its leftmost and rightmost columns.
  TestSurface circle(30, 30);
  circle.context()->setFrameColor(kBlackCColor);
  circle.context()->drawEllipse(CRect(4, 4, 24, 24));
  const CRect ring = InkBox(circle, 30, 30, kWhiteWord);
  EXPECT_GE(ring.left, 4);
  EXPECT_LE(ring.right, 25);
  EXPECT_EQ(circle.pixel(14, 14), kWhiteWord) << "a stroked circle is hollow";
}

TEST(DrawContextTest, ArcsRunCounterClockwiseFromTheFirstPoint) {
  // From the right (angle 0) to the top (90 degrees): the upper-right quarter.
  TestSurface target(50, 50);
  CDrawContext* context = target.context();
  context->setFrameColor(kBlackCColor);
  context->drawArc(CRect(5, 5, 45, 45), CPoint(45, 25), CPoint(25, 5));
  const CRect box = InkBox(target, 50, 50, kWhiteWord);
  EXPECT_GE(box.left, 24);
  EXPECT_LE(box.bottom, 27);
  EXPECT_GT(target.count(0, 0, 50, 50, kBlackWord), 25);

  // Equal points: the whole oval.
  TestSurface full(50, 50);
  full.context()->setFrameColor(kBlackCColor);
  full.context()->drawArc(CRect(5, 5, 45, 45), CPoint(10, 10), CPoint(10, 10));
  const CRect fullBox = InkBox(full, 50, 50, kWhiteWord);
  EXPECT_LE(fullBox.left, 6);
  EXPECT_GE(fullBox.bottom, 44);

  // A filled arc from the right to the left through the top is the upper
  // half, closed by its chord.
  TestSurface half(50, 50);
  half.context()->setFillColor(kGreenCColor);
  half.context()->fillArc(CRect(5, 5, 45, 45), CPoint(45, 25), CPoint(5, 25));
  EXPECT_EQ(half.pixel(25, 10), kGreenWord);
  EXPECT_EQ(half.pixel(25, 35), kWhiteWord);
  EXPECT_NEAR(half.count(0, 0, 50, 50, kGreenWord), 628, 30) << "half a disc of radius 20";

  // The angle form: 180 to 360 degrees is the lower half.
  TestSurface lower(50, 50);
  lower.context()->setFillColor(kGreenCColor);
  lower.context()->drawArc(CRect(5, 5, 45, 45), 180.0f, 360.0f, kStyleFilled);
  EXPECT_EQ(lower.pixel(25, 35), kGreenWord);
  EXPECT_EQ(lower.pixel(25, 10), kWhiteWord);
}

TEST(DrawContextTest, PolygonFillAndStrokeUseTheirOwnColours) {
  TestSurface target(30, 30);
  CDrawContext* context = target.context();
  context->setFillColor(kGreenCColor);
  context->setFrameColor(kRedCColor);
  const CPoint square[5] = {CPoint(6, 5), CPoint(21, 5), CPoint(21, 20), CPoint(6, 20),
                            CPoint(6, 5)};
  context->drawPolygon(square, 5, kStyleFilledAndStroked);
  EXPECT_EQ(target.pixel(12, 12), kGreenWord);
  EXPECT_EQ(target.pixel(5, 12), kRedWord) << "left edge at x - 1";
  EXPECT_EQ(target.pixel(12, 4), kRedWord) << "top edge on the row above";
}

TEST(DrawContextTest, ContextRestoresTheCallersCairoState) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.25, 0.5, 0.75);
  cairo_set_line_width(cr, 3.0);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_BEST);
  {
    CDrawContext* context = new CDrawContext(nullptr, cr, nullptr);
    context->setClipRect(CRect(2, 2, 5, 5));
    context->setFrameColor(kRedCColor);
    context->setLineStyle(kLineStyleDash);
    context->drawRect(CRect(0, 0, 10, 10), kStyleFilledAndStroked);
    context->setFont(kFontBig);
    context->drawString("x", CRect(0, 0, 20, 20));
    context->forget();
  }
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
  double r = 0, g = 0, b = 0, a = 0;
  cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a);
  EXPECT_DOUBLE_EQ(r, 0.25);
  EXPECT_DOUBLE_EQ(b, 0.75);
  EXPECT_DOUBLE_EQ(cairo_get_line_width(cr), 3.0);
  EXPECT_EQ(cairo_get_antialias(cr), CAIRO_ANTIALIAS_BEST);
  EXPECT_EQ(cairo_get_dash_count(cr), 0);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  EXPECT_DOUBLE_EQ(x2 - x1, 20.0) << "no clip left behind";
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

TEST(DrawContextTest, ContextWithoutCairoOnlyStoresAttributes) {
  CDrawContext* context = new CDrawContext(nullptr, nullptr, nullptr);
  EXPECT_EQ(context->getCairo(), nullptr);
  EXPECT_EQ(context->beginCairo(), nullptr);
  CRect clip;
  context->getClipRect(clip);
  EXPECT_EQ(clip, CRect(0, 0, 1000, 1000));
  context->setFillColor(kRedCColor);
  context->fillRect(CRect(0, 0, 10, 10));
  context->drawString("text", CRect(0, 0, 50, 20));
  EXPECT_EQ(context->getFillColor(), kRedCColor);
  EXPECT_EQ(context->getStringWidth("text"), 0);
  EXPECT_EQ(context->getMouseButtons(), 0) << "no frame, no pointer";
  CPoint where(7, 9);
  context->getMouseLocation(where);
  EXPECT_EQ(where, CPoint(7, 9));
  EXPECT_FALSE(context->needsSynchronize());
  context->forget();
}

TEST(DrawContextTest, DrawingMarksTheContextForAFlush) {
  TestSurface target(10, 10);
  CDrawContext* context = target.context();
  EXPECT_EQ(context->getFrameColor(), kWhiteCColor);
  EXPECT_EQ(context->getFillColor(), kBlackCColor);
  EXPECT_EQ(context->getDrawMode(), kDrawAliased);
  EXPECT_FALSE(context->needsSynchronize());
  context->fillRect(CRect(0, 0, 3, 3));
  EXPECT_TRUE(context->needsSynchronize());
  context->synchronizeCairo();
  EXPECT_FALSE(context->needsSynchronize());
}

}  // namespace
