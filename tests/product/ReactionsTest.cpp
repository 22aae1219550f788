// Reactions to parameter writes: which writes mark the filters, the trims,
// the trim link offset and the linked-mode snapshot.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <memory>
#include <vector>

#include "ProductTestSupport.h"

using qvx2test::TestableQvx2;

namespace {
// Writes value twice: the first write changes it (when it differs), the
// second repeats it. Answers whether each marked the filters.
std::pair<bool, bool> MarksOnChangeAndRepeat(TestableQvx2& fx, int index, float value) {
  fx.ClearFiltersNeedUpdating();
  fx.setParameter(index, value);
  const bool first = fx.GetFiltersNeedUpdating();
  fx.ClearFiltersNeedUpdating();
  fx.setParameter(index, value);
  return {first, fx.GetFiltersNeedUpdating()};
}
}  // namespace

TEST(QVX2_SUITE(Qvx2ReactionsTest), CurveShapingWritesMarkTheFiltersOnlyWhenChanged) {
  auto fx = std::make_unique<TestableQvx2>();
  std::vector<int> shaping = {0,          1,         77,        269,        kQvx2TrimLink, kQvx2Depth, kQvx2Contour,
                              kQvx2Hpf0,  kQvx2Hpf0Freq, kQvx2Hpf1, kQvx2Hpf1Freq, kQvx2Lpf0, kQvx2Lpf0Freq,
                              kQvx2Lpf1,  kQvx2Lpf1Freq, kQvx2BandType, kQvx2QMLink, kQvx2NumParams + 5,
                              kQvx2NumParams + kQvx2ShowFft, kQvx2NumHostParams - 1};
  if (!kbQvx2StandardEdition) shaping.push_back(kQvx2MSMode);
  for (int index : shaping) {
    const float v = fx->getParameter(index) == 0.25f ? 0.75f : 0.25f;
    const auto marks = MarksOnChangeAndRepeat(*fx, index, v);
    EXPECT_TRUE(marks.first) << "a changed value at " << index << " marks the filters";
    EXPECT_FALSE(marks.second) << "an unchanged value at " << index << " does not";
  }
  // Persistent flags of the editor count as always changed.
  for (int index : {9009, 9010}) EXPECT_TRUE(MarksOnChangeAndRepeat(*fx, index, 1.0f).second) << index;
}

TEST(QVX2_SUITE(Qvx2ReactionsTest), DisplayAndRoutingWritesNeverMarkTheFilters) {
  auto fx = std::make_unique<TestableQvx2>();
  const int never[] = {kQvx2TrimLeft,  kQvx2TrimRight,     kQvx2ShowFft,     kQvx2GraphMinFreq, kQvx2GraphMaxFreq,
                       kQvx2GraphMinDb, kQvx2GraphMaxDb,   kQvx2ControlChannel, kQvx2ControlMode, kQvx2Bypass,
                       kQvx2FftSource, kQvx2FftBands,      kQvx2GuideDisplay, kQvx2IsPreset,     9000,
                       9004,           9008,               kQvx2NumHostParams, 8999,             -1};
  for (int index : never) {
    const float v = fx->getParameter(index) == 0.25f ? 0.75f : 0.25f;
    EXPECT_FALSE(MarksOnChangeAndRepeat(*fx, index, v).first) << index;
  }
}

