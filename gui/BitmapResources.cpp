#include "gui/BitmapResources.h"

#include <cairo.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/BitmapResources");

namespace {

// The registered tables, oldest first: plain static data, ready before any
// static initialiser runs and never destroyed, so that an editor's thread
// may look an image up while the process exits, and an unloaded module
// leaves nothing behind. A module registers one table; tests a few more.
struct CRegisteredTable {
  const CEmbeddedBitmap* table;
  std::size_t count;
};
constexpr std::size_t kMaxTables = 32;
CRegisteredTable g_Tables[kMaxTables];
std::size_t g_nTables = 0;

// The decoded images by their bytes (an id registered again with other bytes
// decodes anew); a null image for bytes that did not decode. Plain static
// data under a mutex, so the process's exit destroys nothing here while an
// editor's thread draws; the module's finaliser drops the table's
// references, which no caller needs (each takes its own), so an unloaded
// module leaves no image behind.
struct CDecodedImage {
  const unsigned char* data;
  cairo_surface_t* image;
};
constexpr std::size_t kMaxDecoded = 256;
std::mutex g_DecodedMutex;
CDecodedImage g_Decoded[kMaxDecoded];  // under g_DecodedMutex
std::size_t g_nDecoded = 0;            // under g_DecodedMutex
std::atomic<long> g_nDecodes{0};

__attribute__((destructor)) void ReleaseDecodedImages() {
  // A decode under way (at the process's exit) keeps the table as it is.
  const std::unique_lock<std::mutex> hold(g_DecodedMutex, std::try_to_lock);
  if (!hold.owns_lock()) return;
  for (std::size_t i = 0; i < g_nDecoded; ++i) cairo_surface_destroy(g_Decoded[i].image);
  g_nDecoded = 0;
}

struct CPngReader {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* out, unsigned int length) {
  CPngReader* reader = static_cast<CPngReader*>(closure);
  if (length > reader->size - reader->position) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, reader->data + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

long BigEndian32(const unsigned char* p) {
  return static_cast<long>((static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
                           (static_cast<unsigned long>(p[2]) << 8) | static_cast<unsigned long>(p[3]));
}

}  // namespace

void RegisterBitmapResources(const CEmbeddedBitmap* table, std::size_t count) {
  if (!table) return;
  XR_ASSERT(g_nTables < kMaxTables);
  if (g_nTables < kMaxTables) g_Tables[g_nTables++] = {table, count};
}

const CEmbeddedBitmap* FindBitmapResource(long id) {
  // The last entry of the id in the newest table that has it: an id
  // registered again replaces the earlier entry.
  for (std::size_t t = g_nTables; t-- > 0;)
    for (std::size_t i = g_Tables[t].count; i-- > 0;)
      if (g_Tables[t].table[i].id == id) return &g_Tables[t].table[i];
  return nullptr;
}

bool ReadPngSize(const unsigned char* data, std::size_t size, long& width, long& height) {
  // The signature, then the first chunk, which must be the 13-byte header:
  // its length, "IHDR", the width and the height.
  static const unsigned char kStart[] = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (!data || size < sizeof(kStart) + 8 || std::memcmp(data, kStart, sizeof(kStart)) != 0) return false;
  const long w = BigEndian32(data + 16);
  const long h = BigEndian32(data + 20);
  if (w <= 0 || h <= 0) return false;
  width = w;
  height = h;
  return true;
}

CairoSurfacePtr DecodePng(const unsigned char* data, std::size_t size) {
  if (!data || size == 0) return nullptr;
  CPngReader reader{data, size, 0};
  CairoSurfacePtr image(cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  return image;
}

CairoSurfacePtr DecodedBitmapResource(const CEmbeddedBitmap& resource) {
  XR_TRY
  const std::lock_guard<std::mutex> hold(g_DecodedMutex);
  for (std::size_t i = 0; i < g_nDecoded; ++i)
    if (g_Decoded[i].data == resource.data)
      return CairoSurfacePtr(g_Decoded[i].image ? cairo_surface_reference(g_Decoded[i].image) : nullptr);
  g_nDecodes.fetch_add(1);
  CairoSurfacePtr image = DecodePng(resource.data, resource.size);
  // More images than the table holds are decoded for their caller alone.
  XR_ASSERT(g_nDecoded < kMaxDecoded);
  if (g_nDecoded < kMaxDecoded)
    g_Decoded[g_nDecoded++] = {resource.data, image ? cairo_surface_reference(image.get()) : nullptr};
  return image;
  XR_CATCH(nullptr)
}

long DecodedBitmapResourceCount() { return g_nDecodes.load(); }
