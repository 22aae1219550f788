#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "framework/FrameworkTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace {

using fxtest::FakeEditor;
using fxtest::HostLog;
using fxtest::TestEffect;
constexpr int kHost = TestEffect::kHostParams;
constexpr int kA = TestEffect::kParams;
constexpr int kAB = TestEffect::kABParams;

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_pEffect = std::make_unique<TestEffect>(fxtest::RecordingHostCallback, true);
    HostLog::Get().Reset();
  }
  TestEffect& Fx() { return *m_pEffect; }
  FakeEditor& Editor() { return *m_pEffect->Editor(); }
  // What the editor does for a control: a gesture bracket around writes.
  void Drag(int index, std::initializer_list<float> values) {
    Fx().beginEdit(index);
    for (float v : values) Fx().SetParamAndForceHostUpdate(index, v);
    Fx().endEdit(index);
  }
  void Undo() {
    Fx().beginEdit(kXrUndoRequest);
    Fx().endEdit(kXrUndoRequest);
  }
  void Redo() {
    Fx().beginEdit(kXrRedoRequest);
    Fx().endEdit(kXrRedoRequest);
  }

  TempConfigFolder m_Prefs;
  std::unique_ptr<TestEffect> m_pEffect;
};

TEST_F(UndoTest, SingleEditsUndoAndRedoAndReportToTheHost) {
  const float a0 = Fx().getParameter(1);
  Fx().SetParamAndForceHostUpdate(1, 0.11f);
  Fx().SetParamAndForceHostUpdate(2, 0.22f);
  EXPECT_TRUE(Fx().CanUndo());
  EXPECT_FALSE(Fx().CanRedo());
  HostLog::Get().Reset();
  Undo();
  EXPECT_EQ(Fx().getParameter(2), TestEffect::DefaultValue(2));
  EXPECT_EQ(Fx().getParameter(1), 0.11f);
  EXPECT_TRUE(Fx().CanRedo());
  Undo();
  EXPECT_EQ(Fx().getParameter(1), a0);
  EXPECT_FALSE(Fx().CanUndo());
  // Each undo wrote its value to the host as automation; the undo request
  // itself never reached the host.
  const auto automated = HostLog::Get().CallsOf(audioMasterAutomate);
  ASSERT_EQ(automated.size(), 2u);
  EXPECT_EQ(automated[0].nIndex, 2);
  EXPECT_EQ(automated[0].fOpt, TestEffect::DefaultValue(2));
  EXPECT_EQ(automated[1].nIndex, 1);
  EXPECT_TRUE(HostLog::Get().CallsOf(audioMasterBeginEdit).empty());

  Redo();
  Redo();
  EXPECT_EQ(Fx().getParameter(1), 0.11f);
  EXPECT_EQ(Fx().getParameter(2), 0.22f);
  EXPECT_FALSE(Fx().CanRedo());
  // Undo and redo stored nothing new: the history still holds two entries.
  Undo();
  Undo();
  Undo();
  EXPECT_EQ(Fx().getParameter(1), a0);
}

TEST_F(UndoTest, DragOfOneControlCollapsesToOnePlainEntry) {
  const float before = Fx().getParameter(40);
  Fx().beginEdit(40);
  for (int i = 1; i <= 50; ++i) Fx().SetParamAndForceHostUpdate(40, i / 100.0f);
  Fx().endEdit(40);
  const int head = Fx().UndoHead();
  EXPECT_EQ(Fx().UndoAt(0, head - 1).nIndex, 40);
  EXPECT_EQ(Fx().UndoAt(0, head - 1).fValue, before);
  EXPECT_EQ(Fx().UndoAt(0, head - 2).nIndex, kXrEmptyUndoEntry);
  Undo();
  EXPECT_EQ(Fx().getParameter(40), before);
  EXPECT_FALSE(Fx().CanUndo());
  Redo();
  EXPECT_EQ(Fx().getParameter(40), 0.5f);
}

TEST_F(UndoTest, GroupOfTwoParametersUndoesAndRedoesAsAWhole) {
  Fx().SetParamAndForceHostUpdate(7, 0.7f);  // an earlier, separate edit
  Fx().beginEdit(10);
  Fx().SetParamAndForceHostUpdate(10, 0.1f);
  Fx().SetParamAndForceHostUpdate(11, 0.2f);
  Fx().SetParamAndForceHostUpdate(10, 0.3f);
  Fx().endEdit(10);
  const int head = Fx().UndoHead();
  EXPECT_EQ(Fx().UndoAt(0, head - 1).nIndex, kXrUndoGroupEnd);
  EXPECT_EQ(Fx().UndoAt(0, head - 4).nIndex, kXrUndoGroupStart);
  Undo();
  EXPECT_EQ(Fx().getParameter(10), TestEffect::DefaultValue(10));
  EXPECT_EQ(Fx().getParameter(11), TestEffect::DefaultValue(11));
  EXPECT_EQ(Fx().getParameter(7), 0.7f);
  Redo();
  EXPECT_EQ(Fx().getParameter(10), 0.3f);
  EXPECT_EQ(Fx().getParameter(11), 0.2f);
  Undo();
  Undo();
  EXPECT_EQ(Fx().getParameter(7), TestEffect::DefaultValue(7));
}

