// The streaming path allocates nothing: every allocation in this program is
// counted while the filters stream.
#include <gtest/gtest.h>

#include <vector>

#include "AllocationCounter.h"
#include "DspTestUtil.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FreqDomainConvolution.h"

namespace {

template <typename T>
long AllocationsWhileStreaming(int N, int L) {
  dsptest::SmoothKernel kernel(N, L);
  kernel.Setup(false);
  dsptest::KernelCallBack<T> callBack(&kernel);
  FftFilterWithCallBack<T> filter(N, L, &callBack, nullptr);
  filter.PadWithExtraLatency(33);
  filter.SetDitherType(eDitherGaussian);
  const std::vector<float> in = dsptest::RandomSignal(6 * N, 9);
  std::vector<float> out(in.size());
  const int chunks[] = {1, 64, 511, N - L, 3 * (N - L) + 1, 17};

  alloccount::CScope counting;
  size_t pos = 0;
  for (int i = 0; pos < in.size(); ++i) {
    const int c = std::min<int>(chunks[i % 6], int(in.size() - pos));
    filter.ValuesIn(in.data() + pos, c);
    filter.CompleteProcessing();
    filter.ValuesOut(out.data() + pos, c);
    pos += c;
  }
  return counting.Count();
}

TEST(FftFilterAllocationTest, StreamingAllocatesNothing) {
  EXPECT_EQ(AllocationsWhileStreaming<float>(1024, 512), 0);
  EXPECT_EQ(AllocationsWhileStreaming<double>(1024, 512), 0);
  EXPECT_EQ(AllocationsWhileStreaming<float>(4096, 3072), 0);
  EXPECT_EQ(AllocationsWhileStreaming<double>(4096, 3072), 0);
}

TEST(FftFilterAllocationTest, CounterSeesAllocations) {
  long n = 0;
  std::vector<int>* p = nullptr;
  {
    alloccount::CScope counting;
    p = new std::vector<int>(10);
    n = counting.Count();
  }
  delete p;
  EXPECT_GE(n, 1);
}

}  // namespace
