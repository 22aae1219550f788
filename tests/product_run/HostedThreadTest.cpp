// The full edition's module on the audio threads of a host that loads it as
// hosts do (dlopen): automation of its quality settings arriving there
// between blocks, on one audio thread, a pool of 2 or 64, or an audio thread
// that got the id of the ended thread that opened the effect, makes no call
// into the host and no rebuild on those threads, and the first block on a
// new audio thread allocates nothing, not even the module's thread-local
// storage.
#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "QVX2/QVX2Params.h"
#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"

#ifndef QVX_SANITIZED_MODULES
// Every allocation of the process passes here, the dynamic loader's for a
// module's thread-local storage included; those of the one thread being
// watched are counted (the effect's own threads may allocate meanwhile).
namespace {
std::atomic<bool> g_bCountAllocations{false};
std::atomic<pthread_t> g_WatchedThread{};
std::atomic<long> g_nAllocations{0};
void CountAllocation() {
  if (g_bCountAllocations.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), g_WatchedThread.load()))
    g_nAllocations.fetch_add(1);
}
}  // namespace
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* malloc(size_t size) {
  CountAllocation();
  return __libc_malloc(size);
}
void* calloc(size_t n, size_t size) {
  CountAllocation();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  CountAllocation();
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace {

constexpr int kFrames = 256;

struct Buffers {
  std::vector<float> in = std::vector<float>(kFrames, 0.25f);
  std::vector<float> left = std::vector<float>(kFrames), right = std::vector<float>(kFrames);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {left.data(), right.data()};
};

// One audio thread, or a pool taking turns as hosts that spread their
// plug-ins over several process threads do; each sends its events and
// automation before its block, with the transport stopped, so that a thread
// taken for the host's own would apply the new mode there. In a pool of 32
// each thread's very first call is that automation, before any block of
// its own. A host that opens the effect on a loader thread, which ends
// before the audio thread starts (glibc gives the audio thread its id), and
// says nothing of its process level.
TEST(HostedAudioThreadTest, QualityAutomationOnAudioThreadsLeavesItsHostCallsAndRebuildsToTheIdle) {
  const struct {
    int threads;
    bool openedOnALoader, automatesFirst;
  } rows[] = {{1, false, false}, {2, false, false}, {64, false, false}, {1, true, false}, {32, false, true}};
  for (const auto& row : rows) {
    const int threads = row.threads;
    SCOPED_TRACE(std::to_string(threads) + " audio threads" + (row.openedOnALoader ? ", opened on a loader" : "") +
                 (row.automatesFirst ? ", automating before their first block" : ""));
    TempConfigFolder prefs;
    HostConfig stopped;
    stopped.transport = HostTransport::Stopped;
    PluginHost host(stopped);
    ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
    std::thread::id loaderId;
    if (row.openedOnALoader) {
      std::thread loader([&] { host.Start(48000.0, kFrames); });
      loaderId = loader.get_id();
      loader.join();
      host.SetProcessLevel(kVstProcessLevelUnknown);
    } else {
      host.Start(48000.0, kFrames);
    }
    host.SetParameter(kQvx2QMLink, 1.0f);
    const VstInt32 latency = host.Latency();
    // Each setting at a value between its states, and the state's own value
    // that the host must hear back.
    const struct {
      int index;
      float value, snapped;
    } cases[] = {
        {kQvx2QualityRating, 0.0801f, 80.0f / 999.0f},  // "Maximum"
        {kQvx2DitherMode, 0.7f, 0.75f},                 // state 3 of 5
        {kQvx2BitDepth, 0.9f, 1.0f},
        {kQvx2ReportLatency, 0.3f, 0.5f},  // off
        {kQvx2OfflineRender, 0.8f, 1.0f},
        {kQvx2Wysiwyg, 0.8f, 1.0f},
    };
    const size_t before = host.Log().size();
    // Turn t is taken by thread t % threads; unless they automate first,
    // each thread's first turn is a block alone, as after the host's start.
    const int lead = row.automatesFirst ? 0 : threads;
    const int turns = lead + 2 * static_cast<int>(std::size(cases));
    std::mutex turnLock;
    std::condition_variable turnTaken;
    int turn = 0;
    std::vector<std::thread> pool;
    for (int me = 0; me < threads; ++me) {
      pool.emplace_back([&, me] {
        if (row.openedOnALoader) {
          EXPECT_EQ(std::this_thread::get_id(), loaderId) << "the loader's id, taken over";
        }
        PluginHost::MarkAudioThread();
        Buffers b;
        VstEvents none{};
        for (int t = me; t < turns; t += threads) {
          std::unique_lock<std::mutex> lock(turnLock);
          turnTaken.wait(lock, [&] { return turn == t; });
          const int c = (t - lead) / 2;
          if (t >= lead) host.Dispatch((t - lead) % 2 ? effStartProcess : effProcessEvents, 0, 0, &none);
          if (t >= lead && (t - lead) % 2 == 0) host.SetParameter(cases[c].index, cases[c].value);
          host.Process(b.ins, b.outs, kFrames);
          ++turn;
          turnTaken.notify_all();
        }
      });
    }
    for (std::thread& thread : pool) thread.join();
    const std::vector<HostCall> during = host.Log();
    for (size_t i = before; i < during.size(); ++i)
      EXPECT_NE(during[i].thread, HostThread::Audio) << "on an audio thread: " << DescribeHostCall(during[i]);
    EXPECT_EQ(host.Effect()->initialDelay, latency) << "a mode applied on an audio thread";

    // The host's idle calls on its user-interface thread tell the host (the
    // effect's own idle thread may take the work first and leave the calls
    // to the next of them), and apply the new mode (once the blocks that
    // "Offline Render" made offline are half a second past).
    auto toldOf = [&](int index) {
      std::vector<std::pair<float, HostThread>> told;
      const std::vector<HostCall> log = host.Log();
      for (size_t i = during.size(); i < log.size(); ++i)
        if (log[i].opcode == audioMasterAutomate && log[i].index == index) told.emplace_back(log[i].opt, log[i].thread);
      return told;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (size_t c = 0; (c < std::size(cases) || host.Latency() != 0) && std::chrono::steady_clock::now() < deadline;) {
      host.Idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      while (c < std::size(cases) && !toldOf(cases[c].index).empty()) ++c;
    }
    for (const auto& c : cases) {
      EXPECT_EQ(toldOf(c.index), (std::vector<std::pair<float, HostThread>>{{c.snapped, HostThread::UserInterface}}))
          << "parameter " << c.index << ": told once, its state's value, on the user-interface thread";
      EXPECT_EQ(host.GetParameter(c.index), c.snapped) << c.index;
    }
    EXPECT_EQ(host.Latency(), 0) << "the new mode, with its latency no longer reported";
  }
}

TEST(HostedAudioThreadTest, TheFirstBlockOnANewAudioThreadAllocatesNothing) {
#ifdef QVX_SANITIZED_MODULES
  GTEST_SKIP() << "the sanitizers own the allocator";
#else
  TempConfigFolder prefs;
  PluginHost host;
  ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
  host.Start(48000.0, kFrames);
  AEffect* effect = host.Effect();
  for (int thread = 0; thread < 3; ++thread) {
    long allocations = -1;
    std::thread audio([&] {
      Buffers b;
      g_nAllocations = 0;
      g_WatchedThread = pthread_self();
      g_bCountAllocations = true;
      effect->processReplacing(effect, b.ins, b.outs, kFrames);
      g_bCountAllocations = false;
      allocations = g_nAllocations.load();
    });
    audio.join();
    EXPECT_EQ(allocations, 0) << "audio thread " << thread;
  }
#endif
}

}  // namespace
