// Text: font selection rules, anti-aliasing by size and the one-shot aliased
// request, and where the alignment and baseline arithmetic puts the ink.
// Glyph shapes depend on the installed faces, so only positions are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "GuiTestSupport.h"

namespace {

struct Ink {
  long left = 1 << 20;
  long right = -1;  // exclusive
  long bottom = -1;  // exclusive
  long blended = 0;  // pixels neither background nor text colour
};

Ink InkOf(TestSurface& target, long width, long height) {
  Ink ink;
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x) {
      const uint32_t p = target.pixel(x, y);
      if (p == kWhiteWord) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
      if (p != kBlackWord) ++ink.blended;
    }
  return ink;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override { g_bVSTGUINextTextNotAntiAlias = false; }
  void TearDown() override { g_bVSTGUINextTextNotAntiAlias = false; }

  static Ink Draw(const char* text, const CRect& rect, CHoriTxtAlign align, CFont font,
                  long style = 0, bool aliased = false) {
    TestSurface target(120, 40);
    if (aliased) g_bVSTGUINextTextNotAntiAlias = true;
    target.context()->setFontColor(kBlackCColor);
    target.context()->setFont(font, 0, style);
    target.context()->drawString(text, rect, 0, align);
    return InkOf(target, 120, 40);
  }
};

TEST_F(TextTest, FontSelectionFollowsTheTables) {
  TestSurface target(10, 10);
  CDrawContext* context = target.context();
  context->setFont(static_cast<CFont>(9));
  EXPECT_EQ(context->getFont(), kFontSystem);
  EXPECT_EQ(context->getFontSize(), 12);
  context->setFont(kFontSystem, 0, kFaceBold | kFaceItalic);
  EXPECT_EQ(context->getFontStyle(), 3);
  EXPECT_EQ(context->getFontSize(), 12);
  context->setFont(kFontSmaller);
  EXPECT_EQ(context->getFontSize(), 9);
  EXPECT_EQ(context->getFontStyle(), 0);
  context->setFont(kFontVeryBig, 30);
  EXPECT_EQ(context->getFontSize(), 30);
}

TEST_F(TextTest, SmallTextIsAliasedAndLargeTextAntiAliased) {
  const CRect rect(0, 0, 120, 40);
  EXPECT_EQ(Draw("Wavy", rect, kAlignLeft, kFontSmall).blended, 0) << "10 points: aliased";
  EXPECT_GT(Draw("Wavy", rect, kAlignLeft, kFontNormal).blended, 0) << "12 points: smoothed";
}

TEST_F(TextTest, AliasedRequestAppliesToTheNextStringOnly) {
  const CRect rect(0, 0, 120, 40);
  g_bVSTGUINextTextNotAntiAlias = true;
  EXPECT_EQ(Draw("Wavy", rect, kAlignLeft, kFontNormal).blended, 0);
  EXPECT_FALSE(g_bVSTGUINextTextNotAntiAlias);
  EXPECT_GT(Draw("Wavy", rect, kAlignLeft, kFontNormal).blended, 0);

  // The request belongs to the thread that made it: another editor drawing
  // on another thread neither takes it nor uses it up.
  g_bVSTGUINextTextNotAntiAlias = true;
  long otherBlended = 0;
  std::thread([&] { otherBlended = Draw("Wavy", rect, kAlignLeft, kFontNormal).blended; }).join();
  EXPECT_GT(otherBlended, 0);
  EXPECT_EQ(Draw("Wavy", rect, kAlignLeft, kFontNormal).blended, 0);
}

TEST_F(TextTest, AlignmentAndBaselinePlaceTheInk) {
  // 12 points in a rectangle 20 high: baseline y = 20 + 6 - 10 - 1 = 15, so
  // capitals end on row 14. Drawn aliased, so that smoothing does not blur
  // the edges.
  const CRect rect(0, 0, 100, 20);
  const Ink left = Draw("HH", rect, kAlignLeft, kFontNormal, 0, true);
  EXPECT_EQ(left.bottom, 15);
  EXPECT_GE(left.left, 1);
  EXPECT_LE(left.left, 4);

  const Ink right = Draw("HH", rect, kAlignRight, kFontNormal, 0, true);
  EXPECT_LE(right.right, 100);
  EXPECT_GE(right.right, 96);

  const Ink centre = Draw("HH", rect, kAlignCenter, kFontNormal, 0, true);
  EXPECT_NEAR((centre.left + centre.right) / 2.0, 50.0, 2.0);

  // The same arithmetic with an offset rectangle and a larger font:
  // 18 points, rect (10, 10, 110, 40): baseline 40 + 9 - 15 - 1 = 33.
  const Ink big = Draw("HH", CRect(10, 10, 110, 40), kAlignLeft, kFontVeryBig, 0, true);
  EXPECT_EQ(big.bottom, 33);
  EXPECT_GE(big.left, 11);
}

TEST_F(TextTest, StringWidthGrowsWithTextAndSize) {
  TestSurface target(10, 10);
  CDrawContext* context = target.context();
  context->setFont(kFontNormal);
  const long one = context->getStringWidth("H");
  const long four = context->getStringWidth("HHHH");
  EXPECT_GT(one, 3);
  EXPECT_NEAR(four, 4 * one, 3);
  EXPECT_EQ(context->getStringWidth(""), 0);
  EXPECT_EQ(context->getStringWidth(nullptr), 0);
  context->setFont(kFontVeryBig);
  EXPECT_GT(context->getStringWidth("HHHH"), four);
}

TEST_F(TextTest, NullTextDrawsNothing) {
  TestSurface target(40, 20);
  target.context()->setFontColor(kBlackCColor);
  target.context()->drawString(nullptr, CRect(0, 0, 40, 20));
  EXPECT_EQ(target.count(0, 0, 40, 20, kWhiteWord), 800);
}

}  // namespace

TEST_F(TextTest, FacesTakeThePostScriptFontWidthsTheLayoutsWereMadeFor) {
  // Advance widths in 1/1000 em from the published metrics of the
  // PostScript Helvetica and Symbol fonts: "Hamburgefonstiv" in Helvetica;
  // alpha, beta, gamma, delta and Omega in Symbol, which has them at the
  // codes of a, b, g, d and W. The faces in use must
  // match them within rounding (about a pixel per few glyphs); the common
  // replacements differ by more than 10 %.
  struct Case {
    CFont font;
    const char* text;
    long emWidth;
  } cases[] = {{kFontNormal, "Hamburgefonstiv", 7558},
               {kFontVeryBig, "Hamburgefonstiv", 7558},
               {kFontSymbol, "abgdW", 2853}};
  TestSurface target(10, 10);
  for (const Case& c : cases) {
    target.context()->setFont(c.font);
    const double expected = c.emWidth * target.context()->getFontSize() / 1000.0;
    EXPECT_NEAR(target.context()->getStringWidth(c.text), expected, 3.0) << c.text << " in font " << c.font;
  }
}
