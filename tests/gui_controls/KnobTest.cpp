// Knobs: the angle geometry, linear and circular drags, default resets,
// wheel and arrow keys, film-strip frames and handle drawing.
#include <cmath>

#include "ControlTestSupport.h"
#include "gui/CAnimKnob.h"
#include "gui/CKnob.h"

using namespace controltest;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The handle point of `value` on a knob of the default angles, from the
// angle itself: 225 degrees at 0, 270 degrees clockwise to 1.
CPoint ExpectedPoint(double value, double radius, double inset) {
  const double angle = (225.0 - 270.0 * value) * kPi / 180.0;
  return CPoint(static_cast<long>(radius + std::cos(angle) * (radius - inset) + 0.5),
                static_cast<long>(radius - std::sin(angle) * (radius - inset) + 0.5));
}

// A point at `degrees` (counter-clockwise from 3 o'clock) and `distance`
// from the centre of a knob whose rectangle is `r`.
CPoint AtAngle(const CRect& r, double degrees, double distance) {
  const double a = degrees * kPi / 180.0;
  const double cx = r.left + r.width() / 2.0;
  const double cy = r.top + r.height() / 2.0;
  return CPoint(std::lround(cx + std::cos(a) * distance), std::lround(cy - std::sin(a) * distance));
}

class KnobTest : public ControlFixture {
 protected:
  // A 40 x 40 line-handle knob at (100, 100), values 0..1, default 0.5.
  // Taken as drawn at value 0.5.
  CKnob* AddKnob() {
    CPoint origin(0, 0);
    CKnob* knob = Add(new CKnob(CRect(100, 100, 140, 140), &listener, 9, nullptr, nullptr, origin));
    knob->setValue(0.5f);
    knob->setDirty(false);
    return knob;
  }
  // A drag from (x, y) through `points`, each motion in a host call of its
  // own, then released at the last one.
  void Drag(int x, int y, long buttons, const std::vector<PointerState>& points) { Click(x, y, buttons, points); }
};

}  // namespace

TEST(KnobGeometryTest, HandlePointsFollowTheDefaultSweep) {
  CPoint origin(0, 0);
  CKnob* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr, nullptr, origin);
  CPoint p;
  knob->setValue(0.5f);
  knob->valueToPoint(p);
  EXPECT_EQ(p, CPoint(20, 3)) << "the middle value sits at the top, inset 3";
  for (double v = 0.0; v <= 1.0001; v += 0.125) {
    knob->setValue(static_cast<float>(v));
    knob->valueToPoint(p);
    const CPoint expected = ExpectedPoint(v, 20.0, 3.0);
    EXPECT_LE(std::abs(p.h - expected.h), 1) << "value " << v;
    EXPECT_LE(std::abs(p.v - expected.v), 1) << "value " << v;
  }
  knob->forget();
}

TEST(KnobGeometryTest, PointsMapBackToValuesAndTheGapSnapsToTheNearerEnd) {
  CPoint origin(0, 0);
  const CRect r(0, 0, 100, 100);
  CKnob* knob = new CKnob(r, nullptr, 0, nullptr, nullptr, origin);
  for (double v = 0.0; v <= 1.0001; v += 0.1) {
    CPoint p = AtAngle(r, 225.0 - 270.0 * v, 40.0);
    EXPECT_NEAR(knob->valueFromPoint(p), v, 0.01) << "value " << v;
  }
  CPoint leftOfBottom = AtAngle(r, 260.0, 30.0);
  CPoint rightOfBottom = AtAngle(r, 280.0, 30.0);
  EXPECT_EQ(knob->valueFromPoint(leftOfBottom), 0.0f) << "the half next to the start";
  EXPECT_EQ(knob->valueFromPoint(rightOfBottom), 1.0f) << "the half next to the end";

  // A counter-clockwise sweep of 270 degrees from -45 degrees.
  knob->setStartAngle(static_cast<float>(-45.0 * kPi / 180.0));
  knob->setRangeAngle(static_cast<float>(270.0 * kPi / 180.0));
  for (double v = 0.0; v <= 1.0001; v += 0.1) {
    CPoint p = AtAngle(r, -45.0 + 270.0 * v, 40.0);
    EXPECT_NEAR(knob->valueFromPoint(p), v, 0.01) << "counter-clockwise value " << v;
  }
  EXPECT_EQ(knob->valueFromPoint(leftOfBottom), 1.0f);
  EXPECT_EQ(knob->valueFromPoint(rightOfBottom), 0.0f);
  knob->forget();
}

