// Sliders (handle placement, free and fixed clicks, fine drags, resets) and
// the VU meter (falling display, whole steps, off-screen drawing).
#include <cmath>
#include <utility>

#include "ControlTestSupport.h"
#include "gui/CSlider.h"
#include "gui/CVuMeter.h"

using namespace controltest;

namespace {

// The handle shows image 0 of the strips; the track (the background, drawn
// from one image down) image 1.
constexpr int kHandleImage = 0;
constexpr int kTrackImage = 1;

// First and last column of row y that show the handle, or -1.
std::pair<long, long> HandleColumns(TestSurface& surface, long y, long width) {
  long first = -1, last = -1;
  for (long x = 0; x < width; ++x) {
    if (ImageOf(surface.pixel(x, y)) == kHandleImage) {
      if (first < 0) first = x;
      last = x;
    }
  }
  return {first, last};
}

// First and last row of column x that show the handle, or -1.
std::pair<long, long> HandleRows(TestSurface& surface, long x, long height) {
  long first = -1, last = -1;
  for (long y = 0; y < height; ++y) {
    if (ImageOf(surface.pixel(x, y)) == kHandleImage) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return {first, last};
}

class SliderTest : public ControlFixture {
 protected:
  // A horizontal slider over (10, 10)-(110, 30) whose 20-pixel handle
  // travels from x 10 to x 90 (its left edge); origin at the left.
  CHorizontalSlider* AddHorizontal() {
    StripBitmap* handle = new StripBitmap(20, 20, 1);
    StripBitmap* track = new StripBitmap(100, 20, 2);
    CPoint trackOffset(0, 20);
    CHorizontalSlider* slider =
        Add(new CHorizontalSlider(CRect(10, 10, 110, 30), &listener, 6, 10, 90, handle, track, trackOffset));
    handle->forget();
    track->forget();
    return slider;
  }
};

}  // namespace

TEST(SliderDrawTest, HorizontalHandleMovesRangeHandleFromItsMinimum) {
  TestSurface surface(120, 40);
  StripBitmap* handle = new StripBitmap(20, 20, 1);
  StripBitmap* track = new StripBitmap(100, 20, 2);
  CPoint trackOffset(0, 20);
  CHorizontalSlider* slider =
      new CHorizontalSlider(CRect(10, 10, 110, 30), nullptr, 0, 10, 90, handle, track, trackOffset, kLeft);
  for (const auto& c : {std::make_pair(0.0f, 10L), std::make_pair(1.0f, 90L), std::make_pair(0.5f, 50L),
                        std::make_pair(-2.0f, 10L)}) {
    slider->setValue(c.first);
    slider->draw(surface.context());
    surface.context()->synchronizeCairo();
    EXPECT_EQ(HandleColumns(surface, 20, 120), std::make_pair(c.second, c.second + 19)) << "value " << c.first;
    EXPECT_EQ(ImageOf(surface.pixel(c.second == 10 ? 100 : 12, 20)), kTrackImage);
  }

  // The origin at the right mirrors the handle.
  CHorizontalSlider* mirrored =
      new CHorizontalSlider(CRect(10, 10, 110, 30), nullptr, 0, 10, 90, handle, track, trackOffset, kRight);
  mirrored->setValue(1.0f);
  mirrored->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(HandleColumns(surface, 20, 120).first, 10);

  // Handle offset and track length: travel 100 - 20 pixels from x 5 inside.
  CPoint handleOffset(5, 0);
  CHorizontalSlider* offsetSlider =
      new CHorizontalSlider(CRect(10, 10, 110, 30), nullptr, 0, handleOffset, 100, handle, track, trackOffset);
  offsetSlider->setValue(1.0f);
  offsetSlider->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(HandleColumns(surface, 20, 120).first, 10 + 5 + 80);
  handle->forget();
  track->forget();
  slider->forget();
  mirrored->forget();
  offsetSlider->forget();
}

TEST(SliderDrawTest, VerticalSliderWithOriginAtTheBottomShowsOneAtTheTop) {
  TestSurface surface(30, 110);
  StripBitmap* handle = new StripBitmap(20, 20, 1);
  StripBitmap* track = new StripBitmap(20, 100, 2);
  CPoint trackOffset(0, 100);
  CVerticalSlider* slider =
      new CVerticalSlider(CRect(0, 5, 20, 105), nullptr, 0, 5, 85, handle, track, trackOffset, kBottom);
  handle->forget();
  track->forget();
  slider->setValue(1.0f);
  slider->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(HandleRows(surface, 10, 110), std::make_pair(5L, 24L));
  slider->setValue(0.0f);
  slider->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(HandleRows(surface, 10, 110), std::make_pair(85L, 104L));
  EXPECT_EQ(ImageOf(surface.pixel(10, 10)), kTrackImage);
  slider->forget();
}

TEST_F(SliderTest, FreeClickPutsTheHandleCentreUnderThePointer) {
  CHorizontalSlider* slider = AddHorizontal();
  // The handle's centre is 9 pixels right of its left edge: x 59 is the
  // middle of the travel.
  Click(59, 20, kMouseLeft, {{99, 20, kMouseLeft}, {99, 20, kMouseLeft}, {99, 20, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.5f, 1.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(log.front().tag, 6);
  EXPECT_EQ(slider->getValue(), 1.0f);

  log.clear();
  Click(10, 20, kMouseLeft, {{10, 20, 0}});
  EXPECT_EQ(slider->getValue(), 0.0f) << "left of the track clamps at the minimum";
}

TEST_F(SliderTest, FixedClickMustHitTheHandleAndKeepsItsGrip) {
  CHorizontalSlider* slider = AddHorizontal();
  slider->setFreeClick(false);
  slider->setValue(0.0f);
  Click(50, 20, kMouseLeft, {{70, 20, kMouseLeft}, {70, 20, 0}});
  EXPECT_TRUE(log.empty()) << "a click beside the handle does nothing";
  EXPECT_EQ(slider->getValue(), 0.0f);

  // Grabbed 5 pixels into the handle (its edges count), dragged 40 on.
  Click(15, 20, kMouseLeft, {{55, 20, kMouseLeft}, {55, 20, kMouseLeft}, {55, 20, 0}});
  EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
  log.clear();
  slider->setValue(0.5f);
  Click(70, 30, kMouseLeft, {{70, 30, 0}});
  EXPECT_EQ(Count(log, Event::kBegin), 1) << "the handle's right and bottom edges are on it";
}

TEST_F(SliderTest, ShiftDragMovesByAZoomFactorthOfThePointer) {
  CHorizontalSlider* slider = AddHorizontal();
  slider->setValue(0.5f);
  const long shift = kMouseLeft | kModifierShift;
  Click(59, 20, shift, {{99, 20, shift}, {99, 20, shift}, {99, 20, 0}});
  EXPECT_NEAR(slider->getValue(), 0.55f, 1e-6) << "half the range at zoom factor 10";

  // Shift pressed during the drag: the value goes on from where it was.
  slider->setValue(0.0f);
  Click(19, 20, kMouseLeft,
        {{59, 20, kMouseLeft}, {59, 20, kMouseLeft}, {59, 20, shift}, {99, 20, shift}, {99, 20, shift}, {99, 20, 0}});
  EXPECT_NEAR(slider->getValue(), 0.55f, 1e-6);
}

TEST_F(SliderTest, DefaultClicksAndScreening) {
  CHorizontalSlider* slider = AddHorizontal();
  slider->setDefaultValue(0.25f);
  slider->setValue(0.75f);
  Click(99, 20, kMouseLeft | kModifierCommand, {{20, 20, 0}});
  EXPECT_EQ(slider->getValue(), 0.25f);
  EXPECT_EQ(log.front().kind, Event::kModifier) << "the listener is asked before the reset";
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.25f}));

  log.clear();
  Click(99, 20, kMouseRight, {{99, 20, 0}});
  EXPECT_EQ(slider->getValue(), 0.25f) << "the right button does not drag";
}

TEST_F(SliderTest, WithoutTravelTheValueStaysPut) {
  StripBitmap* handle = new StripBitmap(20, 20, 1);
  CPoint origin(0, 0);
  CHorizontalSlider* slider =
      Add(new CHorizontalSlider(CRect(10, 10, 110, 30), &listener, 6, 40, 40, handle, nullptr, origin));
  handle->forget();
  slider->setValue(0.3f);
  Click(20, 20, kMouseLeft, {{90, 20, kMouseLeft}, {90, 20, kMouseLeft}, {90, 20, 0}});
  EXPECT_EQ(slider->getValue(), 0.3f);
  EXPECT_EQ(Count(log, Event::kBegin), 1);
}

TEST_F(SliderTest, WheelAndArrowKeysStepAsKnobsDo) {
  CHorizontalSlider* slider = AddHorizontal();
  slider->setValue(0.5f);
  VstKeyCode key{0, kArrowKeyRight, MODIFIER_SHIFT};
  EXPECT_EQ(slider->onKeyDown(key), 1);
  EXPECT_NEAR(slider->getValue(), 0.51f, 1e-6);
  CDrawContext* context = frame->createDrawContext();
  window->SetPointer(50, 20, 0);
  EXPECT_TRUE(slider->onWheel(context, CPoint(50, 20), -3.0f));
  EXPECT_NEAR(slider->getValue(), 0.21f, 1e-6);
  context->forget();
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(Count(log, Event::kChanged), 2);
}

TEST(VuMeterTest, FallsATenthPerDrawAndShowsWholeSteps) {
  TestSurface surface(100, 10);
  StripBitmap* on = new StripBitmap(100, 10, 1);
  StripBitmap* off = new StripBitmap(100, 10, 1, false, 1);
  CVuMeter* meter = new CVuMeter(CRect(0, 0, 100, 10), on, off, 10, kHorizontal);
  on->forget();
  off->forget();
  auto lit = [&]() {
    meter->draw(surface.context());
    surface.context()->synchronizeCairo();
    return surface.count(0, 5, 100, 6, ImageColour(0));
  };
  meter->setValue(1.0f);
  EXPECT_EQ(lit(), 100);
  meter->setValue(0.0f);
  for (int expected = 90; expected >= 0; expected -= 10) {
    EXPECT_TRUE(meter->isDirty()) << "still falling";
    const long shown = lit();
    EXPECT_LE(shown, expected) << "falls by at most a tenth per draw";
    EXPECT_GE(shown, expected - 10);
  }
  EXPECT_FALSE(meter->isDirty()) << "at rest at the value";

  meter->setValue(0.44f);
  EXPECT_EQ(lit(), 40) << "rises at once, cut at a whole tenth";
  meter->setValue(0.46f);
  EXPECT_EQ(lit(), 50);
  meter->forget();
}

TEST(VuMeterTest, VerticalBarGrowsUpwardOverTheOffBitmap) {
  TestSurface surface(20, 100);
  // The on-bitmap's upper half is another colour: the bar shows its own
  // rows, the lower half.
  StripBitmap* on = new StripBitmap(10, 50, 2, false, 2);
  StripBitmap* off = new StripBitmap(10, 100, 1, false, 1);
  CVuMeter* meter = new CVuMeter(CRect(0, 0, 10, 100), on, off, 10, kVertical);
  on->forget();
  off->forget();
  meter->setValue(0.5f);
  meter->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(5, 0)), 1) << "off above the bar";
  EXPECT_EQ(ImageOf(surface.pixel(5, 49)), 1);
  EXPECT_EQ(ImageOf(surface.pixel(5, 50)), 3) << "the bar from the middle down, from its own rows";
  EXPECT_EQ(ImageOf(surface.pixel(5, 99)), 3);
  EXPECT_EQ(surface.pixel(15, 50), kWhiteWord);
  meter->forget();
}

