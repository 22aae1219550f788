// The X11 implementation of the editor's window: a child window of the
// host's window on a display connection of its own (see PlatformWindow.h for
// the thread contract). It takes the keyboard focus only while a text field
// is being edited (X11Focus.h), reads typed text through the input method
// (X11TextInput.h), serves the desktop's clipboard
// (X11Clipboard.h), tells when it can no longer be seen (X11Visibility.h)
// and receives drops (X11Dnd.h). No Xlib types here.
#pragma once

#include <memory>

#include "platform/PlatformWindow.h"

// Opens a connection to the default display ($DISPLAY), creates a child of
// the X window whose id `parent` holds, maps it and selects its events.
// Null when there is no display, the parent is not a window, or creation fails.
std::unique_ptr<CPlatformWindow> CreateX11Window(void* parent, int width, int height);
