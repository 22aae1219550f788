// The host opens and closes the editor on a real X window, again and again,
// on a busy machine: spinning threads take the cores, and at every opening
// the host's audio thread is inside a block that outlasts the frame's idle
// start, so the opening (which waits for the block before it builds its
// panel) is still under way when the idle thread's first pass would come.
// Under ThreadSanitizer any state of the editor that the idle thread reads
// before the opening has published it is reported; each opening must still
// answer, be drawn by the frame's own thread without the host's idle calls,
// and leave no window and no thread behind at its closing.
#include <cstdint>

#include "product_editor/EditorSupport.h"
// After the test framework: Xlib's macros.
#include "gui_frame/X11TestDisplay.h"

namespace {

// Threads that keep the cores busy until the scope ends.
class BusyThreads {
 public:
  explicit BusyThreads(int count) {
    for (int i = 0; i < count; ++i)
      m_Threads.emplace_back([this] {
        unsigned int x = 1;
        while (!m_bStop.load(std::memory_order_relaxed))
          for (int k = 0; k < 10000; ++k) x = x * 1103515245u + 12345u;
        m_nSink += x;
      });
  }
  ~BusyThreads() {
    m_bStop = true;
    for (std::thread& t : m_Threads) t.join();
  }
  BusyThreads(const BusyThreads&) = delete;
  BusyThreads& operator=(const BusyThreads&) = delete;

 private:
  std::atomic<bool> m_bStop{false};
  std::atomic<unsigned int> m_nSink{0};
  std::vector<std::thread> m_Threads;
};

// A block of the host's audio thread from its start until the scope ends.
class LongBlock {
 public:
  LongBlock(XREffect* effect, std::chrono::milliseconds length)
      : m_Thread([this, effect, length] {
          const XREffect::CAudioBusyTry block(effect);
          m_bInBlock = block.Held();
          std::this_thread::sleep_for(length);
        }) {
    x11test::Eventually([this] { return m_bInBlock.load(); });
  }
  ~LongBlock() { m_Thread.join(); }
  LongBlock(const LongBlock&) = delete;
  LongBlock& operator=(const LongBlock&) = delete;
  bool InBlock() const { return m_bInBlock.load(); }

 private:
  std::atomic<bool> m_bInBlock{false};
  std::thread m_Thread;
};

TEST(EditorOpenThreadTest, EveryOpeningDrawsAndEveryClosingEndsCleanWhileBusyThreadsAndALongBlockRun) {
  Display* display = OpenTestDisplay();
  if (!display) GTEST_SKIP() << "no X server (Xvfb) for the test";
  TempConfigFolder prefs;
  const frametest::RealWindowScope realWindows;  // with the frame's own idle thread
  // A pass of the idle thread at every millisecond once it runs.
  g_kIdleRate = 1;
  const auto closeEffect = [](AQVX2* fx) { Dispatch(*fx, effClose); };
  std::unique_ptr<AQVX2, decltype(closeEffect)> effect(new AQVX2(fxtest::RecordingHostCallback), closeEffect);
  Dispatch(*effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  Dispatch(*effect, effMainsChanged, 0, 1);
  const Window host = x11test::OpenHostWindow(display);
  const BusyThreads busy(4);
  for (int cycle = 0; cycle < 4; ++cycle) {
    SCOPED_TRACE(testing::Message() << "cycle " << cycle);
    const int threadsBefore = x11test::ThreadsOfThisProcess();
    {
      // Longer than the idle thread's start delay (200 ms), shorter than
      // the opening's wait for a block (500 ms).
      const LongBlock block(effect.get(), std::chrono::milliseconds(350));
      ASSERT_TRUE(block.InBlock());
      ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(host))), 1);
    }
    auto* gui = dynamic_cast<AEffGUIEditor*>(effect->getEditor());
    ASSERT_NE(gui, nullptr);
    CFrame* frame = gui->getFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(x11test::Eventually([&] { return x11test::Children(display, host).size() == 1; }));
    // No editor-idle call from the host: the frame's thread draws on its own.
    const unsigned long drawn = frame->getDrawCount();
    EXPECT_TRUE(x11test::Eventually([&] { return frame->hostIdleStale() && frame->getDrawCount() > drawn; }))
        << "the idle thread never drew the opened editor";
    Dispatch(*effect, effEditClose);
    EXPECT_EQ(gui->getFrame(), nullptr);
    EXPECT_TRUE(x11test::Eventually([&] { return x11test::Children(display, host).empty(); }))
        << "the editor's window outlived its closing";
    // A joined thread stays listed until the kernel has reaped it; the
    // first cycle may start threads of the runtime that stay.
    if (cycle > 0) {
      EXPECT_TRUE(x11test::Eventually([&] { return x11test::ThreadsOfThisProcess() <= threadsBefore; }))
          << "the idle thread outlived the closing: " << x11test::ThreadsOfThisProcess() << " threads, "
          << threadsBefore << " before";
    }
  }
  EXPECT_EQ(Dispatch(*effect.release(), effClose), 1);
  XDestroyWindow(display, host);
  XCloseDisplay(display);
}

}  // namespace
