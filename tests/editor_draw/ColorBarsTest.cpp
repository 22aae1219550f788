#include <gtest/gtest.h>

#include <cairo.h>

#include "Helpers/ColorModel.h"
#include "OwnerDrawTestSupport.h"
#include "gui/COffscreenContext.h"

namespace {

using drawtest::Pixels;
using drawtest::Word;

constexpr CColor kGrey = {90, 90, 90, 255};

// Every pixel inside `bar` has the colour `expected(x, y)`; every pixel
// outside it keeps the background.
template <typename Expected>
void ExpectBar(COffscreenContext& context, const CRect& bar, Expected expected) {
  Pixels pixels(&context);
  for (long y = 0; y < context.getHeight(); ++y) {
    for (long x = 0; x < context.getWidth(); ++x) {
      const bool inside = bar.pointInside(CPoint(x, y));
      const uint32_t want = inside ? Word(expected(x, y)) : Word(kGrey);
      ASSERT_EQ(pixels.at(x, y), want) << "pixel (" << x << ", " << y << ")";
    }
  }
}

TEST(SmoothColourBarTest, VerticalBarRisesOneStepPerRowFromItsBottomRow) {
  COffscreenContext context(nullptr, 12, 70, kGrey);
  const CRect bar(2, 5, 9, 65);  // 60 rows
  // 0 to 1.2 over 60 rows: every row a new colour, several runs of one.
  DrawSmoothColourBarVert(&context, bar, boundaryArrayPickerComposite7, 0.0f, 1.2f);
  const float step = 1.2f / 60.0f;
  ExpectBar(context, bar, [&](long, long y) {
    return GetColorForLevel(static_cast<float>(bar.bottom - 1 - y) * step,
                            boundaryArrayPickerComposite7);
  });
}

TEST(SmoothColourBarTest, VerticalBarOfOneColourPerZoneFillsWholeRuns) {
  COffscreenContext context(nullptr, 8, 40, kGrey);
  const CRect bar(1, 4, 7, 36);  // 32 rows over 0..1.6
  DrawSmoothColourBarVert(&context, bar, boundaryArrayPickerComposite1, 0.0f, 1.6f);
  // Rows 0.05 apart: zones of constant colour, top row at 1.55 (magenta).
  Pixels pixels(&context);
  EXPECT_EQ(pixels.at(3, bar.top), Word({255, 0, 255, 255}));
  EXPECT_EQ(pixels.at(3, bar.bottom - 1), Word({255, 0, 255, 255}));  // level 0
  EXPECT_EQ(pixels.at(3, bar.bottom - 2), Word({0, 0, 0, 255}));      // level 0.05
  EXPECT_EQ(pixels.at(3, bar.bottom - 3), Word({0, 0, 255, 255}));    // level 0.1
  ExpectBar(context, bar, [&](long, long y) {
    return GetColorForLevel(static_cast<float>(bar.bottom - 1 - y) * (1.6f / 32.0f),
                            boundaryArrayPickerComposite1);
  });
}

TEST(SmoothColourBarTest, HorizontalBarRisesOneStepPerColumnFromItsLeftColumn) {
  COffscreenContext context(nullptr, 60, 9, kGrey);
  const CRect bar(3, 2, 53, 8);  // 50 columns over -1..1
  DrawSmoothColourBarHoriz(&context, bar, boundaryArrayPickerStereo4, -1.0f, 1.0f);
  const float step = 2.0f / 50.0f;
  ExpectBar(context, bar, [&](long x, long) {
    return GetColorForLevel(-1.0f + static_cast<float>(x - bar.left) * step,
                            boundaryArrayPickerStereo4);
  });
}

TEST(SmoothColourBarTest, BarsAtTheContextsEdgesAndEmptyBars) {
  // The left and bottom edges (the direct fill reaches neither the first row
  // nor the last column of a context).
  COffscreenContext context(nullptr, 10, 10, kGrey);
  DrawSmoothColourBarVert(&context, CRect(0, 1, 9, 10), boundaryArrayPickerComposite6, 0.0f,
                          0.9f);
  ExpectBar(context, CRect(0, 1, 9, 10), [](long, long y) {
    return GetColorForLevel(static_cast<float>(9 - y) * (0.9f / 9.0f),
                            boundaryArrayPickerComposite6);
  });

  COffscreenContext untouched(nullptr, 10, 10, kGrey);
  DrawSmoothColourBarVert(&untouched, CRect(2, 5, 8, 5), boundaryArrayPickerComposite6, 0, 1);
  DrawSmoothColourBarHoriz(&untouched, CRect(4, 1, 4, 9), boundaryArrayPickerComposite6, 0, 1);
  DrawSmoothColourBarVert(&untouched, CRect(2, 6, 8, 5), boundaryArrayPickerComposite6, 0, 1);
  ExpectBar(untouched, CRect(), [](long, long) { return kGrey; });
}

}  // namespace
