// The frame's idle source: a thread of its own that idles the editor every
// g_kIdleRate milliseconds, or none where the host idles the editor itself.
#include <chrono>

#include "Helpers/Assert.h"
#include "Helpers/HostInfo.h"
#include "Helpers/ScopedValue.h"
#include "gui/AEffGUIEditor.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CFrameIdle.cpp");

namespace {
constexpr int kIdleStartDelayMs = 200;
constexpr int kFallbackIdleRateMs = 100;
}  // namespace

void CFrame::CreateIdleTimer() {
  if (!g_bVST_WantTimerCallbackForIdle) return;
  if (!g_bVST_OSXWantMPThreadTimerCallbackForIdle) {
    // Hosts for which a thread of ours is unwanted: the host's editor-idle
    // calls drive the editor, at the slower pace of the timer it stands for.
    g_kIdleRate = kFallbackIdleRateMs;
    return;
  }
  if (idleThread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(idleMutex);
    bStopIdle = false;
  }
  try {
    idleThread = std::thread(&CFrame::idleThreadMain, this);
  } catch (...) {
    // No thread to be had: the host's calls drive the editor, as above.
    g_kIdleRate = kFallbackIdleRateMs;
  }
}

void CFrame::DestroyIdleTimer() {
  if (!idleThread.joinable()) return;
  if (isInheritedByFork()) {
    SetThreadAside(idleThread);
    return;
  }
  {
    std::lock_guard<std::mutex> guard(idleMutex);
    bStopIdle = true;
  }
  idleWake.notify_all();
  // The thread ends after its current pass; a pass never waits on the host.
  idleThread.join();
}

void CFrame::idleThreadMain() {
  bIdleThreadRunning.store(true);
  std::unique_lock<std::mutex> guard(idleMutex);
  if (idleWake.wait_for(guard, std::chrono::milliseconds(kIdleStartDelayMs), [this] { return bStopIdle; }))
    return;
  while (!bStopIdle) {
    guard.unlock();
    // The frame lock is only tried, so that a frame deleted by a thread that
    // holds it still sees this thread end.
    while (getEditor() && bAlive) {
      const CScopedTryLock hold(frameLock);
      if (hold.Held()) {
        // Nothing may leave this thread's function: that would end the host.
        try {
          const CScopedValue<bool> pass(bIdlePass, true);
          if (bAlive) doIdleStuff();
        } catch (...) {
          HandleException(__PRETTY_FUNCTION__);
        }
        break;
      }
      guard.lock();
      const bool stop = idleWake.wait_for(guard, std::chrono::milliseconds(1), [this] { return bStopIdle; });
      guard.unlock();
      if (stop) return;
    }
    guard.lock();
    const int rate = g_kIdleRate.load();
    idleWake.wait_for(guard, std::chrono::milliseconds(rate > 0 ? rate : 1), [this] { return bStopIdle; });
  }
}

void CFrame::doIdleStuff() {
  if (pEditor) pEditor->doIdleStuff();
  if (pCurrentDrawContext && pCurrentDrawContext->needsSynchronize())
    pCurrentDrawContext->synchronizeCairo();
}
