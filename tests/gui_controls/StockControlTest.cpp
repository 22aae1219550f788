// The further stock controls: switches, rocker, movie displays and button,
// stepped animation, digit display and splash screen.
#include "ControlTestSupport.h"
#include "gui/CAutoAnimation.h"
#include "gui/CHorizontalSwitch.h"
#include "gui/CMovieBitmap.h"
#include "gui/CMovieButton.h"
#include "gui/CRockerSwitch.h"
#include "gui/CSpecialDigit.h"
#include "gui/CSplashScreen.h"
#include "gui/CVerticalSwitch.h"

using namespace controltest;

namespace {

// The image a control shows at (x, y) of a surface after drawing it.
template <typename T>
int Drawn(TestSurface& surface, T* control, float value, long x, long y) {
  control->setValue(value);
  control->draw(surface.context());
  surface.context()->synchronizeCairo();
  return ImageOf(surface.pixel(x, y));
}

class StockControlTest : public ControlFixture {};

}  // namespace

TEST(SwitchDrawTest, PositionsPickTheirImages) {
  TestSurface surface(40, 40);
  CPoint origin(0, 0);
  StripBitmap* stacked = new StripBitmap(20, 20, 5);
  CVerticalSwitch* vertical = new CVerticalSwitch(CRect(0, 0, 20, 20), nullptr, 0, stacked, origin);
  CHorizontalSwitch* stackedHorizontal =
      new CHorizontalSwitch(CRect(0, 0, 20, 20), nullptr, 0, 5, 20, 5, stacked, origin);
  StripBitmap* row = new StripBitmap(20, 20, 4, true);
  CHorizontalSwitch* sideBySide = new CHorizontalSwitch(CRect(0, 0, 20, 20), nullptr, 0, row, origin);
  stacked->forget();
  row->forget();

  EXPECT_EQ(Drawn(surface, vertical, 0.5f, 10, 10), 2) << "five positions at 0.5";
  EXPECT_EQ(Drawn(surface, vertical, 0.37f, 10, 10), 1) << "rounded to the nearer position";
  EXPECT_EQ(Drawn(surface, vertical, 1.0f, 10, 10), 4);
  EXPECT_EQ(Drawn(surface, stackedHorizontal, 0.75f, 10, 10), 3);
  EXPECT_EQ(Drawn(surface, sideBySide, 1.0f / 3.0f, 10, 10), 1) << "images found along the row";
  EXPECT_EQ(Drawn(surface, sideBySide, 1.0f, 10, 19), 3);
  EXPECT_EQ(vertical->getDefaultValue(), 0.0f);
  vertical->forget();
  stackedHorizontal->forget();
  sideBySide->forget();
}

TEST_F(StockControlTest, SwitchFollowsThePointerWhileTheButtonsStayAsTheyWere) {
  StripBitmap* strip = new StripBitmap(20, 100, 5);
  CPoint origin(0, 0);
  // 100 pixels tall, five positions over an image height of 100.
  CVerticalSwitch* vertical =
      Add(new CVerticalSwitch(CRect(10, 10, 30, 110), &listener, 11, 5, 100, 5, strip, origin));
  strip->forget();
  vertical->setDefaultValue(0.25f);
  vertical->setValue(0.25f);
  vertical->setDirty(false);
  Click(20, 95, kMouseLeft, {{20, 55, kMouseLeft}, {20, 55, kMouseLeft}, {20, 15, kMouseLeft | kModifierShift},
                             {20, 15, kMouseLeft | kModifierShift}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.5f})) << "stops when the buttons change";
  EXPECT_TRUE(ChangesInsideBrackets(log));
  EXPECT_EQ(vertical->getValue(), 0.5f);

  log.clear();
  clickGapMs = 100;
  Click(20, 95, kMouseLeft, {{20, 95, 0}});
  EXPECT_EQ(vertical->getValue(), 0.25f) << "a double click resets to the default";
}

