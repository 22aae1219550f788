#include <cstring>

#include "Helpers/PersistantStorage.h"
#include "framework/QualityTestFixture.h"
#include "ExceptionCheck.h"

namespace {

using fxtest::HostLog;
using fxtest::QualityTestEffect;
using fxtest::Transport;
using Q = QualityTestEffect;

class QualityModeTest : public fxtest::QualityTestBase {};

TEST_F(QualityModeTest, LoadAppliesTheDefaultModeAndGivesItsLatencyWithoutAnIOChange) {
  QualityTestEffect fx;
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  EXPECT_EQ(fx.m_nApplyWithoutAudioBusy.load(), 0);
  EXPECT_EQ(fx.FFTSize(), 4096);
  EXPECT_EQ(fx.KernelSize(), 2048);
  EXPECT_EQ(fx.getAeffect()->initialDelay, 2048);
  EXPECT_EQ(fx.HostLatency(), 2048);
  EXPECT_EQ(fx.Filter(0)->m_nLastBlockSizeNotice, 0);
  EXPECT_TRUE(IOChanges().empty());
  EXPECT_FALSE(fx.AudioBusy());
}

TEST_F(QualityModeTest, TableNamesAndFallbackOfRatingsBetweenModes) {
  QualityTestEffect fx;
  EXPECT_STREQ(fx.GetQualityModeStringFromRating(60), "High 3");
  EXPECT_STREQ(fx.GetQualityModeStringFromRating(80), "Maximum");
  EXPECT_STREQ(fx.GetQualityModeStringFromRating(35), "UNKNOWN");
  fx.setParameter(Q::kRatingParam, RatingValue(35));
  EXPECT_EQ(fx.QualityRating(), 35);
  EXPECT_STREQ(fx.QualityRatingString(), "Medium");
  EXPECT_EQ(fx.QualityRating(), 30);
  // A host value far outside 0..1 reads as the last state, not as a rating
  // beyond the table.
  fx.setParameter(Q::kRatingParam, 7.0f);
  int fft = 0, kernel = 0, passes = 0;
  fx.GetQualityModeSettings(fft, kernel, passes);
  EXPECT_EQ(fft, 4096);
  EXPECT_EQ(passes, 1);
}

TEST_F(QualityModeTest, RatingChangeWaitsWhileAudioPlaysAndApplies500MsAfterItStops) {
  QualityTestEffect fx;
  HostLog::Get().m_eTransport = Transport::kPlaying;
  fx.setParameter(Q::kRatingParam, 0.0f);  // state 0: no change
  EXPECT_EQ(fx.QualityRating(), 30);
  fx.setParameter(Q::kRatingParam, RatingValue(80));
  EXPECT_EQ(fx.QualityRating(), 80);
  ProcessBlock(fx);
  Advance(500);  // 500 ms after the block: still recent
  fx.fxIdle();
  ProcessBlock(fx);  // the last block
  Advance(450);
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 4096);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  EXPECT_TRUE(IOChanges().empty());
  Advance(51);  // 501 ms after the last block, and past the idle gate
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 32768);
  EXPECT_EQ(fx.KernelSize(), 24576);
  EXPECT_EQ(fx.m_nApplyCount.load(), 2);
  // The host is told once, and the record already holds the new delay.
  const auto changes = IOChanges();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].nInitialDelay, 8192);
  EXPECT_EQ(fx.getAeffect()->initialDelay, 8192);
  EXPECT_EQ(fx.m_nApplyWithoutAudioBusy.load(), 0);
}

TEST_F(QualityModeTest, StoppedTransportAppliesAtOnceAndMissingTimeInfoCountsAsPlaying) {
  QualityTestEffect fx;
  HostLog::Get().m_eTransport = Transport::kStopped;
  fx.setParameter(Q::kRatingParam, RatingValue(20));
  ProcessBlock(fx);
  Advance(60);
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 2048);

  HostLog::Get().m_eTransport = Transport::kNone;
  fx.setParameter(Q::kRatingParam, RatingValue(10));
  ProcessBlock(fx);
  Advance(60);
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 2048);
  Advance(441);
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 1024);
}

