// Vectorised passes on W interleaved sub-arrays: position p is the vector at
// T index p * W, and lane l holds position p of sub-array kRev[l] (natural
// index kRev[l] * N/W + p). Every pass whose blocks fit in one sub-array runs
// here with one butterfly per vector and a broadcast twiddle, the same for
// all lanes. Included by FFTRealSimdKernels.inl.
//
// The passes from 3 on work in place: butterflies i and d-i read and write
// the same eight positions, so one buffer suffices and the depth-first
// chunks stay in cache.

template <class V>
struct FftSimdSoa {
  using T = typename V::T;
  using R = typename V::R;
  static constexpr int W = V::W;

  static R Ld(const T* base, long pos) { return V::load(base + pos * W); }
  static void St(T* base, long pos, R v) { V::store(base + pos * W, v); }

  // ---- forward -----------------------------------------------------------

  // Pass 1 of one quadruple: lane l of the contiguous load at br[m] + k*q is
  // sample a_k of quadruple kRev[l] * N/(4W) + m. Sample a_k lies in quarter
  // k of the input; the quarters from kQuarters on are zero and are not
  // read: the butterflies take a zero register instead, so every value is
  // formed as from zeros in memory.
  template <int kQuarters>
  static void Pass1Fwd(const T* xr, long q, R& o0, R& o1, R& o2, R& o3) {
    const R zero = V::set1(T(0));
    const R a0 = V::load(xr);
    const R a1 = kQuarters > 1 ? V::load(xr + q) : zero;
    const R a2 = kQuarters > 2 ? V::load(xr + 2 * q) : zero;
    const R a3 = kQuarters > 3 ? V::load(xr + 3 * q) : zero;
    const R s02 = V::add(a0, a2);
    const R s13 = V::add(a1, a3);
    o0 = V::add(s02, s13);
    o1 = V::sub(a0, a2);
    o2 = V::sub(s02, s13);
    o3 = V::sub(a1, a3);
  }

  // Passes 1 and 2 for the quadruples m in [m0, m1), a power-of-two range
  // aligned to its size, from the samples into buf. Each pass-2 block is two
  // quadruples. The quadruples are taken in bit-reversed order within the
  // range, so that the sample reads ascend at a constant stride (which the
  // processor can prefetch) and the scattered writes stay in the chunk. Only
  // the first kQuarters quarters of the samples are read (see Pass1Fwd).
  template <int kQuarters>
  static void Pass12Fwd(T* buf, const T* x, const int32_t* br, long q, long m0, long m1) {
    const R h = V::set1(kFftSqrtHalf<T>);
    const long half = (m1 - m0) / 2;
    int shift = 0;
    while (((m1 - m0) << shift) < q / W) ++shift;
    for (long t = 0; t < half; ++t) {
      const long m = m0 + (br[t << shift] >> V::kLogW);
      R i0, i1, i2, i3, i4, i5, i6, i7;
      Pass1Fwd<kQuarters>(x + br[m], q, i0, i1, i2, i3);
      Pass1Fwd<kQuarters>(x + br[m + 1], q, i4, i5, i6, i7);
      T* out = buf + 4 * m * W;
      St(out, 0, V::add(i0, i4));
      St(out, 4, V::sub(i0, i4));
      St(out, 2, i2);
      St(out, 6, i6);
      R v = V::mul(V::sub(i5, i7), h);
      St(out, 1, V::add(i1, v));
      St(out, 3, V::sub(i1, v));
      v = V::mul(V::add(i5, i7), h);
      St(out, 5, V::add(v, i3));
      St(out, 7, V::sub(v, i3));
    }
  }

  // Butterfly i of a forward pass; inputs already loaded.
  template <long d>
  static void ButterflyFwd(T* io, long i, R a, R bb, R e, R g, R c, R s) {
    const R v1 = V::sub(V::mul(e, c), V::mul(g, s));
    St(io, i, V::add(a, v1));
    St(io, 2 * d - i, V::sub(a, v1));
    const R v2 = V::add(V::mul(e, s), V::mul(g, c));
    St(io, 2 * d + i, V::add(v2, bb));
    St(io, 4 * d - i, V::sub(v2, bb));
  }

