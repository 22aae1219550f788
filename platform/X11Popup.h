// The X11 implementation of the pop-up sessions (see PlatformPopup.h): one
// display connection per session, override-redirect windows on the root
// window, and pointer and keyboard grabs. No Xlib types here.
#pragma once

#include <memory>

#include "platform/PlatformPopup.h"

// Opens a connection to the default display ($DISPLAY). Null when there is
// no display.
std::unique_ptr<CPlatformPopup> CreateX11Popup(void* hostWindow);
