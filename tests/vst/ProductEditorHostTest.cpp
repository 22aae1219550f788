// Both editions' editors through the qvxhost program, as a user meets them:
// on a virtual X server of each test's own, with noise playing in real time
// and the input injected through XTEST. Parameters are read from the
// host's listing after the editors closed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "HostEditorSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

// The graph, the flip button's text (left of the meter), the area below the
// quality menu where its list opens, and the quality figures beside it.
const char* const kGraphArea = "32,35 504,263";
const char* const kFlipArea = "390,0 500,25";
const char* const kMenuListArea = "262,125 340,280";
const char* const kQualityFiguresArea = "350,110 600,190";
// The drags: down from bass to treble, and up across the low bands.
const char* const kDragDown = "drag 150,80 400,220 8";
const char* const kDragUp = "drag 100,200 300,100 5";
// Generous waits: the sanitizer builds draw many times slower.
const char* const kPatienceMs = " 20000";

struct Edition {
  const char* name;
  const char* path;
};
void PrintTo(const Edition& e, std::ostream* os) { *os << e.name; }

class ProductEditorHostTest : public EditorHostTest<::testing::TestWithParam<Edition>> {
 protected:
  RunResult Run(const std::string& args, const std::string& script) {
    return RunEditor(GetParam().path, args + " --script '" + script + "'");
  }
  std::string Shot(const std::string& tag) const {
    return testing::TempDir() + "qvx2_editor_" + std::to_string(::getpid()) + "_" + GetParam().name + "_" + tag +
           ".png";
  }

  TempConfigFolder prefs;  // the quality mode is also a preference
};

// Band gains in dB from the host's parameter listing, by instance (1 when
// there is one) and channel ('L' or 'R').
using Gains = std::map<int, std::map<char, std::vector<double>>>;

Gains ReadGains(const std::string& out) {
  Gains gains;
  static const std::regex row(R"(^(?:instance (\d+): )?\s*\d+\s+Gain ([LR])(\d+)\s+dB\s+(\S+)\s)");
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, row)) continue;
    const int instance = m[1].matched ? std::stoi(m[1]) : 1;
    std::vector<double>& channel = gains[instance][m[2].str()[0]];
    const size_t band = std::stoul(m[3]);
    if (channel.size() <= band) channel.resize(band + 1, 0.0);
    channel[band] = std::stod(m[4]);
  }
  return gains;
}

// The bands a drag set: one run of neighbours, every other band flat, the
// gains falling (or rising) along the run from above +6 dB to below -6 dB
// (or back), with at least `least` bands in it.
void ExpectOneDraggedRun(const std::vector<double>& db, bool falling, size_t least, const std::string& what) {
  size_t first = db.size(), last = 0;
  for (size_t b = 0; b < db.size(); ++b)
    if (db[b] != 0.0) {
      first = std::min(first, b);
      last = b;
    }
  ASSERT_LT(first, db.size()) << what << ": no band changed";
  EXPECT_GT(first, 0u) << what;
  EXPECT_LT(last + 1, db.size()) << what;
  EXPECT_GE(last - first + 1, least) << what;
  for (size_t b = first; b < last; ++b)
    EXPECT_TRUE(falling ? db[b + 1] < db[b] : db[b + 1] > db[b]) << what << ": band " << b;
  EXPECT_GT(falling ? db[first] : db[last], 6.0) << what;
  EXPECT_LT(falling ? db[last] : db[first], -6.0) << what;
}

bool AreaDiffers(const Png& a, const Png& b, long x1, long y1, long x2, long y2) {
  for (long y = y1; y < y2; ++y)
    for (long x = x1; x < x2; ++x)
      if (a.At(x, y) != b.At(x, y)) return true;
  return false;
}

