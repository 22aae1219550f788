// CBitmap: an image loaded by numeric resource id and drawn into drawing
// contexts opaque, with a colour key, or with a global alpha.
//
// Loading: resource id N is the image "bmpNNNNN" (five digits, zero-padded)
// in PNG form. It is looked up first among the images linked into the
// plug-in (BitmapResources.h; the artwork program draws them at build time),
// then, for development, as "bmpNNNNN.png" in the folder named by the
// environment variable QVX_BITMAP_FOLDER. Only PNG is read: there are no
// other image formats or resource forks on this platform, and a missing
// image leaves an empty bitmap that draws nothing. A linked image takes its
// size from its PNG header and its pixels, on its first drawing, from the
// process's one decoded copy (BitmapResources.h): making bitmaps decodes
// nothing, and bitmaps of one id in any number of editors share the pixels
// (each through an image of its own, never written to). Linked bytes whose
// header reads but whose data does not decode draw nothing.
//
// A PNG keeps its own alpha, so the colour key applies only to bitmaps that
// hold a blank pixel image of their own (CBitmap(frame, width, height)),
// which are drawn into through COffscreenContext(context, bitmap, true).
//
// Multi-image bitmaps hold a control's states stacked vertically: two halves
// for on/off buttons, one image per step for kick buttons and film strips.
//
// Thread contract: one editor thread at a time (its user-interface thread,
// or its frame's idle thread while it draws); never the audio thread, since
// a first drawing may decode.
#pragma once

#include "gui/CReferenceCounter.h"
#include "gui/GuiTypes.h"
#include "platform/CairoHandles.h"

class CDrawContext;
class CFrame;
struct CEmbeddedBitmap;

class CBitmap : public CReferenceCounter {
 public:
  // Loads the image of the resource id; transparent colour kTransparentCColor.
  explicit CBitmap(long resourceId);
  // A blank (fully transparent) 32-bit pixel image of width x height.
  CBitmap(CFrame& frame, long width, long height);
  CBitmap();
  ~CBitmap() override;

  // drawAlphaBlend with alpha 255.
  virtual void draw(CDrawContext* context, CRect& rect, const CPoint& offset = CPoint(0, 0));
  // With the colour key applied (for images without alpha of their own).
  virtual void drawTransparent(CDrawContext* context, CRect& rect,
                               const CPoint& offset = CPoint(0, 0));
  // Shows the bitmap in rect (plus the context's offset) so that bitmap
  // pixel `offset` lands on rect's top-left, limited to rect and the clip.
  virtual void drawAlphaBlend(CDrawContext* context, CRect& rect,
                              const CPoint& offset, unsigned char alpha);
  // A new reference to the image to draw (keyed when `transparent` and the
  // bitmap has no alpha of its own), or null; the caller destroys it.
  virtual cairo_surface_t* createCairoImage(bool transparent = false);
  virtual void dispose();
  virtual bool loadFromResource(long resourceId);
  // path: a file name (const char*) ending in ".png".
  virtual bool loadFromPath(const void* path);

  // Only red, green and blue are compared.
  void setTransparentColor(const CColor color);
  CColor getTransparentColor() const { return transparentCColor; }
  void setTransparencyMask(CDrawContext* context, const CPoint& offset = CPoint(0, 0));

  bool isLoaded() const;
  // The bitmap's own pixel image (blank bitmaps), or null.
  cairo_surface_t* getHandle() const { return pPixelWorld.get(); }

  long getWidth() const { return width; }
  long getHeight() const { return height; }
  long getResourceId() const { return resourceId; }
  bool hasAlpha() const { return !noAlpha; }

 protected:
  // Decodes PNG bytes into the cached image; false when they are not a PNG.
  bool loadPng(const unsigned char* data, unsigned long size);
  // Makes a decoded image the cached image; false when decoding failed.
  bool takeImage(CairoSurfacePtr image);
  // The pixels of a linked image not drawn yet, from the decoded copy.
  void takePendingResource();

  long resourceId = 0;
  long width = 0;
  long height = 0;
  CColor transparentCColor = kTransparentCColor;
  bool noAlpha = true;
  CairoSurfacePtr pPixelWorld;   // own ARGB32 pixel image, or null
  CairoSurfacePtr pCachedImage;  // last image made for drawing
  const CEmbeddedBitmap* pResource = nullptr;  // linked image whose pixels are not taken yet
};
