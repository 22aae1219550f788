// Editing a text edit in a frame: the field over the control, keys from the
// frame's key path, how an edit ends and who hears of it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "TextTestSupport.h"
#include "gui/CTextEdit.h"
#include "gui/CTextEditField.h"

using namespace texttest;

namespace {

// A container that records the messages it is notified of.
class NotedContainer : public CViewContainer {
 public:
  using CViewContainer::CViewContainer;
  long notify(CView* sender, const char* message) override {
    if (message != kMsgCheckIfViewContainer) messages.push_back(message);
    return CViewContainer::notify(sender, message);
  }
  std::vector<std::string> messages;
};

constexpr CRect kPanelRect(10, 10, 210, 150);
constexpr CRect kEditRect(20, 50, 120, 90);  // in the panel; 40 pixels tall

std::string TextOf(const CTextEdit* edit) {
  char text[kParamDisplayTextSize];
  edit->getText(text);
  return text;
}

void Hundredfold(float value, char* text) { std::snprintf(text, 32, "%.0f%%", value * 100.0f); }
void Quoted(char* input, char* display) { std::snprintf(display, kParamDisplayTextSize, "'%s'", input); }

class TextEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = new NotedContainer(kPanelRect, fixture.frame);
    fixture.frame->addView(panel);
    edit = new CTextEdit(kEditRect, &listener, 5, "5");
    panel->addView(edit);
  }
  // Frame coordinates of a point of the control.
  long X(long x) const { return kPanelRect.left + x; }
  long Y(long y) const { return kPanelRect.top + y; }
  void ClickControl() { fixture.Click(X(kEditRect.left + 5), Y(kEditRect.top + 3)); }

  FrameFixture fixture;
  RecordingListener listener;
  NotedContainer* panel = nullptr;  // the frame's
  CTextEdit* edit = nullptr;        // the panel's
};

}  // namespace

TEST_F(TextEditTest, ClickOpensAFieldOfTheFontsHeightOverTheControl) {
  ClickControl();
  ASSERT_TRUE(edit->isEditing());
  CTextEditField* field = edit->getEditField();
  EXPECT_TRUE(fixture.frame->isChild(field)) << "the field lies in the frame";
  CRect rect;
  field->getViewSize(rect);
  EXPECT_EQ(rect, CRect(X(kEditRect.left), Y(kEditRect.top + 15), X(kEditRect.right), Y(kEditRect.top + 27)))
      << "40 pixels tall with a 12-point font: 12 tall, 15 below the top";
  EXPECT_EQ(fixture.frame->getFocusView(), edit);
  EXPECT_TRUE(fixture.window->KeyInput()) << "the window takes the keys";
  EXPECT_EQ(field->getText(), "5");
  EXPECT_EQ(field->getBuffer().SelectedText(), "5") << "the text starts selected";
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5"}));
}

TEST_F(TextEditTest, TypingAndReturnTellsTheListenerOnce) {
  ClickControl();
  fixture.Type("12");
  EXPECT_TRUE(listener.heard.empty()) << "nothing until the edit ends";
  fixture.Key(0, kVirtReturn);
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(TextOf(edit), "12");
  ASSERT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(listener.heard[0].control, edit);
  EXPECT_TRUE(edit->wasReturnPressed());
  EXPECT_EQ(fixture.frame->getFocusView(), nullptr);
  EXPECT_EQ(fixture.frame->getNbViews(), 1) << "the field is gone";
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5"})) << "one bracket, closed once";
  EXPECT_EQ(panel->messages, (std::vector<std::string>{"LooseFocus"}));
}

TEST_F(TextEditTest, EscapeKeepsTheOldTextAndTellsNobody) {
  ClickControl();
  fixture.Type("12");
  fixture.Key(0, kVirtEscape);
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(TextOf(edit), "5");
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5"}));

  // Return with the text as it was tells nobody either.
  ClickControl();
  fixture.Key(0, kVirtEnter);
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_FALSE(edit->isEditing());
}

TEST_F(TextEditTest, ClickElsewhereKeepsTheTextAndTabMovesOn) {
  ClickControl();
  fixture.Type("7");
  fixture.Click(X(180), Y(130));  // empty part of the panel
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(TextOf(edit), "7");
  EXPECT_EQ(listener.heard.size(), 1u);

  CTextEdit* second = new CTextEdit(CRect(20, 100, 120, 115), &listener, 6, "x");
  panel->addView(second);
  ClickControl();
  fixture.Type("8");
  fixture.Key(0, kVirtTab);
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(TextOf(edit), "8");
  EXPECT_EQ(fixture.frame->getFocusView(), second) << "Tab hands the focus to the next text edit";
  EXPECT_FALSE(second->isEditing()) << "which does not start editing by itself";
}

