#include "gui/BitmapResources.h"

#include <map>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/BitmapResources");

namespace {

// Built on first use, so that registrations from static initialisers of any
// object file find it ready.
std::map<long, CEmbeddedBitmap>& Registry() {
  static std::map<long, CEmbeddedBitmap> registry;
  return registry;
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
