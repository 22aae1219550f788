// The control base: dirtiness, clamping, range conversion, double clicks,
// default clicks inside edit brackets, the type names of every control.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "ControlTestSupport.h"
#include "gui/CAnimKnob.h"
#include "gui/CAutoAnimation.h"
#include "gui/CHorizontalSwitch.h"
#include "gui/CKickButton.h"
#include "gui/CKnob.h"
#include "gui/CMovieBitmap.h"
#include "gui/CMovieButton.h"
#include "gui/COnOffButton.h"
#include "gui/CRockerSwitch.h"
#include "gui/CSlider.h"
#include "gui/CSpecialDigit.h"
#include "gui/CSplashScreen.h"
#include "gui/CVerticalSwitch.h"
#include "gui/CVuMeter.h"

using namespace controltest;

namespace {

// The smallest concrete control: counts draws and setValue calls; a click
// is only a default click.
class PlainControl : public CControl {
 public:
  PlainControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0)
      : CControl(size, listener, tag) {}
  void draw(CDrawContext*) override {
    ++draws;
    setDirty(false);
  }
  void setValue(float v) override {
    ++setValueCalls;
    CControl::setValue(v);
  }
  void mouse(CDrawContext* context, CPoint&, long buttons) override {
    checkDefaultValue(context, resolveButtons(context, buttons));
  }
  int draws = 0;
  int setValueCalls = 0;
};

}  // namespace

TEST(ControlTest, NewControlIsDirtyUntilItsFirstDraw) {
  PlainControl* control = new PlainControl(CRect(0, 0, 10, 10));
  EXPECT_TRUE(control->isDirty());
  control->draw(nullptr);
  EXPECT_FALSE(control->isDirty());
  control->setValue(0.25f);
  EXPECT_TRUE(control->isDirty()) << "a value apart from the drawn one needs a redraw";
  control->setValue(0.0f);
  EXPECT_FALSE(control->isDirty()) << "back at the drawn value";
  control->setValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(control->isDirty()) << "NaN differs from everything";
  control->forget();
}

TEST(ControlTest, BounceValueClampsOnlyWhatLiesOutsideTheRange) {
  PlainControl* control = new PlainControl(CRect(0, 0, 10, 10));
  control->setValue(5.0f);
  EXPECT_EQ(control->getValue(), 5.0f) << "setValue does not clamp";
  control->bounceValue();
  EXPECT_EQ(control->getValue(), 1.0f);
  control->setValue(-3.0f);
  control->bounceValue();
  EXPECT_EQ(control->getValue(), 0.0f);
  control->setValue(0.5f);
  const int calls = control->setValueCalls;
  control->bounceValue();
  EXPECT_EQ(control->getValue(), 0.5f);
  EXPECT_EQ(control->setValueCalls, calls) << "a value in range is left alone";
  control->forget();
}

TEST(ControlTest, SetDirtyMovesTheDrawnValueApartEvenForMinusOne) {
  PlainControl* control = new PlainControl(CRect(0, 0, 10, 10));
  control->setValue(-1.0f);
  control->setDirty(true);
  EXPECT_EQ(control->getOldValue(), 0.0f);
  EXPECT_TRUE(control->isDirty());
  control->setDirty(false);
  EXPECT_EQ(control->getOldValue(), -1.0f);
  EXPECT_FALSE(control->isDirty());
  control->setValue(0.5f);
  control->setDirty(true);
  EXPECT_EQ(control->getOldValue(), -1.0f);
  EXPECT_TRUE(control->isDirty());
  control->forget();
}

TEST(ControlTest, ParameterConversionFollowsTheRange) {
  PlainControl* control = new PlainControl(CRect(0, 0, 10, 10));
  control->setMin(20.0f);
  control->setMax(20000.0f);
  EXPECT_FLOAT_EQ(control->ConvertParamToValue(0.5f), 10010.0f);
  EXPECT_FLOAT_EQ(control->ConvertValueToParam(20.0f), 0.0f);
  EXPECT_FLOAT_EQ(control->ConvertValueToParam(20000.0f), 1.0f);
  control->setMax(20.0f);
  const float param = control->ConvertValueToParam(20.0f);
  EXPECT_FALSE(std::isnan(param)) << "an empty range must not hand out a NaN parameter";
  EXPECT_EQ(param, 0.0f);
  control->forget();
}

TEST(ControlTest, OutsideAFrameEditBracketsAndIdleDoNothing) {
  Log log;
  RecordingListener listener(log);
  PlainControl* control = new PlainControl(CRect(0, 0, 10, 10), &listener, 7);
  control->beginEdit();
  control->doIdleStuff();
  control->endEdit();
  EXPECT_TRUE(control->checkDefaultValue(nullptr, kMouseLeft | kModifierCommand));
  EXPECT_EQ(control->getValue(), 0.5f);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, Event::kChanged);
  control->forget();
}

class ControlFrameTest : public ControlFixture {};

