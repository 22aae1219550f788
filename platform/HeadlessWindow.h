// A window without a display, for tests: events are queued by the test, the
// pointer is whatever the test sets, and every present copies the presented
// area of the back buffer into an image the test reads back.
//
// A test installs it with UseHeadlessWindows(); each window the toolkit then
// creates is reachable through LastHeadlessWindow() until it is destroyed.
//
// Thread contract: as CPlatformWindow; the test's calls into a window that an
// editor uses must be made under the same lock as the editor's (or while the
// editor's idle thread is stopped). Present is counted atomically so that a
// test may wait for drawing from the idle thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/PlatformWindow.h"

class CHeadlessWindow final : public CPlatformWindow {
 public:
  CHeadlessWindow(void* parent, int width, int height);
  ~CHeadlessWindow() override;

  bool NextEvent(PlatformEvent& event) override;
  bool WaitEvent(PlatformEvent& event, int timeoutMs) override;
  void QueryPointer(int& x, int& y, long& buttons) override;
  void Present(cairo_surface_t* backBuffer, const PlatformRect& area) override;
  void SetSize(int width, int height) override;
  void SetPosition(int x, int y) override;
  PlatformRect GetFrame() const override;
  void SetCursor(int cursorType) override;
  void SetKeyInput(bool wanted) override { m_bKeyInput = wanted; }
  // Recorded for the test.
  void ForwardKey(const PlatformEvent& event) override { m_Forwarded.push_back(event); }
  // A clipboard shared by the process's headless windows; a request is
  // answered at once, by an event queued behind the pending ones.
  void SetClipboardText(const std::string& text) override;
  void RequestClipboardText() override;
  void SetDropTarget(bool wanted) override { m_bDropTarget = wanted; }
  bool IsAlive() const override { return !m_bDestroyed; }

  // --- test side ---
  void Queue(const PlatformEvent& event) { m_Events.push_back(event); }
  // Pointer states that QueryPointer reports one per call (the last one
  // repeats); SetPointer replaces them all by one state.
  void QueuePointer(int x, int y, long buttons);
  void SetPointer(int x, int y, long buttons);
  // The window is destroyed from outside (the host closed its window).
  void Destroy();

  void* Parent() const { return m_pParent; }
  int CursorType() const { return m_nCursor; }
  bool KeyInput() const { return m_bKeyInput; }
  // The key events sent on to the host's window.
  const std::vector<PlatformEvent>& Forwarded() const { return m_Forwarded; }
  static std::string ClipboardText();
  bool DropTarget() const { return m_bDropTarget; }
  int PresentCount() const { return m_nPresents.load(); }
  const PlatformRect& LastPresented() const { return m_LastPresented; }
  // The presented image, 0xAARRGGBB per pixel, row by row (width x height).
  uint32_t PixelAt(int x, int y) const;
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }

 private:
  void* m_pParent;
  int m_nX = 0, m_nY = 0;
  int m_nWidth, m_nHeight;
  int m_nCursor = 0;
  bool m_bKeyInput = false;
  bool m_bDropTarget = false;
  bool m_bDestroyed = false;
  std::deque<PlatformEvent> m_Events;
  std::vector<PlatformEvent> m_Forwarded;
  struct PointerState {
    int x, y;
    long buttons;
  };
  std::deque<PointerState> m_Pointer;  // front is the current state
  std::vector<uint32_t> m_Image;       // what the window shows
  PlatformRect m_LastPresented;
  std::atomic<int> m_nPresents{0};     // written by the presenting thread, read by the test
};

// Makes every editor window from now on a headless one (tests only).
void UseHeadlessWindows();
// The most recently created headless window still alive, or null.
CHeadlessWindow* LastHeadlessWindow();
