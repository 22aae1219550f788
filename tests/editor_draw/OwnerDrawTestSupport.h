// Doubles for the owner-drawn control tests: a test clock, a draw function
// that records its calls and paints, a layered control that paints a
// background and a foreground of given colours, and pixel read-back of
// off-screen contexts.
#pragma once

#include <cairo.h>

#include <atomic>
#include <cstdint>

#include "Helpers/Assert.h"
#include "Helpers/OwnerDrawControls.h"
#include "gui/COffscreenContext.h"

namespace drawtest {

inline std::atomic<unsigned int> g_Now{100000};  // test clock, ms; written by the test
inline unsigned int TestClock() { return g_Now.load(); }

class ClockScope {
 public:
  ClockScope() { SetTickCountSourceForTesting(TestClock); }
  ~ClockScope() { SetTickCountSourceForTesting(nullptr); }
  ClockScope(const ClockScope&) = delete;
  ClockScope& operator=(const ClockScope&) = delete;
};

inline uint32_t Word(const CColor& c) {
  return (uint32_t{c.alpha} << 24) | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) |
         uint32_t{c.blue};
}

// A copy of an off-screen context's pixels.
class Pixels {
 public:
  explicit Pixels(COffscreenContext* context) : m_pImage(context->getCairoImage()) {}
  ~Pixels() { cairo_surface_destroy(m_pImage); }
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;
  uint32_t at(long x, long y) const {
    const unsigned char* data = cairo_image_surface_get_data(m_pImage);
    const int stride = cairo_image_surface_get_stride(m_pImage);
    return reinterpret_cast<const uint32_t*>(data + y * stride)[x];
  }

 private:
  cairo_surface_t* m_pImage;
};

constexpr CColor kPaint = {200, 30, 60, 255};

// What the recording draw function saw.
struct DrawRecord {
  int calls = 0;
  CRect rect;
  COwnerDrawControl* control = nullptr;
  CDrawContext* offscreen = nullptr;
};
inline DrawRecord g_Draws;

// Records the call and paints the whole off-screen in kPaint (the direct
// fill leaves out the first row and the last column of its rectangle).
inline void RecordingDraw(const CRect& rect, COwnerDrawControl* control, CDrawContext* offscreen) {
  ++g_Draws.calls;
  g_Draws.rect = rect;
  g_Draws.control = control;
  g_Draws.offscreen = offscreen;
  offscreen->fillRect(CRect(rect.left, rect.top - 1, rect.right + 1, rect.bottom), kPaint);
}

class RecordingControl : public COwnerDrawControl {
 public:
  RecordingControl(const CRect& size, AEffGUIEditor* editor = nullptr)
      : COwnerDrawControl(size, RecordingDraw, editor, nullptr) {}
  void PostDraw(CDrawContext*) override { ++postDraws; }
  int postDraws = 0;
};

// Background: a colour over the whole layer (through ClearBackground) with
// one marker pixel; foreground: a 3 x 3 square at `square`.
class TestLayeredControl : public CLayeredOwnerDrawControl {
 public:
  TestLayeredControl(const CRect& size, AEffGUIEditor* editor = nullptr)
      : CLayeredOwnerDrawControl(size, editor, nullptr) {}

  void DoDrawBackground(CDrawContext* layer) override {
    ++backgrounds;
    ClearBackground(layer, colBackground.red, colBackground.green, colBackground.blue);
    layer->drawPoint(marker, kMarker);
  }
  void DoOwnerDrawInner(CDrawContext* offscreen) override {
    ++foregrounds;
    offscreen->fillRect(CRect(square.h, square.v - 1, square.h + 4, square.v + 3), kSquare);
  }
  // Registers as the hover hook on every move, as the displays do.
  void mouseMove(CDrawContext*, CPoint&, long) override { RegisterMouseMoveAwayInterest(); }
  void MouseMovedAway(CDrawContext*) override { ++movedAway; }

  static constexpr CColor kMarker = {255, 255, 0, 255};
  static constexpr CColor kSquare = {0, 255, 0, 255};
  CPoint marker = CPoint(1, 1);
  CPoint square = CPoint(4, 4);
  int backgrounds = 0;
  int foregrounds = 0;
  int movedAway = 0;
};

}  // namespace drawtest
