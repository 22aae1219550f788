// COffscreenContext: a drawing context on a 32-bit image in memory. Views
// that draw through a buffer (containers with off-screen drawing, owner-drawn
// displays) render into one and copy the result into the window's context
// with copyFrom.
//
// The image is a Cairo ARGB32 image surface (premultiplied alpha, first row
// at the top), zeroed at creation. Its memory is the pixel memory that the
// direct writers of CDrawContext (fillRect, drawPoint, drawGraphPolyLine,
// drawGraphPolyPoint) write without going through Cairo.
//
// A fresh context draws anti-aliased until setDrawMode changes the mode.
// Thread contract: user-interface thread only (owner-drawn controls hold
// their own lock around drawing into and copying from their off-screen).
#pragma once

#include "gui/CDrawContext.h"

class CBitmap;

class COffscreenContext : public CDrawContext {
 public:
  // An image of width x height, filled with `background`, whose fill and
  // frame colours are the background. A width or height of 0 (or a failed
  // allocation) gives a context that draws and copies nothing.
  COffscreenContext(CFrame* frame, long width, long height,
                    const CColor background = kBlackCColor);
  // Draws into the bitmap's own pixels when drawInBitmap is true and the
  // bitmap has a pixel image of its own; otherwise draws nothing.
  COffscreenContext(CDrawContext* context, CBitmap* bitmap, bool drawInBitmap = false);
  ~COffscreenContext() override;

  // Copies this context's pixels into `destination` (through its bracket, so
  // its clip applies): the rows from srcOffset.v on appear from destRect's
  // top - 1 downward, covering destRect plus one row above it; columns from
  // srcOffset.h appear from destRect.left. Nothing for an empty rectangle.
  void copyFrom(CDrawContext* destination, CRect destRect, CPoint srcOffset = CPoint(0, 0));
  // Copies `srcRect` of the other context's surface into the background
  // bitmap at destOffset; only when drawing into a bitmap.
  void copyTo(CDrawContext* source, CRect& srcRect, CPoint destOffset = CPoint(0, 0));

  cairo_surface_t* getCairoImage() override;
  cairo_surface_t* getBitmap() override;
  void releaseBitmap() override;

  long getWidth() const { return width; }
  long getHeight() const { return height; }
  CColor getBackgroundColor() const { return backgroundColor; }

 protected:
  // Wraps an ARGB32 image surface: Cairo context, pixel memory, state saved.
  bool attachSurface(CairoSurfacePtr surface);

  CBitmap* pOwnedBitmap = nullptr;       // forgotten when destroyed
  CBitmap* pBackgroundBitmap = nullptr;  // the bitmap drawn into, or null
  long height = 0;
  long width = 0;
  bool bDestroyPixelBuffer = false;
  CColor backgroundColor = kBlackCColor;
  CairoSurfacePtr pSurface;  // one reference held
};
