// CDrawContext: the drawing surface handed to every view. It wraps one Cairo
// context and offers integer-pixel drawing (lines, polygons, rectangles,
// ellipses, arcs, text in the toolkit's fonts), clipping, colours and line
// attributes, plus the mouse state.
//
// Coordinates: integer pixels, y growing downward, origin at the context's
// top-left. Every primitive adds the context's offset to the coordinates it
// receives; the clip rectangle is stored with the offset already applied.
//
// Making one: wrap any Cairo context, e.g. one on an image surface:
//   cairo_t* cr = cairo_create(surface);
//   CDrawContext* context = new CDrawContext(frame /* or null */, cr, window);
//   cairo_destroy(cr);   // the drawing context keeps its own reference
//   ... draw ...
//   context->forget();   // flushes, restores the Cairo state it changed
// Without a Cairo context, a context on a frame's window asks the frame for
// its window surface (CFrame::getWindowSurface). A context with neither draws
// nothing; its setters still store their values.
//
// Every primitive draws through a bracket: beginCairo() saves the Cairo state
// and applies the clip, releaseCairo() restores it, so no primitive leaves
// Cairo state behind. Attributes live in this object and are applied by each
// bracket.
//
// Pixel memory: an off-screen context (COffscreenContext) exposes its image
// memory, which fillRect, drawPoint, drawGraphPolyLine and drawGraphPolyPoint
// write directly; contexts on windows always go through Cairo.
//
// Thread contract: user-interface thread only; nothing here locks. A view
// must not keep the context it is handed.
#pragma once

#include <cstdint>

#include "gui/CReferenceCounter.h"
#include "gui/GuiTypes.h"
#include "platform/CairoHandles.h"

class CFrame;

// Both switches are per thread: each editor draws on its own thread, and a
// switch set there must reach only that thread's next drawing, never another
// editor's in the same host.
// When false, fillRect(const CRect&) on an off-screen context goes through
// Cairo instead of writing pixels. True on every thread at first; the
// owner-draw idle clears it around a frame idle it runs.
extern thread_local bool g_bCanDoPntFillRectQuartzOptimisations;
// One-shot: the next drawString that draws on this thread renders without
// anti-aliasing and clears the flag. Set by the analyser labels just before.
extern thread_local bool g_bVSTGUINextTextNotAntiAlias;

class CDrawContext : public CReferenceCounter {
 public:
  // systemContext: a cairo_t* to draw into, or null. window: the host window
  // handle (opaque here), or null.
  CDrawContext(CFrame* frame, void* systemContext, void* window);
  ~CDrawContext() override;

  // Flushes pending drawing before dropping the reference.
  void forget() override;
  // A new reference to an image of the context's pixels, or null (the caller
  // destroys it with cairo_surface_destroy). Null for window contexts.
  virtual cairo_surface_t* getCairoImage();
  // The surface this context draws into, for copies between contexts
  // (borrowed; pair with releaseBitmap), or null.
  virtual cairo_surface_t* getBitmap();
  virtual void releaseBitmap();
  // The host window handle, or null.
  virtual void* getPort();

  // The Cairo context ready to draw (state saved, clip applied, y down), or
  // null when there is none; pair every non-null result with releaseCairo.
  cairo_t* beginCairo();
  void releaseCairo(cairo_t* cr);
  // Flushes drawing to the surface (and tells the frame when it drew into
  // its window) when a primitive drew since the last flush.
  void synchronizeCairo();
  bool needsSynchronize() const { return bNeedsSynchronize; }
  // The wrapped Cairo context, or null.
  cairo_t* getCairo() const { return pCairo.get(); }

  // Attributes. Each stores its value; brackets apply them.
  void setLineStyle(CLineStyle style) { lineStyle = style; }
  CLineStyle getLineStyle() const { return lineStyle; }
  void setLineWidth(long width);
  long getLineWidth() const { return frameWidth; }
  void setDrawMode(CDrawMode mode);
  CDrawMode getDrawMode() const { return drawMode; }
  void setFrameColor(const CColor color);
  CColor getFrameColor() const { return frameColor; }
  void setFillColor(const CColor color);
  CColor getFillColor() const { return fillColor; }
  void setFontColor(const CColor color) { fontColor = color; }
  CColor getFontColor() const { return fontColor; }
  // Font id (>= 8 means 0), size in points (0: the id's standard size) and
  // face bits (CTxtFace).
  void setFont(CFont fontID, const long size = 0, long style = 0);
  CFont getFont() const { return fontId; }
  long getFontSize() const { return fontSize; }
  long getFontStyle() const { return fontStyle; }

  // Stores clip + offset. getClipRect returns the clip in the current
  // coordinates (without the offset). resetClipRect: the frame's size, or
  // (0, 0, 1000, 1000) without a frame.
  void setClipRect(const CRect& clip);
  CRect& getClipRect(CRect& clip) const;
  void resetClipRect();

