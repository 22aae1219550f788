#include "gui/CSplashScreen.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CSplashScreen");

namespace {
constexpr unsigned char kOpaque = 255;
}

CSplashScreen::CSplashScreen(const CRect& rect, CControlListener* l, long t, CBitmap* background,
                             CRect& display, CPoint& off)
    : CControl(rect, l, t, background), toDisplay(display), offset(off) {}

CSplashScreen::~CSplashScreen() = default;

void CSplashScreen::setBitmapTransparency(unsigned char transparency) {
  bitmapTransparency = transparency;
  setTransparency(bitmapTransparency != kOpaque);
}

void CSplashScreen::drawOverlay(CDrawContext* context, CRect& rect) {
  if (!pBackground) return;
  if (!bTransparencyEnabled)
    pBackground->draw(context, rect, offset);
  else if (bitmapTransparency == 0)
    pBackground->drawTransparent(context, rect, offset);
  else
    pBackground->drawAlphaBlend(context, rect, offset, bitmapTransparency);
}

void CSplashScreen::draw(CDrawContext* context) {
  if (value != 0.0f) drawOverlay(context, toDisplay);
  setDirty(false);
}

bool CSplashScreen::hitTest(const CPoint& where, const long buttons) {
  return CView::hitTest(where, buttons) && (buttons & kMouseLeft);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (!screenClick(context, buttons)) return;
  value = (value == 0.0f) ? 1.0f : 0.0f;
  if (value != 0.0f) {
    CSplashScreenView* overlay = new CSplashScreenView(toDisplay, this);
    if (pParentFrame && pParentFrame->setModalView(overlay)) {
      // The frame holds the overlay now; the overlay releases our reference
      // when it is clicked away.
      tellListener(context);
    } else {
      overlay->forget();
    }
  }
  setDirty(true);
}

void CSplashScreen::unSplash(CDrawContext* context) {
  if (value != 0.0f) {
    value = 0.0f;
    tellListener(context);
  }
}

bool CSplashScreen::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CSplashScreen") == 0) return true;
  return CControl::isTypeOf(type);
}

CSplashScreenView::CSplashScreenView(const CRect& display, CSplashScreen* splash)
    : CView(display), splashScreen(splash) {
  if (splashScreen) {
    splashScreen->remember();
    setTransparency(splashScreen->getTransparency());
    setBackground(splashScreen->getBackground());
  }
}

CSplashScreenView::~CSplashScreenView() {
  if (splashScreen) splashScreen->forget();
}

void CSplashScreenView::draw(CDrawContext* context) {
  if (splashScreen) splashScreen->drawOverlay(context, size);
  setDirty(false);
}

void CSplashScreenView::mouse(CDrawContext* context, CPoint&, long buttons) {
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (!(buttons & kMouseLeft)) return;
  if (splashScreen) splashScreen->unSplash(context);
  CFrame* frame = pParentFrame;
  if (frame) {
    frame->setDirty(true);
    frame->setModalView(nullptr);
  }
  // The creating reference, handed over by the splash screen.
  forget();
}

