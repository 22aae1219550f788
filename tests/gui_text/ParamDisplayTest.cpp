// What a parameter display draws: its value as text (by converter or the
// default format), background, frame, 3D edges and shadow, and its style bits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/CParamDisplay.h"
#include "gui/CTextLabel.h"
#include "gui/GuiTestSupport.h"

namespace {

constexpr CRect kBox(10, 10, 90, 40);

// Pixels of two surfaces of the same size differ somewhere.
long Differences(TestSurface& a, TestSurface& b, long width, long height) {
  long n = 0;
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < width; ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) ++n;
  return n;
}

// Pixels in [x0, x1) x [y0, y1) whose green clearly outweighs red and blue
// (anti-aliased green text on white).
long Greenish(TestSurface& target, long x0, long y0, long x1, long y1) {
  long n = 0;
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x) {
      const uint32_t p = target.pixel(x, y);
      const long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (g > r + 60 && g > b + 60) ++n;
    }
  return n;
}

// What a display of the default appearance shows for `text`: the box filled
// black and framed black, the text in white, centred, font 3.
void DrawReference(TestSurface& target, const char* text) {
  CDrawContext* context = target.context();
  context->setFillColor(kBlackCColor);
  context->fillRect(kBox);
  context->setLineWidth(1);
  context->setLineStyle(kLineStyleSolid);
  context->setFrameColor(kBlackCColor);
  context->drawRect(kBox);
  context->setFont(kFontNormal);
  context->setFontColor(kWhiteCColor);
  context->drawString(text, kBox, 0, kAlignCenter);
}

struct Display {
  explicit Display(long style = 0) : display(new CParamDisplay(kBox, nullptr, style)) {}
  ~Display() { display->forget(); }
  CParamDisplay* operator->() const { return display; }
  CParamDisplay* display;
};

float g_fConverted = -1.0f;
void* g_pConvertData = nullptr;
void PlainConvert(float value, char* text) {
  g_fConverted = value;
  std::strcpy(text, "plain");
}
void DataConvert(float value, char* text, void* data) {
  g_fConverted = value;
  g_pConvertData = data;
  std::strcpy(text, "with data");
}
void LongConvert(float, char* text) {
  std::memset(text, 'w', 600);
  text[600] = 0;
}

}  // namespace

TEST(ParamDisplayTest, ValueWithoutConvertersShowsTwoDecimals) {
  Display display;
  display->setValue(0.5f);
  TestSurface shown(100, 50), expected(100, 50), other(100, 50);
  display->draw(shown.context());
  DrawReference(expected, "0.50");
  DrawReference(other, "0.5");
  EXPECT_EQ(Differences(shown, expected, 100, 50), 0);
  EXPECT_GT(Differences(shown, other, 100, 50), 0) << "the reference tells the texts apart";
  EXPECT_FALSE(display->isDirty());
}

TEST(ParamDisplayTest, ConverterWithDataComesBeforeThePlainOne) {
  Display display;
  display->setValue(0.25f);
  display->setStringConvert(PlainConvert);
  TestSurface shown(100, 50), expected(100, 50);
  display->draw(shown.context());
  DrawReference(expected, "plain");
  EXPECT_EQ(Differences(shown, expected, 100, 50), 0);
  EXPECT_FLOAT_EQ(g_fConverted, 0.25f);

  int data = 0;
  display->setStringConvert(DataConvert, &data);
  TestSurface shown2(100, 50), expected2(100, 50);
  display->draw(shown2.context());
  DrawReference(expected2, "with data");
  EXPECT_EQ(Differences(shown2, expected2, 100, 50), 0);
  EXPECT_EQ(g_pConvertData, &data);
}

TEST(ParamDisplayTest, OverlongConverterTextIsCut) {
  Display display;
  display->setStringConvert(LongConvert);
  TestSurface shown(100, 50), expected(100, 50);
  display->draw(shown.context());
  DrawReference(expected, std::string(255, 'w').c_str());
  EXPECT_EQ(Differences(shown, expected, 100, 50), 0);

  char text[kParamDisplayTextSize];
  const std::string euro = "\xE2\x82\xAC";
  std::string many;
  while (many.size() < 300) many += euro;
  CopyControlText(text, many.c_str());
  EXPECT_EQ(std::strlen(text), 255u) << "85 whole euro signs";
  CopyControlText(text, ("a" + many).c_str());
  EXPECT_EQ(std::strlen(text), 253u) << "1 + 84 whole euro signs: none is cut in two";
  CopyControlText(text, nullptr);
  EXPECT_STREQ(text, "");
}