TEST(QVX2_SUITE(Qvx2ReactionsTest), TrimsFollowTheirValues) {
  auto fx = std::make_unique<TestableQvx2>();
  fx->setParameter(kQvx2TrimLeft, 1.0f);
  fx->setParameter(kQvx2TrimRight, 0.0f);
  EXPECT_NEAR(fx->GetTrimGain(0), 100.0, 1e-9);
  EXPECT_NEAR(fx->GetTrimGain(1), 0.01, 1e-12);
  fx->setParameter(kQvx2TrimLeft, 0.625f);  // +10 dB
  EXPECT_NEAR(fx->GetTrimGain(0), std::pow(10.0, 0.5), 1e-9);
  // Values the host should never send reach the audio path as finite gains.
  fx->setParameter(kQvx2TrimRight, NAN);
  EXPECT_EQ(fx->GetTrimGain(1), 1.0);
  fx->setParameter(kQvx2TrimRight, 3.0f);
  EXPECT_NEAR(fx->GetTrimGain(1), 100.0, 1e-9);
  // The B copy of a trim does not touch the gains in force.
  fx->setParameter(kQvx2NumParams + kQvx2TrimLeft, 0.0f);
  EXPECT_NEAR(fx->GetTrimGain(0), std::pow(10.0, 0.5), 1e-9);
}

TEST(QVX2_SUITE(Qvx2ReactionsTest), TrimLinkRemembersTheOffsetWhenSwitchedOn) {
  auto fx = std::make_unique<TestableQvx2>();
  fx->setParameter(kQvx2TrimLeft, 0.4f);
  fx->setParameter(kQvx2TrimRight, 0.6f);
  fx->setParameter(kQvx2TrimLink, 1.0f);
  EXPECT_NEAR(fx->GetTrimLinkOffset(), 0.2f, 1e-6);
  fx->setParameter(kQvx2TrimRight, 0.9f);
  fx->setParameter(kQvx2TrimLink, 0.0f);
  EXPECT_NEAR(fx->GetTrimLinkOffset(), 0.2f, 1e-6);
}

TEST(QVX2_SUITE(Qvx2ReactionsTest), LinkedModeTakesASnapshot) {
  auto fx = std::make_unique<TestableQvx2>();
  fx->setParameter(10, 0.8f);
  fx->setParameter(11, 0.3f);
  fx->setParameter(kQvx2ControlMode, 0.5f);  // Linked
  EXPECT_NEAR(fx->LinkParamDelta(10, 11), 0.5f, 1e-6);
  EXPECT_EQ(fx->LinkParamDelta(11, 11), 0.0f);
  // Later edits leave the snapshot alone until Linked is written again.
  fx->setParameter(11, 0.8f);
  EXPECT_NEAR(fx->LinkParamDelta(10, 11), 0.5f, 1e-6);
  fx->setParameter(kQvx2ControlMode, 0.0f);
  fx->setParameter(kQvx2ControlMode, 0.5f);
  EXPECT_EQ(fx->LinkParamDelta(10, 11), 0.0f);
  EXPECT_EQ(fx->LinkParamDelta(-1, 11), 0.0f);
  EXPECT_EQ(fx->LinkParamDelta(10, 3000), 0.0f);
}

TEST(QVX2_SUITE(Qvx2ReactionsTest), CalcCacheAndResponseFollowTheParameters) {
  auto fx = std::make_unique<TestableQvx2>();
  for (int b = 0; b < kQvx2NumBands; ++b) fx->setParameter(2 * b, 0.75f);  // +10 dB left
  fx->setParameter(kQvx2BandType, 0.0f);
  fx->setParameter(kQvx2TrimRight, 0.75f);
  fx->UpdateFilterCalcCache();
  EXPECT_EQ(fx->Model().NumBands(), 26);
  EXPECT_NEAR(fx->GetTrimGain(1), 10.0, 1e-9);
  EXPECT_NEAR(fx->GetFilterResponseDb(0.5f, 0), 10.0, 1e-9);
  EXPECT_NEAR(fx->GetFilterResponseDb(0.5f, 1), 0.0, 1e-12);
  fx->SetResponseArrays(1024);
  EXPECT_FALSE(fx->UpdateCachedIdealisedResponse(256));
  EXPECT_TRUE(fx->UpdateCachedIdealisedResponse(-1));
  for (int k = 0; k <= 512; ++k) {
    ASSERT_NEAR(fx->Response(0)[k], std::sqrt(10.0), 1e-9) << k;
    ASSERT_NEAR(fx->Response(1)[k], 1.0, 1e-12) << k;
  }
}
