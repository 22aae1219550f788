// The spectrum data store: the writer's steps (powers, merge, flip, pending
// flip, hold), the reader's handshake, the window gains and the loudness
// weightings against their formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Helpers/FrequencyDataStore.h"

namespace {

constexpr int kN = 32;         // half size 16
constexpr int kBins = kN / 2 + 1;

// A spectrum whose bin k has power (base + k)^2.
std::vector<Complex<double>> Ramp(double base) {
  std::vector<Complex<double>> s(kBins);
  for (int k = 0; k < kBins; ++k) s[k] = {base + k, 0.0};
  return s;
}

// A spectrum with power p in every bin.
std::vector<Complex<double>> Flat(double p) {
  return std::vector<Complex<double>>(kBins, Complex<double>{std::sqrt(p), 0.0});
}

std::vector<double> CurrentValues(CFrequencyDataStore& store) {
  const double* b = store.BeginRead();
  std::vector<double> v(b, b + store.GetHalfSize() + 1);
  store.SetConsumed();
  store.EndRead();
  return v;
}

std::vector<double> Peek(const CFrequencyDataStore& store, int index) {
  const double* b = store.GetBuffer(index);
  return std::vector<double>(b, b + store.GetHalfSize() + 1);
}

}  // namespace

TEST(FrequencyDataStoreTest, NewStoreIsEmptyWithDefaults) {
  CFrequencyDataStore store(kN);
  ASSERT_TRUE(store.IsUsable());
  EXPECT_EQ(store.GetHalfSize(), 16);
  for (int i = 0; i < 2; ++i)
    for (double v : Peek(store, i)) EXPECT_EQ(v, 0.0);
  EXPECT_EQ(store.GetCurrentIndex(), 0);
  EXPECT_EQ(store.GetReaderBusyCount(), 0);
  EXPECT_FALSE(store.IsFlipPending());
  EXPECT_FALSE(store.IsConsumed());
  EXPECT_FALSE(store.IsHeld());
  EXPECT_EQ(store.GetFlipCount(), 0);
  EXPECT_TRUE(store.IsUsingWindow());
  EXPECT_EQ(store.GetWindowGain(), 1.0f) << "a new store applies no window correction";
  EXPECT_EQ(store.GetGain(), 1.0f);
  EXPECT_FALSE(store.IsEqualLoudness());
  EXPECT_EQ(store.GetEqualLoudnessFn(), 0);
  EXPECT_EQ(store.GetSampleRate(), 22005.0f);
}

TEST(FrequencyDataStoreTest, OddAndTinySizes) {
  CFrequencyDataStore odd(33);
  EXPECT_EQ(odd.GetHalfSize(), 16);
  CFrequencyDataStore negative(-8);
  EXPECT_EQ(negative.GetHalfSize(), 0);
  auto s = Flat(4.0);
  negative.StoreValuesForGraph(s.data(), 0);
  EXPECT_EQ(CurrentValues(negative)[0], 4.0) << "a one-bin store still takes bin 0";
}

TEST(FrequencyDataStoreTest, UnreadFramesMergeByMaximumAndReadFramesAreReplaced) {
  CFrequencyDataStore store(kN);
  // Frame A: power high at the low bins; frame B: high at the high bins.
  std::vector<Complex<double>> a(kBins), b(kBins);
  for (int k = 0; k < kBins; ++k) {
    a[k] = {static_cast<double>(kBins - k), 0.0};
    b[k] = {0.0, static_cast<double>(k)};
  }
  store.StoreValuesForGraph(a.data(), kN);
  EXPECT_EQ(store.GetCurrentIndex(), 1);
  EXPECT_EQ(store.GetFlipCount(), 1);
  store.StoreValuesForGraph(b.data(), kN);
  EXPECT_EQ(store.GetCurrentIndex(), 0);
  EXPECT_EQ(store.GetFlipCount(), 2);
  const std::vector<double> merged = CurrentValues(store);
  for (int k = 0; k < kBins; ++k)
    EXPECT_EQ(merged[k], std::max(double((kBins - k) * (kBins - k)), double(k * k))) << "bin " << k;
  EXPECT_TRUE(store.IsConsumed());

  // Read since the last flip: the next frame replaces the values.
  store.StoreValuesForGraph(a.data(), kN);
  EXPECT_FALSE(store.IsConsumed()) << "a flip clears the consumed flag";
  const std::vector<double> replaced = CurrentValues(store);
  for (int k = 0; k < kBins; ++k) EXPECT_EQ(replaced[k], double((kBins - k) * (kBins - k))) << "bin " << k;
}

