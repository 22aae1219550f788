#include "gui/BitmapResources.h"

#include <cairo.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/BitmapResources");

namespace {

// Built on first use, so that registrations from static initialisers of any
// object file find it ready.
std::map<long, CEmbeddedBitmap>& Registry() {
  static std::map<long, CEmbeddedBitmap> registry;
  return registry;
}

// The decoded images by their bytes (an id registered again with other bytes
// decodes anew); null for bytes that did not decode. Never destroyed: an
// editor's thread may still draw while the process exits.
struct CDecodedImages {
  std::mutex mutex;
  std::map<const unsigned char*, cairo_surface_t*> images;
};
CDecodedImages& DecodedImages() {
  static CDecodedImages* const decoded = new CDecodedImages;
  return *decoded;
}
std::atomic<long> g_nDecodes{0};

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
  for (std::size_t i = 0; i < count; ++i) Registry()[table[i].id] = table[i];
}

const CEmbeddedBitmap* FindBitmapResource(long id) {
  const auto& registry = Registry();
  const auto it = registry.find(id);
  return it == registry.end() ? nullptr : &it->second;
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

cairo_surface_t* DecodedBitmapResource(const CEmbeddedBitmap& resource) {
  XR_TRY
  CDecodedImages& decoded = DecodedImages();
  const std::lock_guard<std::mutex> hold(decoded.mutex);
  const auto found = decoded.images.find(resource.data);
  if (found != decoded.images.end()) return found->second;
  cairo_surface_t*& image = decoded.images[resource.data];
  g_nDecodes.fetch_add(1);
  image = DecodePng(resource.data, resource.size).release();
  return image;
  XR_CATCH(nullptr)
}

long DecodedBitmapResourceCount() { return g_nDecodes.load(); }
