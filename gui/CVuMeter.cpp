#include "gui/CVuMeter.h"

#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"
#include "gui/COffscreenContext.h"

XR_REGISTER_SOURCE_FILE("gui/CVuMeter");

CVuMeter::CVuMeter(const CRect& rect, CBitmap* on, CBitmap* off, long leds, long s)
    : CControl(rect, nullptr, 0, nullptr),
      onBitmap(on),
      offBitmap(off),
      nbLed(leds),
      style(s),
      rectOn(rect),
      rectOff(rect) {
  if (onBitmap) onBitmap->remember();
  if (offBitmap) offBitmap->remember();
  rectOn.normalize();
  rectOff.normalize();
}

CVuMeter::~CVuMeter() {
  dropOffscreen();
  if (onBitmap) onBitmap->forget();
  if (offBitmap) offBitmap->forget();
}

void CVuMeter::setDirty(const bool val) { CView::setDirty(val); }

void CVuMeter::makeOffscreen() {
  dropOffscreen();
  offscreen = new COffscreenContext(getFrame(), size.width(), size.height(), kBlackCColor);
  rectOn = CRect(0, 0, size.width(), size.height());
  rectOff = rectOn;
}

void CVuMeter::dropOffscreen() {
  if (offscreen) offscreen->forget();
  offscreen = nullptr;
}

bool CVuMeter::attached(CView* parent) {
  if (useOffscreen) makeOffscreen();
  return CControl::attached(parent);
}

bool CVuMeter::removed(CView* parent) {
  dropOffscreen();
  return CControl::removed(parent);
}

void CVuMeter::draw(CDrawContext* context) {
  if (!onBitmap) return;
  if (useOffscreen && !offscreen) makeOffscreen();
  CDrawContext* target = useOffscreen ? offscreen : context;

  bounceValue();
  float level = oldValue - decreaseValue;
  if (level < value) level = value;
  oldValue = level;

  // A meter without steps is drawn as one of a single step.
  const float steps = static_cast<float>(nbLed > 0 ? nbLed : 1);
  CPoint pointOn;
  CPoint pointOff;
  if (style & kHorizontal) {
    long split = truncToLong(static_cast<float>(truncToLong(level * steps + 0.5f)) / steps *
                             static_cast<float>(onBitmap->getWidth()));
    pointOff = CPoint(split, 0);
    if (!useOffscreen) split += size.left;
    rectOff.left = split;
    rectOn.right = split;
  } else {
    long split = truncToLong(static_cast<float>(truncToLong(steps * (maxValue - level) + 0.5f)) /
                             steps * static_cast<float>(onBitmap->getHeight()));
    pointOn = CPoint(0, split);
    if (!useOffscreen) split += size.top;
    rectOff.bottom = split;
    rectOn.top = split;
  }

  if (offBitmap) {
    if (bTransparencyEnabled)
      offBitmap->drawTransparent(target, rectOff, pointOff);
    else
      offBitmap->draw(target, rectOff, pointOff);
  }
  if (bTransparencyEnabled)
    onBitmap->drawTransparent(target, rectOn, pointOn);
  else
    onBitmap->draw(target, rectOn, pointOn);
  if (useOffscreen) offscreen->copyFrom(context, size);
  setDirty(false);
}

bool CVuMeter::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CVuMeter") == 0) return true;
  return CControl::isTypeOf(type);
}
