// Vectorised passes in natural order, W consecutive butterflies per vector,
// and the transposition between the sub-array layout and natural order.
// Used for the last log2(W) passes, whose blocks span several sub-arrays.
// Included by FFTRealSimdKernels.inl.
//
// The in-place forms take butterfly k together with its mirror d - k: the
// two read and write the same eight positions of a block, so one buffer
// suffices, which halves what the large lengths move through the cache.
// Butterflies 1 .. d/2 go as vectors K starting at 1 + jW, their mirrors as
// the vectors M = d - K read in ascending order (lane l of M is the mirror of
// lane W-1-l of K); the last K and M share butterfly d/2, which both compute
// from the same inputs. Butterfly 0 is the block's special values.

template <class V>
struct FftSimdNatural {
  using T = typename V::T;
  using R = typename V::R;
  static constexpr int W = V::W;

  // Forward pass P from src into dst. The mirrored outputs (2d - i, 4d - i)
  // are stored as whole vectors by joining each vector of results with the
  // first lane of the next one (shiftrev). Lane 0 of the first vector (i = 0)
  // and the mirrored i = d are the block's four special values, written last
  // in scalar form.
  template <int P>
  static void PassFwd(T* dst, const T* src, long n, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = 0; b < n; b += 4 * d) {
      const T* in = src + b;
      T* out = dst + b;
      R prev_b = V::set1(0), prev_d = V::set1(0);
      for (long k = 0; k < d; k += W) {
        const R a = V::load(in + k), bb = V::load(in + d + k);
        const R e = V::load(in + 2 * d + k), g = V::load(in + 3 * d + k);
        const R c = V::load(twc + k), s = V::load(tws + k);
        const R v1 = V::sub(V::mul(e, c), V::mul(g, s));
        const R v2 = V::add(V::mul(e, s), V::mul(g, c));
        V::store(out + k, V::add(a, v1));
        const R mb = V::sub(a, v1);
        V::store(out + 2 * d + k, V::add(v2, bb));
        const R md = V::sub(v2, bb);
        if (k > 0) {
          V::store(out + 2 * d - k, V::shiftrev(prev_b, mb));
          V::store(out + 4 * d - k, V::shiftrev(prev_d, md));
        }
        prev_b = mb;
        prev_d = md;
      }
      V::store(out + d, V::shiftrev(prev_b, prev_b));
      V::store(out + 3 * d, V::shiftrev(prev_d, prev_d));
      out[0] = in[0] + in[2 * d];
      out[2 * d] = in[0] - in[2 * d];
      out[d] = in[d];
      out[3 * d] = in[3 * d];
    }
  }

  // Inverse pass P. The mirrored inputs (2d - i, 4d - i) are read as whole
  // vectors and joined with the first lane of the vector read before; lane 0
  // of the first vector is i = 0, whose four outputs are written last in
  // scalar form.
  template <int P>
  static void PassInv(T* dst, const T* src, long n, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = 0; b < n; b += 4 * d) {
      const T* in = src + b;
      T* out = dst + b;
      R prev_b = V::load(in + 2 * d - W);
      R prev_d = V::load(in + 4 * d - W);
      for (long k = 0; k < d; k += W) {
        const R a = V::load(in + k), e = V::load(in + 2 * d + k);
        const R ub = V::load(in + 2 * d - k - W), ud = V::load(in + 4 * d - k - W);
        const R rb = V::shiftrev(ub, prev_b);
        const R rd = V::shiftrev(ud, prev_d);
        prev_b = ub;
        prev_d = ud;
        const R c = V::load(twc + k), s = V::load(tws + k);
        V::store(out + k, V::add(a, rb));
        V::store(out + d + k, V::sub(e, rd));
        const R vr = V::sub(a, rb);
        const R vi = V::add(e, rd);
        V::store(out + 2 * d + k, V::add(V::mul(vr, c), V::mul(vi, s)));
        V::store(out + 3 * d + k, V::sub(V::mul(vi, c), V::mul(vr, s)));
      }
      out[0] = in[0] + in[2 * d];
      out[2 * d] = in[0] - in[2 * d];
      out[d] = in[d] + in[d];
      out[3 * d] = in[3 * d] + in[3 * d];
    }
  }

  // Forward pass P in place: the values of PassFwd, butterfly by butterfly.
  template <int P>
  static void PassFwdInPlace(T* io, long n, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    static_assert(d >= 2 * W, "a pass of at least two vectors per half");
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = 0; b < n; b += 4 * d) {
      T* p = io + b;
      for (long k0 = 1; k0 < d / 2; k0 += W) {
        const long m0 = d - k0 - W + 1;
        const R a = V::load(p + k0), bb = V::load(p + d + k0), e = V::load(p + 2 * d + k0), g = V::load(p + 3 * d + k0);
        const R am = V::load(p + m0), bm = V::load(p + d + m0), em = V::load(p + 2 * d + m0),
                gm = V::load(p + 3 * d + m0);
        R oa, oe, mb, md, oam, oem, mbm, mdm;
        ButterflyFwd(a, bb, e, g, V::load(twc + k0), V::load(tws + k0), oa, oe, mb, md);
        ButterflyFwd(am, bm, em, gm, V::load(twc + m0), V::load(tws + m0), oam, oem, mbm, mdm);
        V::store(p + k0, oa);
        V::store(p + 2 * d + k0, oe);
        V::store(p + d + m0, V::reverse(mb));
        V::store(p + 3 * d + m0, V::reverse(md));
        V::store(p + m0, oam);
        V::store(p + 2 * d + m0, oem);
        V::store(p + d + k0, V::reverse(mbm));
        V::store(p + 3 * d + k0, V::reverse(mdm));
      }
      const T a0 = p[0], e0 = p[2 * d];
      p[0] = a0 + e0;
      p[2 * d] = a0 - e0;
    }
  }

  // Inverse pass P in place: the values of PassInv, butterfly by butterfly.
  template <int P>
  static void PassInvInPlace(T* io, long n, const T* tc, const T* ts) {
    constexpr long d = 1L << (P - 1);
    static_assert(d >= 2 * W, "a pass of at least two vectors per half");
    const T* twc = tc + d;
    const T* tws = ts + d;
    for (long b = 0; b < n; b += 4 * d) {
      T* p = io + b;
      for (long k0 = 1; k0 < d / 2; k0 += W) {
        const long m0 = d - k0 - W + 1;
        const R a = V::load(p + k0), e = V::load(p + 2 * d + k0);
        const R am = V::load(p + m0), em = V::load(p + 2 * d + m0);
        const R rb = V::reverse(V::load(p + d + m0)), rd = V::reverse(V::load(p + 3 * d + m0));
        const R rbm = V::reverse(V::load(p + d + k0)), rdm = V::reverse(V::load(p + 3 * d + k0));
        ButterflyInv(p + k0, d, a, rb, e, rd, V::load(twc + k0), V::load(tws + k0));
        ButterflyInv(p + m0, d, am, rbm, em, rdm, V::load(twc + m0), V::load(tws + m0));
      }
      const T a0 = p[0], e0 = p[2 * d], b0 = p[d], d0 = p[3 * d];
      p[0] = a0 + e0;
      p[2 * d] = a0 - e0;
      p[d] = b0 + b0;
      p[3 * d] = d0 + d0;
    }
  }

  // The butterflies of PassFwd and PassInv on vectors, formed alike.
  static void ButterflyFwd(R a, R bb, R e, R g, R c, R s, R& oa, R& oe, R& mb, R& md) {
    const R v1 = V::sub(V::mul(e, c), V::mul(g, s));
    const R v2 = V::add(V::mul(e, s), V::mul(g, c));
    oa = V::add(a, v1);
    mb = V::sub(a, v1);
    oe = V::add(v2, bb);
    md = V::sub(v2, bb);
  }
  static void ButterflyInv(T* out, long d, R a, R rb, R e, R rd, R c, R s) {
    V::store(out, V::add(a, rb));
    V::store(out + d, V::sub(e, rd));
    const R vr = V::sub(a, rb);
    const R vi = V::add(e, rd);
    V::store(out + 2 * d, V::add(V::mul(vr, c), V::mul(vi, s)));
    V::store(out + 3 * d, V::sub(V::mul(vi, c), V::mul(vr, s)));
  }

  // Sub-array layout <-> natural order, 2W positions of all W sub-arrays at
  // a time (sub-array kRev[l] is natural-order stream l). The streams lie a
  // power of two apart; touching two adjacent vectors of each per step keeps
  // their cache lines from being evicted between halves.
  static void SoaToNatural(T* dst, const T* src, long npos) {
    T* rows[W];
    for (int l = 0; l < W; ++l) rows[l] = dst + V::kRev[l] * npos;
    for (long p0 = 0; p0 < npos; p0 += 2 * W) TransposeStore2(src + p0 * W, rows, p0);
  }

  static void NaturalToSoa(T* dst, const T* src, long npos) {
    const T* rows[W];
    for (int l = 0; l < W; ++l) rows[l] = src + V::kRev[l] * npos;
    for (long p0 = 0; p0 < npos; p0 += 2 * W) LoadTranspose2(rows, p0, dst + p0 * W);
  }

  // 2W consecutive vectors at src -> two transposed groups; row l of each
  // goes to rows[l] + off and rows[l] + off + W, one whole cache line.
  static void TransposeStore2(const T* src, T* const* rows, long off) {
    R r[W], q[W];
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) r[l] = V::load(src + l * W);
    V::transpose(r);
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) q[l] = V::load(src + (W + l) * W);
    V::transpose(q);
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) {
      V::store(rows[l] + off, r[l]);
      V::store(rows[l] + off + W, q[l]);
    }
  }

  // The reverse: two vectors from each rows[l] + off, two transposed groups
  // to 2W consecutive vectors at dst.
  static void LoadTranspose2(const T* const* rows, long off, T* dst) {
    R r[W], q[W];
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) {
      r[l] = V::load(rows[l] + off);
      q[l] = V::load(rows[l] + off + W);
    }
    V::transpose(r);
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) V::store(dst + l * W, r[l]);
    V::transpose(q);
