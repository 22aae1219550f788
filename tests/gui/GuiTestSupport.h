// Headless drawing targets for the toolkit's tests: a Cairo image surface
// with a drawing context on it, and pixel read-back.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "gui/CDrawContext.h"
#include "gui/COffscreenContext.h"

// ARGB word of an opaque colour, as Cairo stores it.
inline uint32_t Argb(const CColor& c) {
  return (uint32_t{c.alpha} << 24) | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) |
         uint32_t{c.blue};
}

inline uint32_t PixelOf(cairo_surface_t* surface, long x, long y) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  return reinterpret_cast<const uint32_t*>(data + y * stride)[x];
}

// Counts the pixels of value `word` inside [x0, x1) x [y0, y1).
inline long CountPixels(cairo_surface_t* surface, long x0, long y0, long x1, long y1,
                        uint32_t word) {
  long n = 0;
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x)
      if (PixelOf(surface, x, y) == word) ++n;
  return n;
}

// A window-like target: an ARGB32 image cleared to opaque white, with a
// drawing context on it (no frame, no window).
class TestSurface {
 public:
  TestSurface(int width, int height)
      : m_pSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {
    cairo_t* cr = cairo_create(m_pSurface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    m_pContext = new CDrawContext(nullptr, cr, nullptr);
    cairo_destroy(cr);
  }
  ~TestSurface() {
    if (m_pContext) m_pContext->forget();
    cairo_surface_destroy(m_pSurface);
  }
  TestSurface(const TestSurface&) = delete;
  TestSurface& operator=(const TestSurface&) = delete;

  CDrawContext* context() { return m_pContext; }
  cairo_surface_t* surface() { return m_pSurface; }
  uint32_t pixel(long x, long y) { return PixelOf(m_pSurface, x, y); }
  long count(long x0, long y0, long x1, long y1, uint32_t word) {
    return CountPixels(m_pSurface, x0, y0, x1, y1, word);
  }
  // Drops the context early (flushing it), e.g. to check the Cairo state it
  // leaves behind.
  void releaseContext() {
    m_pContext->forget();
    m_pContext = nullptr;
  }

 private:
  cairo_surface_t* m_pSurface;
  CDrawContext* m_pContext = nullptr;
};

inline constexpr uint32_t kWhiteWord = 0xFFFFFFFFu;
inline constexpr uint32_t kBlackWord = 0xFF000000u;
inline constexpr uint32_t kRedWord = 0xFFFF0000u;
inline constexpr uint32_t kGreenWord = 0xFF00FF00u;
inline constexpr uint32_t kBlueWord = 0xFF0000FFu;
