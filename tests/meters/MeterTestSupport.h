// Doubles for the meter and scope tests: a meter on a container drawn into a
// headless surface, test blocks of audio, and pixel read-back of the
// control's off-screen.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "editor_draw/OwnerDrawTestSupport.h"
#include "gui/CViewContainer.h"
#include "gui/GuiTestSupport.h"

namespace metertest {

// The product editor's meter: its rectangle and label strip.
constexpr CRect kProductRect(504, 35, 547, 263);  // 43 x 228
constexpr int kProductStrip = 12;

// Amplitude of a level in dB.
inline float Amp(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

// A square wave of amplitude a: peak a, RMS a.
inline std::vector<float> Square(int n, float a) {
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = (i % 2) ? -a : a;
  return v;
}

// Zone colours distinct from every other colour the meter paints.
constexpr CColor kGreen = {10, 200, 30, 255};
constexpr CColor kYellow = {230, 220, 40, 255};
constexpr CColor kRed = {240, 20, 20, 255};

// The configuration the product editor applies after construction: one solid
// peak bar per channel in the user's colours, no scale drag.
inline void ConfigureAsProduct(CLevelMeter& m, bool midSide) {
  m.SetVolScale(eVS_DigitalFS);
  m.SetVolScale(midSide ? eVS_MSDig : eVS_DigitalFS);
  m.eBarStyle = eBS_Solid;
  m.SetNonStandard();
  m.bScaleDragEnabled = false;
  m.SetColRed(kRed);
  m.SetColYellow(kYellow);
  m.SetColGreen(kGreen);
  m.fPeakRise = 0.0f;
  m.fPeakFall = 0.84f;
}

// A meter on a container, drawn into a surface; pixels are read from the
// meter's own off-screen.
class MeterOnSurface {
 public:
  explicit MeterOnSurface(const CRect& rect = kProductRect, int strip = kProductStrip,
                          CControlListener* listener = nullptr) {
    container = new CViewContainer(CRect(0, 0, 600, 300), nullptr, nullptr);
    meter = new CLevelMeter(rect, strip, nullptr, listener);
    container->addView(meter);
  }
  ~MeterOnSurface() { container->forget(); }
  MeterOnSurface(const MeterOnSurface&) = delete;
  MeterOnSurface& operator=(const MeterOnSurface&) = delete;

  void Feed(const std::vector<float>& left, const std::vector<float>& right) {
    meter->StoreValues(left.data(), right.data(), static_cast<int>(left.size()));
  }
  void Feed(const std::vector<float>& both) { Feed(both, both); }
  void Draw() { meter->draw(screen.context()); }
  uint32_t At(long x, long y) { return drawtest::Pixels(meter->pOffscreen).at(x, y); }

  TestSurface screen{600, 300};
  CViewContainer* container = nullptr;
  CLevelMeter* meter = nullptr;
};

using drawtest::Word;

}  // namespace metertest
