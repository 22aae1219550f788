// The host closes the effect while its editor is open on a real X window
// and the frame's idle thread draws the live spectrum from the effect's data
// stores: every order of effClose, effEditClose and the host's window
// destruction must end cleanly (run under AddressSanitizer and
// ThreadSanitizer, a freed store or a torn-down effect reached from the idle
// thread is reported), the editor is closed while the effect is still whole,
// and the idle thread is gone once effClose returns.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "QVX2/QVX2.h"
#include "QVX2/QVX2Editor.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CFrame.h"
#include "framework/FrameworkTestSupport.h"
#include "gui_frame/FrameTestSupport.h"
#include "gui_frame/X11TestDisplay.h"
#include "prefs/TempConfigFolder.h"

namespace {

int ThreadsOfThisProcess() {
  int n = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks))
      if (entry->d_name[0] != '.') ++n;
    closedir(tasks);
  }
  return n;
}

// Noise through processReplacing on a thread of its own until stopped.
class AudioThread {
 public:
  explicit AudioThread(AEffect* effect) : m_Thread([this, effect] { Run(effect); }) {}
  ~AudioThread() { Stop(); }
  void Stop() {
    m_bStop = true;
    if (m_Thread.joinable()) m_Thread.join();
  }

 private:
  void Run(AEffect* effect) {
    constexpr int kBlock = 256;
    std::vector<float> in[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
    float* ins[2] = {in[0].data(), in[1].data()};
    float* outs[2] = {out[0].data(), out[1].data()};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    while (!m_bStop.load()) {
      for (auto& channel : in)
        for (float& v : channel) v = noise(rng);
      effect->processReplacing(effect, ins, outs, kBlock);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::atomic<bool> m_bStop{false};
  std::thread m_Thread;
};

// The product's editor, noting whether the effect was still whole (the
// product's part not yet torn down) when the editor was closed.
std::atomic<int> g_nClosedWhole{0}, g_nClosedTorn{0};
class CloseProbeEditor : public QVX2Editor {
 public:
  using QVX2Editor::QVX2Editor;
  void close() override {
    Note();
    QVX2Editor::close();
  }
  // An editor still open when it is deleted is closed by its own destructor.
  ~CloseProbeEditor() override {
    if (IsOpen()) Note();
  }

 private:
  void Note() {
    if (!IsOpen()) return;
    ++(dynamic_cast<AQVX2*>(effect) != nullptr ? g_nClosedWhole : g_nClosedTorn);
  }
};

enum class EOrder { kCloseOnly, kWindowThenClose, kEditCloseThenClose, kWindowEditCloseThenClose };

TEST(EditorTeardownThreadTest, ClosingTheEffectWhileTheIdleThreadDrawsEndsCleanInEveryOrder) {
  Display* display = OpenTestDisplay();
  if (!display) GTEST_SKIP() << "no X server (Xvfb) for the test";
  TempConfigFolder prefs;
  const frametest::RealWindowScope realWindows;  // with the frame's own idle thread
  // A pass of the idle thread at every millisecond: one is drawing whenever
  // the effect goes.
  g_kIdleRate = 1;
  const EOrder orders[] = {EOrder::kCloseOnly, EOrder::kWindowThenClose, EOrder::kEditCloseThenClose,
                           EOrder::kWindowEditCloseThenClose};
  for (int round = 0; round < 12; ++round) {
    const EOrder order = orders[round % 4];
    SCOPED_TRACE(testing::Message() << "round " << round << ", order " << static_cast<int>(order));
    const int threadsBefore = ThreadsOfThisProcess();
    Window host = x11test::OpenHostWindow(display);
    auto* effect = new AQVX2(fxtest::RecordingHostCallback);
    delete effect->getEditor();
    new CloseProbeEditor(effect);
    g_nClosedWhole = g_nClosedTorn = 0;
    AEffect* record = effect->getAeffect();
    record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f);
    ASSERT_EQ(record->dispatcher(record, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(host)),
                                 0.0f),
              1);
    AudioThread audio(record);
    // The host idles the editor for its first drawing, then stops, as a host
    // about to close does: the frame's own thread goes on drawing.
    auto* gui = dynamic_cast<AEffGUIEditor*>(effect->getEditor());
    ASSERT_NE(gui, nullptr);
    CFrame* frame = gui->getFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(x11test::Eventually([&] {
      record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
      return frame->getDrawCount() > 0;
    }));
    ASSERT_TRUE(x11test::Eventually([&] { return frame->hostIdleStale(); }));
    const unsigned long drawn = frame->getDrawCount();
    ASSERT_TRUE(x11test::Eventually([&] { return frame->getDrawCount() > drawn + 3; }))
        << "the idle thread never drew the live spectrum";
    audio.Stop();

    if (order == EOrder::kWindowThenClose || order == EOrder::kWindowEditCloseThenClose) {
      XDestroyWindow(display, host);
      XSync(display, False);
      host = 0;
    }
    if (order == EOrder::kEditCloseThenClose || order == EOrder::kWindowEditCloseThenClose)
      record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(g_nClosedWhole.load(), 1) << "the editor closes once, before the effect's engine goes";
    EXPECT_EQ(g_nClosedTorn.load(), 0);
    // The first round may start threads of the runtime (a sanitizer's) that
    // stay for the process.
    if (round > 0) {
      EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "a thread of the editor outlived the effect";
    }
    if (host) XDestroyWindow(display, host);
    XSync(display, False);
  }
  XCloseDisplay(display);
  g_kIdleRate = 10;
}

}  // namespace
