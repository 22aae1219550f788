// The qvxhost program's editor mode in tests: a virtual X server of the
// test's own and the screenshots it saves.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "HostRunSupport.h"
#include "XvfbServer.h"

// The screenshot's pixels; width 0 when it cannot be read.
struct Png {
  explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      width = cairo_image_surface_get_width(surface);
      height = cairo_image_surface_get_height(surface);
    }
  }
  ~Png() { cairo_surface_destroy(surface); }
  uint32_t At(long x, long y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
  }
  cairo_surface_t* surface;
  int width = 0, height = 0;
};

