// The images linked into the plug-in, by resource id. The build's artwork
// program draws every image into a PNG and generates a source file that
// registers the PNG bytes here at load (see cmake/QvxBitmaps.cmake,
// qvx_embed_bitmaps); CBitmap looks them up.
//
// Thread contract: registration happens during static initialisation;
// look-ups afterwards on any thread (the table is not changed again).
#pragma once

#include <cstddef>

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

// Registers a table from a static initialiser.
struct CEmbeddedBitmapRegistration {
  CEmbeddedBitmapRegistration(const CEmbeddedBitmap* table, std::size_t count) {
    RegisterBitmapResources(table, count);
  }
};
