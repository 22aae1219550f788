#include "gui/COffscreenContext.h"

#include <cairo.h>

#include "Helpers/Assert.h"
#include "gui/CBitmap.h"

XR_REGISTER_SOURCE_FILE("gui/COffscreenContext");

COffscreenContext::COffscreenContext(CFrame* frame, long w, long h, const CColor background)
    : CDrawContext(frame, nullptr, nullptr),
      height(h),
      width(w),
      bDestroyPixelBuffer(true),
      backgroundColor(background) {
  clipRect = CRect(0, 0, width, height);
  clipRect.normalize();
  if (width > 0 && height > 0) {
    attachSurface(CairoSurfacePtr(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height))));
  }
  setFillColor(background);
  setFrameColor(background);
  fillRect(CRect(0, 0, width, height));
  drawRect(CRect(0, 0, width, height), kStyleStroked);
}

COffscreenContext::COffscreenContext(CDrawContext* context, CBitmap* bitmap, bool drawInBitmap)
    : CDrawContext(context ? context->getFrame() : nullptr, nullptr, nullptr),
      pBackgroundBitmap(bitmap) {
  // Held while drawing into it, so that its pixels outlive this context.
  if (pBackgroundBitmap) pBackgroundBitmap->remember();
  width = bitmap ? bitmap->getWidth() : 20;
  height = bitmap ? bitmap->getHeight() : 20;
  clipRect = CRect(0, 0, width, height);
  clipRect.normalize();
  if (drawInBitmap && bitmap && bitmap->getHandle())
    attachSurface(CairoSurfacePtr(cairo_surface_reference(bitmap->getHandle())));
}

COffscreenContext::~COffscreenContext() {
  if (pOwnedBitmap) pOwnedBitmap->forget();
  detachCairo();
  pSurface.reset();
  if (pBackgroundBitmap) pBackgroundBitmap->forget();
}

bool COffscreenContext::attachSurface(CairoSurfacePtr owned) {
  cairo_surface_t* const surface = owned.get();
  if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
  if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
    return false;
  CairoPtr cr(cairo_create(surface));
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;
  pSurface = std::move(owned);
  attachCairo(std::move(cr));
  cairo_surface_flush(surface);
  pixelMemory.pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
  pixelMemory.width = cairo_image_surface_get_width(surface);
  pixelMemory.height = cairo_image_surface_get_height(surface);
  pixelMemory.strideWords = cairo_image_surface_get_stride(surface) / 4;
  return true;
}

void COffscreenContext::copyFrom(CDrawContext* destination, CRect destRect, CPoint srcOffset) {
  XR_TRY
  if (!pCairo || !destination) return;
  cairo_t* cr = destination->beginCairo();
  if (!cr) return;
  // The copy starts one row above the rectangle.
  destRect.top -= 1;
  if (destRect.isEmpty() || !pixelMemory.pixels) {
    destination->releaseCairo(cr);
    return;
  }
  cairo_surface_flush(pSurface.get());
  const CPoint off = destination->getOffset();
  cairo_new_path(cr);
  cairo_rectangle(cr, destRect.left + off.h, destRect.top + off.v, destRect.width(),
                  destRect.height());
  cairo_clip(cr);
  cairo_set_source_surface(cr, pSurface.get(), destRect.left - srcOffset.h + off.h, destRect.top - srcOffset.v + off.v);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  destination->releaseCairo(cr);
  XR_CATCH_VOID
}

void COffscreenContext::copyTo(CDrawContext* source, CRect& srcRect, CPoint destOffset) {
  if (!source || !pBackgroundBitmap || !pBackgroundBitmap->getHandle()) return;
  cairo_surface_t* from = source->getBitmap();
  if (!from) {
    source->releaseBitmap();
    return;
  }
  cairo_surface_flush(from);
  // The source rectangle in the other context's surface.
  const CPoint off = source->getOffset();
  {
    const CairoPtr cr(cairo_create(pBackgroundBitmap->getHandle()));
    cairo_rectangle(cr.get(), destOffset.h, destOffset.v, srcRect.width(), srcRect.height());
    cairo_clip(cr.get());
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr.get(), from, destOffset.h - srcRect.left - off.h, destOffset.v - srcRect.top - off.v);
    cairo_paint(cr.get());
  }
  cairo_surface_mark_dirty(pBackgroundBitmap->getHandle());
  source->releaseBitmap();
  releaseBitmap();
}

cairo_surface_t* COffscreenContext::getCairoImage() {
  if (!pSurface) return nullptr;
  cairo_surface_flush(pSurface.get());
  cairo_surface_t* image = cairo_image_surface_create(
      CAIRO_FORMAT_ARGB32, static_cast<int>(pixelMemory.width), static_cast<int>(pixelMemory.height));
  const CairoPtr cr(cairo_create(image));
  cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr.get(), pSurface.get(), 0, 0);
  cairo_paint(cr.get());
  return image;
}

cairo_surface_t* COffscreenContext::getBitmap() {
  return pBackgroundBitmap ? pBackgroundBitmap->getHandle() : nullptr;
}

void COffscreenContext::releaseBitmap() {}
