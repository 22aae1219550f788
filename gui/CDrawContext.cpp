// The drawing context's life, bracket, attributes, clip and mouse state.
// Shapes, text and direct pixel writes are in CDrawContextShapes.cpp,
// CDrawContextText.cpp and CDrawContextPixels.cpp.
#include "gui/CDrawContext.h"

#include "Helpers/Assert.h"
#include "gui/CDrawContextPainter.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("gui/CDrawContext");

thread_local bool g_bCanDoPntFillRectQuartzOptimisations = true;
thread_local bool g_bVSTGUINextTextNotAntiAlias = false;

CDrawContext::CDrawContext(CFrame* frame, void* systemContext, void* window)
    : pSystemContext(systemContext), pWindow(window), pFrame(frame) {
  if (pFrame) {
    pFrame->getViewSize(clipRect);
    clipRect.normalize();
  } else {
    clipRect = CRect(0, 0, 1000, 1000);
  }

  if (systemContext) {
    pCairo.reset(cairo_reference(static_cast<cairo_t*>(systemContext)));
  } else if (pFrame && pWindow) {
    cairo_surface_t* surface = pFrame->getWindowSurface();
    if (surface) {
      pCairo.reset(cairo_create(surface));
      if (cairo_status(pCairo.get()) != CAIRO_STATUS_SUCCESS) pCairo.reset();
    }
  }

  if (pCairo) {
    // Two saves, undone by the destructor, so that the caller's Cairo state
    // comes back unchanged.
    cairo_save(pCairo.get());
    cairo_save(pCairo.get());
    setClipRect(clipRect);
    bDrawsIntoWindow = pFrame != nullptr;
    if (pFrame) pFrame->setCurrentDrawContext(this);
  }

  frameColor = kWhiteCColor;
  lineStyle = kLineStyleSolid;
  frameWidth = 1;
  fillColor = kBlackCColor;
  fontColor = kWhiteCColor;
  setFont(kFontSystem);
  drawMode = kDrawAliased;
  bAntialiasApplied = false;
}

CDrawContext::~CDrawContext() {
  if (pCairo) {
    cairo_restore(pCairo.get());
    cairo_restore(pCairo.get());
    synchronizeCairo();
    cairo_surface_flush(cairo_get_target(pCairo.get()));
    pCairo.reset();
  }
  // Only window contexts register; off-screen contexts may outlive the
  // frame's own destruction and never touch it here.
  if (bDrawsIntoWindow && pFrame->getCurrentDrawContext() == this)
    pFrame->setCurrentDrawContext(nullptr);
}

void CDrawContext::attachCairo(CairoPtr cr) {
  pCairo = std::move(cr);
  cairo_save(pCairo.get());
  // A fresh Cairo context draws anti-aliased until the mode is changed.
  bAntialiasApplied = true;
}

void CDrawContext::detachCairo() {
  if (!pCairo) return;
  cairo_restore(pCairo.get());
  cairo_surface_flush(cairo_get_target(pCairo.get()));
  pCairo.reset();
  pixelMemory = PixelMemory();
}

void CDrawContext::forget() {
  synchronizeCairo();
  CReferenceCounter::forget();
}

cairo_surface_t* CDrawContext::getCairoImage() { return nullptr; }

cairo_surface_t* CDrawContext::getBitmap() { return pCairo ? cairo_get_target(pCairo.get()) : nullptr; }

void CDrawContext::releaseBitmap() {}

void* CDrawContext::getPort() { return pWindow; }

cairo_t* CDrawContext::beginCairo() {
  XR_TRY
  if (!pCairo) return nullptr;
  cairo_t* cr = cairo_reference(pCairo.get());
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, clipRect.left, clipRect.top, clipRect.width(), clipRect.height());
  cairo_clip(cr);
  CDrawContextPainter::applyAntialias(*this, cr);
  return cr;
  XR_CATCH(nullptr)
}

void CDrawContext::releaseCairo(cairo_t* cr) {
  XR_TRY
  if (!cr) return;
  cairo_restore(cr);
  bNeedsSynchronize = true;
  cairo_destroy(cr);
  XR_CATCH_VOID
}

void CDrawContext::synchronizeCairo() {
  if (!bNeedsSynchronize) return;
  bNeedsSynchronize = false;
  if (!pCairo) return;
  cairo_surface_flush(cairo_get_target(pCairo.get()));
  if (bDrawsIntoWindow && pFrame) pFrame->windowSurfaceChanged();
}

void CDrawContext::beginDirectWrite() {
  if (pCairo) cairo_surface_flush(cairo_get_target(pCairo.get()));
}

void CDrawContext::endDirectWrite() {
  if (pCairo) cairo_surface_mark_dirty(cairo_get_target(pCairo.get()));
  bNeedsSynchronize = true;
}

void CDrawContext::setLineWidth(long width) { frameWidth = width; }

void CDrawContext::setDrawMode(CDrawMode mode) {
  if (mode == drawMode) return;
  drawMode = mode;
  if (pCairo) bAntialiasApplied = mode == kDrawAntialiased;
}

void CDrawContext::setFrameColor(const CColor color) { frameColor = color; }

void CDrawContext::setFillColor(const CColor color) {
  XR_TRY
  fillColor = color;
  XR_CATCH_VOID
}

void CDrawContext::setFont(CFont fontID, const long size, long style) {
  if (fontID < 0 || fontID >= kNumFonts) fontID = kFontSystem;
  const long points = size == 0 ? gStandardFontSize[fontID] : size;
  if (fontID == fontId && points == fontSize && style == fontStyle) return;
  fontId = fontID;
  fontSize = points;
  fontStyle = style;
}

void CDrawContext::setClipRect(const CRect& clip) {
  clipRect = clip;
  clipRect.offset(offset.h, offset.v);
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
  clip = clipRect;
  clip.offset(-offset.h, -offset.v);
  return clip;
}

void CDrawContext::resetClipRect() {
  if (pFrame)
    pFrame->getViewSize(clipRect);
  else
    clipRect = CRect(0, 0, 1000, 1000);
}

CColor CDrawContext::getPoint(const CPoint&) { return kBlackCColor; }

void CDrawContext::floodFill(const CPoint&) {}

long CDrawContext::getMouseButtons() {
  CPoint where;
  long buttons = 0;
  if (!pFrame || !pFrame->getPointerState(where, buttons)) return 0;
  if ((buttons & kMouseLeft) && (buttons & kModifierControl))
    buttons = (buttons & ~(kMouseLeft | kModifierControl)) | kMouseRight;
  return buttons;
}

void CDrawContext::getMouseLocation(CPoint& point) {
  CPoint where;
  long buttons = 0;
  if (!pFrame || !pFrame->getPointerState(where, buttons)) return;
  CRect frameSize;
  pFrame->getViewSize(frameSize);
  point = CPoint(where.h + frameSize.left - offsetScreen.h, where.v + frameSize.top - offsetScreen.v);
}
