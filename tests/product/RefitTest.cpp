// The band-type refit: a Band Type change made in the editor refits every band
// gain so that the new layout draws the curve the old one drew.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cmath>
#include <memory>
#include <vector>

#include "GaussianReference.h"
#include "ProductTestSupport.h"
#include "QVX2/QVX2Bands.h"
#include "ExceptionCheck.h"

using qvx2test::MirroringEditor;
using qvx2test::TestableQvx2;

namespace {
// The longest layout this edition offers.
constexpr int kLongLayout = kbQvx2StandardEdition ? kQvx2BandThirds : kQvx2BandChromatic;

float State(int layout) { return static_cast<float>(layout) / 99.0f; }

struct Rig {
  std::unique_ptr<TestableQvx2> fx = std::make_unique<TestableQvx2>();
  MirroringEditor* editor = nullptr;
  Rig() {
    // In place of the effect's own editor.
    delete fx->getEditor();
    editor = new MirroringEditor(fx.get());
    fx->setEditor(editor);
    fxtest::HostLog::Get().Reset();
  }
};

// Different curves on the two channels of the Bark layout (host writes: no
// refit, no mirroring).
void SetBarkCurves(TestableQvx2& fx) {
  fx.setParameter(kQvx2BandType, State(kQvx2BandBark));
  for (int b = 0; b < 26; ++b) {
    fx.setParameter(2 * b, 0.5f + 0.45f * static_cast<float>(std::sin(b * 0.7)));
    fx.setParameter(2 * b + 1, 0.5f - 0.4f * static_cast<float>(std::cos(b * 0.45)));
  }
}

// The refit values the reference expects: the old layout's plain band curve
// at each centre of the new layout, as a gain value.
std::vector<float> Expected(const std::vector<float>& before, int oldLayout, int newLayout, int channel) {
  const qvx2test::RefLayout oldRef = qvx2test::Reference(oldLayout);
  const QVX2BandLayout& l = kQvx2BandLayouts[static_cast<std::size_t>(newLayout)];
  std::vector<float> e(kQvx2NumBands, 0.0f);
  for (int b = 0; b < l.nBands; ++b) {
    const double x = (std::log(static_cast<double>((*l.pFreqs)[static_cast<std::size_t>(b)])) - qvx2test::kLn10) /
                     qvx2test::kLnRange;
    e[static_cast<std::size_t>(b)] =
        static_cast<float>((qvx2test::ReferenceBandCurveDb(oldRef, before, channel, x) + 20.0) / 40.0);
  }
  return e;
}

std::vector<float> Snapshot(TestableQvx2& fx) {
  std::vector<float> v(3000, 0.0f);
  for (int i = 0; i < kQvx2NumHostParams; ++i) v[static_cast<std::size_t>(i)] = fx.getParameter(i);
  return v;
}

// 0.05 dB in gain-value units.
constexpr float kTolerance = 0.05f / 40.0f;

void ExpectGains(const std::vector<float>& got, const std::vector<float>& want, const char* what) {
  for (int b = 0; b < kQvx2NumBands; ++b)
    ASSERT_NEAR(got[static_cast<std::size_t>(b)], want[static_cast<std::size_t>(b)], kTolerance) << what << " band " << b;
}
}  // namespace

TEST(QVX2_SUITE(Qvx2RefitTest), MirroredModesKeepEachChannelsOwnCurve) {
  for (float mode : {0.0f, 0.5f, 1.0f}) {  // Snap, Linked, Seperate
    Rig rig;
    SetBarkCurves(*rig.fx);
    rig.fx->setParameter(kQvx2ControlMode, mode);
    const auto before = Snapshot(*rig.fx);
    rig.editor->EditFromGui(kQvx2BandType, State(kLongLayout));

    ExpectGains(rig.fx->Gains(0), Expected(before, kQvx2BandBark, kLongLayout, 0), "left");
    ExpectGains(rig.fx->Gains(1), Expected(before, kQvx2BandBark, kLongLayout, 1), "right");
    EXPECT_FALSE(rig.fx->IsRefitSuspended());
    EXPECT_FALSE(rig.fx->InEditGroup());
    EXPECT_EQ(rig.editor->nBeginEdit, rig.editor->nEndEdit);
    EXPECT_GE(rig.editor->m_nRefreshControls.load(), 1);
    EXPECT_TRUE(rig.fx->GetFiltersNeedUpdating());
    // Every gain the refit changed was reported to the host.
    int automated = 0;
    for (const auto& c : fxtest::HostLog::Get().CallsOf(audioMasterAutomate)) automated += c.nIndex < kQvx2NumGainParams;
    EXPECT_GE(automated, 2 * kQvx2BandLayouts[kLongLayout].nBands);
  }
}

