// The equaliser's kernel: a linear-phase kernel whose idealised response is
// one channel of its owner's per-bin response (zero phase; the design makes
// it linear-phase).
//
// Threads: built, designed and destroyed on the idle side (see
// FreqDomainConvolution); it reads its owner's response arrays there.
#pragma once

#include "Helpers/FreqDomainConvolution.h"

class AQVX2;

class FftQVX2 : public FreqDomainConvolution<double> {
 public:
  // channel 0 or 1; owner not owned, may be null (the kernel then keeps the
  // base's all-pass).
  FftQVX2(int N, int kernelSize, int passes, int channel, AQVX2* owner);

  // Bins 0..N/2 from the owner's response of this channel; nothing when the
  // owner has no response for this N.
  void SetIdealisedFreqResponse(Complex<double>* response) override;

  int m_nChannel;
  AQVX2* m_pOwner;
};
