#include "Helpers/OffscreenScroll.h"

#include <cairo.h>

#include "Helpers/Assert.h"
#include "gui/COffscreenContext.h"
#include "platform/CairoHandles.h"

XR_REGISTER_SOURCE_FILE("Helpers/OffscreenScroll");

void ScrollOffscreenDown(COffscreenContext* offscreen, long top, long bottom, long rows) {
  XR_TRY
  if (!offscreen || rows <= 0 || top + rows >= bottom) return;
  // A copy of the image as the source: Cairo does not promise a correct
  // result for a surface painted onto itself.
  const CairoSurfacePtr copy(offscreen->getCairoImage());
  if (!copy) return;
  if (cairo_t* cr = offscreen->beginCairo()) {
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, static_cast<double>(top + rows),
                    static_cast<double>(offscreen->getWidth()),
                    static_cast<double>(bottom - top - rows));
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, copy.get(), 0, static_cast<double>(rows));
    cairo_paint(cr);
    offscreen->releaseCairo(cr);
  }
  XR_CATCH_VOID
}
