// The product's editor, both editions, through the qvxhost program's editor
// mode under a window manager that frames windows and gives the focus on a
// click, as users meet it in a desktop host; each test on a virtual X server
// of its own. The bounds on time are loose, so that a loaded machine passes;
// the README states the figures measured.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "HostEditorSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

const char* const kEditions[] = {QVX_PRODUCT_MODULE, QVX_PRODUCT_MODULE_STD};

class HostWindowManagerTest : public EditorHostTest<> {
 protected:
  void SetUp() override {
    EditorHostTest::SetUp();
    if (!IsSkipped() && std::system("command -v openbox >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no window manager (tools/install_deps.sh installs openbox)";
  }
  // Freed memory goes back at once in the sanitizer build, so that resident
  // memory tells of leaks there too.
  RunResult Run(const char* module, const std::string& args) {
    return RunEditor(module, "--wm openbox " + args,
                     " ASAN_OPTIONS=\"${ASAN_OPTIONS}:quarantine_size_mb=0:thread_local_quarantine_size_kb=0\"");
  }
  TempConfigFolder prefs;
};

// The numbers a line of the output holds after `prefix`.
std::vector<double> Figures(const std::string& out, const std::string& prefix) {
  std::vector<double> figures;
  const size_t at = out.find(prefix);
  if (at == std::string::npos) return figures;
  const std::string line = out.substr(at + prefix.size(), out.find('\n', at) - at - prefix.size());
  static const std::regex kNumber("[-+]?[0-9]+(\\.[0-9]+)?");
  for (std::sregex_iterator i(line.begin(), line.end(), kNumber), end; i != end; ++i)
    figures.push_back(std::stod(i->str()));
  return figures;
}

const char* const kNoErrors =
    "X errors reaching the host's handler: 0 from the plug-in's connections, 0 from the host's own";

// The keyboard is the host's: a click on Bypass, a turn of the left trim's
// knob and a drag on the graph leave the focus on the host's window; a
// double click on Depth's field takes it for the typing, and the field gives
// it back when Return commits the value, and when a click elsewhere (the
// back panel's empty corner of the front, left of the colour button) leaves
// it. Other keys then reach the host's window straight. Under a window
// manager that frames windows and gives the focus on a click, and under
// none, where the host takes the focus itself.
TEST_F(HostWindowManagerTest, TheKeyboardStaysWithTheHostSaveWhileAFieldIsTyped) {
  const std::string script =
      "await focus host; click 49,15; idle 2; await focus host; "
      "drag 452,326 452,300 5; idle 2; await focus host; "
      "drag 200,150 200,100; idle 2; await focus host; "
      "click 395,285; click 395,285; await focus editor; type 12; key Return; await automate; await focus host; "
      "click 395,285; click 395,285; await focus editor; type 3; click 10,340; await focus host; "
      "key space; await key space";
  for (const bool managed : {true, false}) {
    for (const char* edition : kEditions) {
      SCOPED_TRACE(std::string(edition) + (managed ? " under openbox" : " without a window manager"));
      const RunResult r = managed ? Run(edition, "--log --script '" + script + "'")
                                  : RunEditor(edition, "--log --script 'take-focus; " + script + "'");
      ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
      EXPECT_EQ(Count(r.out, "the host's window is in the window manager's frame"), managed ? 1 : 0) << r.out;
      EXPECT_NE(r.out.find("host call: automate index=282 value=1 "), std::string::npos) << "Bypass on\n" << r.out;
      EXPECT_NE(r.out.find("host call: automate index=273 value=0.06 "), std::string::npos)
          << "Depth 12 %, committed with Return\n" << r.out;
      EXPECT_NE(r.out.find("host call: automate index=273 value=0.015 "), std::string::npos)
          << "Depth 3 %, kept by the click elsewhere\n" << r.out;
      EXPECT_EQ(Count(r.out, "the host's window got key press space"), 1) << r.out;
      EXPECT_EQ(Count(r.out, "the host's window got key press 1"), 0) << "the field took the digits\n" << r.out;
      EXPECT_NE(r.out.find(kNoErrors), std::string::npos) << r.out;
    }
  }
}

// A knob, a numeric field and a band of the curve, with the trims unlinked
// and the curve on the left channel alone, so that each drag edits one
// parameter: each reaches the host as begin-edit, automation, end-edit.
TEST_F(HostWindowManagerTest, EveryDragReachesTheHostAsOneBracketOfEdits) {
  for (const char* edition : kEditions) {
    const RunResult r = Run(edition,
                            "--set 272=0 --set 280=1 --set 279=0 --log --script '"
                            "drag 445,325 445,290; await end; drag 395,285 395,250; await end; "
                            "drag 200,150 200,100; await end'");
    ASSERT_EQ(r.exitCode, 0) << edition << "\n" << r.out << r.err;
    std::map<int, int> open;  // automations in the open bracket of each index; -1 when none is open
    std::vector<int> brackets;
    static const std::regex kCall("host call: (beginEdit|automate|endEdit) index=([0-9]+)");
    for (std::sregex_iterator i(r.out.begin(), r.out.end(), kCall), end; i != end; ++i) {
      const std::string call = (*i)[1];
      const int index = std::stoi((*i)[2]);
      auto at = open.emplace(index, -1).first;
      if (call == "beginEdit") {
        EXPECT_EQ(at->second, -1) << "nested bracket of " << index;
        at->second = 0;
      } else if (call == "automate") {
        EXPECT_GE(at->second, 0) << "automation of " << index << " outside a bracket\n" << r.out;
        ++at->second;
      } else {
        EXPECT_GT(at->second, 0) << "empty or unopened bracket of " << index;
        brackets.push_back(index);
        at->second = -1;
      }
    }
    ASSERT_EQ(brackets.size(), 3u) << r.out;
    EXPECT_EQ(brackets[0], 270);
    EXPECT_EQ(brackets[1], 273);
    for (const auto& o : open) EXPECT_EQ(o.second, -1) << "bracket of " << o.first << " left open";
  }
}

// Hidden, the editor sends the server nothing to draw; shown again it
// draws all of itself. Drawing is counted at the server, which sees it
// even on a hidden window. A drag source gone before its enter message
// reaches the editor makes the editor's look-up of its types fail: the
// error stays with the editor's connection.
TEST_F(HostWindowManagerTest, HidingStopsTheDrawingAndAnErrorOfTheEditorsConnectionStaysThere) {
  const RunResult r = Run(QVX_PRODUCT_MODULE,
                          "--script 'hide; idle 2; draws; wait 400; draws; show; await redraw; "
                          "dnd-enter-gone; await xerror'");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const std::vector<double> hidden = Figures(r.out.substr(r.out.find("wait 400")), "instance 1: ");
  ASSERT_FALSE(hidden.empty()) << r.out;
  EXPECT_EQ(hidden[0], 0.0) << "drawing while hidden\n" << r.out;
  EXPECT_NE(r.out.find("1 X errors sent to the editor's connection"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(kNoErrors), std::string::npos) << r.out;
}

// 50 openings and closings while the signal plays: each of them draws (the
// host's figures are over the openings that drew; their times are the
// README's measure, not a bound), and no descriptor, thread or megabyte of
// memory is left behind. Then windows destroyed before the editor closes.
TEST_F(HostWindowManagerTest, FiftyCyclesLeaveNothingBehindAndADestroyedWindowIsNoError) {
  for (const char* edition : kEditions) {
    const RunResult r = Run(edition, "--cycles 50");
    ASSERT_EQ(r.exitCode, 0) << edition << "\n" << r.out << r.err;
    const std::vector<double> drawn = Figures(r.out, "first drawing over 50 openings:");
    ASSERT_EQ(drawn.size(), 3u) << r.out;
    const std::vector<double> growth = Figures(r.out, "growth from cycle 1 to cycle 50:");
    ASSERT_EQ(growth.size(), 3u) << r.out;
    EXPECT_EQ(growth[0], 0.0) << "file descriptors\n" << r.out;
    EXPECT_EQ(growth[1], 0.0) << "threads\n" << r.out;
    EXPECT_LT(growth[2], 1024.0) << "kB resident\n" << r.out;
    EXPECT_NE(r.out.find(kNoErrors), std::string::npos) << r.out;

    const RunResult d = Run(edition, "--cycles 3 --destroy-window-first --script 'drag 395,285 395,250'");
    ASSERT_EQ(d.exitCode, 0) << edition << "\n" << d.out << d.err;
    EXPECT_EQ(Count(d.out, "editor closed (the host's window destroyed first)"), 3);
    EXPECT_NE(d.out.find(kNoErrors), std::string::npos) << d.out;
  }
}

// A host that puts in place an X error handler ending the process, then
// destroys its window before it closes the editor (at once, after idling
// it, with a field open and the keyboard taken, or after a drag and before
// opening the editor again): the process lives on.
TEST_F(HostWindowManagerTest, AFatalHostHandlerAndTheWindowGoingFirstEndNothing) {
  const char* const scripts[] = {
      "fatal-xerrors; destroy; close",
      "fatal-xerrors; destroy; idle 2; close",
      "click 395,285; click 395,285; await focus editor; fatal-xerrors; destroy; close",
      "drag 200,150 200,100; fatal-xerrors; destroy; close; open; drag 200,100 200,150; close",
  };
  for (const char* edition : kEditions) {
    for (const char* script : scripts) {
      SCOPED_TRACE(std::string(edition) + ": " + script);
      const RunResult r = Run(edition, std::string("--script '") + script + "'");
      EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
      EXPECT_EQ(r.err.find("fatal X error"), std::string::npos) << r.err;
      EXPECT_GE(Count(r.out, "editor closed"), 1) << r.out;
    }
  }
}

}  // namespace