TEST_F(UndoTest, EmptyGestureLeavesTheHistoryAsItWas) {
  Fx().SetParamAndForceHostUpdate(3, 0.3f);
  const int head = Fx().UndoHead();
  Fx().beginEdit(3);
  Fx().endEdit(3);
  EXPECT_EQ(Fx().UndoHead(), head);
  EXPECT_EQ(Fx().UndoAt(0, head).nIndex, kXrEmptyUndoEntry);
  EXPECT_TRUE(Fx().CanUndo());
  EXPECT_FALSE(Fx().CanRedo());
}

TEST_F(UndoTest, StrayGroupEndStoresNothing) {
  Fx().SetParamAndForceHostUpdate(1, 0.11f);
  Fx().SetParamAndForceHostUpdate(2, 0.22f);
  Fx().endEdit(5);  // no group is open
  Undo();
  EXPECT_EQ(Fx().getParameter(2), TestEffect::DefaultValue(2));
  EXPECT_EQ(Fx().getParameter(1), 0.11f) << "one undo took back an unrelated edit";
}

TEST_F(UndoTest, GroupWhoseStartWasDroppedByAnABSwitchStoresNoEnd) {
  Fx().SwitchABProgram();                   // to B
  Fx().SetParamAndForceHostUpdate(1, 0.11f);  // B's older history
  Fx().SwitchABProgram();                   // to A
  Fx().beginEdit(2);                        // group start in A's ring ...
  Fx().SwitchABProgram();                   // ... dropped by the switch to B
  Fx().SetParamAndForceHostUpdate(2, 0.22f);
  Fx().endEdit(2);
  Undo();
  EXPECT_EQ(Fx().getParameter(1), 0.11f) << "the undo ran on into older history";
  Undo();
  EXPECT_NE(Fx().getParameter(1), 0.11f);
}

TEST_F(UndoTest, UndoWithEmptyHistoryTellsNobody) {
  const int updates = Editor().m_nUpdateUndoRedo.load();
  Undo();
  Redo();
  EXPECT_EQ(Editor().m_nUpdateUndoRedo.load(), updates);
  EXPECT_TRUE(HostLog::Get().CallsOf(audioMasterAutomate).empty());
  EXPECT_TRUE(Editor().SetParameterCalls().empty());
}

TEST_F(UndoTest, EditorFollowsTheUndoAndRedoButtonsState) {
  const int start = Editor().m_nUpdateUndoRedo.load();
  Fx().SetParamAndForceHostUpdate(1, 0.5f);  // undo becomes possible
  EXPECT_EQ(Editor().m_nUpdateUndoRedo.load(), start + 1);
  Fx().SetParamAndForceHostUpdate(1, 0.6f);  // no change of either state
  EXPECT_EQ(Editor().m_nUpdateUndoRedo.load(), start + 1);
  Undo();  // redo becomes possible
  EXPECT_EQ(Editor().m_nUpdateUndoRedo.load(), start + 2);
  Fx().ClearUndos();
  EXPECT_EQ(Editor().m_nUpdateUndoRedo.load(), start + 3);
}

TEST_F(UndoTest, NewChangeAfterUndoCutsTheRedoChain) {
  Fx().SetParamAndForceHostUpdate(1, 0.1f);
  Fx().SetParamAndForceHostUpdate(1, 0.2f);
  Undo();
  EXPECT_TRUE(Fx().CanRedo());
  Fx().SetParamAndForceHostUpdate(3, 0.3f);
  EXPECT_FALSE(Fx().CanRedo());
  Redo();
  EXPECT_EQ(Fx().getParameter(1), 0.1f);
}

TEST_F(UndoTest, FullRingKeepsTheNewest9999Changes) {
  for (int i = 0; i < 10000; ++i) Fx().SetParamAndForceHostUpdate(20, static_cast<float>(i) / 10000.0f);
  Fx().SetParamAndForceHostUpdate(20, 1.0f);  // 10001 stores in all
  HostLog::Get().Reset();
  for (int i = 0; i < 9999; ++i) Undo();
  // Store k (k = 0 .. 10000) recorded the value before it; the oldest two are
  // gone, so the last undo restores the value written by store 1.
  EXPECT_EQ(Fx().getParameter(20), 1.0f / 10000.0f);
  EXPECT_FALSE(Fx().CanUndo());
  Undo();
  EXPECT_EQ(Fx().getParameter(20), 1.0f / 10000.0f);
  EXPECT_EQ(HostLog::Get().CallsOf(audioMasterAutomate).size(), 9999u);
}

