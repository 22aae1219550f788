// For test programs that load the plug-in modules and unload them again.
// The modules bring the drawing libraries with them; a host with a user
// interface of its own keeps those loaded, and so does a program that links
// this file. Without it, unloading the last module unloads them too, and the
// sanitizer's leak check then counts their process-wide caches as leaks.
#include <cairo.h>

namespace {
[[maybe_unused]] const int s_nCairoVersion = cairo_version();
}  // namespace