TEST(FrequencyDataStoreTest, FrameDuringReadIsLeftPendingAndFlippedByTheNextReader) {
  CFrequencyDataStore store(kN);
  auto a = Ramp(10.0), b = Ramp(1.0);
  store.StoreValuesForGraph(a.data(), kN);  // published, never read
  const double* reading = store.BeginRead();
  ASSERT_EQ(reading, store.GetBuffer(1));
  store.StoreValuesForGraph(b.data(), kN);
  EXPECT_EQ(store.GetCurrentIndex(), 1) << "no flip while a reader is busy";
  EXPECT_TRUE(store.IsFlipPending());
  EXPECT_EQ(store.GetFlipCount(), 1);
  EXPECT_EQ(reading[3], 13.0 * 13.0) << "the reader's buffer is untouched";
  store.EndRead();

  const double* next = store.BeginRead();
  EXPECT_EQ(next, store.GetBuffer(0)) << "the next reader flips to the pending frame";
  EXPECT_FALSE(store.IsFlipPending());
  EXPECT_EQ(store.GetFlipCount(), 1) << "a reader's flip is not counted";
  for (int k = 0; k < kBins; ++k) EXPECT_EQ(next[k], (1.0 + k) * (1.0 + k)) << "no merge on a reader's flip";
  store.EndRead();
  EXPECT_EQ(store.GetReaderBusyCount(), 0);
}

TEST(FrequencyDataStoreTest, NestedReaderDoesNotFlipUnderAnotherReader) {
  CFrequencyDataStore store(kN);
  auto a = Ramp(1.0);
  const double* first = store.BeginRead();
  store.StoreValuesForGraph(a.data(), kN);
  ASSERT_TRUE(store.IsFlipPending());
  const double* second = store.BeginRead();
  EXPECT_EQ(second, first) << "the buffer the first reader holds must not go back to the writer";
  EXPECT_EQ(store.GetReaderBusyCount(), 2);
  store.EndRead();
  store.EndRead();
  store.EndRead();  // unmatched: must not wrap the count
  EXPECT_EQ(store.GetReaderBusyCount(), 0);
  EXPECT_NE(store.BeginRead(), first);
  store.EndRead();
}

TEST(FrequencyDataStoreTest, HoldWritesTheCurrentBufferInPlace) {
  CFrequencyDataStore store(kN);
  auto a = Ramp(5.0), b = Ramp(2.0);
  store.BeginRead();
  store.StoreValuesForGraph(a.data(), kN);
  ASSERT_TRUE(store.IsFlipPending());
  store.EndRead();
  store.SetHold(true);
  store.StoreValuesForGraph(b.data(), kN);
  EXPECT_EQ(store.GetCurrentIndex(), 0);
  EXPECT_FALSE(store.IsFlipPending()) << "a held frame clears a pending flip and sets none";
  EXPECT_EQ(store.GetFlipCount(), 0);
  EXPECT_EQ(Peek(store, 0)[4], 36.0);
}

