// The test's own connection to the X server. A virtual server resets itself
// when its last client leaves and refuses connections meanwhile, so the
// opening is retried for a while.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

inline Display* OpenTestDisplay() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr)) return display;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}