#pragma GCC unroll 8
    for (int l = 0; l < W; ++l) V::store(dst + (W + l) * W, q[l]);
  }

  // ---- dispatch on the pass number (5 .. 16: the last passes of a length) --

#define QVX_FFT_NAT_PASSES(X) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15) X(16)
#define QVX_FFT_NAT_FWD_CASE(P)           \
  case P:                                 \
    PassFwd<P>(dst, src, n, tc, ts);      \
    break;
#define QVX_FFT_NAT_INV_CASE(P)           \
  case P:                                 \
    PassInv<P>(dst, src, n, tc, ts);      \
    break;
#define QVX_FFT_NAT_FWD_IN_PLACE_CASE(P)  \
  case P:                                 \
    PassFwdInPlace<P>(io, n, tc, ts);     \
    break;
#define QVX_FFT_NAT_INV_IN_PLACE_CASE(P)  \
  case P:                                 \
    PassInvInPlace<P>(io, n, tc, ts);     \
    break;
  static void PassFwd(int pass, T* dst, const T* src, long n, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_NAT_PASSES(QVX_FFT_NAT_FWD_CASE) default: break; }
  }
  static void PassInv(int pass, T* dst, const T* src, long n, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_NAT_PASSES(QVX_FFT_NAT_INV_CASE) default: break; }
  }
  static void PassFwdInPlace(int pass, T* io, long n, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_NAT_PASSES(QVX_FFT_NAT_FWD_IN_PLACE_CASE) default: break; }
  }
  static void PassInvInPlace(int pass, T* io, long n, const T* tc, const T* ts) {
    switch (pass) { QVX_FFT_NAT_PASSES(QVX_FFT_NAT_INV_IN_PLACE_CASE) default: break; }
  }
#undef QVX_FFT_NAT_FWD_CASE
#undef QVX_FFT_NAT_INV_CASE
#undef QVX_FFT_NAT_FWD_IN_PLACE_CASE
#undef QVX_FFT_NAT_INV_IN_PLACE_CASE
#undef QVX_FFT_NAT_PASSES
};