TEST(KnobGeometryTest, PointAnglesInSixtyFourthsOfADegree) {
  const CPoint centre(10, 10);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(20, 10)), 0);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(10, 0)), 5760);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(0, 10)), 11520);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(10, 20)), 17280);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(10, 10)), 17280);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(20, 0)), 2879) << "45 degrees, truncated";
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(0, 0)), 11520 - 2879);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(0, 20)), 11520 + 2879);
  EXPECT_EQ(convertPoint2Angle(centre, CPoint(20, 20)), 23040 - 2879);
}

TEST_F(KnobTest, LinearDragOfTwoHundredPixelsCoversTheRange) {
  AEffGUIEditor::knobMode = kLinearMode;
  CKnob* knob = AddKnob();
  knob->setValue(0.0f);
  knob->setDirty(false);
  Drag(120, 120, kMouseLeft, {{120, 70, kMouseLeft}, {120, 20, kMouseLeft}});
  EXPECT_FLOAT_EQ(knob->getValue(), 0.5f) << "100 pixels up";
  // Taking the focus marks the knob dirty, so the entry value is told first.
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.0f, 0.25f, 0.5f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(log.front().tag, 9);

  log.clear();
  Drag(120, 120, kMouseLeft, {{170, 70, kMouseLeft}});
  EXPECT_FLOAT_EQ(knob->getValue(), 1.0f) << "50 right and 50 up add";
  log.clear();
  Drag(120, 120, kMouseLeft, {{120, 400, kMouseLeft}});
  EXPECT_EQ(knob->getValue(), 0.0f) << "clamped at the minimum";
}

TEST_F(KnobTest, ShiftMakesLinearDragsFinerWithoutAJump) {
  AEffGUIEditor::knobMode = kLinearMode;
  CKnob* knob = AddKnob();
  knob->setValue(0.0f);
  Drag(120, 120, kMouseLeft | kModifierShift, {{120, 20, kMouseLeft | kModifierShift}});
  EXPECT_NEAR(knob->getValue(), 100.0 / 300.0, 1e-6) << "zoom factor 1.5";

  knob->setValue(0.0f);
  knob->setDirty(false);
  log.clear();
  // 50 up, Shift pressed there; the next move re-bases the drag at the
  // value reached, and the last 50 pixels count a third less.
  Drag(120, 120, kMouseLeft,
       {{120, 70, kMouseLeft}, {120, 70, kMouseLeft | kModifierShift}, {120, 69, kMouseLeft | kModifierShift},
        {120, 19, kMouseLeft | kModifierShift}});
  const std::vector<float> values = ChangedValues(log);
  ASSERT_EQ(values.size(), 4u) << "the entry value, then one value per move";
  EXPECT_FLOAT_EQ(values[1], 0.25f);
  EXPECT_FLOAT_EQ(values[2], 51.0f / 200.0f) << "no jump where Shift comes in";
  EXPECT_NEAR(values[3], 51.0 / 200.0 + 50.0 / 300.0, 1e-6);
}

TEST_F(KnobTest, OptionSwapsLinearAndCircularModes) {
  CKnob* knob = AddKnob();
  const CRect r(100, 100, 140, 140);
  const CPoint nearMax = AtAngle(r, -40.0, 15.0);
  for (VstInt32 mode : {kCircularMode, kRelativCircularMode, kLinearMode}) {
    for (long option : {0L, static_cast<long>(kModifierOption)}) {
      AEffGUIEditor::knobMode = mode;
      knob->setValue(0.5f);
      // Straight down from the top of the knob: a linear drag lowers the
      // value by 30 / 200; a circular drag follows the angle to the maximum.
      const CPoint top = AtAngle(r, 90.0, 15.0);
      Drag(top.h, top.v, kMouseLeft | option,
           {{static_cast<int>(nearMax.h), static_cast<int>(nearMax.v), kMouseLeft | option}});
      const bool linear = (mode == kLinearMode) != (option != 0);
      const double d = static_cast<double>((top.v - nearMax.v) + (nearMax.h - top.h));
      CPoint local(nearMax.h - 100, nearMax.v - 100);
      const double expected = linear ? 0.5 + d / 200.0 : knob->valueFromPoint(local);
      EXPECT_NEAR(knob->getValue(), expected, 1e-5) << "mode " << mode << " option " << option;
    }
  }
}

