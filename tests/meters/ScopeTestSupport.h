// Doubles for the scope tests: a scope on a container drawn into a headless
// surface, and test signals.
#pragma once

#include <cmath>
#include <vector>

#include "editor_draw/OwnerDrawTestSupport.h"
#include "gui/CViewContainer.h"
#include "gui/GuiTestSupport.h"

namespace scopetest {

constexpr double kTwoPi = 6.283185307179586;

// a sin(2 pi (i + phase) / period), i = 0 .. n - 1.
inline std::vector<float> Sine(int n, double period, float a, double phase = 0.0) {
  std::vector<float> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    v[static_cast<size_t>(i)] = a * static_cast<float>(std::sin(kTwoPi * (i + phase) / period));
  return v;
}

inline std::vector<float> Negated(std::vector<float> v) {
  for (float& x : v) x = -x;
  return v;
}

// A control of type T on a container, drawn into a surface.
template <typename T>
class ScopeOnSurface {
 public:
  explicit ScopeOnSurface(const CRect& rect) {
    container =
        new CViewContainer(CRect(0, 0, rect.right + 10, rect.bottom + 10), nullptr, nullptr);
    scope = new T(rect, nullptr, nullptr);
    container->addView(scope);
  }
  ~ScopeOnSurface() { container->forget(); }
  ScopeOnSurface(const ScopeOnSurface&) = delete;
  ScopeOnSurface& operator=(const ScopeOnSurface&) = delete;

  void Feed(const std::vector<float>& left, const std::vector<float>& right) {
    scope->StoreValues(left.data(), right.data(), static_cast<int>(left.size()));
  }
  void Draw() { scope->draw(screen.context()); }
  uint32_t At(long x, long y) { return drawtest::Pixels(scope->pOffscreen).at(x, y); }

  TestSurface screen{400, 300};
  CViewContainer* container = nullptr;
  T* scope = nullptr;
};

using drawtest::Word;

}  // namespace scopetest