TEST_F(ControlFrameTest, ClicksPairIntoDoubleClicksWithinTheWindow) {
  PlainControl* control = Add(new PlainControl(CRect(0, 0, 10, 10)));
  EXPECT_FALSE(control->isDoubleClick());
  g_nTestNow += 100;
  EXPECT_TRUE(control->isDoubleClick()) << "second click 100 ms later";
  g_nTestNow += 100;
  EXPECT_FALSE(control->isDoubleClick()) << "a third click starts a new pair";
  g_nTestNow += 100;
  EXPECT_TRUE(control->isDoubleClick());
  g_nTestNow += 1000;
  EXPECT_FALSE(control->isDoubleClick());
  g_nTestNow += 1000;
  EXPECT_FALSE(control->isDoubleClick()) << "a second apart is two single clicks";
  g_nTestNow += 249;
  EXPECT_TRUE(control->isDoubleClick()) << "the window is at least 250 ms";
}

TEST_F(ControlFrameTest, DoubleClickSpansTheWrapOfTheMillisecondClock) {
  PlainControl* control = Add(new PlainControl(CRect(0, 0, 10, 10)));
  g_nTestNow = 0xFFFFFFC0u;
  EXPECT_FALSE(control->isDoubleClick());
  g_nTestNow = 0x20u;  // 96 ms later
  EXPECT_TRUE(control->isDoubleClick());
}

TEST_F(ControlFrameTest, CommandClickResetsInsideOneBracketWithoutTheClock) {
  PlainControl* control = Add(new PlainControl(CRect(0, 0, 20, 20), &listener, 42));
  control->setDefaultValue(0.75f);
  control->setValue(0.1f);
  control->draw(nullptr);

  Click(5, 5, kMouseLeft);  // a plain click: the first of a pair
  EXPECT_EQ(control->getValue(), 0.1f);
  clickGapMs = 50;
  Click(5, 5, kMouseLeft | kModifierCommand);
  EXPECT_EQ(control->getValue(), 0.75f);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].kind, Event::kBegin);
  EXPECT_EQ(log[0].tag, 42);
  EXPECT_EQ(log[1].kind, Event::kChanged);
  EXPECT_EQ(log[1].value, 0.75f);
  EXPECT_EQ(log[2].kind, Event::kEnd);
  EXPECT_EQ(frame->getFocusView(), control) << "an edit takes the keyboard focus";

  // The Command-click left the clock alone: the next plain click pairs with
  // the first one.
  log.clear();
  control->setValue(0.2f);
  control->draw(nullptr);
  Click(5, 5, kMouseLeft);
  EXPECT_EQ(control->getValue(), 0.75f) << "double click with the first plain click";
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.75f}));
}

TEST_F(ControlFrameTest, DefaultClickAtTheDefaultBracketsButTellsNobody) {
  PlainControl* control = Add(new PlainControl(CRect(0, 0, 20, 20), &listener, 3));
  control->setValue(0.5f);
  control->draw(nullptr);
  Click(5, 5, kMouseLeft | kModifierCommand);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].kind, Event::kBegin);
  EXPECT_EQ(log[1].kind, Event::kEnd);
}

TEST_F(ControlFrameTest, CommandWithShiftIsNoDefaultClick) {
  PlainControl* control = Add(new PlainControl(CRect(0, 0, 20, 20), &listener, 3));
  control->setValue(0.1f);
  EXPECT_FALSE(control->checkDefaultValue(nullptr, kMouseLeft | kModifierCommand | kModifierShift));
  EXPECT_EQ(control->getValue(), 0.1f);
  EXPECT_TRUE(log.empty());
}

