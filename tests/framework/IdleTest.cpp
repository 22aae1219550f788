#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "framework/QualityTestFixture.h"

namespace {

using fxtest::HostLog;
using fxtest::QualityTestEffect;
using fxtest::Transport;
using Q = QualityTestEffect;

class IdleTest : public fxtest::QualityTestBase {};

TEST_F(IdleTest, SecondIdleWithin50MsRunsOnlyTheProductsIdle) {
  QualityTestEffect fx;
  QuietIdle(fx);
  fx.setParameter(Q::kRatingParam, RatingValue(10));
  Advance(30);
  fx.fxIdle();
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), 2);
  EXPECT_EQ(fx.FFTSize(), 4096);
  Advance(21);  // 51 ms after the pass that did the work
  fx.fxIdle();
  EXPECT_EQ(fx.FFTSize(), 1024);
}

// Idle calls never clear the filters, however quiet audio has been: the
// block after half a second of quiet starts a new stream itself, for a host
// that reports no transport and plays in real time, and never for one that
// renders with "Offline Render" on and says nothing of its process level.
TEST_F(IdleTest, OnlyABlockAfterQuietStartsAStreamAndNeverOneOfAnOfflineRender) {
  QualityTestEffect fx;
  HostLog::Get().m_eTransport = Transport::kNone;
  const int cleared = fx.m_nClearAllCount.load();
  const auto streams = [&] { return fx.GetRenderCounts().newStreams; };
  ProcessBlock(fx);
  const int64_t first = streams();
  QuietIdle(fx);
  QuietIdle(fx);
  EXPECT_EQ(fx.m_nClearAllCount.load(), cleared) << "an idle call cleared";
  ProcessBlock(fx);
  EXPECT_EQ(streams(), first + 1) << "the block after the quiet";
  Advance(10);
  ProcessBlock(fx);
  EXPECT_EQ(streams(), first + 1);

  fx.setParameter(Q::kOfflineRenderParam, 1.0f);
  QuietIdle(fx);  // applies Offline Render, through a suspend and resume
  HostLog::Get().m_nProcessLevel = kVstProcessLevelUnknown;
  // Off the user-interface thread: "Offline Render" alone makes it offline.
  const auto render = [&] { std::thread([&] { ProcessBlock(fx); }).join(); };
  render();
  const int64_t rendering = streams();  // the resume's new stream
  Advance(600);
  render();
  fx.fxIdle();
  Advance(2000);
  render();
  EXPECT_EQ(streams(), rendering) << "a pause cleared an offline render";
  EXPECT_EQ(fx.m_nClearAllCount.load(), cleared + 1) << "only the resume's";
}

TEST_F(IdleTest, MaybeCallFxIdleKeepsItsIntervalsAndFollowsAClockThatWentBack) {
  QualityTestEffect fx;
  QuietIdle(fx);
  const int runs = fx.m_nIdleInnerCount.load();
  Advance(100);
  fx.MaybeCallFxIdle(XREffect::eFxIdleFromEditor);
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), runs);
  Advance(1);
  fx.MaybeCallFxIdle(XREffect::eFxIdleFromEditor);
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), runs + 1);
  EXPECT_EQ(fx.m_eIdleCalledFrom.load(), XREffect::eFxIdleFromEditor);

  Advance(500);
  fx.MaybeCallFxIdle(XREffect::eFxIdleFromProcess);
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), runs + 1);
  Advance(1);
  fx.MaybeCallFxIdle(XREffect::eFxIdleFromProcess);
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), runs + 2);
  EXPECT_EQ(fx.m_eIdleCalledFrom.load(), XREffect::eFxIdleFromProcess);

  fxtest::TestNow() -= 5000;
  fx.MaybeCallFxIdle(XREffect::eFxIdleFromEditor);
  EXPECT_EQ(fx.m_nIdleInnerCount.load(), runs + 3);
  EXPECT_STREQ(XREffect::s_szFxIdleCalledFromString[4], "Unknown");
}

TEST_F(IdleTest, AccumulatingProcessAddsTheEffectOutput) {
  QualityTestEffect fx;
  float in[2][8], out[2][8];
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 8; ++i) {
      in[c][i] = 0.25f * static_cast<float>(i);
      out[c][i] = 0.5f;
    }
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  fx.process(ins, outs, 8);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[c][i], 0.5f + 0.125f * static_cast<float>(i)) << c << "/" << i;

  // Input and output in the same buffer.
  float shared[8];
  for (int i = 0; i < 8; ++i) shared[i] = 0.4f;
  float* both[2] = {shared, out[1]};
  fx.process(both, both, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(shared[i], 0.6f) << i;
}

TEST_F(IdleTest, AccumulatingProcessDoesNotDoubleWhileAudioIsHeldOff) {
  QualityTestEffect fx;
  float in[2][8] = {}, out[2][8];
  for (auto& channel : out)
    for (float& v : channel) v = 0.5f;
  for (auto& channel : in)
    for (float& v : channel) v = 1.0f;
  float* ins[2] = {in[0], in[1]};
  float* outs[2] = {out[0], out[1]};
  {
    XREffect::CAudioBusyHold hold(&fx);
    fx.process(ins, outs, 8);
  }
  for (auto& channel : out)
    for (float v : channel) EXPECT_EQ(v, 0.5f);
  EXPECT_FALSE(fx.AudioBusy());
}

TEST_F(IdleTest, AnIdleThatMeetsAudioWaitsForTheBlockNotForever) {
  QualityTestEffect fx;
  fx.setParameter(Q::kRatingParam, RatingValue(20));
  Advance(600);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    // Takes the flag for each block, as the product's process call does,
    // and leaves it free until the next block comes.
    while (!stop.load()) {
      {
        XREffect::CAudioBusyTry busy(&fx);
        std::this_thread::yield();
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  auto done = std::async(std::launch::async, [&] { fx.fxIdle(); });
  const bool finished = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  stop = true;
  audio.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(fx.FFTSize(), 2048);
  EXPECT_EQ(fx.m_nApplyWithoutAudioBusy.load(), 0);
}

// Run under ThreadSanitizer (QVX_TSAN=ON) this also shows the idle state is
// shared safely between the host's idle and the editor's idle thread.
TEST_F(IdleTest, TwoThreadsDrivingIdlePerformOneRebuild) {
  QualityTestEffect fx;
  for (int round = 0; round < 40; ++round) {
    fx.setParameter(Q::kRatingParam, RatingValue(round % 2 == 0 ? 10 : 20));
    Advance(600);
    const int before = fx.m_nApplyCount.load();
    std::atomic<int> ready{0};
    auto run = [&] {
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      fx.fxIdle();
    };
    std::thread hostIdle(run), editorIdle(run);
    hostIdle.join();
    editorIdle.join();
    // Either both passes met, or the second came after the first had
    // finished the work; never two rebuilds.
    ASSERT_EQ(fx.m_nApplyCount.load(), before + 1) << "round " << round;
    ASSERT_EQ(fx.FFTSize(), round % 2 == 0 ? 1024 : 2048);
  }
  EXPECT_EQ(HostLog::Get().CallsOf(audioMasterIOChanged).size(), 40u);
}

}  // namespace