// The window takes the keyboard only while a field is open, and every way
// an edit ends gives it back.
TEST_F(TextEditTest, TheWindowWantsTheKeysExactlyWhileAFieldIsOpen) {
  const struct {
    const char* how;
    std::function<void()> end;
  } endings[] = {
      {"Return", [this] { fixture.Key(0, kVirtReturn); }},
      {"Escape", [this] { fixture.Key(0, kVirtEscape); }},
      {"a click elsewhere", [this] { fixture.Click(X(180), Y(130)); }},
      {"the window losing the focus",
       [this] {
         fixture.window->Queue(frametest::MakeEvent(EPlatformEvent::kFocusOut));
         fixture.editor->idle();
       }},
      {"Tab to another text edit, which does not edit",
       [this] {
         panel->addView(new CTextEdit(CRect(20, 100, 120, 115), &listener, 6, "x"));
         fixture.Key(0, kVirtTab);
       }},
  };
  for (const auto& ending : endings) {
    SCOPED_TRACE(ending.how);
    ClickControl();
    ASSERT_TRUE(edit->isEditing());
    EXPECT_TRUE(fixture.window->KeyInput());
    // A click inside the open field keeps the keys.
    CRect field;
    edit->getEditField()->getViewSize(field);
    fixture.Click(field.left + 2, field.top + 5);
    EXPECT_TRUE(fixture.window->KeyInput());
    ending.end();
    EXPECT_FALSE(edit->isEditing());
    EXPECT_FALSE(fixture.window->KeyInput()) << "the keys went back to the host";
  }
}

TEST_F(TextEditTest, ClickInsideTheOpenFieldOnlyMovesTheCaret) {
  edit->setText("123");
  ClickControl();
  CTextEditField* field = edit->getEditField();
  ASSERT_NE(field, nullptr);
  CRect rect;
  field->getViewSize(rect);
  // Beside the text, at the field's right end (centred text): caret at the end.
  fixture.Click(rect.right - 3, rect.top + 5);
  ASSERT_TRUE(edit->isEditing()) << "the edit stays open";
  EXPECT_EQ(edit->getEditField(), field);
  EXPECT_EQ(fixture.frame->getFocusView(), edit);
  EXPECT_FALSE(field->getBuffer().HasSelection());
  EXPECT_EQ(field->getBuffer().Caret(), 3u);
  fixture.Click(rect.left + 2, rect.top + 5);
  EXPECT_EQ(field->getBuffer().Caret(), 0u);
  fixture.Type("0");
  fixture.Key(0, kVirtReturn);
  EXPECT_EQ(TextOf(edit), "0123");
  EXPECT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5"}));
}

TEST_F(TextEditTest, DoubleClickInTheFieldSelectsAllAndDraggingSelects) {
  edit->setText("abcdef");
  ClickControl();
  CTextEditField* field = edit->getEditField();
  CRect rect;
  field->getViewSize(rect);
  fixture.Click(rect.left + 2, rect.top + 5);
  EXPECT_FALSE(field->getBuffer().HasSelection());
  fixture.Click(rect.left + 3, rect.top + 5);
  EXPECT_EQ(field->getBuffer().SelectedText(), "abcdef");

  // Press at the start, drag to the far end, release there.
  fixture.Press(rect.left + 2, rect.top + 5);
  fixture.Move(rect.right - 2, rect.top + 5);
  fixture.Release(rect.right - 2, rect.top + 5);
  EXPECT_EQ(field->getBuffer().SelectedText(), "abcdef");
  EXPECT_EQ(field->getBuffer().Anchor(), 0u);
  EXPECT_EQ(field->getBuffer().Caret(), 6u);
}

TEST_F(TextEditTest, ClickOnAnEditingControlOutsideItsFieldReopensIt) {
  ClickControl();
  fixture.Type("9");
  ClickControl();  // on the control above the field
  EXPECT_EQ(TextOf(edit), "9") << "the first edit ended with its text";
  EXPECT_EQ(listener.heard.size(), 1u);
  EXPECT_TRUE(edit->isEditing()) << "and the click opened a new one";
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5", "+5"}));
}

TEST_F(TextEditTest, DoubleClickStyleOpensOnlyOnTheSecondClick) {
  edit->setStyle(kStyleDoubleClick);
  ClickControl();
  EXPECT_FALSE(edit->isEditing());
  EXPECT_TRUE(fixture.editor->brackets.empty());
  ClickControl();
  EXPECT_TRUE(edit->isEditing());
}

TEST_F(TextEditTest, OnlyLeftClicksOpenAndModifierClicksMayBeTaken) {
  fixture.Click(X(kEditRect.left + 5), Y(kEditRect.top + 3), kMouseRight);
  EXPECT_FALSE(edit->isEditing());
  listener.takeModifierClicks = true;
  fixture.Click(X(kEditRect.left + 5), Y(kEditRect.top + 3), kMouseLeft | kModifierOption);
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(listener.modifierClicks.size(), 1u);
  edit->setMouseEnabled(false);
  ClickControl();
  EXPECT_FALSE(edit->isEditing());
}

