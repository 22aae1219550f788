// Value texts. float2string is checked against an independent reference:
// the exact decimal expansion of the float as the C library prints it, cut
// (not rounded) to the eight-character field.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "tests/vst/VstTestSupport.h"

namespace {

constexpr unsigned char kGuard = 0xA5;

// Calls a text helper on a buffer of maxLen + 1 bytes surrounded by guard
// bytes, checks that nothing outside was written, and answers the text.
template <typename F>
std::string Text(F helper, int maxLen) {
  unsigned char buffer[64];
  std::memset(buffer, kGuard, sizeof buffer);
  char* text = reinterpret_cast<char*>(buffer + 16);
  helper(text, maxLen);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(buffer[i], kGuard) << "written before the buffer";
  for (size_t i = 16 + static_cast<size_t>(std::max(maxLen, -1)) + 1; i < sizeof buffer; ++i)
    EXPECT_EQ(buffer[i], kGuard) << "written past the buffer at " << (i - 16);
  if (maxLen < 0) return "(untouched)";
  return std::string(text);
}

std::string F2S(float v, int maxLen = 8) {
  ProbeEffect e;
  return Text([&](char* t, int n) { e.float2string(v, t, n); }, maxLen);
}

std::string I2S(VstInt32 v, int maxLen = 8) {
  ProbeEffect e;
  return Text([&](char* t, int n) { e.int2string(v, t, n); }, maxLen);
}

// The reference: the exact decimal value, integer digits, point, and as
// many fraction digits as fill eight characters, all cut.
std::string Reference(float f) {
  char exact[512];
  std::snprintf(exact, sizeof exact, "%.200f", static_cast<double>(f));
  std::string s = exact;
  if (s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);  // -0
  const size_t point = s.find('.');
  if (point >= 8) return s.substr(0, point);
  return s.substr(0, 8);
}

TEST(Float2StringTest, ExamplesOfTheFieldLayout) {
  EXPECT_EQ(F2S(0.0f), "0.000000");
  EXPECT_EQ(F2S(3.5f), "3.500000");
  EXPECT_EQ(F2S(-12.25f), "-12.2500");
  EXPECT_EQ(F2S(1000.0f), "1000.000");
  EXPECT_EQ(F2S(0.7f), "0.699999");
  EXPECT_EQ(F2S(1234567.0f), "1234567.");
  EXPECT_EQ(F2S(-123456.0f), "-123456.");
  EXPECT_EQ(F2S(-0.0f), "0.000000");
  EXPECT_EQ(F2S(0.5f, 4), "0.50");
  EXPECT_EQ(F2S(100000000.0f), "Huge!");
  EXPECT_EQ(F2S(-10000000.0f), "Huge!");
  EXPECT_EQ(F2S(99999999.0f), "Huge!") << "its nearest float is 100000000";
  EXPECT_EQ(F2S(100000000.0f, 3), "Hug");
}

TEST(Float2StringTest, NonFiniteAndFieldFillingValuesGiveSensibleTexts) {
  EXPECT_EQ(F2S(std::numeric_limits<float>::quiet_NaN()), "0.000000");
  EXPECT_EQ(F2S(-std::numeric_limits<float>::quiet_NaN()), "0.000000");
  EXPECT_EQ(F2S(std::numeric_limits<float>::infinity()), "Huge!");
  EXPECT_EQ(F2S(-std::numeric_limits<float>::infinity()), "Huge!");
  EXPECT_EQ(F2S(std::numeric_limits<float>::max()), "Huge!");
  EXPECT_EQ(F2S(std::numeric_limits<float>::denorm_min()), "0.000000");
  EXPECT_EQ(F2S(-std::numeric_limits<float>::denorm_min()), "-0.00000");
  // Eight integer digits, or a sign and seven, fill the field: shown whole,
  // without the point, rather than losing their leading digits.
  EXPECT_EQ(F2S(12345678.0f), "12345678");
  EXPECT_EQ(F2S(-1234567.0f), "-1234567");
}

TEST(Float2StringTest, MatchesTheExactDecimalExpansionCut) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> exponent(-8.0, 7.9);
  std::uniform_int_distribution<int> sign(0, 1);
  for (int i = 0; i < 20000; ++i) {
    const double magnitude = std::pow(10.0, exponent(random));
    const float v = static_cast<float>(sign(random) ? -magnitude : magnitude);
    if (v <= -10000000.0f || v >= 100000000.0f) continue;
    ASSERT_EQ(F2S(v), Reference(v)) << "value " << static_cast<double>(v);
  }
}

