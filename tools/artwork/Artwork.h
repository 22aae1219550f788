// The artwork program draws every bitmap of the editor with Cairo at build
// time; nothing binary is kept in the repository. Each image is a resource id
// (loaded as CBitmap(id)), a size in pixels and a function that draws it on a
// transparent ARGB32 surface of that size. Add an image in any source file of
// the program:
//
//   QVX_ARTWORK(140, 60, 40) {  // id 140, 60 x 40 pixels
//     cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
//     cairo_paint(cr);
//   }
//
// Inside the body, `cr` is the Cairo context and `width`/`height` the size.
// Multi-image bitmaps stack a control's states vertically (two halves for
// on/off buttons, one image per step for kick buttons and film strips); draw
// them with the helpers below. Ids 99900 to 99999 are kept for tests.
#pragma once

#include <cairo.h>

struct ArtworkImage {
  long id;
  int width;
  int height;
  void (*draw)(cairo_t* cr, int width, int height);
};

// Adds an image to the program's list; used by QVX_ARTWORK.
struct ArtworkRegistration {
  explicit ArtworkRegistration(const ArtworkImage& image);
};

// The registered images in the order of their ids.
const ArtworkImage* ArtworkImages(int& count);

#define QVX_ARTWORK(ID, W, H)                                                     \
  static void QvxArtworkDraw_##ID(cairo_t* cr, int width, int height);             \
  static const ArtworkRegistration s_qvxArtwork_##ID(                               \
      ArtworkImage{ID, W, H, QvxArtworkDraw_##ID});                                 \
  static void QvxArtworkDraw_##ID(cairo_t* cr, [[maybe_unused]] int width,         \
                                  [[maybe_unused]] int height)

// Runs draw(cr, frameWidth, frameHeight, index) once per image of a vertical
// strip of `count` images, each translated to the top of its own image and
// clipped to it.
template <typename DrawFrame>
void DrawStrip(cairo_t* cr, int width, int height, int count, DrawFrame draw) {
  const int frameHeight = count > 0 ? height / count : 0;
  for (int i = 0; i < count; ++i) {
    cairo_save(cr);
    cairo_translate(cr, 0, static_cast<double>(i * frameHeight));
    cairo_rectangle(cr, 0, 0, width, frameHeight);
    cairo_clip(cr);
    draw(cr, width, frameHeight, i);
    cairo_restore(cr);
  }
}
