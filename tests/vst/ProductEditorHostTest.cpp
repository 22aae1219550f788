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
// (nor so the audio) for a large part of it, must take each motion in a call
// of its own, must not ask for the host's idle, must bracket each parameter
// it moves once, and must show itself while the button is held, on each
// kind of control. The figures are the host's counts, not a stopwatch's
// bounds: a busy machine stretches a call by a few hundred milliseconds, a
// call held for the gesture lasts as long as the gesture.
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

constexpr int kDragMoves = 30;
constexpr int kDragMs = 3000;
// The drag is reported on in parts of this many motions each.
constexpr int kMovesPerPart = 5;
constexpr int kMenuOpenMs = 1500;

// What one calls step reports.
struct CallsReport {
  std::string line;
  double longestCallMs = 0.0, longestWaitMs = 0.0;
  int masterIdles = 0, blocks = 0, automatingCalls = 0;
};

std::vector<CallsReport> ReadCalls(const std::string& out) {
  static const std::regex kCalls(
      R"(longest host call ([0-9.]+) ms \(opcode -?\d+\), longest wait of the audio thread for the host's lock )"
      R"(([0-9.]+) ms, (\d+) audioMasterIdle requests, (\d+) audio blocks, \d+ automation requests in (\d+) )"
      R"(host calls)");
  std::vector<CallsReport> reports;
  for (std::sregex_iterator i(out.begin(), out.end(), kCalls), end; i != end; ++i) {
    const std::smatch& m = *i;
    reports.push_back({m[0], std::stod(m[1]), std::stod(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5])});
  }
  return reports;
}

// Held for a third of the time the gesture lasted is held for the gesture:
// no busy machine stretches a call of a few milliseconds that far.
void ExpectHostNotHeld(const CallsReport& r, double gestureMs) {
  EXPECT_LT(r.longestCallMs, gestureMs / 3) << r.line;
  EXPECT_LT(r.longestWaitMs, gestureMs / 3) << r.line;
  EXPECT_EQ(r.masterIdles, 0) << r.line;
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
    // Two idle passes after each motion: the second began after the motion
    // was sent, so the next motion cannot join it in one call even when a
    // busy machine stretched the call under way. A calls step after every
    // few motions: a call or wait held for a third of the drag spans one.
    std::ostringstream script;
    script << "idle 5; calls; move " << d.x0 << ',' << d.y0 << "; press";
    for (int i = 1; i <= kDragMoves; ++i) {
      script << "; move " << d.x0 + (d.x1 - d.x0) * i / kDragMoves << ',' << d.y0 + (d.y1 - d.y0) * i / kDragMoves
             << "; idle 2";
      if (i == kDragMoves / 2) script << "; shot " << shot;
      if (i == kDragMoves / 2 + 1) script << "; await change " << d.shows << kPatienceMs;
      script << "; wait " << kDragMs / kDragMoves;
      if (i % kMovesPerPart == 0 && i < kDragMoves) script << "; calls";
    }
    script << "; release; calls";
    const RunResult r = RunEditor(d.module, std::string(d.args) + " --one-lock --log --script '" + script.str() + "'");
    std::remove(shot.c_str());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;

    // The first report is of the opening; then one per part of the drag,
    // the last with the release. Every part: no call or wait held, the
    // audio's blocks going on, and each motion's automation in a call of
    // its own (the press may bring one more).
    const std::vector<CallsReport> calls = ReadCalls(r.out);
    ASSERT_EQ(calls.size(), 1u + kDragMoves / kMovesPerPart) << r.out;
    for (size_t part = 1; part < calls.size(); ++part) {
      SCOPED_TRACE("part " + std::to_string(part) + " of the drag");
      ExpectHostNotHeld(calls[part], kDragMs);
      EXPECT_GT(calls[part].blocks, 0) << calls[part].line;
      EXPECT_GE(calls[part].automatingCalls, kMovesPerPart) << calls[part].line;
    }

    // One bracket per parameter the drag moves, its automation inside.
    std::map<int, std::string> marks;
    static const std::regex kEdit(R"(host call: (beginEdit|automate|endEdit) index=(\d+)[^(]*\(ui thread)");
    for (std::sregex_iterator i(r.out.begin(), r.out.end(), kEdit), end; i != end; ++i) {
      const std::string call = (*i)[1];
      marks[std::stoi((*i)[2])] += call == "beginEdit" ? '(' : call == "endEdit" ? ')' : 'a';
    }
    EXPECT_GE(marks.size(), d.least);
    EXPECT_LE(marks.size(), d.most);
    if (d.moved >= 0) {
      EXPECT_EQ(marks.count(d.moved), 1u) << d.moved;
    }
    for (const auto& [index, seen] : marks)
      EXPECT_TRUE(std::regex_match(seen, std::regex(R"(\(a+\))"))) << index << ": " << seen;
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
  const RunResult r =
      RunEditor(QVX_PRODUCT_MODULE, "--params --log --one-lock --transport stopped --script 'shot " + shot +
                                        "; click 450,12; await change " + kFlipArea + wait + "; shot " + shot +
                                        "; idle 5; calls; " + openMenu + "; wait " + std::to_string(kMenuOpenMs) +
                                        "; calls; click 300,253; await change " + kQualityFiguresArea + wait +
                                        "; shot " + shot + "; " + openMenu + "; close; open; shot " + shot +
                                        "; click 450,12; await change " + kFlipArea + wait + "'");
  std::remove(shot.c_str());
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  ExpectCleanRun(r);
  // The second report: the menu's time open.
  const std::vector<CallsReport> calls = ReadCalls(r.out);
  ASSERT_EQ(calls.size(), 2u) << r.out;
  ExpectHostNotHeld(calls[1], kMenuOpenMs);
  EXPECT_GT(calls[1].blocks, 0) << calls[1].line;
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
