// The audio path's element-wise loops (vector forms where the processor has
// them) against plain references, over lengths that leave tails, with the
// special values and the overlapping arrays their callers use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "DspTestUtil.h"
#include "Helpers/DitherCopy.h"
#include "Helpers/SampleLoops.h"

namespace {

template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

template <typename T>
void ExpectLoopsMatchTheirReferences(int n) {
  const std::vector<float> f = dsptest::RandomSignal(2 * n + 8, static_cast<uint32_t>(n), 3.0f);
  std::vector<T> y(f.begin(), f.begin() + 2 * n + 8), add(y.rbegin(), y.rend());
  const T scale = T(1) / T(1024);

  std::vector<T> out(n), ref(n);
  ScaleInto(out.data(), y.data(), scale, n);
  for (int i = 0; i < n; ++i) ref[i] = y[i] * scale;
  EXPECT_TRUE(SameBits(out, ref)) << "ScaleInto, n = " << n;
  ScaleAddInto(out.data(), y.data(), scale, add.data(), n);
  for (int i = 0; i < n; ++i) ref[i] = y[i] * scale + add[i];
  EXPECT_TRUE(SameBits(out, ref)) << "ScaleAddInto, n = " << n;
  // A tail moving towards its start by 3.
  std::vector<T> tail = add, expected = add;
  ScaleAddInto(tail.data(), y.data(), scale, tail.data() + 3, n);
  for (int i = 0; i < n; ++i) expected[i] = y[i] * scale + expected[i + 3];
  EXPECT_TRUE(SameBits(tail, expected)) << "ScaleAddInto in place, n = " << n;

  std::vector<double> prev(n), powers(n), refPowers(n);
  for (int k = 0; k < n; ++k) prev[k] = (k % 3 == 0) ? std::nan("") : double(f[k]) * f[k];
  for (const double* previous : {static_cast<const double*>(nullptr), static_cast<const double*>(prev.data())}) {
    BinPowers(powers.data(), y.data(), y.data() + n, n, previous);
    for (int k = 0; k < n; ++k) {
      const double power = double(y[k] * y[k] + y[n + k] * y[n + k]);
      refPowers[k] = previous == nullptr || !(power < previous[k]) ? power : previous[k];
    }
    EXPECT_TRUE(SameBits(powers, refPowers)) << "BinPowers, n = " << n;
  }
}

TEST(SampleLoopsTest, LoopsMatchTheirPlainReferences) {
  for (int n : {0, 1, 7, 8, 13, 64, 515}) {
    ExpectLoopsMatchTheirReferences<float>(n);
    ExpectLoopsMatchTheirReferences<double>(n);
  }
}

TEST(SampleLoopsTest, LimitCopyTakesNonFiniteAsSilenceAndLimitsHugeSamples) {
  const float inf = std::numeric_limits<float>::infinity(), big = std::numeric_limits<float>::max();
  std::vector<float> in = dsptest::RandomSignal(37, 5);
  const float special[] = {std::nanf(""), inf, -inf, big, -big, 2e9f, -kfInputLimit, -0.0f, 1e-40f};
  for (size_t i = 0; i < std::size(special); ++i) in[3 * i + 1] = special[i];
  std::vector<float> outF(in.size());
  std::vector<double> outD(in.size());
  LimitCopy(outF.data(), in.data(), static_cast<int>(in.size()));
  LimitCopy(outD.data(), in.data(), static_cast<int>(in.size()));
  for (size_t i = 0; i < in.size(); ++i) {
    const float x = in[i];
    const float expected = !std::isfinite(x) ? 0.0f : std::fmax(-kfInputLimit, std::fmin(kfInputLimit, x));
    EXPECT_EQ(outF[i], expected) << i;
    EXPECT_EQ(outD[i], double(expected)) << i;
  }
  std::vector<double> wide = {1.0 / 3.0, -1e300, 2.5, 0.1, 7.0};
  std::vector<float> narrow(wide.size());
  NarrowCopy(narrow.data(), wide.data(), static_cast<int>(wide.size()));
  for (size_t i = 0; i < wide.size(); ++i) EXPECT_EQ(narrow[i], static_cast<float>(wide[i])) << i;
}

}  // namespace