TEST_F(ControlFrameTest, EveryClickCountsAndADragCutShortClosesItsBracketOnce) {
  AEffGUIEditor::knobMode = kLinearMode;
  CPoint origin(0, 0);
  StripBitmap* strip = new StripBitmap(40, 40, 5);
  // Each control over (10, 10)-(50, 50), pressed at (39, 30); what one
  // click tells and what two quick clicks tell (a double click resets the
  // knob-like ones to their default, 0.25).
  struct Case {
    const char* name;
    std::function<CControl*()> make;
    float start;
    std::vector<float> once, twice;
  };
  const CRect r(10, 10, 50, 50);
  const Case cases[] = {
      {"on/off", [&] { return new COnOffButton(r, &listener, 1, strip); }, 0.0f, {1.0f}, {1.0f, 0.0f}},
      {"kick",
       [&] { return new CKickButton(r, &listener, 2, strip, origin); },
       0.0f,
       {1.0f, 0.0f},
       {1.0f, 0.0f, 1.0f, 0.0f}},
      {"knob", [&] { return new CKnob(r, &listener, 3, strip, nullptr, origin); }, 0.5f, {0.5f}, {0.5f, 0.25f}},
      {"slider",
       [&] { return new CHorizontalSlider(r, &listener, 4, 10, 30, strip, strip, origin); },
       0.0f,
       {0.5f},
       {0.5f, 0.25f}},
      {"switch",
       [&] { return new CVerticalSwitch(r, &listener, 5, 5, 40, 5, strip, origin); },
       0.0f,
       {0.5f},
       {0.5f, 0.25f}},
      {"movie button", [&] { return new CMovieButton(r, &listener, 6, strip, origin); }, 0.0f, {1.0f}, {1.0f, 0.0f}},
      {"rocker",
       [&] { return new CRockerSwitch(r, &listener, 7, 40, strip, origin, kVertical); },
       0.0f,
       {-1.0f, 0.0f},
       {-1.0f, 0.0f, -1.0f, 0.0f}},
  };
  auto reset = [&](CControl* control, float value) {
    control->setValue(value);
    control->setDirty(true);
    frame->idle();
    log.clear();
  };
  const PlatformEvent press = Press(39, 30, kMouseLeft), release = MoveOrRelease({39, 30, 0});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CControl* control = Add(c.make());
    control->setDefaultValue(0.25f);
    // Press and release in one host call, then two such clicks at once.
    g_nTestNow += 1000;
    reset(control, c.start);
    Deliver({press, release});
    EXPECT_EQ(ChangedValues(log), c.once);
    EXPECT_TRUE(ChangesInsideBrackets(log));
    g_nTestNow += 1000;
    reset(control, c.start);
    Deliver({press, release, press, release});
    EXPECT_EQ(ChangedValues(log), c.twice);
    EXPECT_TRUE(ChangesInsideBrackets(log));

    // Held, moved, then taken out of the frame: the bracket closes there
    // and nothing after reaches the control.
    g_nTestNow += 1000;
    reset(control, c.start);
    control->remember();
    Deliver({press, MoveOrRelease({31, 31, kMouseLeft})});
    frame->removeView(control);
    const int begins = Count(log, Event::kBegin);
    EXPECT_EQ(Count(log, Event::kEnd), begins);
    const size_t logged = log.size();
    Deliver({MoveOrRelease({12, 12, kMouseLeft}), release});
    EXPECT_EQ(log.size(), logged);
    control->forget();
  }
  strip->forget();
}

TEST(ControlTypeTest, EveryControlAnswersItsOwnNameAndItsBases) {
  CPoint origin(0, 0);
  CRect r(0, 0, 20, 20);
  CRect display(0, 0, 40, 40);
  long positions[1] = {0};
  struct Entry {
    CControl* control;
    const char* own;
    const char* base;  // besides "CControl" and "CView"
  };
  const Entry entries[] = {
      {new COnOffButton(r, nullptr, 0, nullptr), "COnOffButton", nullptr},
      {new CKickButton(r, nullptr, 0, nullptr, origin), "CKickButton", nullptr},
      {new CKnob(r, nullptr, 0, nullptr, nullptr, origin), "CKnob", nullptr},
      {new CAnimKnob(r, nullptr, 0, 4, 20, nullptr, origin), "CAnimKnob", "CKnob"},
      {new CHorizontalSlider(r, nullptr, 0, 0, 10, nullptr, nullptr, origin), "CSlider", nullptr},
      {new CVerticalSlider(r, nullptr, 0, 0, 10, nullptr, nullptr, origin), "CSlider", nullptr},
      {new CVuMeter(r, nullptr, nullptr, 10), "CVuMeter", nullptr},
      {new CVerticalSwitch(r, nullptr, 0, 3, 20, 3, nullptr, origin), "CVerticalSwitch", nullptr},
      {new CHorizontalSwitch(r, nullptr, 0, 3, 20, 3, nullptr, origin), "CHorizontalSwitch", nullptr},
      {new CRockerSwitch(r, nullptr, 0, 20, nullptr, origin), "CRockerSwitch", nullptr},
      {new CMovieBitmap(r, nullptr, 0, 3, 20, nullptr, origin), "CMovieBitmap", nullptr},
      {new CMovieButton(r, nullptr, 0, 20, nullptr, origin), "CMovieButton", nullptr},
      {new CAutoAnimation(r, nullptr, 0, 3, 20, nullptr, origin), "CAutoAnimation", nullptr},
      {new CSpecialDigit(r, nullptr, 0, 0, 1, positions, positions, 5, 5, nullptr), "CSpecialDigit", nullptr},
      {new CSplashScreen(r, nullptr, 0, nullptr, display, origin), "CSplashScreen", nullptr},
  };
  const char* names[] = {"COnOffButton", "CKickButton", "CKnob", "CAnimKnob", "CSlider",
                         "CVuMeter", "CVerticalSwitch", "CHorizontalSwitch", "CRockerSwitch",
                         "CMovieBitmap", "CMovieButton", "CAutoAnimation", "CSpecialDigit",
                         "CSplashScreen", "CHorizontalSlider", "CVerticalSlider", "CViewContainer"};
  for (const Entry& e : entries) {
    EXPECT_TRUE(e.control->isTypeOf("CControl")) << e.own;
    EXPECT_TRUE(e.control->isTypeOf("CView")) << e.own;
    for (const char* name : names) {
      const bool expected = std::strcmp(name, e.own) == 0 || (e.base && std::strcmp(name, e.base) == 0);
      EXPECT_EQ(e.control->isTypeOf(name), expected) << e.own << " asked for " << name;
    }
    e.control->forget();
  }
}
