// Body of the vectorised passes, written once over a vector type V and
// compiled once per instruction set: included by FFTRealSimdSse2.cpp and
// FFTRealSimdAvx2.cpp inside an anonymous namespace, after V is defined, so
// that no symbol compiled for one instruction set is shared with another.
//
// V provides: T (sample type), R (register), W (lanes), kLogW, kRev[W] (lane
// index with its bits reversed), load/store (unaligned), set1, add, sub, mul,
// shiftrev(p, q) = [q0, p[W-1], ..., p[1]] and transpose(R[W]) in place.
//
// Every value below is formed with the operands and grouping of the plain
// passes (FFTRealPassDirect.h, FFTRealPassInverse.h).

template <class V>
struct FftSimdKernels {
  using T = typename V::T;
  using R = typename V::R;
  static constexpr int W = V::W;
  static constexpr int kLogW = V::kLogW;
  // Values per depth-first chunk of the sub-array passes.
  static constexpr long kChunkValues = 4096;

  // Sub-array (SoA) layout: position p is the vector at T index p * W; lane l
  // of it is position p of sub-array kRev[l], i.e. natural index
  // kRev[l] * (N / W) + p.
  static R Ld(const T* base, long pos) { return V::load(base + pos * W); }
  static void St(T* base, long pos, R v) { V::store(base + pos * W, v); }

  static int Log2(long v) {
    int r = 0;
    while ((1L << (r + 1)) <= v) ++r;
    return r;
  }

  // ---- forward -----------------------------------------------------------

  // Pass 1 for the quadruples m in [m0, m1): lane l of the contiguous load at
  // br[m] + k*q is sample a_k of quadruple g = kRev[l] * N/(4W) + m.
  static void SoaPass1Fwd(T* dst, const T* x, const int32_t* br, long q, long m0, long m1) {
    for (long m = m0; m < m1; ++m) {
      const T* xr = x + br[m];
      const R a0 = V::load(xr);
      const R a1 = V::load(xr + q);
      const R a2 = V::load(xr + 2 * q);
      const R a3 = V::load(xr + 3 * q);
      const R s02 = V::add(a0, a2);
      const R s13 = V::add(a1, a3);
      St(dst, 4 * m, V::add(s02, s13));
      St(dst, 4 * m + 1, V::sub(a0, a2));
      St(dst, 4 * m + 2, V::sub(s02, s13));
      St(dst, 4 * m + 3, V::sub(a1, a3));
    }
  }

  static void SoaPass2Fwd(T* buf, long p0, long p1) {
    const R h = V::set1(FftSqrtHalf<T>());
    for (long b = p0; b < p1; b += 8) {
      const R i0 = Ld(buf, b), i1 = Ld(buf, b + 1), i3 = Ld(buf, b + 3);
      const R i4 = Ld(buf, b + 4), i5 = Ld(buf, b + 5), i7 = Ld(buf, b + 7);
      St(buf, b, V::add(i0, i4));
      St(buf, b + 4, V::sub(i0, i4));
      R v = V::mul(V::sub(i5, i7), h);
      St(buf, b + 1, V::add(i1, v));
      St(buf, b + 3, V::sub(i1, v));
      v = V::mul(V::add(i5, i7), h);
      St(buf, b + 5, V::add(v, i3));
      St(buf, b + 7, V::sub(v, i3));
    }
  }

  // One forward butterfly on loaded inputs (a, b, e, g at i, d+i, 2d+i,
  // 3d+i); outputs for i, 2d-i, 2d+i, 4d-i.
  static void ButterflyFwd(R a, R bb, R e, R g, R c, R s, R& o_i, R& o_2dmi, R& o_2dpi,
                           R& o_4dmi) {
    const R v1 = V::sub(V::mul(e, c), V::mul(g, s));
    o_i = V::add(a, v1);
    o_2dmi = V::sub(a, v1);
    const R v2 = V::add(V::mul(e, s), V::mul(g, c));
    o_2dpi = V::add(v2, bb);
    o_4dmi = V::sub(v2, bb);
  }

