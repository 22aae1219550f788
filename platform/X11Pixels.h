// The back buffer's pixels onto an X window as a plain image request, for
// visuals that hold pixels as Cairo's ARGB32 does: no drawing library state
// is left behind by a request that fails on a window the host destroyed.
//
// Thread contract: that of the owning window (its owner's lock).
#pragma once

#include <X11/Xlib.h>

#include "platform/PlatformWindow.h"

// True when the visual's pixels are the back buffer's: 32 bits with red,
// green and blue where Cairo's ARGB32 keeps them (every common desktop).
bool X11TakesBackBufferPixels(Display* display, const XWindowAttributes& attributes);
// Describes `data` (rows of `stride` bytes of Cairo's ARGB32 pixels) as an
// image for the window's `depth`; false when Xlib refuses it.
bool X11InitBackBufferImage(XImage& image, char* data, int width, int height, int stride, int depth);
// Puts `area` (clipped to the back buffer) of an ARGB32 image surface onto
// the window at the same place, through `gc`; nothing for other formats.
void X11PutBackBuffer(Display* display, Window window, GC gc, int depth, cairo_surface_t* backBuffer,
                      const PlatformRect& area);
