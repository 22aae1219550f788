// The qvxhost program's editor mode on the pass-through effect's minimal
// editor, each test on a virtual X server of its own; and the script's
// syntax.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "HostEditorSupport.h"
#include "tests/vst/PassThroughEditor.h"
#include "tools/qvxhost/EditorScript.h"

namespace {

class HostEditorTest : public EditorHostTest<> {
 protected:
  HostEditorTest() : EditorHostTest("800x600x24") {}
  RunResult Run(const std::string& args) { return RunEditor(QVX_TEST_MODULE_EDITOR, args); }
};

TEST_F(HostEditorTest, OpensDrawsTakesADragAsOneEditAndCloses) {
  using E = PassThroughEditor;
  const long y = (E::kBarTop + E::kBarBottom) / 2;
  const long from = E::kBarLeft + 10, to = E::kBarLeft + (E::kBarRight - E::kBarLeft) * 3 / 4;
  const std::string before = testing::TempDir() + "qvxhost_editor_" + std::to_string(::getpid()) + "_a.png";
  const std::string after = testing::TempDir() + "qvxhost_editor_" + std::to_string(::getpid()) + "_b.png";
  const std::string at = "," + std::to_string(y);
  const RunResult r = Run("--log --script 'shot " + before + "; move " + std::to_string(from) + at +
                          "; press; await begin; move " + std::to_string(to) + at +
                          "; await automate; release; await end; shot " + after + "'");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("editor open in a 240x100 window"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("first drawing after"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("X errors reaching the host's handler: 0 from the plug-in's connections, 0 from the host's own"),
            std::string::npos)
      << r.out;

  // The bar is lit up to the gain: 0.5 at the opening, 0.75 after the drag.
  const long right = E::kBarRight - 5, middle = (E::kBarLeft + E::kBarRight) / 2 + 15;
  const Png a(before), b(after);
  ASSERT_EQ(a.width, E::kWidth);
  ASSERT_EQ(b.height, E::kHeight);
  EXPECT_EQ(a.At(middle, y), a.At(right, y));
  EXPECT_NE(a.At(from, y), a.At(middle, y));
  EXPECT_EQ(b.At(middle, y), b.At(from, y));
  EXPECT_NE(b.At(middle, y), b.At(right, y));
  std::remove(before.c_str());
  std::remove(after.c_str());

  // One bracket on the host's thread with the automation inside.
  const size_t begin = r.out.find("host call: beginEdit index=0 (ui thread");
  const size_t automate = r.out.find("host call: automate index=0 value=0.75 (ui thread");
  const size_t end = r.out.find("host call: endEdit index=0 (ui thread");
  ASSERT_NE(end, std::string::npos) << r.out;
  EXPECT_LT(begin, automate);
  EXPECT_LT(automate, end);
  EXPECT_EQ(Count(r.out, "host call: beginEdit"), 1);
}

TEST_F(HostEditorTest, CyclesTwoInstancesWithTheWindowDestroyedBeforeTheClose) {
  const RunResult r =
      Run("--log --cycles 3 --instances 2 --destroy-window-first --script 'instance 2; drag 30,50 200,50 3'");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Count(r.out, "editor closed (the host's window destroyed first)"), 6) << r.out;
  EXPECT_NE(r.out.find("first drawing over 6 openings"), std::string::npos);
  EXPECT_NE(r.out.find("growth from cycle 1 to cycle 3: +0 file descriptors, +0 threads"), std::string::npos);
  EXPECT_NE(r.out.find("X errors reaching the host's handler:"), std::string::npos);
  EXPECT_EQ(Count(r.out, "instance 2: host call: endEdit index=0"), 3);
  EXPECT_EQ(Count(r.out, "instance 1: host call: beginEdit"), 0) << "the script acts on the second instance";
}

TEST_F(HostEditorTest, AFailingStepEndsTheRunWithItsNameAfterClosingTheEditor) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"close; open; set 9=0.5", "step 3 (set 9=0.5): parameter 9 is outside the effect's 5 parameters"},
      {"click 50,50; await begin; await begin 50", "step 3 (await begin 50): the plug-in made no begin-edit call"},
      {"close; shot x.png", "step 2 (shot x.png): the editor of instance 1 is closed"},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(std::string("--script '") + c.script + "'");
    EXPECT_EQ(r.exitCode, 1) << c.script << "\n" << r.out << r.err;
    EXPECT_EQ(Lines(r.err), 1) << c.script << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.script << "\n" << r.err;
    EXPECT_EQ(Count(r.out, "editor open in"), Count(r.out, "editor closed")) << c.script << "\n" << r.out;
  }
}

