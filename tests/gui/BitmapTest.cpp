#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "gui/CBitmap.h"

namespace {

TEST(BitmapTest, EmbeddedButtonStripLoads) {
  CBitmap* bitmap = new CBitmap(99901);
  EXPECT_TRUE(bitmap->isLoaded());
  EXPECT_EQ(bitmap->getWidth(), 24);
  EXPECT_EQ(bitmap->getHeight(), 32);
  bitmap->forget();
}

}  // namespace
