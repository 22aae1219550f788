// The kernel update on its own, driven by a recording client and a scripted
// clock: the order of its steps, slices and designs within the time budget,
// the commit only once the response is complete and both kernels designed,
// and failed designs or missing kernels that keep both committed kernels;
// and the hand-over of the committed pair to an audio thread that takes one
// per block.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ExceptionCheck.h"
#include "QVX2/QVX2KernelHandOver.h"
#include "QVX2/QVX2KernelUpdate.h"

namespace {

using Kernel = CQVX2KernelUpdate::Kernel;

// Each reading moves the clock on by 20 ms: a call with a budget of 50 ms
// has time for its first piece of work and two more (20, 40 ms) and returns
// after the third (60 ms); one of 10 ms returns after the first.
unsigned int g_nNow = 0;
unsigned int SteppingClock() { return g_nNow += 20; }

// A kernel whose design can be made to fail, as a design that runs out of
// memory would.
class TestKernel : public Kernel {
 public:
  TestKernel() : Kernel(1024, 512, 1) {}
  void SetIdealisedFreqResponse(Complex<double>* response) override {
    if (m_bFail) throw std::runtime_error("design fails");
    Kernel::SetIdealisedFreqResponse(response);
  }
  bool m_bFail = false;
};

// Logs every call as one letter: R restart, C calc cache, s slice, K commit,
// c curve stale.
class Client : public CQVX2KernelUpdate::CClient {
 public:
  void RestartResponse() override {
    m_Log += 'R';
    m_nDone = 0;
  }
  void UpdateCalcCache() override { m_Log += 'C'; }
  bool ComputeResponseSlice(int bins) override {
    EXPECT_EQ(bins, CQVX2KernelUpdate::kSliceBins);
    m_Log += 's';
    return ++m_nDone == m_nSlices;
  }
  Kernel* KernelToDesign(int channel) override { return m_pKernel[channel]; }
  float DesignSampleRate() override { return 48000.0f; }
  void CommitTogether(Kernel& left, Kernel& right) override {
    EXPECT_EQ(m_nDone, m_nSlices) << "committed before the response was complete";
    m_Log += 'K';
    left.CommitSetup();
    right.CommitSetup();
  }
  bool IsWysiwyg() override { return m_bWysiwyg; }
  void MarkCurveStale() override { m_Log += 'c'; }

  std::string m_Log;
  int m_nSlices = 5;
  int m_nDone = 0;
  bool m_bWysiwyg = false;
  TestKernel m_Kernels[2];
  Kernel* m_pKernel[2] = {&m_Kernels[0], &m_Kernels[1]};
};

}  // namespace

