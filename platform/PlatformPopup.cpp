#include "platform/PlatformPopup.h"

#include <atomic>

#include "platform/X11Popup.h"

namespace {
// Written by tests before a menu opens; read when a menu opens.
std::atomic<PlatformPopupFactory> g_PopupFactory{nullptr};
}  // namespace

std::unique_ptr<CPlatformPopup> CreatePlatformPopup(void* hostWindow) {
  if (PlatformPopupFactory factory = g_PopupFactory.load()) return factory(hostWindow);
  return CreateX11Popup(hostWindow);
}

void SetPlatformPopupFactoryForTesting(PlatformPopupFactory factory) { g_PopupFactory = factory; }
