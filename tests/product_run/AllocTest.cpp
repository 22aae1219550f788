// The audio path allocates nothing: every allocation of this program is
// counted while processReplacing runs, in every quality mode, on both
// paths, bypassed, in mid/side form, with the analysers fed after the
// kernels, and taking a new kernel pair and a stream clear, for block sizes
// from 1 to several hops.
#include <gtest/gtest.h>

#include <vector>

#include "AllocationCounter.h"
#include "RunTestSupport.h"

using namespace runtest;

TEST(AudioPathAllocationTest, ProcessingAllocatesNothing) {
  const int blocks[] = {1, 64, 511, 4096, 20000, 3};
  for (const ModeInfo& mode : kModes) {
    for (bool bDouble : {false, true}) {
      RunQvx2 fx;
      fx.SetMode(mode.nRating, bDouble);
      fx.setParameter(kQvx2DitherMode, 1.0f);  // Gaussian dither on the double path
      fx.setParameter(kQvx2FftSource, 1.0f);
      for (int b = 0; b < kQvx2NumBands; ++b) fx.setParameter(2 * b, 0.7f);
      fx.FinishUpdate();
      std::vector<float> inL(20000, 0.25f), inR(20000, -0.25f), outL(20000), outR(20000);
      float* ins[2] = {inL.data(), inR.data()};
      float* outs[2] = {outL.data(), outR.data()};
      alloccount::g_nAllocations = 0;
      for (int pass = 0; pass < 5; ++pass) {
        // Settings change between blocks as automation would change them.
        fx.setParameter(kQvx2Bypass, pass == 1 ? 1.0f : 0.0f);
        fx.setParameter(kQvx2MSMode, pass == 2 ? 1.0f : 0.0f);
        if (pass == 3) {
          // The next block takes a new kernel pair and clears the streams.
          fx.setParameter(10, 0.2f);
          fx.FinishUpdate();
          fx.ClearAllFFTFilters();
        }
        alloccount::g_bCounting = true;
        for (int n : blocks) fx.processReplacing(ins, outs, n);
        alloccount::g_bCounting = false;
      }
      EXPECT_EQ(alloccount::g_nAllocations.load(), 0) << mode.pszName << (bDouble ? " double" : " float");
    }
  }
}
