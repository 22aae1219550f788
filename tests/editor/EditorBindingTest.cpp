// Controls bound by tag: what they show, what the editor writes when the
// user moves them, host automation arriving on other threads, the undo and
// redo buttons, A/B and copy, and the owner-drawn controls' callback.
#include "Helpers/ScopedValue.h"
#include "editor/EditorTestSupport.h"

using namespace edtest;

namespace {

class EditorBindingTest : public EditorFixture {
 protected:
  int WritesFromGui(int index, bool fromGui) {
    int n = 0;
    for (const EditorTestEffect::Write& w : m_pEffect->Writes())
      if (w.nIndex == index && w.bFromGui == fromGui) ++n;
    return n;
  }
};

constexpr int kBCopyOf10 = fxtest::TestEffect::kParams + kBoundTag;

}  // namespace

TEST_F(EditorBindingTest, ControlsShowTheirParameterAndDefaultByTag) {
  m_pEditor->close();
  m_pEffect->setParameter(kBoundTag, 1.0f);
  m_pEffect->setParameter(kPersistantTag, 0.0f);
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  EXPECT_EQ(m_pEditor->m_pTwinA->getValue(), 1.0f);
  EXPECT_EQ(m_pEditor->m_pTwinB->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(m_pEditor->m_pTwinA->getDefaultValue(), fxtest::TestEffect::DefaultValue(kBoundTag));
  EXPECT_EQ(m_pEditor->m_pPersistant->getValue(), 0.0f);
  EXPECT_EQ(m_pEditor->m_pPersistant->getDefaultValue(), 0.5f) << "persistent tags get no default: the control's own";
  EXPECT_EQ(m_pEditor->m_pUnbound->getTag(), 9999);
  EXPECT_EQ(m_pEditor->m_pUnbound->getValue(), 0.0f);
}

TEST_F(EditorBindingTest, AnEditWritesTheParameterAsTheEditorsOwnAndTheTwinFollows) {
  m_pEffect->ClearWrites();
  Click(kTwinAAt.h + 5, kTwinAAt.v + 5);
  IdleAfter(1);
  EXPECT_EQ(m_pEffect->getParameter(kBoundTag), 1.0f) << "0.67 shown, a click turns it on";
  EXPECT_EQ(WritesFromGui(kBoundTag, true), 1);
  EXPECT_EQ(WritesFromGui(kBoundTag, false), 0);
  EXPECT_EQ(AutomationsOf(kBoundTag), 1) << "the host hears of the editor's edit";
  EXPECT_EQ(m_pEditor->m_pTwinB->getValue(), 1.0f) << "at once, on the editor's thread";
  EXPECT_FALSE(m_pEditor->IsChangeFromGui());
}

TEST_F(EditorBindingTest, HostAutomationOnAnotherThreadReachesTheControlsAtTheNextIdle) {
  m_pEffect->ClearWrites();
  OnOtherThread([&] { m_pEffect->setParameter(kBoundTag, 1.0f); });
  EXPECT_EQ(m_pEditor->m_nLastInner.load(), kBoundTag) << "the product's hook hears at once";
  EXPECT_FLOAT_EQ(m_pEditor->m_pTwinA->getValue(), fxtest::TestEffect::DefaultValue(kBoundTag))
      << "controls are not touched from the writer's thread";
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_pTwinA->getValue(), 1.0f);
  EXPECT_EQ(m_pEditor->m_pTwinB->getValue(), 1.0f);
  EXPECT_EQ(WritesFromGui(kBoundTag, false), 1);
  EXPECT_EQ(AutomationsOf(kBoundTag), 0) << "automation does not travel back";

  OnOtherThread([&] { m_pEffect->setParameter(kPersistantTag, 1.0f); });
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_pPersistant->getValue(), 1.0f);
}

