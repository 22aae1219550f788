#include "gui/CBitmap.h"

#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Helpers/Assert.h"
#include "gui/BitmapResources.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("gui/CBitmap");

namespace {

bool HasPngExtension(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot && std::strcmp(dot + 1, "png") == 0;
}

}  // namespace

CBitmap::CBitmap(long id) : resourceId(id) {
  loadFromResource(id);
  setTransparentColor(kTransparentCColor);
}

CBitmap::CBitmap(CFrame&, long w, long h) {
  if (w > 0 && h > 0) {
    CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h)));
    if (cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS) {
      pPixelWorld = std::move(surface);
      width = w;
      height = h;
    }
  }
  setTransparentColor(kTransparentCColor);
}

CBitmap::CBitmap() = default;

CBitmap::~CBitmap() { CBitmap::dispose(); }

void CBitmap::dispose() {
  pResource = nullptr;
  pCachedImage.reset();
  pPixelWorld.reset();
  width = 0;
  height = 0;
}

bool CBitmap::loadFromResource(long id) {
  XR_TRY
  dispose();
  resourceId = id;
  char name[32];
  std::snprintf(name, sizeof(name), "bmp%05ld", id);
  if (const CEmbeddedBitmap* resource = FindBitmapResource(id)) {
    if (ReadPngSize(resource->data, resource->size, width, height)) {
      pResource = resource;
      noAlpha = false;
      return true;
    }
  }
  const char* folder = std::getenv("QVX_BITMAP_FOLDER");
  if (folder && *folder) {
    const std::string path = std::string(folder) + "/" + name + ".png";
    if (loadFromPath(path.c_str())) return true;
  }
  return false;
  XR_CATCH(false)
}

bool CBitmap::loadFromPath(const void* path) {
  dispose();
  const char* file = static_cast<const char*>(path);
  if (!file || !HasPngExtension(file)) return false;
  return takeImage(CairoSurfacePtr(cairo_image_surface_create_from_png(file)));
}

bool CBitmap::loadPng(const unsigned char* data, unsigned long byteCount) {
  return takeImage(DecodePng(data, byteCount));
}

bool CBitmap::takeImage(CairoSurfacePtr image) {
  if (!image || cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return false;
  noAlpha = false;
  width = cairo_image_surface_get_width(image.get());
  height = cairo_image_surface_get_height(image.get());
  pCachedImage = std::move(image);
  return true;
}

void CBitmap::takePendingResource() {
  const CEmbeddedBitmap* const resource = pResource;
  pResource = nullptr;
  const CairoSurfacePtr pixels = resource ? DecodedBitmapResource(*resource) : nullptr;
  cairo_surface_t* const shared = pixels.get();
  if (!shared || cairo_surface_status(shared) != CAIRO_STATUS_SUCCESS) return;
  // An image of this bitmap's own over the shared pixels, holding a reference
  // to them: Cairo's images are not to be used by two threads at once, their
  // pixels only read.
  CairoSurfacePtr image(
      cairo_image_surface_create_for_data(cairo_image_surface_get_data(shared), cairo_image_surface_get_format(shared),
                                          cairo_image_surface_get_width(shared), cairo_image_surface_get_height(shared),
                                          cairo_image_surface_get_stride(shared)));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return;
  static cairo_user_data_key_t s_sharedPixels;
  const auto release = [](void* pixels) { cairo_surface_destroy(static_cast<cairo_surface_t*>(pixels)); };
  if (cairo_surface_set_user_data(image.get(), &s_sharedPixels, cairo_surface_reference(shared), release) !=
      CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(shared);
    return;
  }
  width = cairo_image_surface_get_width(shared);
  height = cairo_image_surface_get_height(shared);
  pCachedImage = std::move(image);
}

void CBitmap::setTransparentColor(const CColor color) {
  transparentCColor = color;
  // The next image made for drawing applies the new key.
  if (noAlpha) pCachedImage.reset();
}

void CBitmap::setTransparencyMask(CDrawContext*, const CPoint&) {}

bool CBitmap::isLoaded() const { return pCachedImage || pPixelWorld || pResource; }

cairo_surface_t* CBitmap::createCairoImage(bool transparent) {
  if (pResource) takePendingResource();
  if (pCachedImage) return cairo_surface_reference(pCachedImage.get());
  if (!pPixelWorld) return nullptr;
  cairo_surface_t* const pixels = pPixelWorld.get();
  cairo_surface_flush(pixels);
  CairoSurfacePtr image;
  if (transparent) {
    const int w = cairo_image_surface_get_width(pixels);
    const int h = cairo_image_surface_get_height(pixels);
    image.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    const unsigned char* src = cairo_image_surface_get_data(pixels);
    const int srcStride = cairo_image_surface_get_stride(pixels);
    unsigned char* dst = cairo_image_surface_get_data(image.get());
    const int dstStride = cairo_image_surface_get_stride(image.get());
    const uint32_t key = (static_cast<uint32_t>(transparentCColor.red) << 16) |
                         (static_cast<uint32_t>(transparentCColor.green) << 8) |
                         transparentCColor.blue;
    for (int y = 0; y < h; ++y) {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(src + y * srcStride);
      uint32_t* out = reinterpret_cast<uint32_t*>(dst + y * dstStride);
      for (int x = 0; x < w; ++x) {
        // Key pixels become fully transparent (zero, premultiplied).
        const uint32_t a = in[x] >> 24;
        uint32_t rgb = in[x] & 0xFFFFFFu;
        if (a != 0 && a != 255) {
          const uint32_t r = (((rgb >> 16) & 0xFF) * 255 + a / 2) / a;
          const uint32_t g = (((rgb >> 8) & 0xFF) * 255 + a / 2) / a;
          const uint32_t b = ((rgb & 0xFF) * 255 + a / 2) / a;
          rgb = (r << 16) | (g << 8) | b;
        }
        out[x] = (a != 0 && rgb == key) ? 0u : in[x];
      }
    }
    cairo_surface_mark_dirty(image.get());
  } else {
    image.reset(cairo_surface_reference(pixels));
  }
  pCachedImage = std::move(image);
  return cairo_surface_reference(pCachedImage.get());
}

void CBitmap::draw(CDrawContext* context, CRect& rect, const CPoint& offset) {
  drawAlphaBlend(context, rect, offset, 255);
}

void CBitmap::drawTransparent(CDrawContext* context, CRect& rect, const CPoint& offset) {
  if (noAlpha) {
    const CairoSurfacePtr keyed(createCairoImage(true));
    if (!keyed) return;
    drawAlphaBlend(context, rect, offset, 255);
  } else {
    drawAlphaBlend(context, rect, offset, 255);
  }
}

void CBitmap::drawAlphaBlend(CDrawContext* context, CRect& rect, const CPoint& offset,
                             unsigned char alpha) {
  if (!context || !isLoaded()) return;
  cairo_t* cr = context->beginCairo();
  if (!cr) return;
  if (const CairoSurfacePtr image{createCairoImage(false)}) {
    const CPoint off = context->getOffset();
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.left + off.h, rect.top + off.v, rect.width(), rect.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, image.get(), rect.left + off.h - offset.h, rect.top + off.v - offset.v);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    if (alpha < 255)
      cairo_paint_with_alpha(cr, alpha / 255.0);
    else
      cairo_paint(cr);
  }
  context->releaseCairo(cr);
}
