// Display texts: every parameter by its law, the ends of the ranges, the B
// bank and the slots behind it, and a sweep of hostile values over every index.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <algorithm>
#include <string>
#include <vector>

#include "ProductTestSupport.h"

using qvx2test::TestableQvx2;

namespace {
std::string Display(TestableQvx2& fx, int index, float value) {
  fx.SetQuietly(index, value);
  char text[64] = "unchanged";
  fx.getParameterDisplay(index, text);
  return text;
}

std::string Number(TestableQvx2& fx, float value) {
  char text[16];
  fx.float2string(value, text, 8);
  return text;
}
}  // namespace

// The ends of the ranges and values a host should not send; the laws at
// ordinary values are checked for every parameter at the end of this file.
TEST(QVX2_SUITE(Qvx2DisplayTest), DocumentedTextsAtTheEndsAndForOddValues) {
  auto fx = std::make_unique<TestableQvx2>();
  const struct {
    int index;
    float value;
    const char* text;
  } cases[] = {
      {0, 0.0f, "-20.0000"},
      {269, 1.0f, "20.00000"},
      {kQvx2TrimLeft, 1.0f, "40.00000"},
      {kQvx2TrimRight, 0.0f, "-40.0000"},
      {kQvx2Hpf0Freq, 0.0f, "10.00000"},
      {kQvx2Hpf1Freq, 1.0f, "29999.99"},
      {kQvx2Lpf0Freq, 0.95835f, "21493.08"},
      {kQvx2TrimLink, -0.0f, "Off"},
      {kQvx2Bypass, std::numeric_limits<float>::quiet_NaN(), "On"},
      {kQvx2ControlChannel, 0.2f, "Right"},
      {kQvx2FftSource, 0.0f, "In"},
      {kQvx2ControlMode, 0.5f, "Linked"},
      {kQvx2ControlMode, 1.0f, "Seperate"},
      {kQvx2BandType, 1.0f, kbQvx2StandardEdition ? "Thirds" : "Sixths"},
      {kQvx2BandType, 3.0f / 99.0f, kbQvx2StandardEdition ? "Thirds" : "Bark Thirds"},
      {kQvx2GuideDisplay, 1.0f / 999.0f, "Kick drum"},
      {kQvx2GuideDisplay, 6.0f / 999.0f, "Acoustic Guitar"},
      {kQvx2GuideDisplay, 12.0f / 999.0f, ""},
      {kQvx2ReportLatency, 0.5f, "Off"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Display(*fx, c.index, c.value), c.text) << "index " << c.index << " value " << c.value;
}

TEST(QVX2_SUITE(Qvx2DisplayTest), BBankShowsItsOwnValueAndSlotsBehindFollowTheRule) {
  auto fx = std::make_unique<TestableQvx2>();
  TestableQvx2& f = *fx;
  f.SetQuietly(kQvx2TrimLeft, 0.5f);
  EXPECT_EQ(Display(f, kQvx2NumParams + kQvx2TrimLeft, 1.0f), "40.00000");
  EXPECT_EQ(Display(f, kQvx2NumParams + kQvx2BandType, 0.0f), "Bark");
  EXPECT_EQ(Display(f, kQvx2NumParams + kQvx2ControlChannel, 1.0f), "Right");
  // The slot behind the last B copy displays by the law of Guide Display,
  // which reads the current setting.
  f.SetQuietly(kQvx2GuideDisplay, 7.0f / 999.0f);
  EXPECT_EQ(Display(f, kQvx2NumParams + kQvx2GuideDisplay, 0.0f), "Vocals");
  EXPECT_EQ(Display(f, 2 * kQvx2NumParams, 0.5f), "unchanged");
  EXPECT_EQ(Display(f, -1, 0.5f), "unchanged");
  char text[64] = "unchanged";
  f.getParameterDisplay(9000, text);
  EXPECT_STREQ(text, "unchanged");
}

TEST(QVX2_SUITE(Qvx2DisplayTest), HostileValuesGiveBoundedTextsForEveryIndex) {
  auto fx = std::make_unique<TestableQvx2>();
  const float values[] = {-1.0f, 0.0f, 0.5f, 1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 1e30f};
  for (int index = -2; index < 2 * kQvx2NumParams + 2; ++index) {
    for (float v : values) {
      if (index >= 0) fx->SetQuietly(index, v);
      char text[64];
      std::memset(text, '#', sizeof text);
      text[0] = '\0';
      fx->getParameterDisplay(index, text);
      const void* end = std::memchr(text, '\0', kQvx2HostTextBytes);
      ASSERT_NE(end, nullptr) << "index " << index << " value " << v << " is terminated within its bound";
      for (int k = kQvx2HostTextBytes; k < 64; ++k) ASSERT_EQ(text[k], '#') << "index " << index << " value " << v;
    }
  }
}

TEST(QVX2_SUITE(Qvx2DisplayTest), QualitySettingsShowTheModeAndTheSettingInForce) {
  auto fx = std::make_unique<TestableQvx2>();
  char text[64];
  auto show = [&](int index) {
    fx->getParameterDisplay(index, text);
    return std::string(text);
  };
  EXPECT_EQ(show(kQvx2QualityRating), "Medium");
  fx->setParameter(kQvx2QualityRating, 10.0f / 999.0f);
  EXPECT_EQ(show(kQvx2QualityRating), "Minimum");
  fx->setParameter(kQvx2QualityRating, 40.0f / 999.0f);
  EXPECT_EQ(show(kQvx2QualityRating), kbQvx2StandardEdition ? "High" : "High 1");
  fx->setParameter(kQvx2QualityRating, 80.0f / 999.0f);
  EXPECT_EQ(show(kQvx2QualityRating), kbQvx2StandardEdition ? "Medium" : "Maximum")
      << "the standard edition has no mode above High";

  // State 0 leaves the setting as it is and shows the setting in force.
  fx->setParameter(kQvx2ReportLatency, 0.0f);
  EXPECT_EQ(show(kQvx2ReportLatency), "On");
  fx->setParameter(kQvx2ReportLatency, 0.5f);
  EXPECT_EQ(show(kQvx2ReportLatency), "Off");
  fx->setParameter(kQvx2ReportLatency, 0.0f);
  EXPECT_EQ(show(kQvx2ReportLatency), "Off");
  if (!kbQvx2StandardEdition) {
    fx->setParameter(kQvx2Wysiwyg, 1.0f);
    fx->setParameter(kQvx2Wysiwyg, 0.0f);
    EXPECT_EQ(show(kQvx2Wysiwyg), "On");
  }
}

namespace {
// The display a host should see for a parameter, by its name and value.
std::string ExpectedDisplay(TestableQvx2& fx, std::string name, float v) {
  if (name.size() > 2 && name.compare(name.size() - 2, 2, " B") == 0) name.resize(name.size() - 2);
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* n : names)
      if (name == n) return true;
    return false;
  };
  if (name.rfind("Gain ", 0) == 0 || is({"Graph Min Db", "Graph Max Db"})) return Number(fx, -20.0f + 40.0f * v);
  if (is({"Trim Left", "Trim Right"})) return Number(fx, (v - 0.5f) * 80.0f);
  if (name == "Depth") return Number(fx, 200.0f * v);
  if (name.find("Freq") != std::string::npos)
    return Number(fx, expf(logf(10.0f) + v * (logf(30000.0f) - logf(10.0f))));
  if (is({"Contour", "Dither Mode", "BitDepth"})) return Number(fx, v);
  if (is({"Trim Link", "Show FFT", "Bypass", "HPF0", "HPF1", "LPF0", "LPF1", "FFT Bands", "M/S Mode", "Is Preset",
          "Quality Mode Link"}))
    return v == 0.0f ? "Off" : "On";
  if (name == "Control Channel") return v == 0.0f ? "Left" : "Right";
  if (name == "FFT Source") return v == 0.0f ? "In" : "Out";
  if (name == "Control Mode") return std::vector<std::string>{"Snap", "Linked", "Seperate"}[static_cast<std::size_t>(2 * v + 0.5f)];
  if (name == "Band Type") {
    const int s = std::min(static_cast<int>(99 * v + 0.5f), kbQvx2StandardEdition ? 2 : 6);
    return std::vector<std::string>{"Bark", "Mel", "Thirds", "Bark Thirds", "Mel Thirds", "Chromatic", "Sixths"}[static_cast<std::size_t>(s)];
  }
  if (name == "Guide Display") return "";
  if (name == "Quality Mode Rating") return "Medium";
  if (is({"Report Latency", "WYSIWYG", "Offline Render"})) {
    const int s = static_cast<int>(2 * v + 0.5f);
    return s == 2 || (s == 0 && name == "Report Latency") ? "On" : "Off";
  }
  return "no law for " + name;
}
}  // namespace

TEST(QVX2_SUITE(Qvx2DisplayTest), EveryHostParameterShowsItsLawAtItsDefaultAndAtAnotherValue) {
  auto fx = std::make_unique<TestableQvx2>();
  for (int i = 0; i < kQvx2NumHostParams; ++i) {
    char name[64];
    fx->getParameterName(i, name);
    const float v = fx->getParameter(i);
    EXPECT_EQ(Display(*fx, i, v), ExpectedDisplay(*fx, name, v)) << i << " " << name;
  }
  for (int i = 0; i < kQvx2NumHostParams; ++i) {
    char name[64];
    fx->getParameterName(i, name);
    EXPECT_EQ(Display(*fx, i, 0.3f), ExpectedDisplay(*fx, name, 0.3f)) << i << " " << name;
  }
}
