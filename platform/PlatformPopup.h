// Pop-up windows for menus, behind a neutral interface: windows of their own
// on the screen (above every other window, not managed by the window manager)
// that show an image, and the pointer and keyboard while they are up. The
// toolkit's option menu draws its menus into images, places them with these
// windows and runs its selection loop, on a thread of its own, on the events
// reported here.
//
// Implementations: X11 (X11Popup.cpp: override-redirect windows on a display
// connection of their own, with pointer and keyboard grabs) and a headless one
// for tests (HeadlessPopup.h), whose events a test script supplies.
//
// Coordinates are screen pixels: (0, 0) at the top-left of the screen.
//
// Thread contract: a session is made, used and destroyed on one thread (an
// option menu's menu thread, gui/COptionMenuPopup.h); sessions never share
// state, nor use the editor's window or its connection. WaitEvent with a
// timeout returns within it (give or take one pass over the events that
// came), so that the thread can look for a request to stop between waits.
#pragma once

#include <memory>

#include "platform/PlatformWindow.h"

enum class EPopupEvent {
  kMove,     // x, y, buttons: the pointer moved
  kPress,    // x, y, buttons: a button went down
  kRelease,  // x, y, buttons (those still held): a button went up
  kWheel,    // x, y, distance: steps, positive up
  kKey,      // key: a key went down
  kCancel,   // the session lost the screen (another grab, the host went away)
};

struct PopupEvent {
  EPopupEvent type = EPopupEvent::kMove;
  int x = 0;
  int y = 0;
  long buttons = 0;  // EPlatformButtons
  float distance = 0;
  PlatformKey key;
};

class CPlatformPopup {
 public:
  virtual ~CPlatformPopup() = default;
  CPlatformPopup(const CPlatformPopup&) = delete;
  CPlatformPopup& operator=(const CPlatformPopup&) = delete;

  // The part of the screen that pop-ups may cover.
  virtual PlatformRect ScreenArea() = 0;
  // A point in the host window's coordinates (the window the editor was
  // given) in screen coordinates; false when the window cannot be found.
  virtual bool HostToScreen(int& x, int& y) = 0;
  // Shows a window over `area` (screen coordinates); its id, or -1 when none
  // could be made. Windows opened later lie above earlier ones.
  virtual int OpenWindow(const PlatformRect& area) = 0;
  virtual void CloseWindow(int id) = 0;
  // Shows `image` (an ARGB32 image surface of the window's size) in the
  // window; the window keeps showing it until the next call.
  virtual void Present(int id, cairo_surface_t* image) = 0;
  // Waits up to timeoutMs (negative: without limit) for the next event; false
  // when none came in time. Pointer and keyboard belong to the session from
  // its first window on, as far as the window system allows.
  virtual bool WaitEvent(PopupEvent& event, int timeoutMs) = 0;

 protected:
  CPlatformPopup() = default;
};

// A session for a menu over the editor in the host window `hostWindow` (the
// handle the host gave the editor). Null when no session can be had.
std::unique_ptr<CPlatformPopup> CreatePlatformPopup(void* hostWindow);

// Test seam: replaces the session factory (null restores the X11 one).
using PlatformPopupFactory = std::unique_ptr<CPlatformPopup> (*)(void* hostWindow);
void SetPlatformPopupFactoryForTesting(PlatformPopupFactory factory);
