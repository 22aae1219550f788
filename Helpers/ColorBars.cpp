// Smooth colour bars: one colour per pixel row (or column), painted in runs
// of equal colour so that a bar costs one fill per colour change.
#include "Helpers/Assert.h"
#include "Helpers/ColorModel.h"
#include "gui/CDrawContext.h"

XR_REGISTER_SOURCE_FILE("Helpers/ColorBars");

// fillRect(CRect, CColor) on pixel memory leaves out the first row and the
// last column of the rectangle it is given, so each run's rectangle starts
// one row higher and ends one column further right than the run's pixels.

void DrawSmoothColourBarVert(CDrawContext* ctx, CRect rect, const ColorBoundary* list, float min,
                             float max) {
  XR_TRY
  const long height = rect.bottom - rect.top;
  if (!ctx || !list || height <= 0 || rect.right <= rect.left) return;
  const float step = (max - min) / static_cast<float>(height);
  // Row i counts up from the bottom row of the rectangle.
  auto paint = [&](long first, long last, CColor colour) {
    ctx->fillRect(CRect(rect.left, rect.bottom - 2 - last, rect.right + 1, rect.bottom - first),
                  colour);
  };
  long runStart = 0;
  CColor runColour = GetColorForLevel(min, list);
  for (long i = 1; i < height; ++i) {
    const CColor colour = GetColorForLevel(min + static_cast<float>(i) * step, list);
    if (colour == runColour) continue;
    paint(runStart, i - 1, runColour);
    runStart = i;
    runColour = colour;
  }
  paint(runStart, height - 1, runColour);
  XR_CATCH_VOID
}

void DrawSmoothColourBarHoriz(CDrawContext* ctx, CRect rect, const ColorBoundary* list,
                              float min, float max) {
  XR_TRY
  const long width = rect.right - rect.left;
  if (!ctx || !list || width <= 0 || rect.bottom <= rect.top) return;
  const float step = (max - min) / static_cast<float>(width);
  // Column i counts from the left column of the rectangle.
  auto paint = [&](long first, long last, CColor colour) {
    ctx->fillRect(CRect(rect.left + first, rect.top - 1, rect.left + last + 2, rect.bottom),
                  colour);
  };
  long runStart = 0;
  CColor runColour = GetColorForLevel(min, list);
  for (long i = 1; i < width; ++i) {
    const CColor colour = GetColorForLevel(min + static_cast<float>(i) * step, list);
    if (colour == runColour) continue;
    paint(runStart, i - 1, runColour);
    runStart = i;
    runColour = colour;
  }
  paint(runStart, width - 1, runColour);
  XR_CATCH_VOID
}
