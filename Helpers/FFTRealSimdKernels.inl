// Body of the vectorised transforms, written once over a vector type V and
// compiled once per instruction set: included by FFTRealSimdSse2.cpp and
// FFTRealSimdAvx2.cpp inside an anonymous namespace, after V is defined, so
// that no code compiled for one instruction set is shared with another. It
// calls no inline function from outside (intrinsics excepted).
//
// V provides: T (sample type), R (register), W (lanes), kLogW, kRev[W] (lane
// index with its bits reversed), load/store (unaligned), set1, add, sub, mul,
// shiftrev(p, q) = [q0, p[W-1], ..., p[1]], reverse(p) = [p[W-1], ..., p[0]],
// and transpose(r) (r[0..W-1], a W x W block of lanes, transposed in place).
//
// Every value is formed with the operands and grouping of the plain passes
// (FFTRealPassDirect.h, FFTRealPassInverse.h); only the order in which
// butterflies run and where intermediate results are kept differ.

#include "Helpers/FFTRealSimdSoa.inl"
#include "Helpers/FFTRealSimdNatural.inl"

template <class V>
struct FftSimdKernels {
  using T = typename V::T;
  using Soa = FftSimdSoa<V>;
  using Nat = FftSimdNatural<V>;
  static constexpr int W = V::W;
  static constexpr int kLogW = V::kLogW;
  // Values per depth-first chunk of the sub-array passes: a chunk stays in
  // the first-level cache (32 KiB) through its passes.
  static constexpr long kChunkValues = 32768 / static_cast<long>(sizeof(T));

  static int Log2(long v) {
    int r = 0;
    while ((1L << (r + 1)) <= v) ++r;
    return r;
  }

  // Lengths from this many bytes on run their natural-order passes in place
  // (see FFTRealSimdNatural.inl); the shorter ones stay in the first-level
  // cache, where the aligned out-of-place passes are a little faster.
  static constexpr long kInPlaceBytes = 16384;

  // Passes 1 + 2 of one chunk, reading only the first `quarters` quarters
  // of x (1..4; the others are zero).
  static void Pass12Fwd(int quarters, T* soa, const T* x, const int32_t* br, long q, long m0, long m1) {
    switch (quarters) {
      case 1: Soa::template Pass12Fwd<1>(soa, x, br, q, m0, m1); break;
      case 2: Soa::template Pass12Fwd<2>(soa, x, br, q, m0, m1); break;
      case 3: Soa::template Pass12Fwd<3>(soa, x, br, q, m0, m1); break;
      default: Soa::template Pass12Fwd<4>(soa, x, br, q, m0, m1); break;
    }
  }

  // Passes 1 .. L-1-log2(W) on the sub-arrays, in one buffer, depth-first in
  // chunks; then the transposition; then the last log2(W) passes in natural
  // order: in place in f, or alternating between the buffers so that the
  // last lands in f. Quarters `quarters` .. 3 of x are taken as zero and not
  // read.
  static void Forward(int log2_len, T* f, const T* x, T* scratch, const int32_t* br,
                      const T* tc, const T* ts, int quarters) {
    const int L = log2_len;
    const long n = 1L << L;
    const long npos = n / W;
    const int last_soa = L - 1 - kLogW;
    const bool inPlace = n * static_cast<long>(sizeof(T)) >= kInPlaceBytes;
    T* soa = (inPlace || !(kLogW & 1)) ? scratch : f;
    const long chunk = npos < kChunkValues / W ? npos : kChunkValues / W;
    int chunk_last = Log2(chunk) - 1;
    if (chunk_last > last_soa) chunk_last = last_soa;

    for (long c0 = 0; c0 < npos; c0 += chunk) {
      Pass12Fwd(quarters, soa, x, br, n / 4, c0 / 4, (c0 + chunk) / 4);
      for (int p = 3; p <= chunk_last; ++p) Soa::PassFwd(p, soa, c0, c0 + chunk, tc, ts);
    }
    for (int p = chunk_last + 1; p <= last_soa; ++p) Soa::PassFwd(p, soa, 0, npos, tc, ts);
    if (inPlace) {
      Nat::SoaToNatural(f, soa, npos);
      for (int p = L - kLogW; p <= L - 1; ++p) Nat::PassFwdInPlace(p, f, n, tc, ts);
      return;
    }
    T* src = soa == f ? scratch : f;
    T* dst = soa;
    Nat::SoaToNatural(src, soa, npos);
    for (int p = L - kLogW; p <= L - 1; ++p) {
      Nat::PassFwd(p, dst, src, n, tc, ts);
      T* t = src;
      src = dst;
      dst = t;
    }
  }

  // The mirror image: the natural-order passes from f (which stays as it
  // is) into x, which is working space until the end (in place from the
  // second pass on, or alternating with the scratch buffer); the
  // transposition into the scratch buffer; the sub-array passes there;
  // passes 2 and 1 scatter into x.
  static void Inverse(int log2_len, const T* f, T* x, T* scratch, const int32_t* br,
                      const T* tc, const T* ts) {
    const int L = log2_len;
    const long n = 1L << L;
    const long npos = n / W;
    const int last_soa = L - 1 - kLogW;
    const long chunk = npos < kChunkValues / W ? npos : kChunkValues / W;
    int chunk_last = Log2(chunk) - 1;
    if (chunk_last > last_soa) chunk_last = last_soa;

    const T* src = f;
    if (n * static_cast<long>(sizeof(T)) >= kInPlaceBytes) {
      Nat::PassInv(L - 1, x, f, n, tc, ts);
      for (int p = L - 2; p >= L - kLogW; --p) Nat::PassInvInPlace(p, x, n, tc, ts);
      src = x;
    } else {
      T* dst = (kLogW & 1) ? x : scratch;
      for (int p = L - 1; p >= L - kLogW; --p) {
        Nat::PassInv(p, dst, src, n, tc, ts);
        src = dst;
        dst = (dst == x) ? scratch : x;
      }
    }
    Nat::NaturalToSoa(scratch, src, npos);
    for (int p = last_soa; p > chunk_last; --p) Soa::PassInv(p, scratch, 0, npos, tc, ts);
    for (long c0 = 0; c0 < npos; c0 += chunk) {
      for (int p = chunk_last; p >= 3; --p) Soa::PassInv(p, scratch, c0, c0 + chunk, tc, ts);
      Soa::Pass21Inv(x, scratch, br, n / 4, c0 / 4, (c0 + chunk) / 4);
    }
  }
};