TEST_F(TextEditTest, KeysEditUtf8TextWithinTheLimit) {
  ClickControl();
  fixture.Key(0xE9);                        // é
  fixture.Key(0, kVirtNumpad7);             // the keypad types 7
  fixture.Key(0, kVirtLeft, kModShift);     // select the 7
  fixture.Key('a', 0, kModCtrl);            // select all
  fixture.Key('c', 0, kModCtrl);            // copy
  fixture.Key(0, kVirtEnd);
  fixture.Key('v', 0, kModCtrl);            // paste: twice over
  fixture.Key(0, kVirtHome);
  fixture.Key(0, kVirtDelete);              // the first é
  fixture.Key('q', 0, kModCtrl);            // other Ctrl keys type nothing
  fixture.Key(0x4E2D);                      // a character the font cannot show
  fixture.Key(0, kVirtReturn);
  EXPECT_EQ(TextOf(edit), "?7\xC3\xA9" "7");
  EXPECT_EQ(CHeadlessWindow::ClipboardText(), "\xC3\xA9" "7") << "copied to the desktop's clipboard";

  ClickControl();
  for (int i = 0; i < 300; ++i) fixture.Key('x');
  fixture.Key(0, kVirtReturn);
  EXPECT_EQ(TextOf(edit), std::string(255, 'x'));
}

TEST_F(TextEditTest, LosingTheWindowsFocusEndsTheEditKeepingTheText) {
  ClickControl();
  fixture.Type("12");
  fixture.window->Queue(frametest::MakeEvent(EPlatformEvent::kFocusOut));
  fixture.editor->idle();
  EXPECT_FALSE(edit->isEditing());
  EXPECT_EQ(TextOf(edit), "12");
  EXPECT_EQ(listener.heard.size(), 1u);
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5"}));
}

TEST_F(TextEditTest, TakingTheControlOutOfTheTreeEndsTheEditQuietly) {
  ClickControl();
  fixture.Type("12");
  fixture.frame->removeView(panel);
  EXPECT_EQ(fixture.frame->getFocusView(), nullptr) << "no focus left on a control that is gone";
  EXPECT_FALSE(fixture.window->KeyInput()) << "nor the keyboard";
  EXPECT_EQ(fixture.frame->getNbViews(), 0) << "the field went with it";
  EXPECT_TRUE(listener.heard.empty());
  EXPECT_EQ(fixture.editor->brackets, (std::vector<std::string>{"+5", "-5"}));
  fixture.Key('z');  // reaches nobody
}

TEST_F(TextEditTest, ValueConverterTextBecomesTheControlsText) {
  edit->setStringConvert(Hundredfold);
  edit->setValue(0.25f);
  fixture.frame->draw(panel);
  EXPECT_EQ(TextOf(edit), "25%") << "drawn while idle: the formatted value";
  ClickControl();
  EXPECT_EQ(edit->getEditField()->getText(), "25%");
  fixture.Key(0, kVirtEscape);

  CTextEdit* quoted = new CTextEdit(CRect(20, 100, 120, 115), nullptr, 6, "abc");
  quoted->setTextEditConvert(Quoted);
  quoted->setStringConvert(Hundredfold);
  panel->addView(quoted);
  fixture.frame->draw(panel);
  EXPECT_EQ(TextOf(quoted), "abc") << "a text converter leaves the text alone";
}

TEST_F(TextEditTest, SetTextMarksDirtyOnlyOnChange) {
  fixture.frame->draw(panel);
  EXPECT_FALSE(edit->isDirty());
  edit->setText("5");
  EXPECT_FALSE(edit->isDirty());
  edit->setText("6");
  EXPECT_TRUE(edit->isDirty());
  fixture.frame->draw(panel);
  edit->setText(nullptr);
  EXPECT_TRUE(edit->isDirty());
  EXPECT_EQ(TextOf(edit), "");
  const std::string longText(300, 'y');
  edit->setText(longText.c_str());
  EXPECT_EQ(TextOf(edit), std::string(255, 'y'));
  edit->getText(nullptr);
  EXPECT_TRUE(edit->isTypeOf("CTextEdit"));
  EXPECT_TRUE(edit->isTypeOf("CParamDisplay"));
  EXPECT_TRUE(edit->wantsFocus());
}

TEST_F(TextEditTest, FieldShowsTheTextOnWhiteWithTheCaret) {
  fixture.window->Queue(frametest::ExposeAll());
  fixture.editor->idle();
  edit->setText("");
  ClickControl();
  fixture.editor->idle();
  CRect rect;
  edit->getEditField()->getViewSize(rect);
  const int midY = static_cast<int>((rect.top + rect.bottom) / 2);
  long white = 0, dark = 0;
  for (long x = rect.left; x < rect.right; ++x) {
    const uint32_t p = fixture.window->PixelAt(static_cast<int>(x), midY) & 0xFFFFFF;
    if (p == 0xFFFFFF) ++white;
    if (p == 0x000000) ++dark;
  }
  EXPECT_GT(white, rect.width() - 4);
  EXPECT_EQ(dark, 1) << "an empty field shows only its caret";
}
