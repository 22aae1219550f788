// The equaliser's kernel.
#include "QVX2/FftQVX2.h"

#include "Helpers/Assert.h"
#include "QVX2/QVX2.h"

XR_REGISTER_SOURCE_FILE("QVX2/FftQVX2");

FftQVX2::FftQVX2(int N, int kernelSize, int passes, int channel, AQVX2* owner)
    : FreqDomainConvolution<double>(N, kernelSize, passes), m_nChannel(channel), m_pOwner(owner) {}

void FftQVX2::SetIdealisedFreqResponse(Complex<double>* response) {
  XR_TRY
  if (m_pOwner == nullptr || response == nullptr) return;
  const int n = m_nFftSize;
  const double* cached = m_pOwner->GetCachedResponse(m_nChannel, n);
  if (cached == nullptr) return;
  for (int k = 0; k <= n / 2; ++k) response[k] = Complex<double>{cached[k], 0.0};
  XR_CATCH_VOID
}
