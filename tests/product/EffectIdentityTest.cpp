// The effect as a host first meets it: defaults, programs, names and labels.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Helpers/FFTPool.h"
#include "ProductTestSupport.h"

using qvx2test::TestableQvx2;

// Identity, counts and program names as a host reads them are checked
// through the plug-in modules (tests/vst/ProductHostTest.cpp).
TEST(QVX2_SUITE(Qvx2EffectIdentityTest), ProgramsStartAtTheDefaults) {
  auto fx = std::make_unique<TestableQvx2>();
  EXPECT_STREQ(GetPluginName(), kbQvx2StandardEdition ? "QVX2" : "QVX2 Master");
  EXPECT_STREQ(GetPluginVersion(), "1.2.8");
  for (int i = 0; i < kQvx2NumHostParams; ++i) EXPECT_EQ(fx->getParameter(i), Qvx2DefaultOf(i)) << i;
  EXPECT_EQ(fx->GetParamAsFiniteState(kQvx2BandType, 100), 99);
  EXPECT_EQ(fx->GetTrimGain(0), 1.0);
  EXPECT_EQ(fx->GetTrimGain(1), 1.0);
  EXPECT_EQ(fx->getProgram(), 0);
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), ProgramChangeIgnoresNumbersOutsideTheBank) {
  auto fx = std::make_unique<TestableQvx2>();
  fx->setProgram(3);
  fx->setParameter(kQvx2Depth, 0.9f);
  fx->setProgram(20);
  fx->setProgram(-1);
  EXPECT_EQ(fx->getProgram(), 3);
  EXPECT_EQ(fx->getParameter(kQvx2Depth), 0.9f);
  fx->setProgram(0);
  EXPECT_EQ(fx->getParameter(kQvx2Depth), 0.5f);
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), PersistantParametersHaveTheirNamesAndDefaults) {
  auto fx = std::make_unique<TestableQvx2>();
  const float defaults[] = {0.8359375f, 0.15625f, 0.5859375f, 0.890625f, 0.140625f, 0.015625f,
                            0.1328125f, 0.5703125f, 1.0f,       1.0f,      1.0f};
  for (int k = 0; k < 11; ++k) EXPECT_EQ(fx->GetPersistantParam(9000 + k), defaults[k]) << 9000 + k;
  char name[64];
  fx->getParameterName(9009, name);
  EXPECT_STREQ(name, "Show Latency Warning");
  fx->getParameterName(9000, name);
  EXPECT_STREQ(name, "EQ Left+Right");
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), NamesAndLabelsByIndex) {
  auto fx = std::make_unique<TestableQvx2>();
  char text[64];
  const struct {
    int index;
    const char* name;
  } names[] = {{268, "Gain L1304"}, {259, "Gain R129"}, {200, "Gain L100"}, {1, "Gain R00"}, {kQvx2NumHostParams, ""},
               {8999, ""},          {-1, ""},          {9011, ""},          {kQvx2NumParams + kQvx2TrimLeft, "Trim Left B"}};
  for (const auto& n : names) {
    std::strcpy(text, "junk");
    fx->getParameterName(n.index, text);
    EXPECT_STREQ(text, n.name) << n.index;
  }
  if (!kbQvx2StandardEdition) {
    fx->getParameterName(598, text);
    EXPECT_STREQ(text, "M/S Mode B");
  }
  fx->getParameterLabel(kQvx2GraphMinFreq, text);
  EXPECT_STREQ(text, " ");
  fx->getParameterLabel(kQvx2Hpf0Freq, text);
  EXPECT_STREQ(text, " Hz");
  fx->getParameterLabel(kQvx2NumParams + kQvx2Depth, text);
  EXPECT_STREQ(text, " %");
  std::strcpy(text, "kept");
  fx->getParameterLabel(kQvx2NumHostParams, text);
  EXPECT_STREQ(text, "kept");
  fx->getParameterLabel(-5, text);
  EXPECT_STREQ(text, "kept");
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), TextsNeverPassTheirBound) {
  auto fx = std::make_unique<TestableQvx2>();
  char text[64];
  const int indexes[] = {0, 268, kQvx2QualityRating, kQvx2GuideDisplay, kQvx2NumHostParams - 1, 9009, 9010};
  for (int index : indexes) {
    for (int what = 0; what < 3; ++what) {
      std::memset(text, '#', sizeof text);
      if (what == 0) fx->getParameterName(index, text);
      if (what == 1) fx->getParameterLabel(index, text);
      if (what == 2) fx->getParameterDisplay(index, text);
      for (int k = kQvx2HostTextBytes; k < 64; ++k) ASSERT_EQ(text[k], '#') << "index " << index << " text " << what;
    }
  }
}

// Runs in a fresh process, where the FFT pool is not built yet: a failed
// build of the objects the engine needs refuses the effect; once they build,
// creation succeeds.
[[noreturn]] void CreateWithoutThePoolChild() {
  TempConfigFolder prefs;
  FFT_SetPoolBuildFailureForTesting(0);
  const bool refused = createEffectInstance(fxtest::RecordingHostCallback) == nullptr;
  FFT_SetPoolBuildFailureForTesting(-1);
  AudioEffect* effect = createEffectInstance(fxtest::RecordingHostCallback);
  const bool created = effect != nullptr;
  delete effect;
  std::exit(refused && created ? 0 : 1);
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), FailedFftPoolCreatesNoEffect) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(CreateWithoutThePoolChild(), testing::ExitedWithCode(0), "");
}

TEST(QVX2_SUITE(Qvx2EffectIdentityTest), GuideSetStaysInsideTheTable) {
  auto fx = std::make_unique<TestableQvx2>();
  const struct {
    float v;
    int set;
  } cases[] = {{11.0f / 999.0f, 11}, {12.0f / 999.0f, 0}, {1.0f, 0}, {1.0f / 999.0f, 1}, {0.0f, 0},
               {-0.5f, 0},           {-0.0001f, 0},       {NAN, 0},  {INFINITY, 0},      {-INFINITY, 0}};
  for (const auto& c : cases) {
    fx->setParameter(kQvx2GuideDisplay, c.v);
    EXPECT_EQ(fx->GetGuideSet(), c.set) << c.v;
  }
}
