// Pop-up sessions without a display, for tests. A test installs them with
// UseHeadlessPopups(script); every session the toolkit then opens reports the
// events that the script queues. The script runs whenever the session is
// asked for an event and has none left; it sees the windows opened so far
// (their areas and presented pixels) and may queue more. A session whose
// script queues nothing is cancelled, so a menu always ends, unless the
// script holds it (Hold): then the wait times out without an event and the
// script is asked again at the next one.
//
// Thread contract: as CPlatformPopup; the script runs on the session's thread
// (the menu's), and UseHeadlessPopups is called while no menu runs.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "platform/PlatformPopup.h"

class CHeadlessPopup final : public CPlatformPopup {
 public:
  struct Window {
    PlatformRect area;
    bool open = true;
    int presents = 0;
    std::vector<uint32_t> image;  // 0xAARRGGBB per pixel, row by row
  };
  using Script = std::function<void(CHeadlessPopup&)>;

  CHeadlessPopup(void* hostWindow, Script script);
  ~CHeadlessPopup() override;

  PlatformRect ScreenArea() override { return m_Screen; }
  bool HostToScreen(int& x, int& y) override;
  int OpenWindow(const PlatformRect& area) override;
  void CloseWindow(int id) override;
  void Present(int id, cairo_surface_t* image) override;
  bool WaitEvent(PopupEvent& event, int timeoutMs) override;

  // --- test side ---
  void Queue(const PopupEvent& event) { m_Events.push_back(event); }
  void QueueMove(int x, int y, long buttons = 0);
  void QueuePress(int x, int y, long buttons = kPlatformLeft);
  void QueueRelease(int x, int y, long buttons = 0);
  void QueueKey(int character, unsigned char virt = 0, unsigned char modifier = 0);
  // No event yet: this wait times out (after at most a millisecond) instead
  // of cancelling the session.
  void Hold() { m_bHold = true; }
  void SetScreen(const PlatformRect& area) { m_Screen = area; }
  // Where the host window's (0, 0) lies on the screen.
  void SetHostOrigin(int x, int y) {
    m_nHostX = x;
    m_nHostY = y;
  }

  void* HostWindow() const { return m_pHostWindow; }
  const std::vector<Window>& Windows() const { return m_Windows; }
  // Windows open now, in the order they were opened.
  std::vector<const Window*> OpenWindows() const;
  // The pixel (0xAARRGGBB) at screen point (x, y) of an open window, or 0.
  uint32_t PixelAt(int id, int x, int y) const;
  int ScriptRuns() const { return m_nScriptRuns; }

 private:
  void* m_pHostWindow;
  Script m_Script;
  PlatformRect m_Screen{0, 0, 1920, 1080};
  int m_nHostX = 0;
  int m_nHostY = 0;
  std::vector<Window> m_Windows;
  std::deque<PopupEvent> m_Events;
  int m_nScriptRuns = 0;
  bool m_bHold = false;
};

// Every pop-up session from now on is a headless one running `script`; an
// empty script restores the X11 sessions.
void UseHeadlessPopups(CHeadlessPopup::Script script);
// Sessions made so far since the last UseHeadlessPopups, and those of them
// not yet destroyed. [any thread]
int HeadlessPopupSessions();
int HeadlessPopupSessionsAlive();