TEST(VuMeterTest, WithoutStepsOrOnBitmapNothingBreaks) {
  TestSurface surface(100, 10);
  StripBitmap* on = new StripBitmap(100, 10, 1);
  CVuMeter* noSteps = new CVuMeter(CRect(0, 0, 100, 10), on, nullptr, 0, kHorizontal);
  CVuMeter* noBitmap = new CVuMeter(CRect(0, 0, 100, 10), nullptr, nullptr, 10, kHorizontal);
  on->forget();
  noBitmap->setValue(1.0f);
  noBitmap->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(surface.count(0, 0, 100, 10, kWhiteWord), 1000) << "nothing without an on-bitmap";
  noSteps->setValue(0.75f);
  noSteps->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(surface.count(0, 5, 100, 6, ImageColour(0)), 100) << "one step: lit from half up";
  noSteps->forget();
  noBitmap->forget();
}

TEST_F(SliderTest, VuMeterDrawsThroughItsOwnOffscreen) {
  StripBitmap* on = new StripBitmap(100, 10, 1);
  StripBitmap* off = new StripBitmap(100, 10, 1, false, 1);
  CVuMeter* meter = new CVuMeter(CRect(20, 40, 120, 50), on, off, 10, kHorizontal);
  on->forget();
  off->forget();
  meter->setUseOffscreen(true);
  Add(meter);
  meter->setValue(0.3f);
  frame->draw(static_cast<CView*>(nullptr));
  for (int x = 20; x < 120; x += 3) EXPECT_EQ(ImageOf(Shown(x, 45)), x < 50 ? 0 : 1) << "column " << x;
}