  // In place: butterflies i and d-i read and write the same eight positions.
  static void SoaPassFwd(T* buf, int pass, long p0, long p1, const T* tc, const T* ts) {
    const long d = 1L << (pass - 1);
    for (long b = p0; b < p1; b += 4 * d) {
      T* io = buf + b * W;
      const R x0 = Ld(io, 0), x2d = Ld(io, 2 * d);
      St(io, 0, V::add(x0, x2d));
      St(io, 2 * d, V::sub(x0, x2d));
      for (long i = 1; i < d / 2; ++i) {
        const long j = d - i;
        const R ci = V::set1(tc[d + i]), si = V::set1(ts[d + i]);
        const R cj = V::set1(tc[d + j]), sj = V::set1(ts[d + j]);
        const R ai = Ld(io, i), bi = Ld(io, d + i), ei = Ld(io, 2 * d + i), gi = Ld(io, 3 * d + i);
        const R aj = Ld(io, j), bj = Ld(io, d + j), ej = Ld(io, 2 * d + j), gj = Ld(io, 3 * d + j);
        R o0, o1, o2, o3, q0, q1, q2, q3;
        ButterflyFwd(ai, bi, ei, gi, ci, si, o0, o1, o2, o3);
        ButterflyFwd(aj, bj, ej, gj, cj, sj, q0, q1, q2, q3);
        St(io, i, o0);
        St(io, 2 * d - i, o1);
        St(io, 2 * d + i, o2);
        St(io, 4 * d - i, o3);
        St(io, j, q0);
        St(io, 2 * d - j, q1);
        St(io, 2 * d + j, q2);
        St(io, 4 * d - j, q3);
      }
      const long m = d / 2;
      const R cm = V::set1(tc[d + m]), sm = V::set1(ts[d + m]);
      R o0, o1, o2, o3;
      ButterflyFwd(Ld(io, m), Ld(io, d + m), Ld(io, 2 * d + m), Ld(io, 3 * d + m), cm, sm, o0, o1,
                   o2, o3);
      St(io, m, o0);
      St(io, 2 * d - m, o1);
      St(io, 2 * d + m, o2);
      St(io, 4 * d - m, o3);
    }
  }

  // SoA positions -> natural order (and back: the transposition is its own
  // inverse up to which side is gathered).
  static void SoaToNatural(T* dst, const T* src, long npos) {
    R rows[W];
    for (long p0 = 0; p0 < npos; p0 += W) {
      for (int t = 0; t < W; ++t) rows[t] = Ld(src, p0 + t);
      V::transpose(rows);
      for (int l = 0; l < W; ++l) V::store(dst + V::kRev[l] * npos + p0, rows[l]);
    }
  }
  static void NaturalToSoa(T* dst, const T* src, long npos) {
    R rows[W];
    for (long p0 = 0; p0 < npos; p0 += W) {
      for (int l = 0; l < W; ++l) rows[l] = V::load(src + V::kRev[l] * npos + p0);
      V::transpose(rows);
      for (int t = 0; t < W; ++t) St(dst, p0 + t, rows[t]);
    }
  }