TEST(FrequencyDataStoreTest, ClearShowsZerosUntilTheWriterShowsAFrameAlone) {
  CFrequencyDataStore store(kN);
  auto big = Ramp(10.0), small = Ramp(1.0);
  store.StoreValuesForGraph(big.data(), kN);
  store.BeginRead();
  store.StoreValuesForGraph(big.data(), kN);
  store.SetConsumed();
  store.Clear();
  EXPECT_TRUE(store.IsClearPending());
  for (int i = 0; i < 2; ++i)
    for (double v : Peek(store, i)) EXPECT_EQ(v, 0.0) << "readers see zeros at once";
  EXPECT_TRUE(store.IsFlipPending()) << "flags and counts stay";
  EXPECT_TRUE(store.IsConsumed());
  EXPECT_EQ(store.GetReaderBusyCount(), 1);
  EXPECT_EQ(store.GetFlipCount(), 1);
  // A frame left pending for the reader inside does not end the clear.
  store.StoreValuesForGraph(small.data(), kN);
  EXPECT_TRUE(store.IsClearPending());
  store.EndRead();
  for (double v : CurrentValues(store)) EXPECT_EQ(v, 0.0);
  // Shown by the writer's own flip, unmerged: nothing from before the clear.
  store.StoreValuesForGraph(small.data(), kN);
  EXPECT_FALSE(store.IsClearPending());
  const std::vector<double> shown = CurrentValues(store);
  for (int k = 0; k < kBins; ++k) EXPECT_EQ(shown[k], (1.0 + k) * (1.0 + k)) << k;
}

TEST(FrequencyDataStoreTest, PackedFramesStoreTheSamePowersAsBins) {
  // The packed order of the FFT: re of bins 0..N/2, then im of bins 1..N/2-1.
  for (bool bWeighted : {false, true}) {
    CFrequencyDataStore fromBins(kN), fromPacked(kN);
    for (CFrequencyDataStore* s : {&fromBins, &fromPacked}) {
      s->SetEqualLoudness(bWeighted);
      s->SetEqualLoudnessFn(1);
      s->SetSampleRate(44100.0f);
    }
    std::vector<Complex<float>> bins(kBins);
    std::vector<float> packed(kN);
    for (int k = 0; k < kBins; ++k) {
      const bool real = k == 0 || k == kN / 2;
      bins[k] = {0.3f * k - 2.1f, real ? 0.0f : 1.7f - 0.11f * k};
      packed[k] = bins[k].re;
      if (!real) packed[kN / 2 + k] = bins[k].im;
    }
    fromBins.StoreValuesForGraph(bins.data(), kN);
    fromPacked.StoreValuesForGraphPacked(packed.data(), kN);
    fromPacked.StoreValuesForGraphPacked(packed.data(), kN / 2);  // wrong size: ignored
    EXPECT_EQ(CurrentValues(fromPacked), CurrentValues(fromBins)) << (bWeighted ? "weighted" : "plain");
    EXPECT_EQ(fromPacked.GetFlipCount(), 1);
  }
}

TEST(FrequencyDataStoreTest, FloatPowersAreSummedInFloat) {
  CFrequencyDataStore store(kN);
  // 1 + 2^-12 squared needs 25 bits: the float sum rounds, the double one not.
  const float re = 1.0f + 1.0f / 4096.0f, im = 1.0f / 8192.0f;
  std::vector<Complex<float>> s(kBins, Complex<float>{re, im});
  store.StoreValuesForGraph(s.data(), kN);
  const float inFloat = re * re + im * im;
  const double inDouble = double(re) * re + double(im) * im;
  ASSERT_NE(static_cast<double>(inFloat), inDouble);
  EXPECT_EQ(CurrentValues(store)[7], static_cast<double>(inFloat));
}