TEST(Float2StringTest, ShortAndOddLengthsStayInsideTheBuffer) {
  for (int maxLen : {-5, -1, 0, 1, 2, 7, 8, 20}) {
    const std::string text = F2S(-12.25f, maxLen);
    if (maxLen < 0) continue;
    EXPECT_EQ(text, std::string("-12.2500").substr(0, static_cast<size_t>(maxLen))) << maxLen;
  }
  ProbeEffect e;
  e.float2string(1.0f, nullptr, 8);
}

TEST(Int2StringTest, DigitsSignsAndLimits) {
  EXPECT_EQ(I2S(-42), "-42");
  EXPECT_EQ(I2S(0), "0");
  EXPECT_EQ(I2S(7), "7");
  EXPECT_EQ(I2S(1000), "1000");
  EXPECT_EQ(I2S(99999999), "99999999");
  EXPECT_EQ(I2S(100000000), "Huge!");
  EXPECT_EQ(I2S(INT_MAX), "Huge!");
  EXPECT_EQ(I2S(-99999999, 16), "-99999999");
  EXPECT_EQ(I2S(-999999999, 16), "-999999999");
  EXPECT_EQ(I2S(-1000000000, 16), "-Huge!");
  EXPECT_EQ(I2S(INT_MIN, 16), "-Huge!");
  EXPECT_EQ(I2S(-12345678), "-1234567") << "cut to eight characters";
  EXPECT_EQ(I2S(123, 2), "12");
  EXPECT_EQ(I2S(5, 0), "");
  I2S(5, -1);
}

TEST(DecibelAndTimeTextTest, ConversionsThroughFloat2String) {
  ProbeEffect e;
  auto dB = [&](float v, int n = 8) { return Text([&](char* t, int m) { e.dB2string(v, t, m); }, n); };
  EXPECT_EQ(dB(0.0f), "-oo");
  EXPECT_EQ(dB(-1.0f), "-oo");
  EXPECT_EQ(dB(0.0f, 2), "-o");
  EXPECT_EQ(dB(1.0f), "0.000000");
  EXPECT_EQ(dB(10.0f), "20.00000");
  EXPECT_EQ(dB(0.5f), "-6.02059");
  EXPECT_EQ(dB(std::numeric_limits<float>::quiet_NaN()), "0.000000");
  EXPECT_EQ(dB(std::numeric_limits<float>::infinity()), "Huge!");

  auto hz = [&](float v) { return Text([&](char* t, int m) { e.Hz2string(v, t, m); }, 8); };
  auto ms = [&](float v) { return Text([&](char* t, int m) { e.ms2string(v, t, m); }, 8); };
  e.setSampleRate(48000.0f);
  EXPECT_EQ(hz(0.0f), "0.000000");
  EXPECT_EQ(hz(48.0f), "1000.000");
  EXPECT_EQ(hz(std::numeric_limits<float>::denorm_min()), "Huge!");
  EXPECT_EQ(ms(48.0f), "1.000000");
  EXPECT_EQ(ms(-480.0f), "-10.0000");
  e.setSampleRate(0.0f);
  EXPECT_EQ(ms(48.0f), "Huge!") << "a zero rate gives an infinite time, shown as Huge!";
  EXPECT_EQ(ms(0.0f), "0.000000") << "0/0 is NaN, shown as 0";
}

}  // namespace
