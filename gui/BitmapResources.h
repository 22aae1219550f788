// The images linked into the plug-in, by resource id. The build's artwork
// program draws every image into a PNG and generates a source file that
// registers the PNG bytes here at load (see cmake/QvxBitmaps.cmake,
// qvx_embed_bitmaps); CBitmap looks them up.
//
// Decoding is left to the first editor that draws an image: creating an
// effect (as a host does for every instance of a session it loads, and a
// scanner for every plug-in it finds) decodes nothing, and an image is
// decoded once per process, whatever the number of instances and editors.
// The decoded images are kept while the module is loaded and never changed:
// every bitmap of the id draws from the same pixels.
//
// Thread contract: registration happens during static initialisation;
// look-ups afterwards on any thread (the table is not changed again).
// DecodedBitmapResource may run on any editor thread (the user-interface
// threads of several instances, their frames' idle threads) at once, never
// on the audio thread: the first call for an image decodes it under a mutex
// of its own, which is taken with no other lock inside it, so callers may
// hold their frame's locks; a second caller for that image waits for the
// decode and takes the same pixels.
#pragma once

#include <cstddef>

#include "platform/CairoHandles.h"

struct CEmbeddedBitmap {
  long id;
  const unsigned char* data;  // PNG bytes
  std::size_t size;
};

// Adds `count` entries; the table must outlive the process (static data).
// An id registered again replaces the earlier entry.
void RegisterBitmapResources(const CEmbeddedBitmap* table, std::size_t count);
// The entry of the id, or null.
const CEmbeddedBitmap* FindBitmapResource(long id);

// Width and height from the PNG header of the bytes, without decoding them;
// false when they do not start with a PNG signature and header.
bool ReadPngSize(const unsigned char* data, std::size_t size, long& width, long& height);
// Decodes PNG bytes into a new image (null when they do not decode). [any
// thread but the audio thread]
CairoSurfacePtr DecodePng(const unsigned char* data, std::size_t size);
// The entry's image, decoded on the first call for its bytes since the load,
// or null when they do not decode: a reference of the caller's own to the
// shared image, which is never to be drawn into.
CairoSurfacePtr DecodedBitmapResource(const CEmbeddedBitmap& resource);
// How many linked images have been decoded in the process so far. [tests]
long DecodedBitmapResourceCount();

// Registers a table from a static initialiser.
struct CEmbeddedBitmapRegistration {
  CEmbeddedBitmapRegistration(const CEmbeddedBitmap* table, std::size_t count) {
    RegisterBitmapResources(table, count);
  }
};