TEST_F(StockControlTest, HorizontalSwitchSharesTheWidthItsImagesLieIn) {
  CPoint origin(0, 0);
  StripBitmap* row = new StripBitmap(40, 20, 4, true);
  CHorizontalSwitch* sideBySide = Add(new CHorizontalSwitch(CRect(10, 10, 50, 30), &listener, 12, row, origin));
  StripBitmap* stacked = new StripBitmap(80, 20, 4);
  CHorizontalSwitch* explicitSize =
      Add(new CHorizontalSwitch(CRect(10, 50, 90, 70), &listener, 13, 4, 20, 4, stacked, origin));
  row->forget();
  stacked->forget();
  Click(41, 20, kMouseLeft, {{41, 20, 0}});
  EXPECT_EQ(sideBySide->getValue(), 1.0f) << "the last of four 10-pixel steps";
  Click(31, 60, kMouseLeft, {{31, 60, 0}});
  EXPECT_FLOAT_EQ(explicitSize->getValue(), 1.0f / 3.0f) << "20-pixel steps of the 80-pixel bitmap";
}

TEST_F(StockControlTest, RockerRocksWhileHeldAndSpringsBack) {
  StripBitmap* strip = new StripBitmap(40, 20, 3);
  CPoint origin(0, 0);
  CRockerSwitch* rocker = Add(new CRockerSwitch(CRect(10, 10, 50, 30), &listener, 14, 20, strip, origin, kHorizontal));
  CRockerSwitch* upright = Add(new CRockerSwitch(CRect(100, 10, 120, 50), &listener, 15, 20, strip, origin, kVertical));
  strip->forget();
  rocker->setDirty(false);
  upright->setDirty(false);

  Click(20, 20, kMouseLeft, {{20, 20, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({-1.0f, 0.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  log.clear();
  // Right half, then off the rocker before the release: +1, the entry 0, 0.
  Click(45, 20, kMouseLeft, {{46, 20, kMouseLeft}, {80, 20, kMouseLeft}, {80, 20, kMouseLeft}, {80, 20, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f, 0.0f}));
  log.clear();
  Click(110, 45, kMouseLeft, {{110, 45, 0}});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f, 0.0f})) << "the lower half of an upright rocker";

  log.clear();
  CDrawContext* context = frame->createDrawContext();
  rocker->setDirty(false);
  EXPECT_TRUE(rocker->onWheel(context, CPoint(20, 20), 1.0f));
  rocker->setDirty(false);
  EXPECT_TRUE(rocker->onWheel(context, CPoint(20, 20), -1.0f));
  context->forget();
  EXPECT_EQ(ChangedValues(log), std::vector<float>({-1.0f, 0.0f, 1.0f, 0.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  rocker->setMouseEnabled(false);
  EXPECT_FALSE(rocker->onWheel(nullptr, CPoint(20, 20), 1.0f));
}

TEST(RockerDrawTest, ThreeImagesForMinusOneZeroAndOne) {
  TestSurface surface(40, 20);
  StripBitmap* strip = new StripBitmap(40, 20, 3);
  CPoint origin(0, 0);
  // Without a height the images are as tall as the rocker is wide.
  CRockerSwitch* rocker = new CRockerSwitch(CRect(0, 0, 20, 20), nullptr, 0, strip, origin);
  strip->forget();
  EXPECT_EQ(Drawn(surface, rocker, -1.0f, 10, 10), 0);
  EXPECT_EQ(Drawn(surface, rocker, 0.0f, 10, 10), 1);
  EXPECT_EQ(Drawn(surface, rocker, 1.0f, 10, 10), 2);
  rocker->forget();
}

TEST(MovieDrawTest, MovieBitmapAndButtonShowTheirFrames) {
  TestSurface surface(20, 20);
  StripBitmap* strip = new StripBitmap(20, 20, 5);
  CPoint origin(0, 0);
  CMovieBitmap* movie = new CMovieBitmap(CRect(0, 0, 20, 20), nullptr, 0, strip, origin);
  CPoint second(0, 20);
  CMovieBitmap* shifted = new CMovieBitmap(CRect(0, 0, 20, 20), nullptr, 0, 4, 20, strip, second);
  CMovieButton* button = new CMovieButton(CRect(0, 0, 20, 20), nullptr, 0, strip, origin);
  strip->forget();
  EXPECT_EQ(Drawn(surface, movie, 0.5f, 10, 10), 2);
  EXPECT_EQ(Drawn(surface, movie, 2.0f, 10, 10), 4);
  EXPECT_EQ(movie->getValue(), 1.0f) << "a value above 1 is set to 1";
  EXPECT_EQ(Drawn(surface, movie, -1.0f, 10, 10), 0);
  EXPECT_EQ(Drawn(surface, shifted, 0.0f, 10, 10), 1) << "frames start at the offset";
  EXPECT_EQ(Drawn(surface, shifted, 1.0f, 10, 10), 4);
  EXPECT_EQ(Drawn(surface, button, 0.0f, 10, 10), 0);
  EXPECT_EQ(Drawn(surface, button, 1.0f, 10, 10), 1);
  movie->forget();
  shifted->forget();
  button->forget();
}

TEST_F(StockControlTest, MovieButtonTogglesOnlyWhenReleasedOverIt) {
  StripBitmap* strip = new StripBitmap(20, 20, 2);
  CPoint origin(0, 0);
  CMovieButton* button = Add(new CMovieButton(CRect(10, 10, 30, 30), &listener, 16, strip, origin));
  strip->forget();
  button->setDirty(false);
  Click(20, 20, kMouseLeft, {{20, 20, 0}});
  EXPECT_EQ(button->getValue(), 1.0f);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f}));

  log.clear();
  Click(20, 20, kMouseLeft, {{60, 60, kMouseLeft}, {60, 60, kMouseLeft}, {60, 60, 0}});
  EXPECT_EQ(button->getValue(), 1.0f) << "released outside: back to the entry value";
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.0f, 1.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
}

TEST_F(StockControlTest, AutoAnimationOpensStepsAndCloses) {
  StripBitmap* strip = new StripBitmap(20, 10, 4);
  CPoint origin(0, 0);
  CAutoAnimation* animation = Add(new CAutoAnimation(CRect(10, 10, 30, 20), &listener, 17, strip, origin));
  strip->forget();
  frame->draw(static_cast<CView*>(nullptr));
  const uint32_t background = Shown(20, 15);

  Click(20, 15, kMouseLeft);
  EXPECT_TRUE(animation->isWindowOpened());
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.0f}));
  EXPECT_EQ(Count(log, Event::kBegin), 0) << "no edit bracket";
  frame->idle();
  EXPECT_EQ(ImageOf(Shown(20, 15)), 0);

  std::vector<float> steps;
  for (int i = 0; i < 5; ++i) {
    animation->nextPixmap();
    steps.push_back(animation->getValue());
  }
  EXPECT_EQ(steps, std::vector<float>({10.0f, 20.0f, 30.0f, 0.0f, 10.0f})) << "every frame, then round";
  animation->previousPixmap();
  animation->previousPixmap();
  EXPECT_EQ(animation->getValue(), 30.0f) << "back onto the last frame's own offset";
  animation->setDirty(true);
  frame->idle();
  EXPECT_EQ(ImageOf(Shown(20, 15)), 3);

  log.clear();
  Click(20, 15, kMouseLeft);
  EXPECT_FALSE(animation->isWindowOpened());
  EXPECT_TRUE(log.empty()) << "closing tells nobody";
  frame->draw(static_cast<CView*>(nullptr));
  EXPECT_EQ(Shown(20, 15), background) << "nothing drawn while closed";
}

