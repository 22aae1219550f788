#include "Helpers/FFTRealSimd.h"

#if defined(__x86_64__)
// Defined in FFTRealSimdSse2.cpp and FFTRealSimdAvx2.cpp.
void FftSimdForwardSse2(int, float*, const float*, float*, const int32_t*, const float*, const float*, int);
void FftSimdForwardSse2(int, double*, const double*, double*, const int32_t*, const double*, const double*, int);
void FftSimdInverseSse2(int, const float*, float*, float*, const int32_t*, const float*, const float*);
void FftSimdInverseSse2(int, const double*, double*, double*, const int32_t*, const double*, const double*);
void FftSimdForwardAvx2(int, float*, const float*, float*, const int32_t*, const float*, const float*, int);
void FftSimdForwardAvx2(int, double*, const double*, double*, const int32_t*, const double*, const double*, int);
void FftSimdInverseAvx2(int, const float*, float*, float*, const int32_t*, const float*, const float*);
void FftSimdInverseAvx2(int, const double*, double*, double*, const int32_t*, const double*, const double*);
#endif

namespace {

EFftIsa DetectIsa() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return EFftIsa::kAvx2;
  return EFftIsa::kSse2;
#else
  return EFftIsa::kPlain;
#endif
}

template <typename T>
void Forward(EFftIsa isa, int log2_len, T* f, const T* x, T* scratch, const int32_t* br, const T* tc, const T* ts,
             int quarters) {
  // 1..4 quarters; anything else reads them all.
  if (quarters < 1 || quarters > 4) quarters = 4;
#if defined(__x86_64__)
  if (isa == EFftIsa::kAvx2)
    FftSimdForwardAvx2(log2_len, f, x, scratch, br, tc, ts, quarters);
  else
    FftSimdForwardSse2(log2_len, f, x, scratch, br, tc, ts, quarters);
#else
  (void)isa, (void)log2_len, (void)f, (void)x, (void)scratch, (void)br, (void)tc, (void)ts, (void)quarters;
#endif
}

template <typename T>
void Inverse(EFftIsa isa, int log2_len, const T* f, T* x, T* scratch, const int32_t* br,
             const T* tc, const T* ts) {
#if defined(__x86_64__)
  if (isa == EFftIsa::kAvx2)
    FftSimdInverseAvx2(log2_len, f, x, scratch, br, tc, ts);
  else
    FftSimdInverseSse2(log2_len, f, x, scratch, br, tc, ts);
#else
  (void)isa, (void)log2_len, (void)f, (void)x, (void)scratch, (void)br, (void)tc, (void)ts;
#endif
}

}  // namespace

EFftIsa FftBestIsa() {
  static const EFftIsa s_isa = DetectIsa();
  return s_isa;
}

bool FftIsaAvailable(EFftIsa isa) {
  switch (isa) {
    case EFftIsa::kPlain:
      return true;
    case EFftIsa::kSse2:
      return FftBestIsa() != EFftIsa::kPlain;
    case EFftIsa::kAvx2:
      return FftBestIsa() == EFftIsa::kAvx2;
  }
  return false;
}

void FftSimdForward(EFftIsa isa, int log2_len, float* f, const float* x, float* scratch, const int32_t* br,
                    const float* tw_cos, const float* tw_sin, int quarters) {
  Forward(isa, log2_len, f, x, scratch, br, tw_cos, tw_sin, quarters);
}
void FftSimdForward(EFftIsa isa, int log2_len, double* f, const double* x, double* scratch, const int32_t* br,
                    const double* tw_cos, const double* tw_sin, int quarters) {
  Forward(isa, log2_len, f, x, scratch, br, tw_cos, tw_sin, quarters);
}
void FftSimdInverse(EFftIsa isa, int log2_len, const float* f, float* x, float* scratch,
                    const int32_t* br, const float* tw_cos, const float* tw_sin) {
  Inverse(isa, log2_len, f, x, scratch, br, tw_cos, tw_sin);
}
void FftSimdInverse(EFftIsa isa, int log2_len, const double* f, double* x, double* scratch,
                    const int32_t* br, const double* tw_cos, const double* tw_sin) {
  Inverse(isa, log2_len, f, x, scratch, br, tw_cos, tw_sin);
}
