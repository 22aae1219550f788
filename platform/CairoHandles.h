// Owners of drawing handles for std::unique_ptr: Cairo contexts and surfaces
// and fontconfig patterns; each owner drops the one reference it holds. The
// types are only declared here, so that the toolkit's headers hold owners
// without including Cairo.
#pragma once

#include <memory>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _FcPattern FcPattern;

struct CairoRelease {
  void operator()(cairo_t* cr) const noexcept;
  void operator()(cairo_surface_t* surface) const noexcept;
  void operator()(FcPattern* pattern) const noexcept;
};

using CairoPtr = std::unique_ptr<cairo_t, CairoRelease>;
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoRelease>;
using FcPatternPtr = std::unique_ptr<FcPattern, CairoRelease>;
