#include "tests/vst/PassThroughEditor.h"

#include <algorithm>

#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "tests/vst/PassThroughEffect.h"

namespace {

constexpr CColor kBackground = {40, 44, 52, 255};
constexpr CColor kTrack = {20, 20, 24, 255};
constexpr CColor kLit = {90, 200, 120, 255};

// Follows the pointer while the left button is held, in the toolkit's modal
// tracking loop.
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
    while (currentButtons(context) & kMouseLeft) {
      value = std::clamp(static_cast<float>(where.h - size.left) / static_cast<float>(size.width()), 0.0f, 1.0f);
      tellListenerIfDirty(context);
      getMouseLocation(context, where);
      doIdleStuff();
    }
    endEdit();
  }
};

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
  // The frame's idle thread runs already.
  CScopedLock hold(frame->getFrameLock());
  frame->setBackgroundColor(kBackground);
  frame->addView(bar);
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