TEST(SpecialDigitTest, DigitsMostSignificantFirstAtTheirPlaces) {
  TestSurface surface(80, 20);
  StripBitmap* digitsStrip = new StripBitmap(8, 10, 10);
  CSpecialDigit* digits =
      new CSpecialDigit(CRect(0, 0, 32, 10), nullptr, 0, 42, 4, nullptr, nullptr, 8, 10, digitsStrip);
  long xs[3] = {50, 60, 70};
  long ys[3] = {5, 8, 2};
  CSpecialDigit* placed = new CSpecialDigit(CRect(50, 0, 80, 20), nullptr, 0, 907, 3, xs, ys, 8, 10, digitsStrip);
  digitsStrip->forget();

  digits->draw(surface.context());
  placed->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(4, 5)), 0);
  EXPECT_EQ(ImageOf(surface.pixel(12, 5)), 0);
  EXPECT_EQ(ImageOf(surface.pixel(20, 5)), 4);
  EXPECT_EQ(ImageOf(surface.pixel(28, 5)), 2);
  EXPECT_EQ(ImageOf(surface.pixel(54, 10)), 9);
  EXPECT_EQ(ImageOf(surface.pixel(64, 13)), 0);
  EXPECT_EQ(ImageOf(surface.pixel(74, 7)), 7);

  EXPECT_EQ(digits->getMax(), 9999.0f);
  EXPECT_FLOAT_EQ(digits->getNormValue(), 42.0f / 9999.0f);
  digits->setValue(123456.0f);
  EXPECT_EQ(digits->getNormValue(), 1.0f);
  digits->draw(surface.context());
  surface.context()->synchronizeCairo();
  EXPECT_EQ(ImageOf(surface.pixel(4, 5)), 9) << "clamped to 9999";
  digits->forget();
  placed->forget();
}