TEST(ParamDisplayTest, EdgesOf3DStylesSwapTheirColours) {
  for (long style : {kStyle3DIn, kStyle3DOut}) {
    Display display(style | kStyleNoText);
    display->setTransparency(true);
    display->setBackColor(kRedCColor);
    display->setFrameColor(kBlueCColor);
    TestSurface target(100, 50);
    display->draw(target.context());
    const uint32_t topLeft = style == kStyle3DIn ? kRedWord : kBlueWord;
    const uint32_t bottomRight = style == kStyle3DIn ? kBlueWord : kRedWord;
    // Left edge and top edge, then right and bottom, away from the corners.
    EXPECT_GT(target.count(kBox.left - 1, kBox.top + 5, kBox.left + 2, kBox.bottom - 5, topLeft), 10) << style;
    EXPECT_GT(target.count(kBox.left + 5, kBox.top - 1, kBox.right - 5, kBox.top + 3, topLeft), 30) << style;
    EXPECT_GT(target.count(kBox.right - 3, kBox.top + 5, kBox.right + 1, kBox.bottom - 5, bottomRight), 10) << style;
    EXPECT_GT(target.count(kBox.left + 5, kBox.bottom - 3, kBox.right - 5, kBox.bottom + 1, bottomRight), 30) << style;
    EXPECT_EQ(target.count(kBox.left - 1, kBox.top + 5, kBox.left + 2, kBox.bottom - 5, bottomRight), 0) << style;
    EXPECT_EQ(target.count(kBox.right - 3, kBox.top + 5, kBox.right + 1, kBox.bottom - 5, topLeft), 0) << style;
  }
}

TEST(ParamDisplayTest, FilledBoxIsFramedUnlessAStyleSaysOtherwise) {
  for (long style : {0L, static_cast<long>(kStyleNoFrame), static_cast<long>(kStyle3DIn)}) {
    Display display(style | kStyleNoText);
    display->setBackColor(kGreenCColor);
    display->setFrameColor(kRedCColor);
    TestSurface target(100, 50);
    display->draw(target.context());
    const long frame = target.count(0, 0, 100, 50, kRedWord);
    const long topEdge = target.count(kBox.left + 3, kBox.top - 1, kBox.right - 3, kBox.top + 3, kRedWord);
    if (style == 0) {
      EXPECT_GT(frame, 150) << "framed in the frame colour";
    } else if (style == kStyleNoFrame) {
      EXPECT_EQ(frame, 0);
    } else {
      EXPECT_EQ(topEdge, 0) << "the 3D edge instead of the frame: its top is the back colour";
    }
    EXPECT_GT(target.count(kBox.left + 3, kBox.top + 3, kBox.right - 3, kBox.bottom - 3, kGreenWord),
              (kBox.width() - 6) * (kBox.height() - 6) - 1)
        << style;
  }
}

TEST(ParamDisplayTest, ShadowTextIsDrawnInTheShadowColour) {
  Display display(kStyleShadowText);
  display->setTransparency(true);
  display->setShadowColor(kGreenCColor);
  display->setValue(88.0f);
  TestSurface target(100, 50);
  display->draw(target.context());
  EXPECT_GT(Greenish(target, kBox.left, kBox.top, kBox.right + 1, kBox.bottom + 1), 5);
  Display plain;
  plain->setTransparency(true);
  plain->setShadowColor(kGreenCColor);
  TestSurface none(100, 50);
  plain->draw(none.context());
  EXPECT_EQ(Greenish(none, 0, 0, 100, 50), 0);
}

TEST(ParamDisplayTest, NoDrawStartsCleanAndOnlyClearsTheDirtyState) {
  Display display(kStyleNoDraw);
  EXPECT_FALSE(display->isDirty());
  display->setValue(3.0f);
  EXPECT_TRUE(display->isDirty());
  TestSurface target(100, 50);
  display->draw(target.context());
  EXPECT_FALSE(display->isDirty());
  EXPECT_EQ(target.count(0, 0, 100, 50, kWhiteWord), 100 * 50) << "nothing drawn";
  Display drawn;
  EXPECT_TRUE(drawn->isDirty()) << "other displays start dirty";
}

TEST(ParamDisplayTest, AppearanceSettersMarkDirtyOnlyOnChange) {
  Display display;
  TestSurface target(100, 50);
  display->draw(target.context());
  display->setFont(kFontNormal);
  display->setFontColor(kWhiteCColor);
  display->setBackColor(kBlackCColor);
  display->setFrameColor(kBlackCColor);
  display->setShadowColor(kRedCColor);
  display->setHoriAlign(kAlignCenter);
  display->setTxtFace(kFaceNormal);
  display->setStyle(0);
  display->setStringConvert(PlainConvert);
  display->setTextTransparency(false);
  EXPECT_FALSE(display->isDirty()) << "the same values, converters and transparency";
  display->setHoriAlign(kAlignLeft);
  EXPECT_TRUE(display->isDirty());
  display->draw(target.context());
  display->setStyle(kStyleNoFrame);
  EXPECT_TRUE(display->isDirty());
  display->draw(target.context());
  display->setTxtFace(kFaceBold);
  EXPECT_TRUE(display->isDirty());
}

TEST(ParamDisplayTest, TextLabelShowsItsOwnCopy) {
  char text[] = "label";
  CTextLabel* label = new CTextLabel(kBox, text);
  text[0] = 'X';
  EXPECT_STREQ(label->getText(), "label");
  label->setText(nullptr);
  EXPECT_EQ(label->getText(), nullptr);
  label->setText("Gain");
  TestSurface shown(100, 50), expected(100, 50);
  label->draw(shown.context());
  DrawReference(expected, "Gain");
  EXPECT_EQ(Differences(shown, expected, 100, 50), 0);
  EXPECT_TRUE(label->isTypeOf("CParamDisplay"));
  EXPECT_TRUE(label->isTypeOf("CControl"));
  label->forget();
}
