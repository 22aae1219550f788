// The value-to-text helpers: frequencies, dB values and pan positions for
// known values, the number reader with its kilo suffix, and the percent
// converter of parameter displays.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "Helpers/DerivedControls.h"
#include "Helpers/DivuVazize.h"

namespace {

std::string Percent(float value) {
  char text[kParamDisplayTextSize] = "unset";
  DivuVazize::percentStringConvert(value, text);
  return text;
}

}  // namespace

TEST(ValueTextTest, FrequenciesShowHertzBelowAKilohertzAndKilohertzAbove) {
  EXPECT_STREQ(FrequencyString(10.0f, eFSF_Adaptive), "10Hz");
  EXPECT_STREQ(FrequencyString(440.4f, eFSF_OneDecimal), "440Hz");
  EXPECT_STREQ(FrequencyString(999.9f, eFSF_Adaptive), "1000Hz") << "rounded by the format, still in hertz";
  EXPECT_STREQ(FrequencyString(1000.0f, eFSF_Adaptive), "1.0kHz");
  EXPECT_STREQ(FrequencyString(2500.0f, eFSF_OneDecimal), "2.5kHz");
}

TEST(ValueTextTest, AdaptiveKilohertzDropTheDecimalFromTenKilohertz) {
  EXPECT_STREQ(FrequencyString(9999.0f, eFSF_Adaptive), "10.0kHz") << "9.999 kHz is below ten";
  EXPECT_STREQ(FrequencyString(10000.0f, eFSF_Adaptive), "10kHz");
  EXPECT_STREQ(FrequencyString(15000.0f, eFSF_OneDecimal), "15.0kHz");
  EXPECT_STREQ(FrequencyString(15000.0f, eFSF_Adaptive), "15kHz");
}

TEST(ValueTextTest, AmplitudesShowAsDecibels) {
  EXPECT_STREQ(DbString(0.0f), "-INF");
  EXPECT_STREQ(DbString(-0.5f), "-INF");
  EXPECT_STREQ(DbString(std::nanf("")), "-INF");
  EXPECT_STREQ(DbString(1.0f), "0.0dB");
  EXPECT_STREQ(DbString(0.5f), "-6.0dB");
  EXPECT_STREQ(DbString(2.0f), "6.0dB");
  EXPECT_STREQ(DbString(0.01f), "-40dB");
  EXPECT_STREQ(DbString(10.0f), "20dB");
  // 10^(-9.94/20): just under ten in size keeps a decimal.
  EXPECT_STREQ(DbString(static_cast<float>(std::pow(10.0, -9.94 / 20.0))), "-9.9dB");
}

TEST(ValueTextTest, PanPositionsShowSideAndAmount) {
  EXPECT_STREQ(LRPanString(0.5f), "0");
  EXPECT_STREQ(LRPanString(0.25f), "L50");
  EXPECT_STREQ(LRPanString(0.0f), "L100");
  EXPECT_STREQ(LRPanString(0.75f), "R50");
  EXPECT_STREQ(LRPanString(1.0f), "R100");
}

TEST(ValueTextTest, NumbersReadWithAKiloSuffixAnywhere) {
  EXPECT_FLOAT_EQ(XR_atof("2.5k"), 2500.0f);
  EXPECT_FLOAT_EQ(XR_atof("2.5 KHz"), 2500.0f);
  EXPECT_FLOAT_EQ(XR_atof("12"), 12.0f);
  EXPECT_FLOAT_EQ(XR_atof("-3.5dB"), -3.5f);
  EXPECT_FLOAT_EQ(XR_atof("abc"), 0.0f);
  EXPECT_FLOAT_EQ(XR_atof(nullptr), 0.0f);
  float value = -1.0f;
  char text[] = "1.5k";
  CTextDrag_String2FloatConvert(text, value);
  EXPECT_FLOAT_EQ(value, 1500.0f);
}

TEST(ValueTextTest, TextDragConverterFormatsWithTheGivenFormat) {
  char text[kParamDisplayTextSize];
  char format[] = "%.2f";
  CTextDrag_StringConvert(0.256f, text, format);
  EXPECT_STREQ(text, "0.26");
  CTextDrag_StringConvert(1.5f, text, nullptr);
  EXPECT_STREQ(text, "1.500000");
}

TEST(ValueTextTest, PercentRoundsToTheNearestWholePercent) {
  EXPECT_EQ(Percent(0.0f), "0%");
  EXPECT_EQ(Percent(0.5f), "50%");
  EXPECT_EQ(Percent(0.126f), "13%");
  EXPECT_EQ(Percent(0.124f), "12%");
  EXPECT_EQ(Percent(1.0f), "100%");
  EXPECT_EQ(Percent(-0.02f), "-1%") << "-1.5 truncates toward zero";
  EXPECT_EQ(Percent(std::nanf("")), "0%");
  EXPECT_EQ(Percent(1e30f), "2147483647%") << "held within the integer range";
}

TEST(ValueTextTest, EachThreadKeepsItsOwnResultText) {
  const char* mine = FrequencyString(440.0f, eFSF_Adaptive);
  std::string other;
  std::thread([&other] { other = FrequencyString(12000.0f, eFSF_Adaptive); }).join();
  EXPECT_STREQ(mine, "440Hz") << "another thread's call leaves this thread's text alone";
  EXPECT_EQ(other, "12kHz");
}