TEST_F(EditorBindingTest, HostAutomationOnTheEditorsThreadReachesTheControlsAtOnce) {
  m_pEffect->setParameter(kBoundTag, 0.0f);
  EXPECT_EQ(m_pEditor->m_pTwinA->getValue(), 0.0f);
  EXPECT_TRUE(m_pEditor->m_pTwinA->isDirty());
}

TEST_F(EditorBindingTest, UnboundControlsWriteNothingAndPersistentOnesWriteTheirSetting) {
  m_pEffect->ClearWrites();
  const size_t automations = Host().CallsOf(audioMasterAutomate).size();
  Click(kUnboundAt.h + 5, kUnboundAt.v + 5);
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_pUnbound->getValue(), 1.0f);
  EXPECT_TRUE(m_pEffect->Writes().empty());

  m_pEffect->setParameter(kPersistantTag, 0.0f);
  m_pEffect->ClearWrites();
  Click(kPersistantAt.h + 5, kPersistantAt.v + 5);
  IdleAfter(1);
  EXPECT_EQ(m_pEffect->GetPersistantParam(kPersistantTag), 1.0f);
  EXPECT_EQ(WritesFromGui(kPersistantTag, true), 1);
  EXPECT_EQ(Host().CallsOf(audioMasterAutomate).size(), automations) << "persistent settings are not the host's";
}

TEST_F(EditorBindingTest, WhileClosedOrEmptiedParameterWritesReachNoControl) {
  m_pEditor->RemoveAllControls();
  EXPECT_EQ(m_pEditor->m_nGenericControlsAdded, 0);
  m_pEffect->setParameter(kBoundTag, 0.25f);
  IdleAfter(1);
  m_pEditor->close();
  m_pEditor->m_nLastInner.store(-1);
  m_pEffect->setParameter(kBoundTag, 0.5f);
  OnOtherThread([&] { m_pEffect->setParameter(kBoundTag, 0.75f); });
  EXPECT_EQ(m_pEditor->m_nLastInner.load(), -1) << "nothing at all while closed";
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  EXPECT_EQ(m_pEditor->m_pTwinA->getValue(), 0.75f) << "the front loads the value when built";
}

TEST_F(EditorBindingTest, UndoAndRedoButtonsShowWhetherTheyCanAct) {
  ASSERT_FALSE(m_pEffect->CanUndo());
  EXPECT_EQ(m_pEditor->m_pUndoButton->getBackground(), m_pEditor->GetBitmap(158));
  EXPECT_EQ(m_pEditor->m_pRedoButton->getBackground(), m_pEditor->GetBitmap(157));

  Click(kTwinAAt.h + 5, kTwinAAt.v + 5);
  IdleAfter(1);
  ASSERT_TRUE(m_pEffect->CanUndo());
  EXPECT_EQ(m_pEditor->m_pUndoButton->getBackground(), m_pEditor->GetBitmap(150));

  m_pEditor->beginEdit(kXrUndoRequest);
  m_pEditor->endEdit(kXrUndoRequest);
  EXPECT_FLOAT_EQ(m_pEffect->getParameter(kBoundTag), fxtest::TestEffect::DefaultValue(kBoundTag));
  EXPECT_FLOAT_EQ(m_pEditor->m_pTwinA->getValue(), fxtest::TestEffect::DefaultValue(kBoundTag));
  EXPECT_EQ(m_pEditor->m_pUndoButton->getBackground(), m_pEditor->GetBitmap(158));
  EXPECT_EQ(m_pEditor->m_pRedoButton->getBackground(), m_pEditor->GetBitmap(148));

  m_pEditor->beginEdit(kXrRedoRequest);
  m_pEditor->endEdit(kXrRedoRequest);
  EXPECT_EQ(m_pEffect->getParameter(kBoundTag), 1.0f);
  EXPECT_EQ(m_pEditor->m_pRedoButton->getBackground(), m_pEditor->GetBitmap(157));
}