TEST(QVX2_SUITE(Qvx2RefitTest), OneUndoRestoresEveryGainOfTheRefit) {
  Rig rig;
  SetBarkCurves(*rig.fx);
  const auto before = Snapshot(*rig.fx);
  rig.editor->EditFromGui(kQvx2BandType, State(kLongLayout));
  ASSERT_NE(rig.fx->getParameter(0), before[0]);
  rig.fx->beginEdit(10001);
  rig.fx->endEdit(10001);
  for (int i = 0; i < kQvx2NumGainParams; ++i) ASSERT_EQ(rig.fx->getParameter(i), before[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(rig.fx->getParameter(kQvx2BandType), State(kLongLayout));
}

TEST(QVX2_SUITE(Qvx2RefitTest), DepthAndPassFiltersAreNotAppliedTwice) {
  Rig plain, shaped;
  SetBarkCurves(*plain.fx);
  SetBarkCurves(*shaped.fx);
  shaped.fx->setParameter(kQvx2Depth, 0.0f);  // a flat curve on the kernels
  shaped.fx->setParameter(kQvx2Hpf0, 1.0f);
  shaped.fx->setParameter(kQvx2Hpf0Freq, 0.6f);
  shaped.fx->setParameter(kQvx2Lpf1, 1.0f);
  shaped.fx->setParameter(kQvx2Lpf1Freq, 0.3f);
  plain.editor->EditFromGui(kQvx2BandType, State(kLongLayout));
  shaped.editor->EditFromGui(kQvx2BandType, State(kLongLayout));
  for (int c = 0; c < 2; ++c) ExpectGains(shaped.fx->Gains(c), plain.fx->Gains(c), "same gains");
  // Depth 0 keeps the gains' shape instead of flattening them to 0 dB.
  float spread = 0.0f;
  for (float g : shaped.fx->Gains(0)) spread = std::max(spread, std::fabs(g - 0.5f));
  EXPECT_GT(spread, 0.2f);
}

TEST(QVX2_SUITE(Qvx2RefitTest), WritesOnlyValuesWithinRangeAndZeroesBandsPastTheEnd) {
  Rig rig;
  rig.fx->setParameter(kQvx2BandType, State(kLongLayout));
  for (int i = 0; i < kQvx2NumGainParams; ++i) rig.fx->setParameter(i, (i / 2) % 2 == 0 ? 0.0f : 1.0f);
  rig.fx->setParameter(kQvx2Depth, 1.0f);
  rig.fx->setParameter(kQvx2Hpf0, 1.0f);
  rig.fx->setParameter(kQvx2Hpf0Freq, 0.9f);
  rig.fx->setParameter(kQvx2Contour, 0.0f);
  rig.editor->EditFromGui(kQvx2BandType, State(kQvx2BandBark));
  for (int c = 0; c < 2; ++c) {
    const auto g = rig.fx->Gains(c);
    for (int b = 0; b < kQvx2NumBands; ++b) {
      EXPECT_GE(g[static_cast<std::size_t>(b)], 0.0f) << b;
      EXPECT_LE(g[static_cast<std::size_t>(b)], 1.0f) << b;
      if (b >= 26) {
        EXPECT_EQ(g[static_cast<std::size_t>(b)], 0.0f) << "band " << b << " lies past the Bark layout";
      }
    }
  }
}

TEST(QVX2_SUITE(Qvx2RefitTest), StatesPastTheLastLayoutRefitToTheLast) {
  Rig rig;
  SetBarkCurves(*rig.fx);
  const auto before = Snapshot(*rig.fx);
  rig.editor->EditFromGui(kQvx2BandType, 1.0f);
  const int last = kQvx2NumBandTypes - 1;
  ExpectGains(rig.fx->Gains(0), Expected(before, kQvx2BandBark, last, 0), "left");
}

TEST(QVX2_SUITE(Qvx2RefitTest), OnlyEditorEditsRefit) {
  Rig rig;
  SetBarkCurves(*rig.fx);
  rig.fx->setParameter(kQvx2ControlMode, 1.0f);  // no mirroring: only the refit could change gains
  const auto before = rig.fx->Gains(0);
  // Host automation.
  rig.fx->setParameter(kQvx2BandType, State(kLongLayout));
  EXPECT_EQ(rig.fx->Gains(0), before);
  // The editor writing the value Band Type already holds.
  rig.editor->EditFromGui(kQvx2BandType, State(kLongLayout));
  EXPECT_EQ(rig.fx->Gains(0), before);
  // A program change or an A/B switch made from the editor restores stored
  // gains; refitting them would overwrite what was stored.
  rig.fx->CopyAtoB();
  rig.fx->setParameter(kQvx2BandType, State(kQvx2BandBark));
  rig.editor->bChangeFromGui = true;
  rig.fx->SwitchABProgram();
  rig.fx->setProgram(1);
  rig.fx->setProgram(0);
  rig.editor->bChangeFromGui = false;
  EXPECT_EQ(rig.fx->Gains(0), before);
  EXPECT_EQ(rig.editor->nBeginEdit, 0);
}

TEST(QVX2_SUITE(Qvx2RefitTest), AFailureMidRefitReleasesItsFlagsAndGroup) {
  Rig rig;
  SetBarkCurves(*rig.fx);
  const auto before = rig.fx->Gains(0);
  rig.fx->ClearFiltersNeedUpdating();
  rig.fx->FailAtUndoPoint(40);
  EXPECT_GT(SwallowedBy([&] { rig.editor->EditFromGui(kQvx2BandType, State(kLongLayout)); }), 0u);
  EXPECT_FALSE(rig.fx->IsRefitSuspended()) << "updates may run again";
  EXPECT_FALSE(rig.fx->InEditGroup()) << "the undo group is closed";
  EXPECT_EQ(rig.editor->nBeginEdit, 1);
  EXPECT_EQ(rig.editor->nEndEdit, 1);
  EXPECT_EQ(fxtest::HostLog::Get().CallsOf(audioMasterBeginEdit).size(),
            fxtest::HostLog::Get().CallsOf(audioMasterEndEdit).size())
      << "the host saw the edit end";
  EXPECT_TRUE(rig.fx->GetFiltersNeedUpdating());
  EXPECT_NE(rig.fx->Gains(0), before) << "the gains written before the failure stay";
}