TEST(SpecialDigitTest, AtMostSevenDigits) {
  long xs[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  CSpecialDigit* digits = new CSpecialDigit(CRect(0, 0, 90, 10), nullptr, 0, 5, 9, xs, xs, 8, 10, nullptr);
  EXPECT_EQ(digits->getMax(), 9999999.0f);
  digits->forget();
}

TEST_F(StockControlTest, SplashScreenShowsItsOverlayUntilTheOverlayIsClicked) {
  StripBitmap* art = new StripBitmap(100, 60, 2);
  CRect display(50, 50, 150, 110);
  CPoint second(0, 60);
  CSplashScreen* splash = Add(new CSplashScreen(CRect(10, 10, 30, 30), &listener, 18, art, display, second));
  art->forget();
  frame->draw(static_cast<CView*>(nullptr));
  const uint32_t before = Shown(100, 80);

  Click(20, 20, kMouseLeft);
  EXPECT_EQ(splash->getValue(), 1.0f);
  ASSERT_NE(frame->getModalView(), nullptr);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f}));
  frame->idle();
  EXPECT_EQ(ImageOf(Shown(100, 80)), 1) << "the overlay shows the bitmap from the offset";

  log.clear();
  Click(20, 20, kMouseLeft);
  EXPECT_TRUE(log.empty()) << "the overlay is modal: the splash screen is not reached";
  Click(100, 80, kMouseRight);
  EXPECT_NE(frame->getModalView(), nullptr) << "only a left click hides it";
  Click(100, 80, kMouseLeft);
  EXPECT_EQ(frame->getModalView(), nullptr);
  EXPECT_EQ(splash->getValue(), 0.0f);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.0f}));
  frame->idle();
  EXPECT_EQ(Shown(100, 80), before);

  // Another modal view already up: the overlay is refused and released.
  CView* other = new CView(CRect(200, 200, 210, 210));
  ASSERT_TRUE(frame->setModalView(other));
  log.clear();
  CDrawContext* context = frame->createDrawContext();
  CPoint where(20, 20);
  splash->mouse(context, where, kMouseLeft);
  context->forget();
  EXPECT_EQ(frame->getModalView(), other);
  EXPECT_TRUE(log.empty());
  frame->setModalView(nullptr);
  other->forget();
}

TEST(SplashScreenTest, HitsOnlyWithTheLeftButtonAndBlendsItsOverlay) {
  StripBitmap* art = new StripBitmap(20, 20, 1);
  CRect display(0, 0, 20, 20);
  CPoint origin(0, 0);
  CSplashScreen* splash = new CSplashScreen(CRect(0, 0, 20, 20), nullptr, 0, art, display, origin);
  art->forget();
  EXPECT_TRUE(splash->hitTest(CPoint(20, 20), kMouseLeft)) << "edges included";
  EXPECT_FALSE(splash->hitTest(CPoint(10, 10), kMouseRight));
  EXPECT_FALSE(splash->getTransparency());
  splash->setBitmapTransparency(128);
  EXPECT_TRUE(splash->getTransparency());

  TestSurface surface(20, 20);
  splash->setValue(1.0f);
  splash->draw(surface.context());
  surface.context()->synchronizeCairo();
  const uint32_t pixel = surface.pixel(10, 10);
  const uint32_t colour = ImageColour(0);
  // Half of the colour over white, per channel.
  for (int shift : {0, 8, 16}) {
    const int c = static_cast<int>((colour >> shift) & 0xFF);
    const int p = static_cast<int>((pixel >> shift) & 0xFF);
    EXPECT_NEAR(p, (c * 128 + 255 * 127) / 255, 2) << "channel at bit " << shift;
  }
  splash->setBitmapTransparency(255);
  EXPECT_FALSE(splash->getTransparency());
  splash->forget();
}