TEST(FrequencyDataStoreTest, FlipMergesUnlessConsumed) {
  CFrequencyDataStore store(kN);
  // a falls with k, b rises: a merge shows in both halves.
  std::vector<Complex<double>> a(kBins), b(kBins);
  for (int k = 0; k < kBins; ++k) {
    a[k] = {static_cast<double>(kBins - k), 0.0};
    b[k] = {static_cast<double>(k), 0.0};
  }
  store.SetHold(true);
  store.StoreValuesForGraph(a.data(), kN);  // into buffer 0 in place
  store.SetHold(false);
  store.BeginRead();
  store.StoreValuesForGraph(b.data(), kN);  // into buffer 1, pending
  store.EndRead();
  CFrequencyDataStore snapshot(kN);
  snapshot.CopyFrom(&store);
  EXPECT_EQ(snapshot.GetCurrentIndex(), 0);
  EXPECT_EQ(Peek(snapshot, 1)[3], 9.0);
  snapshot.Flip();
  EXPECT_EQ(snapshot.GetCurrentIndex(), 1);
  EXPECT_EQ(snapshot.GetFlipCount(), 1);
  for (int k = 0; k < kBins; ++k)
    EXPECT_EQ(Peek(snapshot, 1)[k], std::max(double((kBins - k) * (kBins - k)), double(k * k)))
        << "unconsumed: the flip keeps the larger value, bin " << k;
  snapshot.SetConsumed();
  snapshot.Flip();
  EXPECT_FALSE(snapshot.IsConsumed());
  EXPECT_EQ(snapshot.GetCurrentIndex(), 0);
  for (int k = 0; k < kBins; ++k)
    EXPECT_EQ(Peek(snapshot, 0)[k], double((kBins - k) * (kBins - k))) << "consumed: no merge, bin " << k;
}

TEST(FrequencyDataStoreTest, CopyFromTakesSettingsAndIgnoresBadSources) {
  CFrequencyDataStore source(kN), copy(kN), other(64);
  source.SetGain(2.5f);
  source.SetSampleRate(32000.0f);
  source.SetEqualLoudness(true);
  source.SetEqualLoudnessFn(3);
  auto a = Ramp(1.0);
  source.StoreValuesForGraph(a.data(), kN);
  copy.CopyFrom(&source);
  EXPECT_EQ(copy.GetCurrentIndex(), source.GetCurrentIndex());
  EXPECT_EQ(Peek(copy, 1), Peek(source, 1));
  EXPECT_EQ(copy.GetGain(), 2.5f);
  EXPECT_EQ(copy.GetSampleRate(), 32000.0f);
  EXPECT_TRUE(copy.IsEqualLoudness());
  EXPECT_EQ(copy.GetEqualLoudnessFn(), 3);
  EXPECT_EQ(copy.GetWeight(1), source.GetWeight(1));
  EXPECT_EQ(source.GetReaderBusyCount(), 0);
  EXPECT_EQ(copy.GetReaderBusyCount(), 0);

  copy.CopyFrom(nullptr);
  other.CopyFrom(&source);  // different size: would overrun
  EXPECT_EQ(other.GetGain(), 1.0f);
  EXPECT_EQ(Peek(copy, 1), Peek(source, 1));
}

TEST(FrequencyDataStoreTest, WindowGainBySizeAndWindow) {
  struct Case {
    int N;
    EWindowType window;
    float expected;
  } cases[] = {
      {4096, eWindowHann, 0.84693f},
      {1000, eWindowBlackman, 1.0f},
      {256, eWindowRectangle, 15.700062f * 0.44878614f},
      {131072, eWindowBlackmanHarris, 0.030393757f * 1.1625f},
      {2048, eWindowHamming, 1.9579611f * 0.79302275f},
      {8192, static_cast<EWindowType>(9), 0.545135f},
  };
  for (const Case& c : cases) {
    CFrequencyDataStore store(c.N);
    store.SetUsingWindowFn(c.window);
    EXPECT_FLOAT_EQ(store.GetWindowGain(), c.expected) << "N " << c.N << " window " << int(c.window);
  }
}

// Bin 1 at exactly 1 kHz: N = 32 at 32 kHz.
TEST(FrequencyDataStoreTest, LoudnessWeightsAtOneKilohertz) {
  const float expected[] = {0.10176f, 0.39029f, 0.76938f, 0.46740f, 1, 1, 1, 1, 1, 1};
  for (int fn = 1; fn <= 10; ++fn) {
    CFrequencyDataStore store(kN);
    store.SetSampleRate(32000.0f);
    store.SetEqualLoudness(true);
    store.SetEqualLoudnessFn(fn);
    auto s = Flat(2.0);
    store.StoreValuesForGraph(s.data(), kN);
    const std::vector<double> v = CurrentValues(store);
    EXPECT_NEAR(store.GetWeight(1), expected[fn - 1], 5e-5) << g_pszEqualLoudnessFnNames[fn];
    EXPECT_EQ(store.GetWeight(0), store.GetWeight(1)) << "DC takes bin 1's weight";
    EXPECT_DOUBLE_EQ(v[1], 2.0 * store.GetWeight(1));
    if (fn >= 5) {
      // d dB of power per octave: bins 2 and 4 are 2 and 4 kHz.
      const double d = fn - 4;
      EXPECT_NEAR(store.GetWeight(2), std::pow(10.0, d / 10.0), 1e-4) << g_pszEqualLoudnessFnNames[fn];
      EXPECT_NEAR(store.GetWeight(4), std::pow(10.0, 2.0 * d / 10.0), 1e-4) << g_pszEqualLoudnessFnNames[fn];
    }
  }
}