TEST_F(QualityModeTest, ReportLatencyOffGivesTheHostZero) {
  QualityTestEffect fx;
  fx.setParameter(Q::kReportLatencyParam, 0.5f);  // state 1: off
  EXPECT_FALSE(fx.ReportLatency());
  QuietIdle(fx);
  auto changes = IOChanges();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].nInitialDelay, 0);
  EXPECT_EQ(fx.HostLatency(), 0);
  fx.setParameter(Q::kReportLatencyParam, 1.0f);
  QuietIdle(fx);
  changes = IOChanges();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].nInitialDelay, 2048);
}

TEST_F(QualityModeTest, HostThatRefusesIOChangesIsNotAskedButTheDelayIsSet) {
  QualityTestEffect fx;
  HostLog::Get().m_bAcceptIOChanges = false;
  fx.setParameter(Q::kRatingParam, RatingValue(40));
  QuietIdle(fx);
  EXPECT_TRUE(IOChanges().empty());
  EXPECT_EQ(fx.getAeffect()->initialDelay, 4096);
  EXPECT_FALSE(HostLog::Get().CallsOf(audioMasterCanDo).empty());
}

TEST_F(QualityModeTest, HostThatCannotTakeLatencyChangesKeepsTheFirstLatency) {
  g_eRecognisedHost = kHostCubaseVst;
  QualityTestEffect fx;
  EXPECT_EQ(fx.getAeffect()->initialDelay, 2048);
  // A rise is refused.
  fx.setParameter(Q::kRatingParam, RatingValue(40));
  QuietIdle(fx);
  EXPECT_EQ(fx.LatencyChange(), 2);
  EXPECT_EQ(fx.FFTSize(), 4096);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  // A fall is applied and padded up to the first latency.
  fx.setParameter(Q::kRatingParam, RatingValue(10));
  QuietIdle(fx);
  EXPECT_EQ(fx.LatencyChange(), 1);
  EXPECT_EQ(fx.FFTSize(), 1024);
  EXPECT_EQ(fx.Filter(0)->m_nPad, 2048 - 512);
  EXPECT_EQ(fx.Filter(1)->m_nPad, 2048 - 512);
  EXPECT_EQ(fx.getAeffect()->initialDelay, 2048);
  EXPECT_TRUE(IOChanges().empty());
  // A change of Report Latency reaches the record even here.
  fx.setParameter(Q::kReportLatencyParam, 0.5f);
  QuietIdle(fx);
  EXPECT_EQ(fx.getAeffect()->initialDelay, 0);
  EXPECT_TRUE(IOChanges().empty());
}

TEST_F(QualityModeTest, LinkedInstancesAdoptEachOthersSettings) {
  QualityTestEffect a, b, unlinked;
  a.SetIsQMLinked(true);
  b.setParameter(Q::kLinkParam, 1.0f);
  EXPECT_TRUE(b.GetIsQMLinked());
  EXPECT_FALSE(unlinked.GetIsQMLinked());
  a.setParameter(Q::kRatingParam, RatingValue(20));
  a.setParameter(Q::kDitherParam, 0.75f);  // state 3: triangular
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("QR", 0), 20);
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("DM", 0), 3);
  HostLog::Get().Reset();
  QuietIdle(b);
  EXPECT_EQ(b.QualityRating(), 20);
  EXPECT_EQ(b.getParameter(Q::kRatingParam), RatingValue(20));
  EXPECT_EQ(b.DitherMode(), 2);
  EXPECT_EQ(b.Filter(0)->m_eDitherType.load(), eDitherTriangular);
  EXPECT_EQ(b.FFTSize(), 2048);  // applied by the same quiet idle
  bool automated = false;
  for (const auto& c : HostLog::Get().CallsOf(audioMasterAutomate)) automated |= c.nIndex == Q::kRatingParam;
  EXPECT_TRUE(automated);
  QuietIdle(unlinked);
  EXPECT_EQ(unlinked.QualityRating(), 30);
}

TEST_F(QualityModeTest, LinkedSettingsOutOfRangeAreNotAdopted) {
  QualityTestEffect b;
  b.SetIsQMLinked(true);
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("QR", 35));
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("DM", 9));
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("BD", 0));
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("RL", 3));
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("OFR", -1));
  ASSERT_TRUE(CPersistantStorage::StorePluginString("WY", "2"));
  const int applies = b.m_nApplyCount.load();
  QuietIdle(b);
  EXPECT_EQ(b.QualityRating(), 30);
  EXPECT_EQ(b.DitherMode(), 0);
  EXPECT_EQ(b.BitDepth(), 0);
  EXPECT_TRUE(b.ReportLatency());
  EXPECT_EQ(b.m_nApplyCount.load(), applies);
  EXPECT_EQ(b.getParameter(Q::kRatingParam), RatingValue(30));
}