  // Offsets: offset is added to every coordinate a primitive receives; the
  // screen offset is subtracted from mouse positions. Containers move both.
  void setOffset(const CPoint& p) { offset = p; }
  const CPoint& getOffset() const { return offset; }
  void setScreenOffset(const CPoint& p) { offsetScreen = p; }
  const CPoint& getScreenOffset() const { return offsetScreen; }

  CFrame* getFrame() const { return pFrame; }
  void* getWindow() const { return pWindow; }

  // Reading back pixels is not supported: black whatever the point.
  CColor getPoint(const CPoint& point);
  void floodFill(const CPoint& start);

  // Pen and lines.
  void moveTo(const CPoint& point);
  void lineTo(const CPoint& point);
  const CPoint& getPenPosition() const { return penLoc; }
  // points holds nbLines pairs (start, end).
  void drawLines(const CPoint* points, const long& nbLines);
  // Open path through the points (each x shifted left by one).
  void drawPolygon(const CPoint* points, long nbPoints, const CDrawStyle drawStyle = kStyleStroked);
  void polyLine(const CPoint* points, long nbPoints);
  void fillPolygon(const CPoint* points, long nbPoints);

  // Rectangles: drawRect traces (l, t+1) (r-1, t+1) (r-1, b) (l, b) closed;
  // fillRect leaves the last column and row unfilled.
  void drawRect(const CRect& rect, const CDrawStyle drawStyle = kStyleStroked);
  void fillRect(const CRect& rect);
  // Direct fill with an explicit colour; off-screen: without the offset,
  // columns left..right-2, rows top+1..bottom-1.
  void fillRect(const CRect& rect, CColor color);

  void drawEllipse(const CRect& rect, const CDrawStyle drawStyle = kStyleStroked);
  void fillEllipse(const CRect& rect);
  // Arcs between the angles of two points seen from the rectangle's centre.
  void drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2);
  // Angles in degrees, counter-clockwise from the positive x axis.
  void drawArc(const CRect& rect, const float startAngle1, const float endAngle2,
               const CDrawStyle drawStyle = kStyleStroked);
  // Filled chord (not a pie) between the two points' angles.
  void fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2);

  // Single pixel (off-screen: as passed, without the offset).
  void drawPoint(const CPoint& point, CColor color);
  // Traces for graphs: count points whose x values step by one pixel from the
  // first point's x; off-screen contexts write them directly as vertical runs
  // (PolyLine) or single pixels (PolyPoint).
  void drawGraphPolyLine(CPoint* points, CColor color, int count);
  void drawGraphPolyPoint(CPoint* points, CColor color, int count);

  // Text width in pixels in the current font; 0 without a Cairo context.
  long getStringWidth(const char* text);
  // Draws text in the font colour, vertically centred on the rectangle by the
  // font size; the opaque flag is not used.
  void drawString(const char* text, const CRect& rect, const short opaque = 0,
                  const CHoriTxtAlign hAlign = kAlignCenter);

  // Mouse state from the frame's window as it is now: button word
  // (CButtonState) and position in the context's coordinates. Handlers take
  // both from their event; these serve callers without one.
  long getMouseButtons();
  void getMouseLocation(CPoint& point);

 protected:
  // Image memory that the direct writers use: 32-bit premultiplied ARGB
  // words, strideWords per row. Set only by off-screen contexts.
  struct PixelMemory {
    uint32_t* pixels = nullptr;
    long width = 0;
    long height = 0;
    long strideWords = 0;
  };
  // Installs the Cairo context that an off-screen context creates after base
  // construction; the context then draws anti-aliased until setDrawMode
  // changes the mode, as a fresh bitmap context does.
  void attachCairo(CairoPtr cr);
  void detachCairo();
  // Flushes pending Cairo drawing before direct writes; marks the memory
  // changed afterwards.
  void beginDirectWrite();
  void endDirectWrite();

  CPoint offsetScreen;
  CPoint offset;
  void* pSystemContext = nullptr;
  void* pWindow = nullptr;
  CFrame* pFrame = nullptr;
  long fontSize = -1;
  long fontStyle = 0;
  CFont fontId = kNumFonts;
  CColor fontColor = {0, 0, 0, 0};
  CPoint penLoc;
  long frameWidth = 0;
  CColor frameColor = {0, 0, 0, 0};
  CColor fillColor = {0, 0, 0, 0};
  CLineStyle lineStyle = kLineStyleDash;
  CDrawMode drawMode = kDrawAntialiased;
  CRect clipRect;
  CairoPtr pCairo;  // one reference held
  bool bNeedsSynchronize = false;
  PixelMemory pixelMemory;

 private:
  friend class CDrawContextPainter;

  // rect already carries the offset.
  void fillRectThroughCairo(const CRect& rect);

  bool bAntialiasApplied = false;  // the mode Cairo draws shapes in
  bool bDrawsIntoWindow = false;   // registered with the frame; flushes reported to it
};