TEST_F(KnobTest, CircularDragAcrossTheGapStaysAtTheEndItCameFrom) {
  AEffGUIEditor::knobMode = kCircularMode;
  CKnob* knob = AddKnob();
  const CRect r(100, 100, 140, 140);
  const CPoint top = AtAngle(r, 90.0, 15.0);
  std::vector<PointerState> path;
  for (double deg : {0.0, -40.0, -80.0, -100.0, -140.0, 200.0}) {
    const CPoint p = AtAngle(r, deg, 15.0);
    path.push_back({static_cast<int>(p.h), static_cast<int>(p.v), kMouseLeft});
  }
  Drag(top.h, top.v, kMouseLeft, path);
  const std::vector<float> values = ChangedValues(log);
  ASSERT_GE(values.size(), 4u);
  EXPECT_EQ(values[0], 0.5f) << "the entry value";
  EXPECT_NEAR(values[1], 225.0f / 270.0f, 0.02f) << "3 o'clock";
  EXPECT_EQ(knob->getValue(), 1.0f) << "through the gap towards the minimum keeps the maximum";
  for (size_t i = 1; i < values.size(); ++i) EXPECT_GE(values[i], values[i - 1]);

  // The other way round: from the minimum across the gap stays at the minimum.
  log.clear();
  knob->setValue(0.5f);
  path.clear();
  for (double deg : {180.0, 220.0, 260.0, 280.0, 320.0}) {
    const CPoint p = AtAngle(r, deg, 15.0);
    path.push_back({static_cast<int>(p.h), static_cast<int>(p.v), kMouseLeft});
  }
  Drag(top.h, top.v, kMouseLeft, path);
  EXPECT_EQ(knob->getValue(), 0.0f);
}

TEST_F(KnobTest, DoubleClickOrCommandClickResetsAndNoDragFollows) {
  AEffGUIEditor::knobMode = kLinearMode;
  CKnob* knob = AddKnob();
  knob->setDefaultValue(0.3f);
  knob->setValue(0.0f);
  Drag(120, 120, kMouseLeft, {{120, 100, kMouseLeft}});
  EXPECT_FLOAT_EQ(knob->getValue(), 0.1f) << "the first click drags";
  clickGapMs = 120;
  log.clear();
  Drag(120, 120, kMouseLeft, {{120, 20, kMouseLeft}});
  EXPECT_FLOAT_EQ(knob->getValue(), 0.3f) << "the second click resets, and the drag is ignored";
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.3f}));
  EXPECT_EQ(Count(log, Event::kIdle), 0);

  knob->setValue(0.9f);
  log.clear();
  clickGapMs = 1000;
  Drag(120, 120, kMouseLeft | kModifierCommand, {{120, 20, kMouseLeft | kModifierCommand}});
  EXPECT_FLOAT_EQ(knob->getValue(), 0.3f);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.3f}));
}

