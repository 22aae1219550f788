// The effect under concurrent use, as hosts drive it: quality-mode switches
// while audio runs; a bounce's blocks back to back with kernel commits; an
// audio thread, host automation and two idle callers (the host's idle and
// the editor's idle task) with rebuilds and band-type refits all at once;
// and an audio thread that must go on while the other sides hold each of
// their locks. A watchdog fails the test instead of
// letting a deadlock hang it. Meant to run under AddressSanitizer (tools/run_tests.sh)
// and ThreadSanitizer (QVX_TSAN=ON, see the README).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "Helpers/Assert.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/Lock.h"
#include "Helpers/PersistantStorage.h"
#include "QVX2/QVX2Model.h"
#include "RunTestSupport.h"
#include "framework/FrameworkTestSupport.h"
#include "platform/PrefStore.h"
#include "vst/AEffEditor.h"

using namespace runtest;

namespace {

using Clock = std::chrono::steady_clock;

// The thread whose edits come from the editor's own controls.
thread_local bool t_bEditingFromGui = false;

class GuiEditor : public AEffEditor, public XREditorHooks {
 public:
  explicit GuiEditor(AudioEffect* effect) : AEffEditor(effect) {}
  void setParameter(long, float) override {}
  void SetRefreshControls() override {}
  bool IsOpen() const override { return true; }
  bool IsBuildingViews() const override { return false; }
  bool IsChangeFromGui() const override { return t_bEditingFromGui; }
  bool TryRemoveAllControls() override { return true; }
  bool IsInUseOnThisThread() const override { return false; }
  void RefreshFrontOrBack() override {}
  void UpdateUndoRedoControls() override {}
  void UpdateQMControls() override {}
  bool beginEdit(int) override { return false; }
  bool endEdit(int) override { return false; }
  Lock& GetLockA() override { return m_LockA; }

 private:
  Lock m_LockA;
};

// The audio thread: blocks of varying size until told to stop; counts
// blocks with a non-finite sample.
int64_t FrozenClock() { return 0; }

void AudioLoop(AQVX2& fx, std::atomic<bool>& stop, std::atomic<long>& blocks, std::atomic<long>& bad) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> size(1, 2048);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  std::vector<float> inL(2048), inR(2048), outL(2048), outR(2048);
  while (!stop.load()) {
    const int n = size(gen);
    for (int i = 0; i < n; ++i) {
      inL[static_cast<size_t>(i)] = noise(gen);
      inR[static_cast<size_t>(i)] = noise(gen);
    }
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    fx.processReplacing(ins, outs, n);
    for (int i = 0; i < n; ++i)
      if (!std::isfinite(outL[static_cast<size_t>(i)]) || !std::isfinite(outR[static_cast<size_t>(i)])) {
        bad.fetch_add(1);
        break;
      }
    blocks.fetch_add(1);
  }
}

}  // namespace

TEST(StressTest, FiftyQualityModeSwitchesUnderAudio) {
  fxtest::Watchdog watchdog(std::chrono::seconds(240));
  RunQvx2 fx;
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0}, bad{0};
  std::thread audio(AudioLoop, std::ref(fx), std::ref(stop), std::ref(blocks), std::ref(bad));
  const int ratings[] = {80, 10, 50, 20, 70, 30, 60, 40};
  for (int i = 0; i < 50; ++i) {
    const int rating = ratings[i % 8];
    const bool bDouble = i % 3 == 0;
    if (i % 2 == 0) {
      // As a host's suspend/resume around a settings change.
      fx.SetMode(rating, bDouble);
    } else {
      // As the host's idle applies it (the transport reports stopped).
      fx.setParameter(kQvx2QualityRating, static_cast<float>(rating) / 999.0f);
      fx.setParameter(kQvx2BitDepth, bDouble ? 1.0f : 0.5f);
      const auto deadline = Clock::now() + std::chrono::seconds(10);
      while (Clock::now() < deadline) {
        fx.fxIdle();
        CQVX2Engine* e = fx.Engine();
        if (e && e->nFftSize == kModes[rating / 10 - 1].nFftSize && (e->pDoubleFilter[0] != nullptr) == bDouble &&
            e->nKernelSize == kModes[rating / 10 - 1].nKernelSize)
          break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    CQVX2Engine* e = fx.Engine();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->nKernelSize, kModes[rating / 10 - 1].nKernelSize) << "switch " << i;
    EXPECT_EQ(e->pDoubleFilter[0] != nullptr, bDouble) << "switch " << i;
  }
  stop = true;
  audio.join();
  EXPECT_GT(blocks.load(), 50);
  EXPECT_EQ(bad.load(), 0);
}