TEST(EditorScriptTest, StepsTheirArgumentsAndDefaults) {
  std::vector<ScriptStep> steps;
  std::string error;
  ASSERT_TRUE(ParseEditorScript("move 1,-2; press\n  click 3,4 3 # a comment; not a step\n"
                                "drag 5,6 7,8;drag 0,0 9,9 4; wheel 5,6 left 3 ;key space;await end 100;"
                                "set 2=0.25;await change 1,2 30,40 700;shot a b.png",
                                steps, error) == false);
  EXPECT_EQ(error, "bad script step 11 'shot a b.png' (expected shot FILE.png)");
  ASSERT_EQ(steps.size(), 10u);
  const struct {
    StepKind kind;
    int x, y, x2, y2, button, count;
  } expected[] = {{StepKind::Move, 1, -2, 0, 0, 1, 1},  {StepKind::Press, 0, 0, 0, 0, 1, 1},
                  {StepKind::Click, 3, 4, 0, 0, 3, 1},  {StepKind::Drag, 5, 6, 7, 8, 1, 10},
                  {StepKind::Drag, 0, 0, 9, 9, 1, 4},   {StepKind::Wheel, 5, 6, 0, 0, 6, 3},
                  {StepKind::Key, 0, 0, 0, 0, 1, 1},    {StepKind::Await, 0, 0, 0, 0, 1, 1},
                  {StepKind::Set, 0, 0, 0, 0, 1, 1},    {StepKind::Await, 1, 2, 30, 40, 1, 1}};
  for (size_t i = 0; i < steps.size(); ++i) {
    const ScriptStep& s = steps[i];
    const auto& e = expected[i];
    EXPECT_TRUE(s.kind == e.kind && s.x == e.x && s.y == e.y && s.x2 == e.x2 && s.y2 == e.y2 &&
                s.button == e.button && s.count == e.count)
        << "step " << i + 1 << ": " << s.source;
  }
  EXPECT_EQ(steps[2].source, "click 3,4 3");
  EXPECT_EQ(steps[6].text, "space");
  EXPECT_TRUE(steps[7].await == AwaitKind::End && steps[7].ms == 100.0);
  EXPECT_TRUE(steps[8].index == 2 && steps[8].value == 0.25f);

  // Awaits that name what they wait for, and text with its spaces.
  steps.clear();
  ASSERT_TRUE(ParseEditorScript("await key space 100; await focus editor; await xerror; type 12 %;hide", steps, error))
      << error;
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_TRUE(steps[0].await == AwaitKind::Key && steps[0].text == "space" && steps[0].ms == 100.0);
  EXPECT_TRUE(steps[1].await == AwaitKind::Focus && steps[1].text == "editor" && steps[1].ms == 5000.0);
  EXPECT_TRUE(steps[2].await == AwaitKind::XError);
  EXPECT_TRUE(steps[3].kind == StepKind::Type && steps[3].text == "12 %");
  EXPECT_FALSE(ParseEditorScript("await focus frame", steps, error));
  EXPECT_FALSE(ParseEditorScript("await key", steps, error));
  EXPECT_TRUE(steps[9].await == AwaitKind::Change && steps[9].ms == 700.0);
  EXPECT_FALSE(ParseEditorScript("await change 30,40 1,2", steps, error)) << "an empty rectangle";
}

}  // namespace
