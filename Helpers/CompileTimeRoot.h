// The n-th root of a > 0 by Newton's method in double, for the band tables
// that are built at compile time.
#pragma once

constexpr double CompileTimeRoot(double a, int n) {
  double x = a > 1.0 ? a : 1.0;
  for (int i = 0; i < 200; ++i) {
    double p = 1.0;
    for (int k = 0; k < n - 1; ++k) p *= x;
    x = ((n - 1) * x + a / p) / n;
  }
  return x;
}