TEST(StressTest, AudioAutomationAndTwoIdleCallersRunCleanUnderWatchdog) {
  fxtest::Watchdog watchdog(std::chrono::seconds(120));
  RunQvx2 fx;
  delete fx.getEditor();  // in place of the effect's own editor
  fx.setEditor(new GuiEditor(&fx));
  fx.SetMode(20, false);
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0}, bad{0}, rebuilds{0}, refits{0}, reads{0};

  std::thread audio(AudioLoop, std::ref(fx), std::ref(stop), std::ref(blocks), std::ref(bad));
  std::thread automation([&] {
    std::mt19937 gen(8);
    std::uniform_int_distribution<int> band(0, kQvx2NumGainParams - 1);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (long i = 0; !stop.load(); ++i) {
      fx.setParameter(band(gen), value(gen));
      if (i % 50 == 0) fx.setParameter(kQvx2Bypass, (i / 50) % 2 ? 1.0f : 0.0f);
      if (i % 70 == 0) fx.setParameter(kQvx2MSMode, (i / 70) % 2 ? 1.0f : 0.0f);
      if (i % 90 == 0) fx.setParameter(kQvx2FftSource, (i / 90) % 2 ? 1.0f : 0.0f);
      if (i % 30 == 0) fx.setParameter(kQvx2TrimLeft, value(gen));
      if (i % 40 == 0) fx.setParameter(kQvx2Depth, value(gen));
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  // The host's idle: rebuilds for new modes and bit depths, and reads the
  // analysers the way a graph on this thread would.
  std::thread hostIdle([&] {
    const int ratings[] = {10, 30, 20};
    auto next = Clock::now();
    for (int i = 0; !stop.load(); ++i) {
      fx.fxIdle();
      if (Clock::now() >= next) {
        next = Clock::now() + std::chrono::milliseconds(120);
        fx.setParameter(kQvx2QualityRating, static_cast<float>(ratings[i % 3]) / 999.0f);
        fx.setParameter(kQvx2BitDepth, i % 2 ? 1.0f : 0.5f);
        rebuilds.fetch_add(1);
      }
      // A graph reads between rebuilds: the editor's controls are removed
      // before one (see ApplyQualityModeSettingsOuter).
      fx.WithIdleLock([&] {
        if (CFrequencyDataStore* store = fx.GetDataStore(i % 2)) {
          const double* bins = store->BeginRead();
          double sum = 0.0;
          for (int k = 0; bins && k <= store->GetHalfSize(); k += 64) sum += bins[k];
          store->SetConsumed();
          store->EndRead();
          if (std::isfinite(sum)) reads.fetch_add(1);
        }
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  // The editor's idle task: filter updates of its own, the rate-limited idle
  // entry, and band-type edits that refit the gains.
  std::thread editorIdle([&] {
    auto next = Clock::now();
    for (int i = 0; !stop.load(); ++i) {
      fx.UpdateFilters(true);
      fx.MaybeCallFxIdle(XREffect::eFxIdleFromEditor);
      if (Clock::now() >= next) {
        next = Clock::now() + std::chrono::milliseconds(150);
        t_bEditingFromGui = true;
        fx.SetParamAndForceHostUpdate(kQvx2BandType, static_cast<float>(i % 7) / 99.0f);
        t_bEditingFromGui = false;
        refits.fetch_add(1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  });

  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  stop = true;
  for (std::thread* t : {&audio, &automation, &hostIdle, &editorIdle}) t->join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_GT(blocks.load(), 100);
  EXPECT_GT(rebuilds.load(), 5);
  EXPECT_GT(refits.load(), 5);
  EXPECT_GT(reads.load(), 0);
  EXPECT_FALSE(fx.AudioBusyHeld());
  // Quiet again: the last changes settle into one mode and current kernels.
  fx.suspend();
  fx.resume();
  fx.FinishUpdate();
  EXPECT_EQ(fx.GetFilterUpdateState(), 0);
}

// A bounce: blocks back to back, the curve moved every 20 ms of audio or as
// soon after as the idle side, on another thread, has designed and committed
// the last move. Every band is raised alike and the moves are of Depth, so
// each design is one flat gain: its kernel is that gain times a pure delay,
// and every output sample must be its input sample at the reported latency
// times one of the gains the curve took. A block lost to a commit (silence)
// or shifted by one fails. The input repeats a table of noise, so that each
// block is checked as it comes out.
TEST(StressTest, BackToBackBlocksWithTheCurveMovingAreEachFilteredAtTheLatency) {
  fxtest::Watchdog watchdog(std::chrono::seconds(240));
  constexpr int kBlock = 256, kBlocksPerMove = 4;
  constexpr size_t kTable = size_t{1} << 17;  // longer than any latency
  const float depths[] = {0.5f, 0.25f, 0.75f, 0.375f};
  Stereo table = Noise(static_cast<int>(kTable), 31);
  struct Case {
    int nRating;
    bool bDouble;
    int nMoves;
  };
  for (const Case c : {Case{30, false, 100}, Case{80, true, 12}}) {
    RunQvx2 fx;
    fx.SetMode(c.nRating, c.bDouble);
    fx.SetAllGains(0.6f);
    // The gains the model gives each Depth: the curve the kernels follow.
    std::vector<double> gains;
    for (float depth : depths) {
      fx.setParameter(kQvx2Depth, depth);
      fx.FinishUpdate();
      gains.push_back(std::pow(10.0, fx.GetFilterResponseDb(Qvx2PositionOfFrequency(1000.0f), 0) / 20.0));
    }
    const size_t latency = static_cast<size_t>(fx.HostLatency());
    std::atomic<bool> stop{false};
    std::thread idle([&] {
      while (!stop.load()) {
        fx.fxIdleInner();
        std::this_thread::yield();
      }
    });
    std::vector<float> outL(kBlock), outR(kBlock);
    std::string failure;
    int switches = 0, last = -1;
    size_t pos = 0;
    for (int move = 0; move < c.nMoves && failure.empty(); ++move) {
      fx.setParameter(kQvx2Depth, depths[move % 4]);
      for (int b = 0; (b < kBlocksPerMove || fx.IsIdleWorkPending()) && failure.empty(); ++b, pos += kBlock) {
        float* ins[2] = {&table.l[pos % kTable], &table.r[pos % kTable]};
        float* outs[2] = {outL.data(), outR.data()};
        fx.processReplacing(ins, outs, kBlock);
        // Each sample against the gain nearest to its own; the right channel
        // against the left one's.
        for (size_t j = pos < latency ? std::min<size_t>(kBlock, latency - pos) : 0; j < kBlock; ++j) {
          const size_t at = (pos + j - latency) % kTable;
          const double x = table.l[at], y = table.r[at];
          if (std::fabs(x) < 0.1) continue;
          int nearest = 0;
          for (int g = 1; g < 4; ++g)
            if (std::fabs(outL[j] - gains[g] * x) < std::fabs(outL[j] - gains[nearest] * x)) nearest = g;
          if (std::fabs(outL[j] - gains[nearest] * x) > 2e-5 || std::fabs(outR[j] - gains[nearest] * y) > 2e-5) {
            failure = "sample " + std::to_string(pos + j) + " (block " + std::to_string(pos / kBlock) +
                      "): " + std::to_string(outL[j]) + ", " + std::to_string(outR[j]) + " for input " +
                      std::to_string(x) + ", " + std::to_string(y);
            break;
          }
          switches += last != -1 && nearest != last ? 1 : 0;
          last = nearest;
        }
      }
    }
    stop = true;
    idle.join();
    EXPECT_EQ(failure, "") << "mode " << c.nRating;
    EXPECT_GE(switches, c.nMoves / 2) << "mode " << c.nRating << ": the moves reached the output";
  }
}

// Hosts that go on processing with the transport stopped and start it again
// while the idle side runs beside: each block that finds the transport
// playing after one that found it stopped starts a new stream, exactly
// once per start, and no idle call clears anything.
TEST(StressTest, EachTransportStartIsOneNewStreamWhileTheIdleSideRuns) {
  fxtest::Watchdog watchdog(std::chrono::seconds(120));
  class CountingQvx2 : public RunQvx2 {
   public:
    void ClearAllFFTFilters() override {
      clears.fetch_add(1);
      RunQvx2::ClearAllFFTFilters();
    }
    std::atomic<int> clears{0};
  } fx;
  fx.SetMode(10, false);
  fx.SetPaceClock(&FrozenClock);
  Stream(fx, Noise(512, 8), {512});  // takes the resume's new stream
  const int64_t before = fx.GetRenderCounts().newStreams;
  const int cleared = fx.clears.load();
  std::atomic<bool> done{false};
  long starts = 0;
  std::thread audio([&] {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> size(1, 2048);
    const Stereo in = Noise(2048, 9);
    Stereo out = Silence(2048);
    float* ins[2] = {const_cast<float*>(in.l.data()), const_cast<float*>(in.r.data())};
    float* outs[2] = {out.l.data(), out.r.data()};
    for (int b = 0; b < 600; ++b) {
      // Playing for twelve blocks, then stopped for twelve.
      const bool playing = (b / 12) % 2 == 1;
      if (playing && !TransportPlaying().load()) ++starts;
      TransportPlaying().store(playing);
      fx.processReplacing(ins, outs, size(gen));
    }
    done = true;
  });
  while (!done.load()) {
    fx.fxIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  audio.join();
  TransportPlaying().store(false);
  EXPECT_EQ(fx.GetRenderCounts().newStreams - before, starts);
  EXPECT_EQ(fx.clears.load(), cleared) << "the idle side cleared";
  EXPECT_FALSE(fx.AudioBusyHeld());
}

// The audio thread processes blocks and, between them, automates every kind
// of parameter (band gains with their undo points, a linked quality setting
// and a persistent parameter, both written to the preferences, a band type
// while the editor reports its own edit under way, bypass). Meanwhile this
// thread holds each lock of the idle and user-interface sides in turn and,
// while holding it, waits for the audio thread to finish more rounds. An
// audio thread that waited for the lock would finish none: the hold ends
// after a timeout and the test fails. (The level meter's feed, which only
// tries the editor's lock A, is tested with the editor.)
TEST(StressTest, AudioThreadNeverWaitsForALockTheOtherSidesHold) {
  fxtest::Watchdog watchdog(std::chrono::seconds(120));
  class ExposedQvx2 : public RunQvx2 {
   public:
    std::mutex& UndoMutex() { return m_UndoMutex; }
  } fx;
  static std::atomic<bool> s_bEditorEditing{false};
  class BusyEditor : public GuiEditor {
   public:
    using GuiEditor::GuiEditor;
    bool IsChangeFromGui() const override { return s_bEditorEditing.load(); }
  };
  auto* editor = new BusyEditor(&fx);
  delete fx.getEditor();  // in place of the effect's own editor
  fx.setEditor(editor);
  // "Offline Render" on: a host that reports real-time processing at a
  // real-time pace is taken at its word, and no block waits for a filter
  // update.
  fx.setParameter(kQvx2OfflineRender, 1.0f);
  fx.SetMode(10, false);
  ASSERT_TRUE(fx.GetOfflineRender());
  fx.setParameter(kQvx2QMLink, 1.0f);  // quality settings go to the preferences
  s_bEditorEditing = true;
  // The lock file the preference store serialises its writes with.
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("DM", 1));
  const std::string lockPath = platform::PrefStore(CPersistantStorage::ApplicationIdentifier()).FilePath() + ".lock";
  const int prefsLock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(prefsLock, 0);

  std::atomic<bool> stop{false};
  std::atomic<long> rounds{0};
  std::thread audio([&] {
    std::vector<float> inL(256, 0.1f), inR(256, -0.1f), outL(256), outR(256);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    for (long i = 0; !stop.load(); ++i) {
      fx.processReplacing(ins, outs, 256);
      fx.setParameter(static_cast<int>(2 * (i % kQvx2NumBands)), (i % 2) ? 0.7f : 0.3f);
      fx.setParameter(kQvx2DitherMode, static_cast<float>(1 + i % 4) / 4.0f);
      fx.setParameter(kQvx2FirstPersistantParam, static_cast<float>(i % 10) / 10.0f);
      fx.setParameter(kQvx2BandType, static_cast<float>(i % 3) / 99.0f);
      fx.setParameter(kQvx2Bypass, (i % 5 == 0) ? 1.0f : 0.0f);
      rounds.fetch_add(1);
    }
  });

  // Waits, while this thread holds a lock, for the audio thread to go on.
  auto expectAudioGoesOn = [&](const char* held) {
    const long start = rounds.load();
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (rounds.load() < start + 30 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(rounds.load() - start, 30) << "the audio thread stopped while the other side held " << held;
  };
  {
    std::lock_guard<std::mutex> undo(fx.UndoMutex());
    expectAudioGoesOn("the undo history");
  }
  fx.WithIdleLock([&] { expectAudioGoesOn("the idle side's mutex"); });
  CQVX2Engine* engine = fx.Engine();
  engine->pKernel[0]->Lock();
  engine->pKernel[1]->Lock();
  expectAudioGoesOn("the kernels' locks");
  engine->pKernel[1]->Unlock();
  engine->pKernel[0]->Unlock();
  CFrequencyDataStore* store = fx.GetDataStore(0);
  store->BeginRead();
  expectAudioGoesOn("a read of the analysers");
  store->EndRead();
  EXPECT_EQ(::flock(prefsLock, LOCK_EX), 0);
  expectAudioGoesOn("the preference file's lock");
  ::close(prefsLock);
  {
    // A rebuild's hold: the blocks are output as silence, not waited for.
    XREffect::CAudioBusyHold busy(&fx);
    expectAudioGoesOn("the audio-busy flag");
  }
  stop = true;
  audio.join();
  s_bEditorEditing = false;

  // What the audio thread handed over is finished by the idle side.
  fx.fxIdle();
  int stored = -1;
  EXPECT_TRUE(CPersistantStorage::QueryStoredPluginInt("DM", &stored));
  EXPECT_EQ(stored, fx.GetDitherMode() + 1) << "the last dither state reached the preferences";
  EXPECT_TRUE(fx.CanUndo());
}

namespace {
std::atomic<unsigned> g_nTickMs{1000};
unsigned TickClock() { return g_nTickMs.load(); }
}  // namespace

// Renders that the idle side meets between blocks, on another thread, as a
// host's 10 ms idle timer would: a host that answers "offline" and renders
// at real-time pace with its transport stopped, in Medium and Maximum (an
// idle call before every block), and one that answers "real time" while it
// renders flat out with its transport playing (one every 32 blocks). No
// block is cleared for a stop nor rebuilt for a new bit depth, and a step of
// every band gain made between two blocks is in the block where it arrives:
// the render equals one offline from its start with no idle side at all.
TEST(StressTest, RendersOfflineMeetNoClearBetweenTheirBlocksAndHaveEachStepInItsBlock) {
  fxtest::Watchdog watchdog(std::chrono::seconds(120));
  SetTickCountSourceForTesting(&TickClock);
  const struct {
    int rating;
    VstInt32 level;
    bool flatOut;
    size_t idleEvery;
  } rows[] = {{30, kVstProcessLevelOffline, false, 1},
              {80, kVstProcessLevelOffline, false, 1},
              {30, kVstProcessLevelRealtime, true, 32}};
  constexpr size_t kStepBlock = 70;  // 0.75 s in: past the half second a fast render is found in
  const Stereo input = Noise((kStepBlock + 90) * 512, 3);
  for (const auto& row : rows) {
    SCOPED_TRACE("rating " + std::to_string(row.rating) + ", answer " + std::to_string(row.level));
    const auto render = [&](RunQvx2& fx, VstInt32 level, bool withIdle) {
      ProcessLevel() = level;
      return Stream(fx, input, {512}, false, [&](size_t b) {
        g_nTickMs += row.flatOut ? 2 : 512 * 1000 / 48000;
        if (withIdle && b % row.idleEvery == 0) std::thread([&] { fx.fxIdle(); }).join();
        if (b != kStepBlock) return;
        fx.SetAllGains(0.8f);
        fx.setParameter(kQvx2BitDepth, 1.0f);  // a rebuild, for once the render has ended
      });
    };
    RunQvx2 offline(row.rating), fx(row.rating);
    const Stereo reference = render(offline, kVstProcessLevelOffline, false);
    TransportPlaying() = row.flatOut;
    if (row.flatOut) fx.SetPaceClock(&FrozenClock);
    const Stereo out = render(fx, row.level, true);
    TransportPlaying() = false;
    ASSERT_GT(MaxDelayedError(reference.l, input.l, fx.HostLatency()), 0.1) << "the step is heard";
    EXPECT_LT(MaxDelayedError(out.l, reference.l, 0), 1e-6);
    EXPECT_LT(MaxDelayedError(out.r, reference.r, 0), 1e-6);
  }
  ProcessLevel() = kVstProcessLevelRealtime;
  SetTickCountSourceForTesting(nullptr);
}

// An export the host declares offline, six band gains automated on its
// audio thread before every block, while the host's user-interface thread
// idles the effect every 10 ms (each of those idles meets the idle side
// that offline blocks take): the render is the same, block for block, as
// one that nobody idles, and no block after the first starts a new stream.
TEST(StressTest, AnOfflineExportIdledMeanwhileIsTheSameAsOneNobodyIdles) {
  fxtest::Watchdog watchdog(std::chrono::seconds(120));
  constexpr int kBlock = 512;
  constexpr size_t kBlocks = 600;
  const Stereo input = Noise(static_cast<int>(kBlocks) * kBlock, 11);
  ProcessLevel() = kVstProcessLevelOffline;
  TransportPlaying() = true;
  const auto render = [&](bool idled, int64_t& newStreams) {
    RunQvx2 fx(30);
    fx.SetPaceClock(&CRenderJudge::MonotonicMicroseconds);
    std::atomic<bool> done{false};
    std::thread idle([&] {
      while (idled && !done.load()) {
        fx.dispatcher(effIdle, 0, 0, nullptr, 0.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    Stereo out;
    std::thread audio([&] {
      const int64_t before = fx.GetRenderCounts().newStreams;
      out = Stream(fx, input, {kBlock}, false, [&](size_t b) {
        // A triangle from 0.5 to 0.8 and back every 94 blocks (about a second).
        const double phase = static_cast<double>(b % 94) / 94.0;
        const float gain = static_cast<float>(0.5 + 0.6 * (phase < 0.5 ? phase : 1.0 - phase));
        for (int band = 10; band < 16; ++band) fx.setParameter(2 * band, gain);
      });
      newStreams = fx.GetRenderCounts().newStreams - before;
    });
    audio.join();
    done = true;
    idle.join();
    return out;
  };
  int64_t quiet = 0, idledStreams = 0;
  const Stereo reference = render(false, quiet), idled = render(true, idledStreams);
  int differing = 0;
  for (size_t b = 0; b < kBlocks; ++b)
    for (size_t i = b * kBlock; i < (b + 1) * kBlock; ++i)
      if (idled.l[i] != reference.l[i] || idled.r[i] != reference.r[i]) {
        ++differing;
        break;
      }
  EXPECT_EQ(differing, 0) << "blocks that differ from the render nobody idled";
  EXPECT_EQ(idledStreams, quiet);
  EXPECT_LE(idledStreams, 1) << "the resume's new stream only";
  TransportPlaying() = false;
  ProcessLevel() = kVstProcessLevelRealtime;
}

// Renders made exact, in Medium: a step of every band gain in an offline
// render is heard from the input of its block on, never before it and at
// most a hop after; blocks that come with the transport stopped leave
// nothing in a play that follows them, whose hops start at its first sample
// (the same output as a fresh effect's); and the idle side, on another
// thread, designs nothing beside an offline render, whose next block that
// completes a frame does.
TEST(StressTest, OfflineStepsStartAtTheirBlockAndEachPlayStartsItsOwnHops) {
  fxtest::Watchdog watchdog(std::chrono::seconds(60));
  SetTickCountSourceForTesting(&TickClock);
  constexpr int kBlock = 512, kHop = 2048, kHalfKernel = 1024;
  constexpr size_t kStepBlock = 37;  // not at a hop's start
  const Stereo input = Noise(80 * kBlock, 5);
  ProcessLevel() = kVstProcessLevelOffline;
  const auto render = [&](bool withStep) {
    RunQvx2 fx(30);
    return std::make_pair(Stream(fx, input, {kBlock}, false,
                                 [&](size_t b) {
                                   if (withStep && b == kStepBlock) fx.SetAllGains(0.8f);
                                 }),
                          fx.HostLatency());
  };
  const auto [stepped, latency] = render(true);
  const Stereo reference = render(false).first;
  // An input sample reaches the output from latency - half the kernel on.
  const size_t earliest = kStepBlock * kBlock + static_cast<size_t>(latency - kHalfKernel);
  size_t firstHeard = 0;
  while (firstHeard < stepped.Size() && stepped.l[firstHeard] == reference.l[firstHeard]) ++firstHeard;
  EXPECT_GE(firstHeard, earliest) << "heard before its block";
  // Its centre tap, from the next hop's start at the latest.
  const size_t heardBy = kStepBlock * kBlock + kHop + static_cast<size_t>(latency) + 64;
  EXPECT_GT(MaxDelayedError(std::vector<float>(stepped.l.begin(), stepped.l.begin() + heardBy), reference.l, 0), 1e-2)
      << "not heard within a hop";

  // Stopped for 7 blocks of noise, then playing: as a fresh effect plays
  // the same audio from its start.
  ProcessLevel() = kVstProcessLevelRealtime;
  constexpr size_t kStopped = 7;
  RunQvx2 fx(30), fresh(30);
  const Stereo played = Stream(fx, input, {kBlock}, false, [&](size_t b) { TransportPlaying() = b >= kStopped; });
  const Stereo tail{std::vector<float>(input.l.begin() + kStopped * kBlock, input.l.end()),
                    std::vector<float>(input.r.begin() + kStopped * kBlock, input.r.end())};
  const Stereo freshOut = Stream(fresh, tail, {kBlock});
  TransportPlaying() = false;
  const Stereo playedTail{std::vector<float>(played.l.begin() + kStopped * kBlock, played.l.end()),
                          std::vector<float>(played.r.begin() + kStopped * kBlock, played.r.end())};
  EXPECT_EQ(MaxDelayedError(playedTail.l, freshOut.l, 0), 0.0);
  EXPECT_EQ(MaxDelayedError(playedTail.r, freshOut.r, 0), 0.0);

  // An offline render on another thread; the host's idle here.
  ProcessLevel() = kVstProcessLevelOffline;
  RunQvx2 rendered(30);
  const Stereo one = Noise(kBlock, 7);
  const auto block = [&] { std::thread([&] { Stream(rendered, one, {kBlock}); }).join(); };
  block();
  rendered.SetAllGains(0.8f);
  rendered.fxIdle();
  EXPECT_TRUE(rendered.FiltersMarked()) << "designed beside the render";
  block();
  block();
  EXPECT_TRUE(rendered.FiltersMarked()) << "designed in a block that completes no frame";
  // The fourth block of 512 completes the render's first hop of 2048.
  block();
  EXPECT_FALSE(rendered.FiltersMarked()) << "the render's block that completes a frame designs";
  ProcessLevel() = kVstProcessLevelRealtime;
  SetTickCountSourceForTesting(nullptr);
}
