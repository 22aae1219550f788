// Both editions' modules in one host process, as a host loads two plug-ins
// of this framework: each module holds its own copy of the toolkit, and
// their editors' X error handling must still leave every error of the
// host's own to the host's handler, whatever order the editors open in. And
// an editor asked to open in a window that does not exist says so. On a
// virtual X server of the test process's own (the modules connect to
// $DISPLAY); skipped without one.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>

#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"
// After the host's headers: Xlib's macros (None) would take their names.
#include "gui_frame/X11TestDisplay.h"

namespace {

using HostHandler = x11test::CountingHandler<0>;  // installed before any module loads

class EditorsInOneHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display = OpenTestDisplay();
    if (!display) GTEST_SKIP() << "no virtual X server (Xvfb)";
    XSetErrorHandler(HostHandler::Handle);
  }
  void TearDown() override {
    hosts.clear();
    if (display) XCloseDisplay(display);
  }

  PluginHost& Load(const char* module) {
    hosts.emplace_back(new PluginHost);
    PluginHost& host = *hosts.back();
    EXPECT_TRUE(host.Load(module)) << host.Error();
    host.Start(48000.0, 512);
    return host;
  }
  static void* Handle(Window window) { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
  // The errors the host's handler hears of for a request of its own that fails.
  int HostRequestFails() {
    const int before = HostHandler::count;
    x11test::FailingRequest(display);
    return HostHandler::count - before;
  }

  TempConfigFolder prefs;
  Display* display = nullptr;  // the host's connection
  std::vector<std::unique_ptr<PluginHost>> hosts;
};

}  // namespace

TEST_F(EditorsInOneHostTest, EditorsOfBothEditionsOpenedInAnyOrderLeaveTheHostsErrorsToTheHost) {
  for (const char* order : {"ABA", "BAB"}) {
    SCOPED_TRACE(order);
    std::map<char, PluginHost*> modules = {{'A', &Load(QVX_PRODUCT_MODULE)}, {'B', &Load(QVX_PRODUCT_MODULE_STD)}};
    std::map<char, Window> windows;
    for (const char* step = order; *step; ++step) {
      PluginHost& host = *modules[*step];
      // Opened again: closed first, as a host reopens an editor.
      if (windows.count(*step)) {
        host.Dispatch(effEditClose);
        XDestroyWindow(display, windows[*step]);
      }
      windows[*step] = x11test::OpenHostWindow(display, 600, 360);
      ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, Handle(windows[*step])), 1);
      for (int i = 0; i < 3; ++i)
        for (auto& m : modules) m.second->Idle();
      EXPECT_EQ(HostRequestFails(), 1) << "after opening " << (step - order + 1) << " editors";
    }
    for (auto& m : modules) {
      m.second->Dispatch(effEditClose);
      XDestroyWindow(display, windows[m.first]);
    }
    EXPECT_EQ(HostRequestFails(), 1) << "after closing them";
    hosts.clear();
  }
}

TEST_F(EditorsInOneHostTest, OpeningInAWindowThatDoesNotExistAnswersZeroAndLeavesNothingOpen) {
  for (const char* module : {QVX_PRODUCT_MODULE, QVX_PRODUCT_MODULE_STD}) {
    SCOPED_TRACE(module);
    PluginHost& host = Load(module);
    const int threads = x11test::ThreadsOfThisProcess();
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, Handle(0x7FFFFFF)), 0);
    EXPECT_EQ(x11test::ThreadsOfThisProcess(), threads) << "an idle thread was left behind";
    host.Idle();
    host.Dispatch(effEditClose);
    EXPECT_EQ(HostRequestFails(), 1) << "the host's errors still reach the host";
    // The editor opens as ever in a window that exists.
    const Window window = x11test::OpenHostWindow(display, 600, 360);
    EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, Handle(window)), 1);
    host.Idle();
    host.Dispatch(effEditClose);
    XDestroyWindow(display, window);
  }
}
