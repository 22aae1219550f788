#include "tests/vst/PassThroughEditor.h"

#include <cairo.h>

#include <algorithm>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/CSlider.h"
#include "tests/vst/PassThroughEffect.h"

namespace {

constexpr CColor kBackground = {40, 44, 52, 255};
constexpr CColor kTrack = {20, 20, 24, 255};
constexpr CColor kLit = {90, 200, 120, 255};

// Follows the pointer while the left button is held: the press and each
// motion set the value, each in the host call that brings it.
class GainBar : public CControl {
 public:
  GainBar(const CRect& size, CControlListener* listener, long tag) : CControl(size, listener, tag) {}

  void draw(CDrawContext* context) override {
    CRect track = size;
    track.right += 1;  // fillRect leaves the last row and column
    track.bottom += 1;
    context->setFillColor(kTrack);
    context->fillRect(track);
    CRect lit = track;
    lit.right = size.left + static_cast<long>(value * static_cast<float>(size.width())) + 1;
    context->setFillColor(kLit);
    context->fillRect(lit);
    setDirty(false);
  }

  void mouse(CDrawContext* context, CPoint& where, long buttons) override {
    if (!screenClick(context, buttons)) return;
    beginEdit();
    onMouseTrack(context, where, buttons);
    CFrame* frame = getFrame();
    if (frame) frame->beginMouseCapture(this, kMouseLeft);
    if (!frame || frame->getMouseCapture() != this) endEdit();
  }
  void onMouseTrack(CDrawContext* context, CPoint& where, long) override {
    value = std::clamp(static_cast<float>(where.h - size.left) / static_cast<float>(size.width()), 0.0f, 1.0f);
    tellListenerIfDirty(context);
  }
  void onMouseTrackEnd(CDrawContext*, CPoint&, long) override { endEdit(); }
};

// An image of one colour.
CBitmap* Painted(CFrame& frame, long width, long height, const CColor& colour) {
  auto* bitmap = new CBitmap(frame, width, height);
  if (cairo_surface_t* pixels = bitmap->getHandle()) {
    cairo_t* cr = cairo_create(pixels);
    cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(pixels);
  }
  return bitmap;
}

}  // namespace

PassThroughEditor::PassThroughEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
  rect = {0, 0, static_cast<VstInt16>(kHeight), static_cast<VstInt16>(kWidth)};
}

PassThroughEditor::~PassThroughEditor() { close(); }

bool PassThroughEditor::open(void* window) {
  AEffGUIEditor::open(window);
  frame = new CFrame(CRect(0, 0, kWidth, kHeight), window, this);
  auto* bar = new GainBar(CRect(kBarLeft, kBarTop, kBarRight, kBarBottom), this, PassThroughEffect::kGain);
  bar->setValue(effect->getParameter(PassThroughEffect::kGain));
  // The toolkit's slider: a handle in the bar's lit colour over its track.
  CBitmap* handle = Painted(*frame, kSliderHandle, kSliderBottom - kSliderTop, kLit);
  CBitmap* track = Painted(*frame, kBarRight - kBarLeft, kSliderBottom - kSliderTop, kTrack);
  CPoint origin(0, 0);
  auto* slider =
      new CHorizontalSlider(CRect(kBarLeft, kSliderTop, kBarRight, kSliderBottom), this, PassThroughEffect::kDelay,
                            kBarLeft, kBarRight - kSliderHandle, handle, track, origin);
  handle->forget();
  track->forget();
  slider->setValue(effect->getParameter(PassThroughEffect::kDelay));
  CScopedLock hold(frame->getFrameLock());
  frame->setBackgroundColor(kBackground);
  frame->addView(bar);
  frame->addView(slider);
  // Once the frame is stored and its views are in: the idle thread reads them.
  frame->CreateIdleTimer();
  return true;
}

void PassThroughEditor::close() {
  if (frame) frame->forget();
  frame = nullptr;
  AEffGUIEditor::close();
}

void PassThroughEditor::valueChanged(CDrawContext*, CControl* control) {
  effect->setParameterAutomated(control->getTag(), control->getValue());
}
