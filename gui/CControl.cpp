#include "gui/CControl.h"

#include <algorithm>
#include <cstring>

#include "Helpers/Assert.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CControl");

namespace {
// The shortest double-click window a control accepts, and the window
// layer's double-click interval (CPlatformWindow::DoubleClickTime), in ms.
constexpr long kMinDoubleClickMs = 250;
constexpr long kPlatformDoubleClickMs = 400;
// Fine adjustment with Shift held: a tenth of a step.
constexpr float kFineStepFactor = 0.1f;
}  // namespace

long CControlListener::controlModifierClicked(CDrawContext*, CControl*, long) { return 0; }

CControl::CControl(const CRect& rect, CControlListener* l, long t, CBitmap* background)
    : CView(rect),
      listener(l),
      tag(t),
      doubleClickTicks(std::max(kMinDoubleClickMs, kPlatformDoubleClickMs)) {
  setTransparency(false);
  setMouseEnabled(true);
  CView::setBackground(background);
}

CControl::~CControl() = default;

void CControl::doIdleStuff() {
  if (pParentFrame) pParentFrame->doIdleStuff();
}

bool CControl::trackMouse(long buttons) {
  trackedButtons = buttons;
  if (!pParentFrame) return false;
  pParentFrame->beginMouseCapture(this, buttons);
  return pParentFrame->getMouseCapture() == this;
}

void CControl::endTracking() {
  if (pParentFrame && pParentFrame->getMouseCapture() == this) pParentFrame->endMouseCapture();
}

bool CControl::keepsPressButtons(long buttons) {
  if (buttons == trackedButtons) return true;
  endTracking();
  return false;
}

void CControl::beginEdit() {
  // A control outside a frame has no editor to bracket for.
  if (!pParentFrame) return;
  pParentFrame->setFocusView(this);
  pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
  if (pParentFrame) pParentFrame->endEdit(tag);
}

void CControl::copyBackOffset() { backOffset = CPoint(size.left, size.top); }

void CControl::bounceValue() {
  if (value > maxValue)
    setValue(maxValue);
  else if (value < minValue)
    setValue(minValue);
}

bool CControl::checkDefaultValue(CDrawContext* context, long button) {
  if (button == (kMouseLeft | kModifierCommand) || isDoubleClick()) {
    beginEdit();
    setValue(getDefaultValue());
    tellListenerIfDirty(context);
    endEdit();
    return true;
  }
  return false;
}

float CControl::ConvertParamToValue(float param) { return minValue + (maxValue - minValue) * param; }

float CControl::ConvertValueToParam(float val) {
  // An empty range would hand the editor a NaN or infinite parameter.
  const float range = maxValue - minValue;
  if (range == 0.0f) return 0.0f;
  return (val - minValue) / range;
}

bool CControl::isDirty() const {
  // != is true when either side is NaN.
  return oldValue != value || CView::isDirty();
}

void CControl::setDirty(const bool val) {
  CView::setDirty(val);
  if (val)
    oldValue = (value != -1.0f) ? -1.0f : 0.0f;
  else
    oldValue = value;
}

bool CControl::isTypeOf(const char* type) const {
  if (type && std::strcmp(type, "CControl") == 0) return true;
  return CView::isTypeOf(type);
}

bool CControl::isDoubleClick() {
  const unsigned int now = pParentFrame ? static_cast<unsigned int>(pParentFrame->getTicks()) : 0u;
  // The elapsed time is taken across the wrap of the 32-bit millisecond clock.
  if (lastClickTicks > 0 &&
      MsElapsed(now, static_cast<unsigned int>(lastClickTicks)) < static_cast<unsigned int>(doubleClickTicks)) {
    lastClickTicks = 0;
    return true;
  }
  lastClickTicks = static_cast<long>(now);
  return false;
}

long CControl::truncToLong(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return 2147483647L;
  if (x <= -2147483648.0) return -2147483647L - 1;
  return static_cast<long>(x);
}

long CControl::resolveButtons(CDrawContext* context, long buttons) {
  return buttons == -1 ? currentButtons(context) : buttons;
}

long CControl::currentButtons(CDrawContext* context) {
  return context ? context->getMouseButtons() : 0;
}

bool CControl::insideWithEdges(const CPoint& where) const {
  return where.h >= size.left && where.h <= size.right && where.v >= size.top &&
         where.v <= size.bottom;
}

bool CControl::modifierClickTaken(CDrawContext* context, long buttons) {
  return listener && (buttons & kModifierMask) &&
         listener->controlModifierClicked(context, this, buttons) != 0;
}

bool CControl::screenClick(CDrawContext* context, long& buttons) {
  if (!bMouseEnabled) return false;
  buttons = resolveButtons(context, buttons);
  if (modifierClickTaken(context, buttons)) return false;
  return (buttons & kMouseLeft) != 0;
}

void CControl::tellListenerIfDirty(CDrawContext* context) {
  if (isDirty() && listener) listener->valueChanged(context, this);
}

void CControl::tellListener(CDrawContext* context) {
  if (listener) listener->valueChanged(context, this);
}

void CControl::pressDrag(CDrawContext* context, CPoint& where, long buttons, float pressed) {
  beginEdit();
  value = pressed;
  tellListenerIfDirty(context);
  if (!trackMouse(buttons)) onMouseTrackEnd(context, where, 0);
}

void CControl::followDrag(CDrawContext* context, long buttons, float there, EDragButtons keep) {
  if (keep == EDragButtons::kAsPressed && !keepsPressButtons(buttons)) return;
  value = there;
  tellListenerIfDirty(context);
}

void CControl::stepByWheelInc(CDrawContext* context, float steps) {
  value += steps * wheelInc;
  bounceValue();
  if (isDirty() && listener) {
    beginEdit();
    listener->valueChanged(context, this);
    endEdit();
  }
}

bool CControl::wheelStep(CDrawContext* context, float distance) {
  if (!bMouseEnabled) return false;
  const long buttons = currentButtons(context);
  stepByWheelInc(context, (buttons & kModifierShift) ? distance * kFineStepFactor : distance);
  return true;
}

long CControl::arrowKeyStep(VstKeyCode& keyCode) {
  float step;
  switch (keyCode.virt) {
    case kArrowKeyUp:
    case kArrowKeyRight:
      step = 1.0f;
      break;
    case kArrowKeyDown:
    case kArrowKeyLeft:
      step = -1.0f;
      break;
    default:
      return -1;
  }
  if (keyCode.modifier & MODIFIER_SHIFT) step *= kFineStepFactor;
  stepByWheelInc(nullptr, step);
  return 1;
}