TEST_F(KnobTest, ArrowKeysAndWheelStepByTheWheelIncrement) {
  CKnob* knob = AddKnob();
  // A click gives the knob the keyboard focus, so the frame hands it keys.
  Click(120, 120, kMouseLeft, {{120, 120, 0}});
  ASSERT_EQ(frame->getFocusView(), knob);
  knob->setValue(0.5f);
  knob->setDirty(false);
  log.clear();
  VstKeyCode key{0, kArrowKeyUp, 0};
  EXPECT_EQ(frame->onKeyDown(key), 1);
  EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
  key = {0, kArrowKeyUp, MODIFIER_SHIFT};
  knob->onKeyDown(key);
  EXPECT_NEAR(knob->getValue(), 0.61f, 1e-6) << "Shift takes a tenth";
  key = {0, kArrowKeyLeft, 0};
  knob->onKeyDown(key);
  key = {0, kArrowKeyDown, 0};
  knob->onKeyDown(key);
  key = {0, kArrowKeyRight, 0};
  knob->onKeyDown(key);
  EXPECT_NEAR(knob->getValue(), 0.51f, 1e-6);
  key = {13, 19, 0};
  EXPECT_EQ(knob->onKeyDown(key), -1) << "Return is not handled";
  EXPECT_EQ(Count(log, Event::kChanged), 5);
  EXPECT_TRUE(ChangesInsideBrackets(log));
  for (const Event& e : log) {
    if (e.kind == Event::kChanged) {
      EXPECT_FALSE(e.hadContext) << "keys come without a context";
    }
  }

  log.clear();
  CDrawContext* context = frame->createDrawContext();
  window->SetPointer(120, 120, 0);
  EXPECT_TRUE(knob->onWheel(context, CPoint(120, 120), 2.0f));
  EXPECT_NEAR(knob->getValue(), 0.71f, 1e-6);
  window->SetPointer(120, 120, kModifierShift);
  knob->onWheel(context, CPoint(120, 120), -1.0f);
  EXPECT_NEAR(knob->getValue(), 0.70f, 1e-6);
  knob->setValue(1.0f);
  knob->setDirty(false);
  log.clear();
  window->SetPointer(120, 120, 0);
  knob->onWheel(context, CPoint(120, 120), 1.0f);
  EXPECT_EQ(knob->getValue(), 1.0f);
  EXPECT_TRUE(log.empty()) << "a step that does not move the value tells nobody";
  knob->setMouseEnabled(false);
  EXPECT_FALSE(knob->onWheel(context, CPoint(120, 120), 1.0f));
  context->forget();
}

TEST(AnimKnobTest, ShowsTheFrameOfTheValueSnappedToAFrameBoundary) {
  TestSurface surface(20, 50);
  StripBitmap* strip = new StripBitmap(20, 50, 31);
  CPoint origin(0, 0);
  CAnimKnob* knob = new CAnimKnob(CRect(0, 0, 20, 50), nullptr, 0, 31, 50, strip, origin);
  CAnimKnob* fromBitmap = new CAnimKnob(CRect(0, 0, 20, 50), nullptr, 0, strip, origin);
  strip->forget();
  auto shown = [&](CAnimKnob* k, float value) {
    k->setValue(value);
    k->draw(surface.context());
    surface.context()->synchronizeCairo();
    return ImageOf(surface.pixel(10, 25));
  };
  EXPECT_EQ(shown(knob, 0.5f), 15) << "offset 750";
  EXPECT_EQ(shown(knob, 1.0f), 30) << "offset 1500";
  EXPECT_EQ(shown(knob, 0.49f), 14) << "offset 735 snaps down to 700";
  EXPECT_EQ(shown(knob, 0.0f), 0);
  EXPECT_EQ(shown(knob, -0.5f), 0);
  EXPECT_EQ(shown(fromBitmap, 0.5f), 15) << "31 frames counted from the bitmap";
  knob->setInverseBitmap(true);
  EXPECT_EQ(shown(knob, 0.25f), 22) << "from the bottom: offset 1125 snaps to 1100";
  EXPECT_EQ(shown(knob, 1.0f), 0);
  knob->forget();
  fromBitmap->forget();
}

TEST(AnimKnobTest, FramesWithoutHeightOrBitmapDrawTheTop) {
  TestSurface surface(20, 20);
  CPoint origin(0, 0);
  CAnimKnob* empty = new CAnimKnob(CRect(0, 0, 20, 0), nullptr, 0, nullptr, origin);
  StripBitmap* strip = new StripBitmap(20, 20, 3);
  CAnimKnob* flat = new CAnimKnob(CRect(0, 0, 20, 20), nullptr, 0, 3, 0, strip, origin);
  strip->forget();
  empty->setValue(0.7f);
  empty->draw(surface.context());
  flat->setValue(0.7f);
  flat->draw(surface.context());  // must not loop for ever
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(10, 10)), 0);
  empty->forget();
  flat->forget();
}

