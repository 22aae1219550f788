// The plain forms of SampleLoops.h, in the arithmetic that both forms share.
// Included by SampleLoops.cpp (for the plain path and for the tails the
// vector path leaves) and by SampleLoopsAvx2.cpp, inside a namespace.

template <typename T>
void PlainScaleInto(T* out, const T* y, T scale, int n) {
  for (int i = 0; i < n; ++i) out[i] = y[i] * scale;
}

template <typename T>
void PlainScaleAddInto(T* out, const T* y, T scale, const T* add, int n) {
  for (int i = 0; i < n; ++i) out[i] = y[i] * scale + add[i];
}

template <typename T>
void PlainBinPowers(double* to, const T* re, const T* im, int n, const double* previous) {
  for (int k = 0; k < n; ++k) {
    const double power = static_cast<double>(re[k] * re[k] + im[k] * im[k]);
    to[k] = previous != nullptr ? (power < previous[k] ? previous[k] : power) : power;
  }
}
