// The controls the editor base places: the label's text limit, the text
// button's hover text, the invisible button's buttons, and the option menu's
// mapping of a parameter to its nearest entry.
#include <string>

#include "editor/EditorTestSupport.h"

using namespace edtest;

namespace {

class DerivedControlsTest : public EditorFixture {};

}  // namespace

TEST(DerivedControlsStandaloneTest, StaticTextKeepsAt255BytesAndNeverSplitsACharacter) {
  CStaticText* text = new CStaticText(CRect(0, 0, 100, 20), nullptr, kFontNormal, kFaceNormal, nullptr);
  EXPECT_STREQ(text->GetText(), "");
  EXPECT_EQ(text->getTag(), 9999);
  EXPECT_TRUE(text->getTransparency());
  std::string longText(254, 'a');
  longText += "\xc3\xa9zzz";  // a two-byte character across the limit
  text->SetText(longText.c_str());
  EXPECT_EQ(std::string(text->GetText()), std::string(254, 'a'));
  text->forget();
}

TEST(DerivedControlsStandaloneTest, TextButtonShowsItsHoverTextOnlyWhileHovered) {
  CTextButton* plain = new CTextButton(CRect(0, 0, 100, 20), nullptr, "Fill", kFontNormal, kFaceNormal, true, nullptr);
  CTextButton* hover = new CTextButton(CRect(0, 0, 100, 20), nullptr, "Fill", kFontNormal, kFaceNormal, true, "Switch");
  CPoint where(5, 5);
  plain->mouseMove(nullptr, where, 0);
  hover->mouseMove(nullptr, where, 0);
  EXPECT_STREQ(plain->GetTextPart()->GetText(), "Fill");
  EXPECT_STREQ(hover->GetTextPart()->GetText(), "Switch");
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, static_cast<CMouseMoveAwayHook*>(hover));
  hover->SetText("Fill Off");
  EXPECT_STREQ(hover->GetTextPart()->GetText(), "Switch") << "the new text waits for the mouse to leave";
  hover->MouseMovedAway(nullptr);
  EXPECT_STREQ(hover->GetTextPart()->GetText(), "Fill Off");
  plain->forget();
  hover->forget();
  EXPECT_EQ(g_pCurrentMouseMoveAwayHook, nullptr) << "a destroyed hook unregisters";
}

TEST(DerivedControlsStandaloneTest, OptionMenuTakesTheEntryNearestToTheParameter) {
  COptionMenuExtended* menu = new COptionMenuExtended(CRect(0, 0, 80, 20), nullptr, 1, nullptr, nullptr, 0);
  const char* entries[] = {"a", "b", "c", "d", "e", "f", "g"};
  for (const char* e : entries) menu->addEntry(e);
  menu->setMax(6.0f);
  const float params[] = {0.0f, 0.41f, 0.42f, 0.5f, 0.99f, 1.0f};
  const long expected[] = {0, 2, 3, 3, 6, 6};
  for (int i = 0; i < 6; ++i) {
    menu->setValue(menu->ConvertParamToValue(params[i]));
    EXPECT_EQ(menu->getCurrent(), expected[i]) << params[i];
  }
  menu->forget();
}

TEST_F(DerivedControlsTest, OnlyTheLeftButtonClicksTheFlipArea) {
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, 400, 10, kMouseRight));
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_nFlipAtTicks.load(), 0u);
  Click(400, 10);
  IdleAfter(1);
  EXPECT_NE(m_pEditor->m_nFlipAtTicks.load(), 0u);
}
