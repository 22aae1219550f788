#include "platform/CairoHandles.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

void CairoRelease::operator()(cairo_t* cr) const noexcept { cairo_destroy(cr); }

void CairoRelease::operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }

void CairoRelease::operator()(FcPattern* pattern) const noexcept { FcPatternDestroy(pattern); }
