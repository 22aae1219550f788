// Window functions over n + 1 points, and the cache that keeps one window's
// values for reuse.
//
// Thread contract: ApplyWindow and WindowCache::Prepare allocate when the
// cache does not yet hold the requested window, so they run on the idle side
// unless the cache was prepared beforehand; with a prepared cache (or none)
// ApplyWindow allocates nothing and may run on any thread. A cache is used by
// one thread at a time.
#pragma once

enum EWindowType : int {
  eWindowRectangle = 0,
  eWindowHamming = 1,
  eWindowHann = 2,
  eWindowBlackman = 3,
  eWindowBlackmanHarris = 4,
};
constexpr int kWindowTypeCount = 5;

// Display names by EWindowType: "Rectangle", "Hamming", "Hann", "Blackman",
// "Blackman-Harris".
extern const char* const c_pszFftWindowName[kWindowTypeCount];

inline bool IsKnownWindowType(int type) { return type >= 0 && type < kWindowTypeCount; }

// The values of one window (n + 1 of them), its n and its type. An empty
// cache has no values, size 0 and type 0. It owns its values.
template <typename FTYPE>
struct WindowCache {
  FTYPE* m_pValues = nullptr;
  int m_nSize = 0;
  EWindowType m_eType = eWindowRectangle;

  WindowCache() = default;
  ~WindowCache() { Free(); }
  WindowCache(const WindowCache&) = delete;
  WindowCache& operator=(const WindowCache&) = delete;

  // Frees the old values, stores n and allocates n + 1 values (not
  // initialised). On failure (n < 0, no memory) the cache is left empty and
  // std::bad_alloc or std::invalid_argument is thrown.
  void Allocate(int n);
  void Free();
  bool Holds(int n, EWindowType type) const {
    return m_pValues != nullptr && m_nSize == n && m_eType == type;
  }
  // Makes the cache hold the window of type over n + 1 points, computing it
  // only when it does not already. False (cache untouched) for an unknown
  // type or a negative n.
  bool Prepare(int n, EWindowType type);
};

template <typename FTYPE>
class FFT {
 public:
  // Multiplies samples 0..n (n + 1 of them) by the window of that type, using
  // and refreshing the cache when one is given. A window over one point
  // (n = 0) is 1. An unknown type or a negative n leaves the samples and the
  // cache untouched. When the cache cannot be filled (no memory) the samples
  // stay untouched and the failure goes to HandleException; a caller that
  // must know checks WindowCache::Holds afterwards.
  static void ApplyWindow(FTYPE* samples, int n, EWindowType type, WindowCache<FTYPE>* cache);

  // The window value at point i of n + 1, as ApplyWindow uses it.
  static FTYPE WindowValue(int i, int n, EWindowType type);
};

extern template struct WindowCache<float>;
extern template struct WindowCache<double>;
extern template class FFT<float>;
extern template class FFT<double>;
