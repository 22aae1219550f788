// On/off and kick buttons: when the listener hears of a click, toggling,
// click screening, momentary tracking and the image each state shows.
#include <cmath>
#include <limits>

#include "ControlTestSupport.h"
#include "gui/CKickButton.h"
#include "gui/COnOffButton.h"

using namespace controltest;

namespace {

class ButtonTest : public ControlFixture {
 protected:
  // A 20 x 20 on/off button at (x, 10) with off image 0 and on image 1.
  COnOffButton* AddOnOff(long x, long style, long tag = 1) {
    StripBitmap* strip = new StripBitmap(20, 20, 2);
    COnOffButton* button = Add(new COnOffButton(CRect(x, 10, x + 20, 30), &listener, tag, strip, style));
    strip->forget();
    return button;
  }
  CKickButton* AddKick() {
    StripBitmap* strip = new StripBitmap(20, 20, 2);
    CPoint origin(0, 0);
    CKickButton* button = Add(new CKickButton(CRect(100, 10, 120, 30), &listener, 5, strip, origin));
    strip->forget();
    button->draw(nullptr);
    return button;
  }
};

}  // namespace

TEST_F(ButtonTest, OnOffStyleTellsBeforeOrAfterTheRedrawOrNotAtAll) {
  COnOffButton* before = AddOnOff(10, kOnOffNotifyBeforeIdle, 1);
  COnOffButton* after = AddOnOff(40, kOnOffNotifyAfterIdle, 2);
  COnOffButton* silent = AddOnOff(70, 2, 3);
  frame->draw(static_cast<CView*>(nullptr));
  log.clear();

  Click(15, 15, kMouseLeft);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, Event::kBegin);
  EXPECT_EQ(log[1].kind, Event::kChanged);
  EXPECT_TRUE(log[1].dirty) << "told before the idle pass redraws it";
  EXPECT_EQ(log[1].value, 1.0f);
  EXPECT_EQ(log[2].kind, Event::kEnd);
  EXPECT_EQ(log[3].kind, Event::kIdle);
  EXPECT_EQ(ImageOf(Shown(15, 15)), 1);

  log.clear();
  Click(45, 15, kMouseLeft);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].kind, Event::kIdle);
  EXPECT_EQ(log[1].kind, Event::kBegin);
  EXPECT_EQ(log[2].kind, Event::kChanged);
  EXPECT_FALSE(log[2].dirty) << "told after the idle pass redrew it";
  EXPECT_EQ(log[3].kind, Event::kEnd);
  EXPECT_EQ(log[3].tag, 2);

  log.clear();
  Click(75, 15, kMouseLeft);
  EXPECT_EQ(silent->getValue(), 1.0f);
  ASSERT_EQ(log.size(), 1u) << "style 2 toggles and redraws but tells nobody";
  EXPECT_EQ(log[0].kind, Event::kIdle);
  EXPECT_EQ(ImageOf(Shown(75, 15)), 1);

  EXPECT_EQ(before->getValue(), 1.0f);
  EXPECT_EQ(after->getValue(), 1.0f);
}

TEST_F(ButtonTest, OnOffToggleTruncatesTheOldValue) {
  COnOffButton* button = AddOnOff(10, kOnOffNotifyAfterIdle);
  const struct {
    float from, to;
  } cases[] = {{0.0f, 1.0f}, {0.9f, 1.0f}, {0.7f, 1.0f}, {1.0f, 0.0f}, {1.5f, 0.0f}, {-1.0f, 0.0f}};
  for (const auto& c : cases) {
    button->setValue(c.from);
    Click(15, 15, kMouseLeft);
    EXPECT_EQ(button->getValue(), c.to) << "from " << c.from;
  }
  EXPECT_EQ(Count(log, Event::kChanged), 6) << "every click is told";
  EXPECT_TRUE(ChangesInsideBrackets(log));
}

TEST_F(ButtonTest, OnOffScreensButtonsAndModifiers) {
  COnOffButton* button = AddOnOff(10, kOnOffNotifyAfterIdle);
  Click(15, 15, kMouseRight);
  EXPECT_EQ(button->getValue(), 0.0f) << "the right button does nothing";
  EXPECT_TRUE(log.empty()) << "nor is the listener asked without the left button";

  listener.takeModifierClicks = 1;
  Click(15, 15, kMouseLeft | kModifierShift);
  EXPECT_EQ(button->getValue(), 0.0f) << "the listener took the Shift-click";
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, Event::kModifier);
  EXPECT_EQ(log[0].value, static_cast<float>(kMouseLeft | kModifierShift));

  listener.takeModifierClicks = 0;
  Click(15, 15, kMouseLeft | kModifierShift);
  EXPECT_EQ(button->getValue(), 1.0f) << "a Shift-click the listener leaves toggles";

  button->setMouseEnabled(false);
  CDrawContext* context = frame->createDrawContext();
  CPoint where(15, 15);
  button->mouse(context, where, kMouseLeft);
  context->forget();
  EXPECT_EQ(button->getValue(), 1.0f) << "mouse handling off";
}

