// The host closes the effect while its editor is open on a real X window
// and the frame's idle thread draws the live spectrum from the effect's data
// stores: every order of effClose, effEditClose and the host's window
// destruction must end cleanly (run under AddressSanitizer and
// ThreadSanitizer, a freed store or a torn-down effect reached from the idle
// thread is reported), the editor is closed while the effect is still whole,
// and the idle thread is gone once effClose returns. A child forked with the
// editor open closes it apart from the parent.
#include <cstdint>

#include "product_editor/EditorSupport.h"
#include "gui_frame/X11TestDisplay.h"
// After the test framework: Xlib's macros.
#include <X11/extensions/XTest.h>

namespace {

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

TEST(EditorTeardownThreadTest, ClosingTheEffectWhileTheIdleThreadDrawsEndsCleanInEveryOrder) {
  Display* display = OpenTestDisplay();
  if (!display) GTEST_SKIP() << "no X server (Xvfb) for the test";
  TempConfigFolder prefs;
  const frametest::RealWindowScope realWindows;  // with the frame's own idle thread
  // A pass of the idle thread at every millisecond: one is drawing whenever
  // the effect goes.
  g_kIdleRate = 1;
  for (int round = 0; round < 12; ++round) {
    // Before effClose: the host's window destroyed or not, effEditClose or not.
    const bool windowFirst = round & 1, editCloseFirst = round & 2;
    SCOPED_TRACE(testing::Message() << "round " << round);
    const int threadsBefore = x11test::ThreadsOfThisProcess();
    Window host = x11test::OpenHostWindow(display);
    auto* effect = new AQVX2(fxtest::RecordingHostCallback);
    delete effect->getEditor();
    new CloseProbeEditor(effect);
    g_nClosedWhole = g_nClosedTorn = 0;
    Dispatch(*effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(*effect, effMainsChanged, 0, 1);
    ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(host))), 1);
    edtest2::NoisePlayer audio(effect->getAeffect());
    // The host idles the editor for its first drawing, then stops, as a host
    // about to close does: the frame's own thread goes on drawing.
    auto* gui = dynamic_cast<AEffGUIEditor*>(effect->getEditor());
    ASSERT_NE(gui, nullptr);
    CFrame* frame = gui->getFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(x11test::Eventually([&] {
      Dispatch(*effect, effEditIdle);
      return frame->getDrawCount() > 0;
    }));
    ASSERT_TRUE(x11test::Eventually([&] { return frame->hostIdleStale(); }));
    const unsigned long drawn = frame->getDrawCount();
    ASSERT_TRUE(x11test::Eventually([&] { return frame->getDrawCount() > drawn + 3; }))
        << "the idle thread never drew the live spectrum";
    audio.Stop();

    if (windowFirst) {
      XDestroyWindow(display, host);
      XSync(display, False);
      host = 0;
    }
    if (editCloseFirst) Dispatch(*effect, effEditClose);
    EXPECT_EQ(Dispatch(*effect, effClose), 1);
    EXPECT_EQ(g_nClosedWhole.load(), 1) << "the editor closes once, before the effect's engine goes";
    EXPECT_EQ(g_nClosedTorn.load(), 0);
    // The first round may start threads of the runtime (a sanitizer's) that
    // stay for the process. A joined thread stays listed until the kernel
    // has reaped it, in this round's count or the last round's.
    if (round > 0) {
      EXPECT_TRUE(x11test::Eventually([&] { return x11test::ThreadsOfThisProcess() <= threadsBefore; }))
          << "a thread of the editor outlived the effect: " << x11test::ThreadsOfThisProcess() << " threads, "
          << threadsBefore << " before";
    }
    if (host) XDestroyWindow(display, host);
    XSync(display, False);
  }
  XCloseDisplay(display);
  g_kIdleRate = 10;
}

