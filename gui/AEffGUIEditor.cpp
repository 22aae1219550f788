#include "gui/AEffGUIEditor.h"

#include <chrono>
#include <thread>

#include "Helpers/Assert.h"
#include "Helpers/HostInfo.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "vst/AudioEffectX.h"

XR_REGISTER_SOURCE_FILE("gui/AEffGUIEditor.cpp");

std::atomic<VstInt32> AEffGUIEditor::knobMode{0};

namespace {
// How long an early doIdleStuff waits before it looks at the clock again,
// and how early an idle may still go ahead (milliseconds).
constexpr unsigned int kEarlyWaitMs = 4;
constexpr unsigned int kEarlyToleranceMs = 50;
}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect), lastTicks(getTicks()) {
  if (effect) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() = default;

unsigned int AEffGUIEditor::getTicks() { return GetTickCount(); }

void AEffGUIEditor::wait(unsigned int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool AEffGUIEditor::getRect(ERect** r) {
  if (r) *r = &rect;
  return true;
}

void AEffGUIEditor::setParameter(int, float) {}

bool AEffGUIEditor::beginEdit(int index) {
  AudioEffectX* fx = dynamic_cast<AudioEffectX*>(effect);
  return fx ? fx->beginEdit(index) : false;
}

bool AEffGUIEditor::endEdit(int index) {
  AudioEffectX* fx = dynamic_cast<AudioEffectX*>(effect);
  return fx ? fx->endEdit(index) : false;
}

bool AEffGUIEditor::setKnobMode(VstInt32 val) {
  knobMode = val;
  return true;
}

void AEffGUIEditor::idle() {
  if (!frame) return;
  frame->handlePlatformEvents();
  frame->idle();
}

void AEffGUIEditor::draw(ERect* r) {
  if (!frame) return;
  CScopedLock hold(frame->getFrameLock());
  if (!r) {
    frame->draw(static_cast<CView*>(nullptr));
    return;
  }
  CDrawContext* context = new CDrawContext(frame, nullptr, systemWindow);
  frame->drawRect(context, CRect(r->left, r->top, r->right, r->bottom));
  context->forget();
}

VstInt32 AEffGUIEditor::mouse(VstInt32 x, VstInt32 y) {
  if (frame) {
    CScopedLock hold(frame->getFrameLock());
    CDrawContext* context = new CDrawContext(frame, nullptr, systemWindow);
    CPoint where(x, y);
    frame->mouse(context, where, -1);
    context->forget();
  }
  return 1;
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) { return frame && frame->takeKey(keyCode, true); }

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) { return frame && frame->takeKey(keyCode, false); }

bool AEffGUIEditor::onWheel(float distance) {
  if (!frame) return false;
  CScopedLock hold(frame->getFrameLock());
  CDrawContext* context = new CDrawContext(frame, nullptr, systemWindow);
  CPoint where;
  context->getMouseLocation(where);
  const bool used = frame->onWheel(context, where, distance);
  context->forget();
  return used;
}

void AEffGUIEditor::doIdleStuff() {
  if (!frame) return;
  CScopedLock hold(frame->getFrameLock());
  unsigned int now = getTicks();
  // The due time lies at most one interval past a reading (plus the early
  // wait's estimate and the clock's coarse steps, within the tolerance).
  // Further ahead, the clock went back (a test's clock handed over to the
  // machine's): waiting for it to catch up would stop the editor's idle, so
  // it goes ahead at once and the pacing restarts from now.
  const auto rate = static_cast<unsigned int>(g_kIdleRate.load());
  const bool clockWentBack = !MsReached(now + rate + kEarlyToleranceMs, lastTicks);
  if (!MsReached(now, lastTicks) && !clockWentBack) {
    // Early: a short wait, and the idle goes ahead only within 50 ms of due.
    // The frame's idle thread holds the frame lock here and would hold the
    // host's calls: it goes by the reading alone (the clock's steps of
    // 16 ms make it early every other pass).
    if (frame->isOnHostThread()) {
      wait(kEarlyWaitMs);
      now += kEarlyWaitMs;
    }
    if (!MsReached(now + kEarlyToleranceMs, lastTicks)) return;
  }
  // Without the host's calls nothing else marks what the displays show.
  if (!frame->isOnHostThread() && frame->hostIdleStale()) keepDisplaysLive();
  idle();
  // What the derived idle's own work marked after its redraw (the displays
  // its product's idle keeps live), or a derived idle that returned at once
  // (nested in its own work): the views are redrawn in this pass all the same.
  if (frame) frame->idle();
  lastTicks = now + rate;
}
