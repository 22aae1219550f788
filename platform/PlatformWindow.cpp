#include "platform/PlatformWindow.h"

#include <atomic>

#include "platform/X11Window.h"

namespace {
// Written by tests before any editor opens; read when an editor opens.
std::atomic<PlatformWindowFactory> g_WindowFactory{nullptr};
}  // namespace

std::unique_ptr<CPlatformWindow> CreatePlatformWindow(void* parent, int width, int height) {
  if (PlatformWindowFactory factory = g_WindowFactory.load()) return factory(parent, width, height);
  return CreateX11Window(parent, width, height);
}

void SetPlatformWindowFactoryForTesting(PlatformWindowFactory factory) { g_WindowFactory = factory; }