TEST(OnOffButtonDrawTest, UpperHalfForOffLowerHalfForOnAndNaN) {
  TestSurface surface(40, 40);
  StripBitmap* strip = new StripBitmap(20, 15, 2);
  COnOffButton* button = new COnOffButton(CRect(10, 10, 30, 25), nullptr, 0, strip);
  strip->forget();
  const float values[] = {0.0f, 1.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), 0.25f};
  const int images[] = {0, 1, 0, 1, 1};
  for (int i = 0; i < 5; ++i) {
    button->setValue(values[i]);
    button->draw(surface.context());
    surface.context()->synchronizeCairo();
    EXPECT_EQ(ImageOf(surface.pixel(20, 17)), images[i]) << "value " << values[i];
    EXPECT_EQ(button->isDirty(), std::isnan(values[i])) << "NaN never equals the drawn value";
  }
  EXPECT_EQ(surface.pixel(20, 26), kWhiteWord) << "only the control's rectangle is drawn";
  button->forget();
}

TEST_F(ButtonTest, KickPressedAndReleasedInsideSendsOneThenZero) {
  CKickButton* button = AddKick();
  Click(110, 20, kMouseLeft, {{110, 20, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(Count(log, Event::kBegin), 1);
  EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(ButtonTest, KickDraggedOutSendsTheEntryValueThenTheFinalZero) {
  CKickButton* button = AddKick();
  // The pointer stays on the button for a pass, leaves, and is released
  // outside.
  Click(110, 20, kMouseLeft, {{112, 22, kMouseLeft}, {160, 60, kMouseLeft}, {160, 60, kMouseLeft}, {160, 60, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f, 0.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(button->getValue(), 0.0f);

  log.clear();
  // The right and bottom edges still count as on the button.
  Click(120, 30, kMouseLeft, {{120, 30, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f}));
}

TEST_F(ButtonTest, KickShowsThePressedImageWhileHeld) {
  AddKick();
  frame->draw(static_cast<CView*>(nullptr));
  Deliver({Press(110, 20, kMouseLeft)});
  EXPECT_EQ(ImageOf(Shown(110, 20)), 1) << "the host call that brought the press redrew it";
  Deliver({MoveOrRelease({111, 21, kMouseLeft})});
  EXPECT_EQ(ImageOf(Shown(110, 20)), 1) << "held";
  Deliver({MoveOrRelease({111, 21, 0})});
  EXPECT_EQ(ImageOf(Shown(110, 20)), 0) << "released";
}

TEST_F(ButtonTest, KickClickedInOneCallOrWithAModifierSendsOneThenZero) {
  CKickButton* button = AddKick();
  // Press and release arrive together.
  Deliver({Press(110, 20, kMouseLeft), MoveOrRelease({110, 20, 0})});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f}));
  EXPECT_EQ(Count(log, Event::kBegin), 1);
  EXPECT_EQ(Count(log, Event::kEnd), 1);
  EXPECT_EQ(button->getValue(), 0.0f);

  // A modifier held: asked first, then one flip without tracking.
  log.clear();
  Deliver({Press(110, 20, kMouseLeft | kModifierOption)});
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].kind, Event::kModifier);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f}));
  EXPECT_EQ(frame->getMouseCapture(), nullptr);
  Deliver({MoveOrRelease({110, 20, kModifierOption})});

  // Pressing a modifier during the drag ends it.
  log.clear();
  Deliver({Press(110, 20, kMouseLeft), MoveOrRelease({111, 20, kMouseLeft | kModifierShift}),
           MoveOrRelease({112, 20, kMouseLeft | kModifierShift})});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f}));
  EXPECT_EQ(Count(log, Event::kEnd), 1);
  Deliver({MoveOrRelease({112, 20, kModifierShift})});
  EXPECT_EQ(Count(log, Event::kEnd), 1);

  // The modifier question comes before the left-button test.
  log.clear();
  Click(110, 20, kMouseRight | kModifierShift);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, Event::kModifier);
}

TEST(KickButtonDrawTest, PressedImageLiesOneImageHeightBelow) {
  TestSurface surface(60, 40);
  CPoint origin(0, 0);
  // Images 30 pixels apart shown in a 20 pixel tall button.
  StripBitmap* tall = new StripBitmap(20, 30, 2);
  CKickButton* spaced = new CKickButton(CRect(0, 0, 20, 20), nullptr, 0, 30, tall, origin);
  // Images as tall as the button.
  StripBitmap* fitting = new StripBitmap(20, 20, 2);
  CKickButton* plain = new CKickButton(CRect(30, 0, 50, 20), nullptr, 0, fitting, origin);
  tall->forget();
  fitting->forget();

  spaced->setValue(1.0f);
  plain->setValue(1.0f);
  spaced->draw(surface.context());
  plain->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(10, 0)), 1) << "row 0 of the button shows row 30 of the bitmap";
  EXPECT_EQ(ImageOf(surface.pixel(40, 0)), 1);
  EXPECT_EQ(ImageOf(surface.pixel(40, 19)), 1);

  plain->setValue(3.0f);
  plain->draw(surface.context());
  EXPECT_EQ(plain->getValue(), 1.0f) << "draw bounces the value";
  plain->setValue(0.0f);
  plain->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(40, 10)), 0);
  spaced->forget();
  plain->forget();
}