// The four curves across the band, against the standard pole-zero forms in
// double precision (same constants, independent arithmetic).
TEST(FrequencyDataStoreTest, LoudnessCurvesFollowTheirFormulasAcrossTheBand) {
  auto reference = [](int fn, double f) {
    const double a = f + 129.4, e = f + 76655.0;
    switch (fn) {
      case 1: return 7397049856.0 * std::pow(f, 4) / (a * a * (f + 676.7) * (f + 4636.0) * e * e);
      case 2: return 5991849984.0 * std::pow(f, 3) / (a * a * (f + 995.9) * e * e);
      case 3: return 5917969920.0 * f * f / (a * a * e * e);
      default:
        return 91104.32 * f * (f * f + 6532.0 * f + 4.0975e7) /
               ((f + 1776.3) * (f + 7288.5) * (f * f + 21514.0 * f + 3.8836e8));
    }
  };
  const int N = 1024;
  for (int fn = 1; fn <= 4; ++fn) {
    CFrequencyDataStore store(N);
    store.SetSampleRate(48000.0f);
    store.SetEqualLoudnessFn(fn);
    std::vector<double> bins(N / 2 + 1, 1.0);
    store.ApplyEqualLoudnessFn(bins.data());
    for (int k = 1; k <= N / 2; k += 37) {
      const double f = k * (48000.0 / N);
      EXPECT_NEAR(bins[k], reference(fn, f), 2e-5 * reference(fn, f)) << g_pszEqualLoudnessFnNames[fn] << " bin " << k;
    }
  }
}

TEST(FrequencyDataStoreTest, WeightingNeedsFlagAndKnownFunction) {
  auto s = Flat(4.0);
  CFrequencyDataStore flagOff(kN);
  flagOff.SetSampleRate(32000.0f);
  flagOff.SetEqualLoudnessFn(1);
  flagOff.StoreValuesForGraph(s.data(), kN);
  EXPECT_EQ(CurrentValues(flagOff)[1], 4.0) << "no weighting without the flag";

  CFrequencyDataStore unknown(kN);
  unknown.SetEqualLoudness(true);
  unknown.SetEqualLoudnessFn(42);
  unknown.StoreValuesForGraph(s.data(), kN);
  for (double v : CurrentValues(unknown)) EXPECT_EQ(v, 4.0) << "an unknown function weights nothing";
}

TEST(FrequencyDataStoreTest, WeightTableFollowsTheFunctionNotTheRate) {
  CFrequencyDataStore store(kN);
  store.SetSampleRate(32000.0f);
  store.SetEqualLoudnessFn(3);
  std::vector<double> bins(kBins, 1.0);
  store.ApplyEqualLoudnessFn(bins.data());
  const float atFirstRate = store.GetWeight(1);
  store.SetSampleRate(64000.0f);
  store.ApplyEqualLoudnessFn(bins.data());
  EXPECT_EQ(store.GetWeight(1), atFirstRate) << "the table is recomputed only for a new function";
  store.SetEqualLoudnessFn(1);
  store.ApplyEqualLoudnessFn(bins.data());
  store.SetEqualLoudnessFn(3);
  store.ApplyEqualLoudnessFn(bins.data());
  EXPECT_NE(store.GetWeight(1), atFirstRate) << "a new function recomputes at the new rate";
}