TEST_F(EditorBindingTest, UndoStateChangedOnAnotherThreadShowsAtTheNextIdle) {
  OnOtherThread([&] { m_pEffect->setParameter(kBoundTag, 0.1f); });
  ASSERT_TRUE(m_pEffect->CanUndo());
  EXPECT_EQ(m_pEditor->m_pUndoButton->getBackground(), m_pEditor->GetBitmap(158));
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_pUndoButton->getBackground(), m_pEditor->GetBitmap(150));
}

TEST_F(EditorBindingTest, ABToggleSwitchesTheSettingsAndCopyCopiesAToB) {
  m_pEffect->setParameter(kBoundTag, 0.9f);
  Click(kABAt.h + 5, kABAt.v + 5);
  IdleAfter(1);
  EXPECT_EQ(m_pEffect->GetABBank(), 1);
  EXPECT_EQ(m_pEditor->m_pABButton->getValue(), 1.0f);
  Click(kABAt.h + 5, kABAt.v + 5);
  IdleAfter(1);
  EXPECT_EQ(m_pEffect->GetABBank(), 0);
  EXPECT_EQ(m_pEditor->m_pABButton->getValue(), 0.0f);
  EXPECT_FLOAT_EQ(m_pEffect->getParameter(kBoundTag), 0.9f);

  ASSERT_NE(m_pEffect->getParameter(kBCopyOf10), 0.9f);
  Click(kCopyAt.h + 5, kCopyAt.v + 5);
  IdleAfter(1);
  EXPECT_FLOAT_EQ(m_pEffect->getParameter(kBCopyOf10), 0.9f);
  EXPECT_EQ(m_pEffect->GetABBank(), 0) << "copying does not switch";
}

TEST_F(EditorBindingTest, ControlCallbackMarksItsEditsAsTheEditors) {
  m_pEditor->ControlCallback(DivuVazize::eCC_BandEdit, nullptr, 12.0f, -3.0f, 0.0f);
  EXPECT_TRUE(m_pEditor->m_bGuiFlagInCallback);
  EXPECT_EQ(m_pEditor->m_fCallbackA, 12.0f);
  EXPECT_FALSE(m_pEditor->IsChangeFromGui());
}

// The product marks its listener's and callback's work as the editor's with
// a scope of its own around the base's: the base's mark, nested inside,
// leaves the product's set until its scope ends, so the product's writes
// after the base's count as the editor's too.
TEST_F(EditorBindingTest, AnEditInsideTheProductsMarkLeavesItSetUntilThatScopeEnds) {
  constexpr int kProductWrite = kBoundTag + 1;
  m_pEffect->ClearWrites();
  {
    const CScopedValue<std::atomic<bool>> product(m_pEditor->m_bChangeFromGui, true);
    m_pEditor->m_pTwinA->setValue(1.0f);
    m_pEditor->valueChanged(nullptr, m_pEditor->m_pTwinA);
    EXPECT_TRUE(m_pEditor->IsChangeFromGui()) << "after the listener";
    m_pEditor->ControlCallback(DivuVazize::eCC_BandEdit, nullptr, 12.0f, -3.0f, 0.0f);
    EXPECT_TRUE(m_pEditor->IsChangeFromGui()) << "after the callback";
    m_pEffect->setParameter(kProductWrite, 0.25f);
  }
  EXPECT_FALSE(m_pEditor->IsChangeFromGui());
  m_pEffect->setParameter(kProductWrite, 0.75f);
  EXPECT_EQ(WritesFromGui(kBoundTag, true), 1);
  EXPECT_EQ(WritesFromGui(kBoundTag, false), 0);
  EXPECT_EQ(WritesFromGui(kProductWrite, true), 1) << "inside the product's scope";
  EXPECT_EQ(WritesFromGui(kProductWrite, false), 1) << "after it";
}

TEST_F(EditorBindingTest, KnobModeIsAlwaysLinear) {
  EXPECT_TRUE(m_pEditor->setKnobMode(0));
  EXPECT_EQ(AEffGUIEditor::knobMode.load(), 2);
}