// A host forks with the editor open (to run something apart, in a child);
// the child closes the effect, or the editor and then the effect, or idles
// them first, and ends.
// It sends nothing on the X connection it shares with the parent and joins
// no thread of the parent's: it exits 0, and the parent's editor then still
// draws and takes a drag on the curve, which reaches the host as its edits.
TEST(EditorForkedChildTest, AChildClosingTheEditorOrTheEffectLeavesTheParentsEditorWorking) {
  Display* display = OpenTestDisplay();
  if (!display) GTEST_SKIP() << "no X server (Xvfb) for the test";
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) GTEST_SKIP() << "no XTEST";
  TempConfigFolder prefs;
  const frametest::RealWindowScope realWindows;  // with the frame's own idle thread
  struct Row {
    const char* name;
    std::vector<VstInt32> before;  // the child's requests before effClose
  };
  const Row rows[] = {{"effClose with the editor open", {}},
                      {"effEditClose, then effClose", {effEditClose}},
                      {"effEditIdle and effIdle, then effClose", {effEditIdle, effIdle}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Window host = x11test::OpenHostWindow(display, 600, 360);
    auto* effect = new AQVX2(fxtest::RecordingHostCallback);
    Dispatch(*effect, effOpen);
    Dispatch(*effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(*effect, effMainsChanged, 0, 1);
    ASSERT_EQ(Dispatch(*effect, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(host))), 1);
    CFrame* frame = dynamic_cast<AEffGUIEditor*>(effect->getEditor())->getFrame();
    ASSERT_TRUE(x11test::Eventually([&] {
      Dispatch(*effect, effEditIdle);
      return frame->getDrawCount() > 0;
    }));
    // The sanitizers' allocator has no fork handler: a thread of the
    // parent's inside it at the fork (a pass drawing, or the thread library
    // still starting the frame's idle thread) would leave its lock held in
    // the child.
    ASSERT_TRUE(x11test::Eventually([&] { return frame->isIdleThreadRunning(); }));
    int closed = -2;
    {
      // Forked between two passes of the frame's idle thread.
      const CScopedLock betweenPasses(frame->getFrameLock());
      closed = fxtest::InForkedChild([&] {
        for (const VstInt32 opcode : row.before) Dispatch(*effect, opcode);
        Dispatch(*effect, effClose);
        return 0;
      });
    }
    EXPECT_EQ(closed, 0) << "the child ends cleanly (-1: it hung or was ended by a signal)";

    // A drag on the curve by another client, while the host idles the editor.
    fxtest::HostLog::Get().Reset();
    const unsigned long drawn = frame->getDrawCount();
    const auto seen = [](VstInt32 opcode) { return !fxtest::HostLog::Get().CallsOf(opcode).empty(); };
    std::atomic<bool> released{false};
    std::thread user([&] {
      Display* other = XOpenDisplay(nullptr);
      XTestFakeMotionEvent(other, -1, x11test::kHostX + 200, x11test::kHostY + 150, CurrentTime);
      XTestFakeButtonEvent(other, 1, True, CurrentTime);
      for (int y = 145; y >= 100; y -= 5)
        XTestFakeMotionEvent(other, -1, x11test::kHostX + 200, x11test::kHostY + y, CurrentTime);
      XSync(other, False);
      x11test::Eventually([&] { return seen(audioMasterAutomate); });
      XTestFakeButtonEvent(other, 1, False, CurrentTime);
      XCloseDisplay(other);
      released = true;
    });
    const bool edited = x11test::Eventually([&] {
      Dispatch(*effect, effEditIdle);
      return released && seen(audioMasterEndEdit);
    });
    user.join();
    EXPECT_TRUE(edited) << "the drag's edits reach the host";
    EXPECT_TRUE(seen(audioMasterBeginEdit));
    EXPECT_TRUE(x11test::Eventually([&] {
      Dispatch(*effect, effEditIdle);
      return frame->getDrawCount() > drawn;
    })) << "the editor draws";
    Dispatch(*effect, effClose);
    XDestroyWindow(display, host);
    XSync(display, False);
  }
  XCloseDisplay(display);
}

}  // namespace
