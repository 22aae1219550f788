#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace {

TEST(DrawContextTest, StrokedRectOutlinesTheRectangle) {
  TestSurface target(40, 40);
  CDrawContext* context = target.context();
  context->setFrameColor(kRedCColor);
  context->drawRect(CRect(10, 10, 20, 20), kStyleStroked);
  for (long i = 10; i < 20; ++i) {
    EXPECT_EQ(target.pixel(i, 10), kRedWord) << "top row, column " << i;
    EXPECT_EQ(target.pixel(i, 19), kRedWord) << "bottom row, column " << i;
    EXPECT_EQ(target.pixel(10, i), kRedWord) << "left column, row " << i;
    EXPECT_EQ(target.pixel(19, i), kRedWord) << "right column, row " << i;
  }
  EXPECT_EQ(target.count(0, 0, 40, 40, kRedWord), 36);
}

}  // namespace