  // One radix-2 pass in natural order, W consecutive butterflies at once. The
  // mirrored outputs (2d - i, 4d - i) are stored as whole aligned vectors by
  // joining each vector with the first lane of the next one; lane 0 of the
  // first vector (i = 0) and the mirrored i = d are the block's four special
  // values, written last in scalar form.
  static void NaturalPassFwd(T* dst, const T* src, long n, int pass, const T* tc, const T* ts) {
    const long d = 1L << (pass - 1);
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

  static void Forward(int log2_len, T* f, const T* x, T* scratch, const int32_t* br,
                      const T* tc, const T* ts) {
    const int L = log2_len;
    const long n = 1L << L;
    const long npos = n / W;
    const int last_soa = L - 1 - kLogW;
    // Pass 1 and the sub-array passes work in one buffer; the transposition
    // and the natural-order passes then alternate so that the last lands in f.
    T* soa = (kLogW & 1) ? f : scratch;
    T* other = (kLogW & 1) ? scratch : f;
    const long chunk = npos < kChunkValues / W ? npos : kChunkValues / W;
    int chunk_last = Log2(chunk) - 1;
    if (chunk_last > last_soa) chunk_last = last_soa;

    for (long c0 = 0; c0 < npos; c0 += chunk) {
      SoaPass1Fwd(soa, x, br, n / 4, c0 / 4, (c0 + chunk) / 4);
      SoaPass2Fwd(soa, c0, c0 + chunk);
      for (int p = 3; p <= chunk_last; ++p) SoaPassFwd(soa, p, c0, c0 + chunk, tc, ts);
    }
    for (int p = chunk_last + 1; p <= last_soa; ++p) SoaPassFwd(soa, p, 0, npos, tc, ts);
    SoaToNatural(other, soa, npos);
    T* src = other;
    T* dst = soa;
    for (int p = L - kLogW; p <= L - 1; ++p) {
      NaturalPassFwd(dst, src, n, p, tc, ts);
      T* t = src;
      src = dst;
      dst = t;
    }
  }

  // ---- inverse -----------------------------------------------------------

  // Mirrored inputs (2d - i, 4d - i) are read as whole aligned vectors and
  // joined with the first lane of the previously read one; lane 0 of the
  // first vector is i = 0, whose four outputs are written last in scalar form.
  static void NaturalPassInv(T* dst, const T* src, long n, int pass, const T* tc, const T* ts) {
    const long d = 1L << (pass - 1);
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

  // One inverse butterfly on loaded inputs (a, mb, e, md at i, 2d-i, 2d+i,
  // 4d-i); outputs for i, d+i, 2d+i, 3d+i.
  static void ButterflyInv(R a, R mb, R e, R md, R c, R s, R& o_i, R& o_dpi, R& o_2dpi,
                           R& o_3dpi) {
    o_i = V::add(a, mb);
    o_dpi = V::sub(e, md);
    const R vr = V::sub(a, mb);
    const R vi = V::add(e, md);
    o_2dpi = V::add(V::mul(vr, c), V::mul(vi, s));
    o_3dpi = V::sub(V::mul(vi, c), V::mul(vr, s));
  }

  // In place, butterflies i and d-i together, as in the forward pass.
  static void SoaPassInv(T* buf, int pass, long p0, long p1, const T* tc, const T* ts) {
    const long d = 1L << (pass - 1);
    for (long b = p0; b < p1; b += 4 * d) {
      T* io = buf + b * W;
      const R x0 = Ld(io, 0), xd = Ld(io, d), x2d = Ld(io, 2 * d), x3d = Ld(io, 3 * d);
      St(io, 0, V::add(x0, x2d));
      St(io, 2 * d, V::sub(x0, x2d));
      St(io, d, V::add(xd, xd));
      St(io, 3 * d, V::add(x3d, x3d));
      for (long i = 1; i < d / 2; ++i) {
        const long j = d - i;
        const R ci = V::set1(tc[d + i]), si = V::set1(ts[d + i]);
        const R cj = V::set1(tc[d + j]), sj = V::set1(ts[d + j]);
        const R ai = Ld(io, i), mbi = Ld(io, 2 * d - i), ei = Ld(io, 2 * d + i), mdi = Ld(io, 4 * d - i);
        const R aj = Ld(io, j), mbj = Ld(io, 2 * d - j), ej = Ld(io, 2 * d + j), mdj = Ld(io, 4 * d - j);
        R o0, o1, o2, o3, q0, q1, q2, q3;
        ButterflyInv(ai, mbi, ei, mdi, ci, si, o0, o1, o2, o3);
        ButterflyInv(aj, mbj, ej, mdj, cj, sj, q0, q1, q2, q3);
        St(io, i, o0);
        St(io, d + i, o1);
        St(io, 2 * d + i, o2);
        St(io, 3 * d + i, o3);
        St(io, j, q0);
        St(io, d + j, q1);
        St(io, 2 * d + j, q2);
        St(io, 3 * d + j, q3);
      }
      const long m = d / 2;
      const R cm = V::set1(tc[d + m]), sm = V::set1(ts[d + m]);
      R o0, o1, o2, o3;
      ButterflyInv(Ld(io, m), Ld(io, 2 * d - m), Ld(io, 2 * d + m), Ld(io, 4 * d - m), cm, sm, o0,
                   o1, o2, o3);
      St(io, m, o0);
      St(io, d + m, o1);
      St(io, 2 * d + m, o2);
      St(io, 3 * d + m, o3);
    }
  }

  static void SoaPass2Inv(T* buf, long p0, long p1) {
    const R h = V::set1(FftSqrtHalf<T>());
    for (long b = p0; b < p1; b += 8) {
      const R i0 = Ld(buf, b), i1 = Ld(buf, b + 1), i2 = Ld(buf, b + 2), i3 = Ld(buf, b + 3);
      const R i4 = Ld(buf, b + 4), i5 = Ld(buf, b + 5), i6 = Ld(buf, b + 6), i7 = Ld(buf, b + 7);
      St(buf, b, V::add(i0, i4));
      St(buf, b + 4, V::sub(i0, i4));
      St(buf, b + 2, V::add(i2, i2));
      St(buf, b + 6, V::add(i6, i6));
      St(buf, b + 1, V::add(i1, i3));
      St(buf, b + 3, V::sub(i5, i7));
      const R vr = V::sub(i1, i3);
      const R vi = V::add(i5, i7);
      St(buf, b + 5, V::mul(V::add(vr, vi), h));
      St(buf, b + 7, V::mul(V::sub(vi, vr), h));
    }
  }

  static void SoaPass1Inv(T* x, const T* src, const int32_t* br, long q, long m0, long m1) {
    for (long m = m0; m < m1; ++m) {
      const R s0 = Ld(src, 4 * m), s1 = Ld(src, 4 * m + 1);
      const R s2 = Ld(src, 4 * m + 2), s3 = Ld(src, 4 * m + 3);
      const R s02p = V::add(s0, s2);
      const R s02m = V::sub(s0, s2);
      const R s11 = V::add(s1, s1);
      const R s33 = V::add(s3, s3);
      T* xr = x + br[m];
      V::store(xr, V::add(s02p, s11));
      V::store(xr + 2 * q, V::sub(s02p, s11));
      V::store(xr + q, V::add(s02m, s33));
      V::store(xr + 3 * q, V::sub(s02m, s33));
    }
  }

  static void Inverse(int log2_len, const T* f, T* x, T* scratch, const int32_t* br,
                      const T* tc, const T* ts) {
    const int L = log2_len;
    const long n = 1L << L;
    const long npos = n / W;
    const int last_soa = L - 1 - kLogW;
    // The sub-array passes work in the scratch buffer and pass 1 scatters
    // from there into x, so the natural-order passes alternate such that the
    // last one writes x (x serves as working array meanwhile).
    const long chunk = npos < kChunkValues / W ? npos : kChunkValues / W;
    int chunk_last = Log2(chunk) - 1;
    if (chunk_last > last_soa) chunk_last = last_soa;

    const T* src = f;
    T* dst = (kLogW & 1) ? x : scratch;
    for (int p = L - 1; p >= L - kLogW; --p) {
      NaturalPassInv(dst, src, n, p, tc, ts);
      src = dst;
      dst = (dst == x) ? scratch : x;
    }
    NaturalToSoa(scratch, src, npos);
    for (int p = last_soa; p > chunk_last; --p) SoaPassInv(scratch, p, 0, npos, tc, ts);
    for (long c0 = 0; c0 < npos; c0 += chunk) {
      for (int p = chunk_last; p >= 3; --p) SoaPassInv(scratch, p, c0, c0 + chunk, tc, ts);
      SoaPass2Inv(scratch, c0, c0 + chunk);
      SoaPass1Inv(x, scratch, br, n / 4, c0 / 4, (c0 + chunk) / 4);
    }
  }
};