void ExpectCleanRun(const RunResult& r) {
  EXPECT_NE(r.out.find("X errors reaching the host's handler: 0 from the plug-in's connections, 0 from the host's own"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_P(ProductEditorHostTest, LiveSpectrumMovesAndADragSetsTheBandsItCrosses) {
  const std::string a = Shot("a"), b = Shot("b"), c = Shot("c");
  // Each change is awaited against the shot before it: the second one comes
  // after the editor's first full drawing.
  const std::string until = std::string("; await change ") + kGraphArea + kPatienceMs + "; ";
  const RunResult r = Run("--params", "shot " + a + until + "shot " + b + until + "shot " + c + "; " + kDragDown);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  ExpectCleanRun(r);
  const Png pb(b), pc(c);
  ASSERT_EQ(pb.width, 600);
  ASSERT_EQ(pc.height, 360);
  EXPECT_TRUE(AreaDiffers(pb, pc, 32, 35, 504, 263)) << "the spectrum stood still";
  EXPECT_FALSE(AreaDiffers(pb, pc, 0, 300, 380, 360)) << "the panel below the graph holds still";
  for (const std::string& shot : {a, b, c}) std::remove(shot.c_str());

  // The left channel is edited; Snap mirrors it onto the right.
  Gains gains = ReadGains(r.out);
  ExpectOneDraggedRun(gains[1]['L'], true, 10, "left");
  EXPECT_EQ(gains[1]['L'], gains[1]['R']);
}

TEST_P(ProductEditorHostTest, FlipButtonShowsTheBackPanelWhereTheQualityMenuAppliesAMode) {
  // Transport stopped: a new quality mode is applied at once, not at the
  // next stop. The menu's last entry is the lowest quality.
  const std::string front = Shot("front"), back = Shot("back");
  const std::string wait = kPatienceMs;
  const RunResult r =
      Run("--params --log --transport stopped",
          "shot " + front + "; click 450,12; await change " + kFlipArea + wait + "; shot " + back +
              "; click 300,113; await change " + kMenuListArea + wait + "; key Up; key Return; await change " +
              kQualityFiguresArea + wait);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  ExpectCleanRun(r);
  const Png f(front), k(back);
  ASSERT_EQ(k.width, 600);
  EXPECT_TRUE(AreaDiffers(f, k, 32, 35, 504, 263)) << "the graph is gone";
  std::remove(front.c_str());
  std::remove(back.c_str());

  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(Quality Mode Rating\s+(\S+))"))) << r.out;
  EXPECT_EQ(m[1].str(), "Minimum");
  // The host heard of the new latency, the lowest mode's.
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(ioChanged latency (\d+) -> (\d+))"))) << r.out;
  EXPECT_EQ(m[2].str(), "768");
  EXPECT_NE(m[1].str(), m[2].str());
}

TEST_P(ProductEditorHostTest, TwoInstancesWithOpenEditorsTakeTheirOwnDrags) {
  // The pointer goes from a hovered graph of one editor straight into the
  // other's window.
  const RunResult r = Run("--instances 2 --params", std::string(kDragDown) + "; instance 2; " + kDragUp +
                                                        "; click 560,300; instance 1; move 300,150");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  ExpectCleanRun(r);
  EXPECT_NE(r.out.find("instance 1: editor open"), std::string::npos);
  EXPECT_NE(r.out.find("instance 2: editor open"), std::string::npos);
  Gains gains = ReadGains(r.out);
  ExpectOneDraggedRun(gains[1]['L'], true, 10, "instance 1");
  ExpectOneDraggedRun(gains[2]['L'], false, 5, "instance 2");
}

// A host that serialises every dispatcher call and every audio block with
// one lock, as some hosts do, while noise plays in real time on its audio
// thread: a drag of about 3 s by real X input must never hold a host call
// (nor so the audio) for long, must not ask for the host's idle, must bracket
// each parameter it moves once, and must show itself while the button is
// held, on each kind of control.
struct HeldDrag {
  const char* name;
  const char* module;
  const char* args;    // host options before the editor opens
  int x0, y0, x1, y1;  // from the press to the release, in the editor's window
  const char* shows;   // an area that shows the drag while it lasts
  size_t least, most;  // how many parameters it moves
  int moved;           // one of them (-1: any)
};
class SerialisingHostTest : public EditorHostTest<> {
 protected:
  TempConfigFolder prefs;  // the product keeps preferences
};

// Bounds of the host's longest call during a drag or an open menu and of the
// audio thread's longest wait for the host's lock. Alone on the machine each call takes
// about 10 ms; with every core busy, preemption and the wait for a redraw
// pass of the frame's idle thread (which holds the frame lock) stretch one
// to about 40 ms. A call held for the drag (or menu) lasts as long. The sanitizer
// builds run several times slower.
#ifdef QVX_SANITIZED_MODULES
constexpr double kSlower = 4.0;
#else
constexpr double kSlower = 1.0;
#endif
constexpr double kLongestCallMs = 50.0 * kSlower;
constexpr double kLongestAudioWaitMs = 60.0 * kSlower;
constexpr int kDragMoves = 30;
constexpr int kDragMs = 3000;

// The figures of the run's last calls step: the longest host call, the
// audio thread's longest wait for the host's lock and the audioMasterIdle
// requests since the step before; false when there is none.
bool LastCalls(const std::string& out, std::smatch& m) {
  static const std::regex kCalls(
      R"(longest host call ([0-9.]+) ms \(opcode -?\d+\), longest wait of the audio thread for the host's lock )"
      R"(([0-9.]+) ms, (\d+) audioMasterIdle requests)");
  bool found = false;
  for (std::sregex_iterator i(out.begin(), out.end(), kCalls), end; i != end; ++i) {
    m = *i;
    found = true;
  }
  return found;
}

void ExpectHostNotHeld(const std::string& out) {
  std::smatch m;
  ASSERT_TRUE(LastCalls(out, m)) << out;
  EXPECT_LT(std::stod(m[1]), kLongestCallMs) << m[0];
  EXPECT_LT(std::stod(m[2]), kLongestAudioWaitMs) << m[0];
  EXPECT_EQ(m[3], "0") << m[0];
}

TEST_F(SerialisingHostTest, ADragNeverHoldsTheHostAndShowsItselfWhileItLasts) {
  // Show FFT off: only the drag changes the graph. The trims unlinked: the
  // knob moves the left one alone.
  const HeldDrag drags[] = {
      {"curve", QVX_PRODUCT_MODULE, "--set 274=0", 150, 200, 390, 80, kGraphArea, 20, 270, -1},
      {"band handle", QVX_PRODUCT_MODULE_STD, "--set 274=0", 300, 149, 300, 60, kGraphArea, 2, 2, -1},
      {"knob", QVX_PRODUCT_MODULE, "--set 272=0", 445, 325, 445, 265, "428,279 480,340", 1, 1, 270},
      {"slider", QVX_TEST_MODULE_EDITOR, "", 25, 80, 215, 80, "20,70 220,90", 1, 1, 1},
  };
  for (const HeldDrag& d : drags) {
    SCOPED_TRACE(d.name);
    const std::string shot = testing::TempDir() + "qvx_held_" + std::to_string(::getpid()) + ".png";
    std::ostringstream script;
    script << "idle 5; calls; move " << d.x0 << ',' << d.y0 << "; press";
    for (int i = 1; i <= kDragMoves; ++i) {
      script << "; move " << d.x0 + (d.x1 - d.x0) * i / kDragMoves << ',' << d.y0 + (d.y1 - d.y0) * i / kDragMoves;
      if (i == kDragMoves / 2) script << "; shot " << shot;
      if (i == kDragMoves / 2 + 1) script << "; await change " << d.shows << kPatienceMs;
      script << "; wait " << kDragMs / kDragMoves;
    }
    script << "; release; calls";
    const RunResult r = RunEditor(d.module, std::string(d.args) + " --one-lock --log --script '" + script.str() + "'");
    std::remove(shot.c_str());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;

    ExpectHostNotHeld(r.out);
    std::smatch m;

    // One bracket per parameter the drag moves, its automation inside and
    // spread over the drag: the values follow the pointer, not the release.
    static const std::regex kPress(R"(step \d+ at ([0-9.]+) ms: press)"),
        kRelease(R"(step \d+ at ([0-9.]+) ms: release)");
    ASSERT_TRUE(std::regex_search(r.out, m, kPress)) << r.out;
    const double pressMs = std::stod(m[1]);
    ASSERT_TRUE(std::regex_search(r.out, m, kRelease)) << r.out;
    const double releaseMs = std::stod(m[1]);
    std::map<int, std::string> marks;
    std::vector<double> automated;
    static const std::regex kEdit(
        R"(host call: (beginEdit|automate|endEdit) index=(\d+)[^(]*\(ui thread, ([0-9.]+) ms\))");
    for (std::sregex_iterator i(r.out.begin(), r.out.end(), kEdit), end; i != end; ++i) {
      const std::string call = (*i)[1];
      marks[std::stoi((*i)[2])] += call == "beginEdit" ? '(' : call == "endEdit" ? ')' : 'a';
      if (call == "automate") automated.push_back(std::stod((*i)[3]));
    }
    EXPECT_GE(marks.size(), d.least);
    EXPECT_LE(marks.size(), d.most);
    if (d.moved >= 0) {
      EXPECT_EQ(marks.count(d.moved), 1u) << d.moved;
    }
    for (const auto& [index, seen] : marks)
      EXPECT_TRUE(std::regex_match(seen, std::regex(R"(\(a+\))"))) << index << ": " << seen;
    ASSERT_FALSE(automated.empty());
    const double half = pressMs + (releaseMs - pressMs) / 2, lastQuarter = releaseMs - (releaseMs - pressMs) / 4;
    EXPECT_LT(*std::min_element(automated.begin(), automated.end()), half);
    EXPECT_TRUE(
        std::any_of(automated.begin(), automated.end(), [&](double ms) { return ms > lastQuarter && ms < releaseMs; }));
  }
}

TEST_F(SerialisingHostTest, AnOpenMenuNeverHoldsTheHostAndEndsWithItsChoiceOrTheEditor) {
  // The back panel's quality menu, opened by a click whose release leaves it
  // open, held open while audio plays, then "Low" clicked in its list
  // (Medium is current; the transport stopped, so the mode applies at once).
  // Opened again and left open, it ends with the editor, which opened again
  // takes a click.
  const std::string shot = testing::TempDir() + "qvx_menu_" + std::to_string(::getpid()) + ".png";
  const std::string wait = kPatienceMs, openMenu = "click 300,113; await change " + std::string(kMenuListArea) + wait;
  const RunResult r = RunEditor(
      QVX_PRODUCT_MODULE, "--params --log --one-lock --transport stopped --script 'shot " + shot +
                              "; click 450,12; await change " + kFlipArea + wait + "; shot " + shot +
                              "; idle 5; calls; " + openMenu + "; wait 1500; calls; click 300,253; await change " +
                              kQualityFiguresArea + wait + "; shot " + shot + "; " + openMenu + "; close; open; shot " +
                              shot + "; click 450,12; await change " + kFlipArea + wait + "'");
  std::remove(shot.c_str());
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  ExpectCleanRun(r);
  ExpectHostNotHeld(r.out);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(Quality Mode Rating\s+(\S+))"))) << r.out;
  EXPECT_EQ(m[1].str(), "Low");
  // The host hears one bracket, the choice's, closed; the menu cut short by
  // the close leaves none open.
  std::string marks;
  static const std::regex kEdit(R"(host call: (beginEdit|automate|endEdit) index=298\b)");
  for (std::sregex_iterator i(r.out.begin(), r.out.end(), kEdit), end; i != end; ++i)
    marks += (*i)[1] == "beginEdit" ? '(' : (*i)[1] == "endEdit" ? ')' : 'a';
  EXPECT_TRUE(std::regex_match(marks, std::regex(R"(\(a+\))"))) << marks;
}

INSTANTIATE_TEST_SUITE_P(Editions, ProductEditorHostTest,
                         ::testing::Values(Edition{"Master", QVX_PRODUCT_MODULE}, Edition{"Std", QVX_PRODUCT_MODULE_STD}),
                         [](const ::testing::TestParamInfo<Edition>& info) { return std::string(info.param.name); });

}  // namespace