TEST_F(UndoTest, PersistantParametersAreNotInTheUndoHistory) {
  Fx().SetParamAndForceHostUpdate(9001, 0.9f);
  EXPECT_FALSE(Fx().CanUndo());
}

// --- A/B settings ---------------------------------------------------------------------

TEST_F(UndoTest, ABSwitchSwapsEverySettingAndTwiceRestoresThem) {
  for (int i = 0; i < kAB; ++i) Fx().setParameter(kA + i, 1.0f - TestEffect::DefaultValue(i) / 2.0f);
  float before[kHost];
  for (int i = 0; i < kHost; ++i) before[i] = Fx().getParameter(i);
  Fx().ClearUndos();
  Fx().ClearChanges();
  Editor().ClearCalls();
  HostLog::Get().Reset();

  Fx().SwitchABProgram();
  EXPECT_EQ(Fx().UndoBank(), 1);
  for (int i = 0; i < kAB; ++i) {
    ASSERT_EQ(Fx().getParameter(i), before[kA + i]) << i;
    ASSERT_EQ(Fx().getParameter(kA + i), before[i]) << i;
  }
  for (int i = kAB; i < kA; ++i) ASSERT_EQ(Fx().getParameter(i), before[i]) << "unshared " << i;
  // The product saw each A setting change, the editor was told, the host was
  // not, and no undo point was stored.
  int actuallyChanged = 0;
  for (const auto& c : Fx().Changes()) actuallyChanged += c.bActuallyChanged ? 1 : 0;
  EXPECT_EQ(Fx().Changes().size(), static_cast<size_t>(kAB));
  EXPECT_EQ(actuallyChanged, kAB);
  EXPECT_EQ(Editor().SetParameterCalls().size(), static_cast<size_t>(kAB));
  EXPECT_TRUE(HostLog::Get().CallsOf(audioMasterAutomate).empty());
  EXPECT_FALSE(Fx().CanUndo());

  Fx().SwitchABProgram();
  EXPECT_EQ(Fx().UndoBank(), 0);
  for (int i = 0; i < kHost; ++i) ASSERT_EQ(Fx().getParameter(i), before[i]) << i;
}

TEST_F(UndoTest, EachBankKeepsItsOwnHistory) {
  Fx().SetParamAndForceHostUpdate(1, 0.11f);  // in A
  Fx().SwitchABProgram();
  const float bBefore = Fx().getParameter(1);
  Fx().SetParamAndForceHostUpdate(1, 0.33f);  // in B
  Drag(2, {0.4f, 0.5f});
  Undo();
  Undo();
  EXPECT_EQ(Fx().getParameter(1), bBefore);
  EXPECT_FALSE(Fx().CanUndo());
  Fx().SwitchABProgram();
  EXPECT_EQ(Fx().getParameter(1), 0.11f);
  EXPECT_TRUE(Fx().CanUndo());
  Undo();
  EXPECT_EQ(Fx().getParameter(1), TestEffect::DefaultValue(1));
  // B's redo chain is still there.
  Fx().SwitchABProgram();
  Redo();
  EXPECT_EQ(Fx().getParameter(1), 0.33f);
}

TEST_F(UndoTest, ABSwitchDropsAGroupStartJustBeforeTheHead) {
  Fx().SetParamAndForceHostUpdate(1, 0.11f);
  const int head = Fx().UndoHead();
  Fx().beginEdit(99);  // the A/B control's own gesture
  Fx().SwitchABProgram();
  Fx().endEdit(99);
  EXPECT_EQ(Fx().UndoAt(0, head).nIndex, kXrEmptyUndoEntry);
  Fx().SwitchABProgram();
  EXPECT_EQ(Fx().UndoHead(), head);
  Undo();
  EXPECT_EQ(Fx().getParameter(1), TestEffect::DefaultValue(1));
}

TEST_F(UndoTest, CopyAtoBCopiesValuesAndHistory) {
  Fx().SetParamAndForceHostUpdate(0, 0.01f);
  Fx().SetParamAndForceHostUpdate(kAB - 1, 0.02f);
  Fx().SetParamAndForceHostUpdate(kAB, 0.03f);  // no B copy
  HostLog::Get().Reset();
  Fx().ClearChanges();
  Fx().CopyAtoB();
  for (int i = 0; i < kAB; ++i) ASSERT_EQ(Fx().getParameter(kA + i), Fx().getParameter(i)) << i;
  EXPECT_TRUE(Fx().Changes().empty());
  EXPECT_TRUE(HostLog::Get().Calls().empty());
  Fx().SwitchABProgram();
  EXPECT_EQ(Fx().getParameter(0), 0.01f);
  Undo();
  EXPECT_EQ(Fx().getParameter(kAB), TestEffect::DefaultValue(kAB));
  Undo();
  EXPECT_EQ(Fx().getParameter(kAB - 1), TestEffect::DefaultValue(kAB - 1));
}

}  // namespace
