// The toolkit's X error handling against hosts that play with the process's
// error handler: whatever the host installs, and in whatever order, the
// errors of the toolkit's connections stay with the toolkit and each error
// of the host's own reaches the host's handler exactly once, never in a
// cycle. On a real X server (one per test process); skipped without one.
#include <gtest/gtest.h>

#include <vector>

#include "X11TestDisplay.h"
#include "platform/X11ErrorTrap.h"

namespace {

// The host's handlers. Each counts what reaches it; the fatal one stands for
// one that ends the process (it must hear of no toolkit error); the chaining
// one passes every error on to the handler it replaced, as well-behaved
// toolkits do.
using First = x11test::CountingHandler<0>;
using Fatal = x11test::CountingHandler<1>;
int g_nChaining = 0;
XErrorHandler g_ChainingPrevious = nullptr;
int ChainingHandler(Display* display, XErrorEvent* error) {
  ++g_nChaining;
  return g_ChainingPrevious ? g_ChainingPrevious(display, error) : 0;
}
void InstallChaining() {
  const XErrorHandler replaced = XSetErrorHandler(ChainingHandler);
  if (replaced != ChainingHandler) g_ChainingPrevious = replaced;
}
using x11test::FailingRequest;

class X11ErrorHubTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = OpenTestDisplay();
    if (!host) GTEST_SKIP() << "no X server (Xvfb) for the test";
    XSetErrorHandler(First::Handle);
    toolkit = X11OpenConnection();
    ASSERT_NE(toolkit, nullptr);
  }
  void TearDown() override {
    toolkit.reset();
    if (host) XCloseDisplay(host);
  }
  Display* host = nullptr;
  X11ConnectionPtr toolkit;
};

}  // namespace

TEST_F(X11ErrorHubTest, HostErrorsReachTheHostOnceAndToolkitErrorsNeverWhateverTheHostInstalls) {
  // The host's moves from its first handler on: C installs the chaining
  // handler, F the fatal one, 1 the first one again; K is the toolkit putting
  // its own back on top.
  const struct {
    const char* arrangement;
    const char* moves;
    int first, chaining, fatal;  // what a host error reaches
  } rows[] = {
      {"the host's handler, in force before the toolkit's", "", 1, 0, 0},
      {"a chaining handler installed later, still in force", "C", 1, 1, 0},
      {"a chaining handler installed later, the toolkit's put back", "CK", 1, 1, 0},
      {"a chaining handler that puts itself back over the toolkit's", "CKC", 1, -1, 0},
      {"a fatal handler installed later, the toolkit's put back", "FK", 0, 0, 1},
      {"the host's own handler back after all that", "FK1K", 1, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arrangement);
    // Every row starts from the host's first handler, found on top again.
    XSetErrorHandler(First::Handle);
    X11KeepErrorHandler();
    g_ChainingPrevious = nullptr;
    for (const char* move = row.moves; *move; ++move)
      if (*move == 'C')
        InstallChaining();
      else if (*move == 'K')
        X11KeepErrorHandler();
      else
        XSetErrorHandler(*move == 'F' ? Fatal::Handle : First::Handle);
    First::count = g_nChaining = Fatal::count = 0;

    const unsigned long swallowed = X11SwallowedErrorCount();
    FailingRequest(toolkit.get());
    EXPECT_EQ(X11SwallowedErrorCount(), swallowed + 1) << "the toolkit's error stays with the toolkit";
    EXPECT_EQ(First::count + Fatal::count, 0) << "the host heard of the toolkit's error";

    g_nChaining = 0;
    FailingRequest(host);
    EXPECT_EQ(First::count, row.first) << "the host's first handler";
    EXPECT_EQ(Fatal::count, row.fatal) << "the handler that would end the process";
    // One that chains back after the toolkit put its own back may be asked
    // twice on the way; what matters is that it is asked at all.
    if (row.chaining >= 0)
      EXPECT_EQ(g_nChaining, row.chaining);
    else
      EXPECT_GE(g_nChaining, 1);
    EXPECT_EQ(X11SwallowedErrorCount(), swallowed + 1) << "the toolkit took the host's error";
  }
  XSetErrorHandler(First::Handle);
  X11KeepErrorHandler();
}

// Connections are registered however many the toolkit opens, and a closed
// one is no longer the toolkit's.
TEST_F(X11ErrorHubTest, EveryConnectionOfManyIsTheToolkitsUntilClosed) {
  constexpr int kConnections = 100;
  std::vector<X11ConnectionPtr> connections;
  for (int i = 0; i < kConnections; ++i) {
    connections.push_back(X11OpenConnection());
    ASSERT_NE(connections.back(), nullptr) << i;
  }
  First::count = 0;
  const unsigned long swallowed = X11SwallowedErrorCount();
  for (X11ConnectionPtr& c : connections) {
    CX11ErrorTrap trap(c.get());
    FailingRequest(c.get());
    EXPECT_TRUE(trap.Failed());
  }
  EXPECT_EQ(X11SwallowedErrorCount(), swallowed + kConnections);
  EXPECT_EQ(First::count, 0);

  // Closed, a connection's address may come back as a host's.
  connections.clear();
  Display* reopened = XOpenDisplay(nullptr);
  ASSERT_NE(reopened, nullptr);
  FailingRequest(reopened);
  EXPECT_EQ(First::count, 1) << "an error of a connection that is no longer the toolkit's reaches the host";
  XCloseDisplay(reopened);
}