TEST_F(KnobTest, AnimKnobRedrawsAndReportsOnlyWhenTheHandlePointMoves) {
  AEffGUIEditor::knobMode = kLinearMode;
  StripBitmap* strip = new StripBitmap(20, 20, 10);
  CPoint origin(0, 0);
  CAnimKnob* knob = Add(new CAnimKnob(CRect(10, 10, 30, 30), &listener, 4, 10, 20, strip, origin));
  strip->forget();
  knob->setValue(0.5f);
  knob->draw(nullptr);  // a film-strip knob draws no handle
  knob->setValue(0.5001f);
  EXPECT_FALSE(knob->isDirty()) << "too small to move the handle point";
  knob->setValue(0.6f);
  EXPECT_TRUE(knob->isDirty());
  knob->draw(nullptr);

  // A drag in one-pixel steps: each report moves the handle point.
  log.clear();
  std::vector<PointerState> path;
  for (int i = 1; i <= 12; ++i) path.push_back({20, 20 - i, kMouseLeft});
  Drag(20, 20, kMouseLeft, path);
  const std::vector<float> values = ChangedValues(log);
  ASSERT_FALSE(values.empty());
  EXPECT_LT(values.size(), path.size()) << "sub-pixel moves of the handle are not reported";
  CAnimKnob* probe = new CAnimKnob(CRect(10, 10, 30, 30), nullptr, 0, 10, 20, nullptr, origin);
  // The first report is the entry value (taking the focus marks dirty).
  EXPECT_EQ(values.front(), 0.6f);
  CPoint previous;
  probe->setValue(0.6f);
  probe->valueToPoint(previous);
  for (float v : std::vector<float>(values.begin() + 1, values.end())) {
    CPoint p;
    probe->setValue(v);
    probe->valueToPoint(p);
    EXPECT_NE(p, previous) << "value " << v;
    previous = p;
  }
  probe->forget();
}

TEST(KnobDrawTest, HandleBitmapIsCentredOnTheHandlePoint) {
  TestSurface surface(50, 50);
  StripBitmap* handle = new StripBitmap(6, 6, 1);
  CPoint origin(0, 0);
  CKnob* knob = new CKnob(CRect(5, 5, 45, 45), nullptr, 0, nullptr, handle, origin);
  handle->forget();
  knob->setValue(0.5f);
  knob->draw(surface.context());
  surface.context()->synchronizeCairo();
  // Inset 6 * 0.5 + 2.5 = 5: handle point (20, 5), the handle over
  // columns 17..22 and rows 2..7 of the knob.
  EXPECT_EQ(ImageOf(surface.pixel(5 + 17, 5 + 2)), 0);
  EXPECT_EQ(ImageOf(surface.pixel(5 + 22, 5 + 7)), 0);
  EXPECT_EQ(surface.pixel(5 + 16, 5 + 5), kWhiteWord);
  EXPECT_EQ(surface.pixel(5 + 23, 5 + 5), kWhiteWord);
  EXPECT_EQ(surface.pixel(5 + 20, 5 + 8), kWhiteWord);
  knob->forget();
}

TEST(KnobDrawTest, LineHandleRunsFromTheRimToTheCentreWithItsShadow) {
  TestSurface surface(50, 50);
  CPoint origin(0, 0);
  CKnob* knob = new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr, nullptr, origin);
  knob->setColorHandle(kRedCColor);
  knob->setColorShadowHandle(kBlueCColor);
  knob->setValue(0.5f);
  knob->draw(surface.context());
  surface.context()->synchronizeCairo();
  // Shadow from (19, 3) to the centre (19, 20), 17 pixels long; the handle
  // the same length one pixel right and one up.
  const uint32_t red = Argb(kRedCColor);
  const uint32_t blue = Argb(kBlueCColor);
  EXPECT_EQ(surface.count(19, 0, 20, 50, blue), 17);
  EXPECT_EQ(surface.count(20, 0, 21, 50, red), 17);
  long firstBlue = -1, firstRed = -1;
  for (long y = 49; y >= 0; --y) {
    if (surface.pixel(19, y) == blue) firstBlue = y;
    if (surface.pixel(20, y) == red) firstRed = y;
  }
  EXPECT_EQ(firstRed, firstBlue - 1);
  EXPECT_EQ(surface.count(0, 0, 50, 50, red) + surface.count(0, 0, 50, 50, blue), 34)
      << "nothing drawn outside the two lines";
  knob->forget();
}
