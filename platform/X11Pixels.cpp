#include "platform/X11Pixels.h"

#include <cairo.h>

#include <algorithm>

#include "platform/X11Handles.h"

bool X11TakesBackBufferPixels(Display* display, const XWindowAttributes& attributes) {
  const Visual* visual = attributes.visual;
  if (!visual || visual->c_class != TrueColor || visual->red_mask != 0xFF0000 ||
      visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF)
    return false;
  int count = 0;
  const X11MemoryPtr<XPixmapFormatValues[]> formats(XListPixmapFormats(display, &count));
  bool bits32 = false;
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == attributes.depth) bits32 = formats[i].bits_per_pixel == 32;
  return bits32;
}

bool X11InitBackBufferImage(XImage& image, char* data, int width, int height, int stride, int depth) {
  image = XImage{};
  image.width = width;
  image.height = height;
  image.format = ZPixmap;
  image.data = data;
  image.byte_order = LSBFirst;  // Cairo's words in this machine's order (x86-64)
  image.bitmap_unit = 32;
  image.bitmap_bit_order = LSBFirst;
  image.bitmap_pad = 32;
  image.depth = depth;
  image.bytes_per_line = stride;
  image.bits_per_pixel = 32;
  image.red_mask = 0xFF0000;
  image.green_mask = 0xFF00;
  image.blue_mask = 0xFF;
  return data && XInitImage(&image);
}

void X11PutBackBuffer(Display* display, Window window, GC gc, int depth, cairo_surface_t* backBuffer,
                      const PlatformRect& area) {
  if (cairo_image_surface_get_format(backBuffer) != CAIRO_FORMAT_ARGB32) return;
  cairo_surface_flush(backBuffer);
  XImage image;
  if (!X11InitBackBufferImage(image, reinterpret_cast<char*>(cairo_image_surface_get_data(backBuffer)),
                              cairo_image_surface_get_width(backBuffer), cairo_image_surface_get_height(backBuffer),
                              cairo_image_surface_get_stride(backBuffer), depth))
    return;
  const int left = std::max(area.left, 0);
  const int top = std::max(area.top, 0);
  const int right = std::min(area.right, image.width);
  const int bottom = std::min(area.bottom, image.height);
  if (right <= left || bottom <= top) return;
  XPutImage(display, window, gc, &image, left, top, left, top, static_cast<unsigned>(right - left),
            static_cast<unsigned>(bottom - top));
}
