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

// Depth's field (a double click types into it) on the first of two
// editors, while the window manager has given the second the focus.
TEST_F(HostWindowManagerTest, AClickTakesTheFocusTypedTextSetsTheFieldAndOtherKeysReachTheHost) {
  for (const char* edition : kEditions) {
    const RunResult r = Run(edition,
                            "--instances 2 --log --script '"
                            "instance 2; await focus host; instance 1; "
                            "click 395,285; click 395,285; await focus editor; "
                            // Keys follow the focus, not the pointer, which now lies off both windows.
                            "move 300,640; type 12; key Return; await automate; "
                            "await focus editor; key space; await key space'");
    ASSERT_EQ(r.exitCode, 0) << edition << "\n" << r.out << r.err;
    EXPECT_EQ(Count(r.out, "the host's window is in the window manager's frame"), 2) << r.out;
    EXPECT_NE(r.out.find("instance 1: host call: automate index=273 value=0.06 "), std::string::npos)
        << "Depth 12 %\n" << r.out;
    EXPECT_EQ(Count(r.out, "instance 1: the host's window got key press space"), 1) << r.out;
    EXPECT_EQ(Count(r.out, "the host's window got key press 1"), 0) << "the field took the digits\n" << r.out;
    EXPECT_EQ(Count(r.out, "instance 2: host call: "), 0) << r.out;
    EXPECT_NE(r.out.find(kNoErrors), std::string::npos) << r.out;
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

// 50 openings and closings while the signal plays: the time to the first
// drawing, and no descriptor, thread or megabyte of memory left behind. Then
// windows destroyed before the editor closes.
TEST_F(HostWindowManagerTest, FiftyCyclesLeaveNothingBehindAndADestroyedWindowIsNoError) {
  for (const char* edition : kEditions) {
    const RunResult r = Run(edition, "--cycles 50");
    ASSERT_EQ(r.exitCode, 0) << edition << "\n" << r.out << r.err;
    const std::vector<double> drawn = Figures(r.out, "first drawing over 50 openings:");
    ASSERT_EQ(drawn.size(), 3u) << r.out;
    EXPECT_LT(drawn[1], 1000.0) << "median ms";
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

}  // namespace