TEST(KernelUpdateTest, WorkRunsWithinTheBudgetAndTheKernelsChangeTogetherAtTheEnd) {
  // The work of each call: the worker's budget (three pieces, 60 ms) and a
  // host call's (one piece), each kernel designed on its own. The curve is
  // asked for after the calc cache (WYSIWYG off) or after the commit (on).
  struct Case {
    unsigned budget;
    bool wysiwyg;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {CQVX2KernelUpdate::kSliceBudgetMs, false, {"RCcsss", "ss", "K"}},
      {CQVX2KernelUpdate::kSliceBudgetMs, true, {"RCsss", "ss", "Kc"}},
      {CQVX2KernelUpdate::kHostCallBudgetMs, false, {"RCcs", "s", "s", "s", "s", "", "K"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "budget " << c.budget << (c.wysiwyg ? ", WYSIWYG" : ""));
    CQVX2KernelUpdate update(SteppingClock);
    Client client;
    client.m_bWysiwyg = c.wysiwyg;
    const Complex<double>* before[2] = {client.m_Kernels[0].m_pResponse, client.m_Kernels[1].m_pResponse};
    ASSERT_TRUE(update.IsMarked());
    for (size_t i = 0; i < c.calls.size(); ++i) {
      client.m_Log.clear();
      update.Step(client, c.budget);
      EXPECT_EQ(client.m_Log, c.calls[i]) << "call " << i;
      const bool last = i + 1 == c.calls.size();
      EXPECT_EQ(update.State() == CQVX2KernelUpdate::kIdle, last) << "call " << i;
      EXPECT_EQ(client.m_Kernels[0].m_pResponse != before[0], last) << "call " << i;
      EXPECT_EQ(client.m_Kernels[1].m_pResponse != before[1], last) << "call " << i;
      if (i == 0) {
        EXPECT_FALSE(update.IsMarked()) << "cleared when the update started";
        update.Mark();  // a change during the update
      }
    }
    EXPECT_TRUE(update.IsPending()) << "the change asks for one more update";

    // Suspended, not even a marked update starts.
    update.Suspend();
    client.m_Log.clear();
    update.Step(client);
    EXPECT_EQ(client.m_Log, "");
    EXPECT_EQ(update.State(), CQVX2KernelUpdate::kIdle);
    update.Resume();
    update.Step(client);
    EXPECT_EQ(client.m_Log.substr(0, 2), "RC");
  }
}

TEST(KernelUpdateTest, AFailedDesignOrAMissingKernelKeepsBothCommittedKernels) {
  enum EFault { kLeftFails, kRightFails, kLeftMissing, kRightMissing };
  for (EFault fault : {kLeftFails, kRightFails, kLeftMissing, kRightMissing}) {
    CQVX2KernelUpdate update(SteppingClock);
    Client client;
    client.m_nSlices = 1;
    const int channel = fault == kLeftFails || fault == kLeftMissing ? 0 : 1;
    if (fault == kLeftFails || fault == kRightFails)
      client.m_Kernels[channel].m_bFail = true;
    else
      client.m_pKernel[channel] = nullptr;
    const Complex<double>* before[2] = {client.m_Kernels[0].m_pResponse, client.m_Kernels[1].m_pResponse};

    const bool missing = fault == kLeftMissing || fault == kRightMissing;
    // A design that throws is swallowed; a missing kernel is no exception.
    const CExpectSwallowedExceptions failing;
    update.Step(client);
    EXPECT_EQ(failing.Count() != 0, !missing) << "fault " << fault;
    EXPECT_EQ(client.m_Log.find('K'), std::string::npos) << "fault " << fault;
    EXPECT_EQ(client.m_Kernels[0].m_pResponse, before[0]) << "fault " << fault;
    EXPECT_EQ(client.m_Kernels[1].m_pResponse, before[1]) << "fault " << fault;
    // A missing kernel ends the call before the finish; the next one ends
    // the update without a new design.
    EXPECT_EQ(update.State(), missing ? CQVX2KernelUpdate::kFinish : CQVX2KernelUpdate::kIdle) << "fault " << fault;
    client.m_Log.clear();
    update.Step(client);
    EXPECT_EQ(client.m_Log, missing ? "" : "RCcs") << "fault " << fault;
  }
}

// One thread publishes 20000 pairs while another takes one per block, as
// fast as both go: every pair taken is whole (both channels, bins and packed
// order, from one publication), none is older than the one before, and the
// first block after the last publication takes that one.
TEST(KernelUpdateTest, TheAudioThreadTakesWholePairsNewestFirstWhileTheyArePublished) {
  constexpr int N = 256, kPairs = 20000;
  CQVX2KernelHandOver handOver(N);
  Kernel left(N, 0, 1), right(N, 0, 1);
  auto commit = [](Kernel& k, double v) {
    for (int b = 0; b <= N / 2; ++b) k.m_pResponse[b] = Complex<double>{v, -v};
    for (int i = 0; i < N; ++i) k.m_pPackedResponse[i] = v;
    k.m_bHasResponse = true;
  };
  EXPECT_FALSE(handOver.TakeNewest().bValid) << "nothing published yet";
  std::atomic<bool> done{false};
  std::atomic<int> taken{0}, newestTaken{0};
  std::thread idle([&] {
    for (int p = 1; p <= kPairs; ++p) {
      commit(left, p);
      commit(right, p + 0.5);
      handOver.Publish(left, right);
      // Now and then the audio thread takes this one before more come,
      // however the machine schedules the two threads (it may already have).
      if (p % 1000 == 0)
        while (newestTaken.load() < p) std::this_thread::yield();
    }
    done = true;
  });
  double last = 0.0;
  int torn = 0, older = 0;
  for (bool finished = false; !finished;) {
    finished = done.load();
    const CQVX2KernelHandOver::Pair& pair = handOver.TakeNewest();
    if (!pair.bValid) continue;
    const double v = pair.packed[0][0];
    for (int b = 0; b <= N / 2; ++b)
      torn += pair.pBins[0][b].re != v || pair.pBins[0][b].im != -v || pair.pBins[1][b].re != v + 0.5 ? 1 : 0;
    for (int i = 0; i < N; ++i) torn += pair.packed[0][i] != v || pair.packed[1][i] != v + 0.5 ? 1 : 0;
    older += v < last ? 1 : 0;
    taken += v != last ? 1 : 0;
    last = v;
    newestTaken = static_cast<int>(v);
  }
  idle.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(older, 0);
  EXPECT_EQ(last, kPairs) << "the last pair published";
  EXPECT_GE(taken.load(), kPairs / 1000);
}
