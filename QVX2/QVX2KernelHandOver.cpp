// The committed kernel pair on its way to the audio thread.
#include "QVX2/QVX2KernelHandOver.h"

#include <algorithm>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2KernelHandOver");

CQVX2KernelHandOver::CQVX2KernelHandOver(int N) : m_nFftSize(N) {
  for (Pair& pair : m_Pairs)
    for (int c = 0; c < 2; ++c) {
      pair.pBins[c].reset(new Complex<double>[static_cast<size_t>(N / 2 + 1)]);
      pair.packed[c].reset(N);
    }
}

void CQVX2KernelHandOver::Publish(const FreqDomainConvolution<double>& left,
                                  const FreqDomainConvolution<double>& right) {
  const FreqDomainConvolution<double>* kernels[2] = {&left, &right};
  Pair& pair = m_Pairs[m_nIdle];
  pair.bValid = true;
  for (int c = 0; c < 2; ++c) {
    const FreqDomainConvolution<double>& k = *kernels[c];
    if (k.m_nFftSize != m_nFftSize || !k.m_bHasResponse.load()) {
      pair.bValid = false;
      continue;
    }
    std::copy_n(k.m_pResponse, m_nFftSize / 2 + 1, pair.pBins[c].get());
    std::copy_n(k.m_pPackedResponse, m_nFftSize, pair.packed[c].get());
  }
  // Release: the audio thread that takes the pair sees it written.
  m_nIdle = m_nMiddle.exchange(m_nIdle | kFresh, std::memory_order_acq_rel) & kIndex;
  m_nPublished.fetch_add(1, std::memory_order_relaxed);
}

const CQVX2KernelHandOver::Pair& CQVX2KernelHandOver::TakeNewest() noexcept {
  if (m_nMiddle.load(std::memory_order_relaxed) & kFresh)
    m_nAudio = m_nMiddle.exchange(m_nAudio, std::memory_order_acq_rel) & kIndex;
  return m_Pairs[m_nAudio];
}