  template <int P>
  static void PassFwd(T* buf, long p0, long p1, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = p0; b < p1; b += 4 * d) {
      T* io = buf + b * W;
      const R x0 = Ld(io, 0), x2d = Ld(io, 2 * d);
      St(io, 0, V::add(x0, x2d));
      St(io, 2 * d, V::sub(x0, x2d));
      for (long i = 1; i < d / 2; ++i) {
        const long j = d - i;
        const R ai = Ld(io, i), bi = Ld(io, d + i), ei = Ld(io, 2 * d + i), gi = Ld(io, 3 * d + i);
        const R aj = Ld(io, j), bj = Ld(io, d + j), ej = Ld(io, 2 * d + j), gj = Ld(io, 3 * d + j);
        ButterflyFwd<d>(io, i, ai, bi, ei, gi, V::set1(twc[i]), V::set1(tws[i]));
        ButterflyFwd<d>(io, j, aj, bj, ej, gj, V::set1(twc[j]), V::set1(tws[j]));
      }
      constexpr long m = d / 2;
      ButterflyFwd<d>(io, m, Ld(io, m), Ld(io, d + m), Ld(io, 2 * d + m), Ld(io, 3 * d + m),
                      V::set1(twc[m]), V::set1(tws[m]));
    }
  }

  // ---- inverse -----------------------------------------------------------

  template <long d>
  static void ButterflyInv(T* io, long i, R a, R mb, R e, R md, R c, R s) {
    St(io, i, V::add(a, mb));
    St(io, d + i, V::sub(e, md));
    const R vr = V::sub(a, mb);
    const R vi = V::add(e, md);
    St(io, 2 * d + i, V::add(V::mul(vr, c), V::mul(vi, s)));
    St(io, 3 * d + i, V::sub(V::mul(vi, c), V::mul(vr, s)));
  }

  template <int P>
  static void PassInv(T* buf, long p0, long p1, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = p0; b < p1; b += 4 * d) {
      T* io = buf + b * W;
      const R x0 = Ld(io, 0), xd = Ld(io, d), x2d = Ld(io, 2 * d), x3d = Ld(io, 3 * d);
      St(io, 0, V::add(x0, x2d));
      St(io, 2 * d, V::sub(x0, x2d));
      St(io, d, V::add(xd, xd));
      St(io, 3 * d, V::add(x3d, x3d));
      for (long i = 1; i < d / 2; ++i) {
        const long j = d - i;
        const R ai = Ld(io, i), mbi = Ld(io, 2 * d - i), ei = Ld(io, 2 * d + i), mdi = Ld(io, 4 * d - i);
        const R aj = Ld(io, j), mbj = Ld(io, 2 * d - j), ej = Ld(io, 2 * d + j), mdj = Ld(io, 4 * d - j);
        ButterflyInv<d>(io, i, ai, mbi, ei, mdi, V::set1(twc[i]), V::set1(tws[i]));
        ButterflyInv<d>(io, j, aj, mbj, ej, mdj, V::set1(twc[j]), V::set1(tws[j]));
      }
      constexpr long m = d / 2;
      ButterflyInv<d>(io, m, Ld(io, m), Ld(io, 2 * d - m), Ld(io, 2 * d + m), Ld(io, 4 * d - m),
                      V::set1(twc[m]), V::set1(tws[m]));
    }
  }

  // Inverse pass 1 of one quadruple, scattered to the contiguous stores at
  // br[m] + k*q (lane l to sample quadruple kRev[l] * N/(4W) + m).
  static void Pass1Inv(T* xr, long q, R s0, R s1, R s2, R s3) {
    const R s02p = V::add(s0, s2);
    const R s02m = V::sub(s0, s2);
    const R s11 = V::add(s1, s1);
    const R s33 = V::add(s3, s3);
    V::store(xr, V::add(s02p, s11));
    V::store(xr + 2 * q, V::sub(s02p, s11));
    V::store(xr + q, V::add(s02m, s33));
    V::store(xr + 3 * q, V::sub(s02m, s33));
  }

  // Passes 2 and 1 for the quadruples m in [m0, m1) (as for Pass12Fwd), from
  // buf into the samples, in the same order, so that the sample writes
  // ascend.
  static void Pass21Inv(T* x, const T* buf, const int32_t* br, long q, long m0, long m1) {
    const R h = V::set1(kFftSqrtHalf<T>);
    const long half = (m1 - m0) / 2;
    int shift = 0;
    while (((m1 - m0) << shift) < q / W) ++shift;
    for (long t = 0; t < half; ++t) {
      const long m = m0 + (br[t << shift] >> V::kLogW);
      const T* in = buf + 4 * m * W;
      const R i0 = Ld(in, 0), i1 = Ld(in, 1), i2 = Ld(in, 2), i3 = Ld(in, 3);
      const R i4 = Ld(in, 4), i5 = Ld(in, 5), i6 = Ld(in, 6), i7 = Ld(in, 7);
      const R vr = V::sub(i1, i3);
      const R vi = V::add(i5, i7);
      Pass1Inv(x + br[m], q, V::add(i0, i4), V::add(i1, i3), V::add(i2, i2), V::sub(i5, i7));
      Pass1Inv(x + br[m + 1], q, V::sub(i0, i4), V::mul(V::add(vr, vi), h), V::add(i6, i6),
               V::mul(V::sub(vi, vr), h));
    }
  }

  // ---- dispatch on the pass number (3 .. 16) ------------------------------

#define QVX_FFT_SOA_PASSES(X) \
  X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15) X(16)
#define QVX_FFT_SOA_FWD_CASE(P)              \
  case P:                                    \
    PassFwd<P>(buf, p0, p1, tc, ts);         \
    break;
#define QVX_FFT_SOA_INV_CASE(P)              \
  case P:                                    \
    PassInv<P>(buf, p0, p1, tc, ts);         \
    break;
  static void PassFwd(int pass, T* buf, long p0, long p1, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_SOA_PASSES(QVX_FFT_SOA_FWD_CASE) default: break; }
  }
  static void PassInv(int pass, T* buf, long p0, long p1, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_SOA_PASSES(QVX_FFT_SOA_INV_CASE) default: break; }
  }
#undef QVX_FFT_SOA_FWD_CASE
#undef QVX_FFT_SOA_INV_CASE
#undef QVX_FFT_SOA_PASSES
};
