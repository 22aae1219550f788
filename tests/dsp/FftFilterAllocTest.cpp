// The streaming path allocates nothing: every allocation in this program is
// counted while the filters stream.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "DspTestUtil.h"
#include "Helpers/FftFilter.h"
#include "Helpers/FreqDomainConvolution.h"

// The replacement allocator pairs malloc with free throughout; the compiler
// cannot see that operator delete only ever receives its own blocks.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> g_bCounting{false};
std::atomic<long> g_nAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_bCounting.load(std::memory_order_relaxed)) g_nAllocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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

  g_nAllocations = 0;
  g_bCounting = true;
  size_t pos = 0;
  for (int i = 0; pos < in.size(); ++i) {
    const int c = std::min<int>(chunks[i % 6], int(in.size() - pos));
    filter.ValuesIn(in.data() + pos, c);
    filter.CompleteProcessing();
    filter.ValuesOut(out.data() + pos, c);
    pos += c;
  }
  g_bCounting = false;
  return g_nAllocations.load();
}

TEST(FftFilterAllocationTest, StreamingAllocatesNothing) {
  EXPECT_EQ(AllocationsWhileStreaming<float>(1024, 512), 0);
  EXPECT_EQ(AllocationsWhileStreaming<double>(1024, 512), 0);
  EXPECT_EQ(AllocationsWhileStreaming<float>(4096, 3072), 0);
  EXPECT_EQ(AllocationsWhileStreaming<double>(4096, 3072), 0);
}

TEST(FftFilterAllocationTest, CounterSeesAllocations) {
  g_nAllocations = 0;
  g_bCounting = true;
  std::vector<int>* p = new std::vector<int>(10);
  g_bCounting = false;
  delete p;
  EXPECT_GE(g_nAllocations.load(), 1);
}

}  // namespace
