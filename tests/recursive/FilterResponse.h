// Test helpers: the frequency response of a recursive filter evaluated from
// its stored coefficients, and a stability check of its feedback part.
#pragma once

#include <cmath>
#include <complex>

// H(e^jw) = sum a[i] e^{-jwi} / (1 - sum b[j] e^{-jwj}), w in radians/sample.
template <typename Filter>
std::complex<double> ResponseAt(const Filter& f, double w) {
  std::complex<double> num = 0.0, den = 1.0;
  for (int i = 0; i <= f.GetInputOrder(); ++i) num += double(f.GetA(i)) * std::polar(1.0, -w * i);
  for (int j = 1; j <= f.GetOutputOrder(); ++j) den -= double(f.GetB(j)) * std::polar(1.0, -w * j);
  return num / den;
}

// Poles inside or on the unit circle (within `tolerance`), for feedback
// orders 1 and 2: z^2 - b1 z - b2 has its roots in the closed unit disc when
// |b2| <= 1 and |b1| <= 1 - b2.
template <typename Filter>
bool PolesInClosedUnitDisc(const Filter& f, double tolerance = 1e-6) {
  const double b1 = f.GetB(1), b2 = f.GetOutputOrder() >= 2 ? double(f.GetB(2)) : 0.0;
  return std::fabs(b2) <= 1.0 + tolerance && std::fabs(b1) <= 1.0 - b2 + tolerance;
}

template <typename Filter>
bool AllCoefsFinite(const Filter& f) {
  for (int i = 0; i <= 5; ++i)
    if (!std::isfinite(f.GetA(i)) || !std::isfinite(f.GetB(i))) return false;
  return true;
}

template <typename Filter>
struct CoefSnapshot {
  explicit CoefSnapshot(const Filter& f) {
    for (int i = 0; i <= 5; ++i) {
      a[i] = f.GetA(i);
      b[i] = f.GetB(i);
    }
  }
  bool SameAs(const Filter& f) const {
    for (int i = 0; i <= 5; ++i)
      if (!(a[i] == f.GetA(i)) || !(b[i] == f.GetB(i))) return false;
    return true;
  }
  float a[6], b[6];
};