TEST_F(QualityModeTest, DitherReachesTheFiltersAtOnceWithoutARebuild) {
  QualityTestEffect fx;
  fx.setParameter(Q::kDitherParam, 0.5f);  // state 2: rectangular
  EXPECT_EQ(fx.DitherMode(), 1);
  EXPECT_EQ(fx.Filter(0)->m_eDitherType.load(), eDitherRectangular);
  EXPECT_EQ(fx.Filter(1)->m_eDitherType.load(), eDitherRectangular);
  EXPECT_EQ(fx.m_nInPlaceCount.load(), 1);
  QuietIdle(fx);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  EXPECT_TRUE(IOChanges().empty());
}

TEST_F(QualityModeTest, BitDepthRebuildsOnTheIdleSideWithoutAnIOChange) {
  QualityTestEffect fx(fxtest::RecordingHostCallback, true);
  fx.setParameter(Q::kBitDepthParam, 1.0f);  // state 2: 64 bit
  EXPECT_EQ(fx.BitDepth(), 1);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  const int qmUpdates = fx.Editor()->m_nUpdateQM.load();
  QuietIdle(fx);
  EXPECT_EQ(fx.m_nApplyCount.load(), 2);
  EXPECT_GT(fx.Editor()->m_nUpdateQM.load(), qmUpdates);
  EXPECT_TRUE(IOChanges().empty());
}

TEST_F(QualityModeTest, OpenGestureOrPanelBuildPutsTheRebuildOffWithoutHanging) {
  QualityTestEffect fx(fxtest::RecordingHostCallback, true);
  fxtest::FakeEditor& editor = *fx.Editor();
  editor.m_bOpen = true;
  fx.beginEdit(5);
  fx.setParameter(Q::kRatingParam, RatingValue(10));
  QuietIdle(fx);  // returns: nothing here may wait for the gesture to end
  fx.resume();    // the host's resume is put off the same way
  EXPECT_EQ(fx.FFTSize(), 4096);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  EXPECT_EQ(editor.m_nRemoveAllControls.load(), 0);
  EXPECT_TRUE(IOChanges().empty());
  fx.endEdit(5);
  editor.m_bBuildingViews = true;
  QuietIdle(fx);
  EXPECT_EQ(fx.m_nApplyCount.load(), 1);
  editor.m_bBuildingViews = false;
  QuietIdle(fx);
  EXPECT_EQ(fx.FFTSize(), 1024);
  EXPECT_EQ(fx.m_nApplyCount.load(), 2);
  EXPECT_EQ(editor.m_nRemoveAllControls.load(), 1);
  EXPECT_EQ(editor.m_nRefreshFrontOrBack.load(), 1);
  ASSERT_EQ(IOChanges().size(), 1u);
  EXPECT_EQ(IOChanges()[0].nInitialDelay, 512);
  EXPECT_FALSE(fx.RebuildPending());
}

TEST_F(QualityModeTest, AudioBusyIsReleasedWhenTheRebuildThrows) {
  QualityTestEffect fx;
  fx.m_bThrowInApply = true;
  fx.setParameter(Q::kRatingParam, RatingValue(20));
  EXPECT_GT(SwallowedBy([&] { QuietIdle(fx); }), 0u);
  EXPECT_EQ(fx.m_nApplyCount.load(), 2);
  EXPECT_FALSE(fx.AudioBusy());
  float in[2][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}}, out[2][4] = {};
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  fx.processReplacing(ins, outs, 4);
  EXPECT_EQ(out[1][3], 0.5f);
}

TEST_F(QualityModeTest, LimitFrameratePreferenceSlowsTheEditorIdle) {
  const int before = g_kIdleRate.load();
  g_kIdleRate = 10;
  for (const int limit : {0, 1}) {
    ASSERT_TRUE(CPersistantStorage::StorePluginInt("LimitFramerate", limit));
    QualityTestEffect fx;
    EXPECT_EQ(g_kIdleRate.load(), 10) << "not before the host has the record";
    fx.dispatcher(effOpen, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(g_kIdleRate.load(), limit ? 100 : 10);
  }
  g_kIdleRate = before;
}

}  // namespace
