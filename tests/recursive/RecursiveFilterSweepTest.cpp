// Every setter of the family driven with hostile arguments: zero, negative,
// NaN, infinite, denormal and huge values, alone and in combination. A setter
// either designs a finite, stable filter or refuses and leaves the filter as
// it was; it never stores a NaN or infinite coefficient.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "FilterResponse.h"
#include "Helpers/RecursiveFilter.h"

namespace {

const std::vector<float>& Hostile() {
  static const std::vector<float> v = {
      0.0f, -0.0f, -1.0f, -1e30f, -std::numeric_limits<float>::max(),
      std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::denorm_min(),
      std::numeric_limits<float>::min(), 1e-30f, 1e-7f, 0.25f, 1.0f / 3.0f, 0.5f, 1.0f, 2.0f,
      22050.0f, 22050.004f, 44100.0f, 1e30f, std::numeric_limits<float>::max()};
  return v;
}

bool AnyNonFinite(std::initializer_list<float> args) {
  for (float a : args)
    if (!std::isfinite(a)) return true;
  return false;
}

// Checks the outcome of one setter call on `f`, whose coefficients were
// `before`.
template <typename Filter>
void CheckOutcome(const Filter& f, bool bAccepted, const CoefSnapshot<Filter>& before, bool bMustRefuse,
                  const char* what) {
  ASSERT_TRUE(AllCoefsFinite(f)) << what;
  if (bMustRefuse) {
    ASSERT_FALSE(bAccepted) << what << " accepted a non-finite or out-of-range argument";
  }
  if (bAccepted) {
    ASSERT_TRUE(PolesInClosedUnitDisc(f, 1e-5)) << what << " designed an unstable filter";
  } else {
    ASSERT_TRUE(before.SameAs(f)) << what << " changed the filter while refusing";
  }
}

template <typename Filter>
void SweepOnePole() {
  Filter f;
  ASSERT_TRUE(f.SetCutOffFrequency(1000.0f, 44100.0f));
  for (float fr : Hostile()) {
    for (float sr : Hostile()) {
      const CoefSnapshot<Filter> before(f);
      const bool ok = f.SetCutOffFrequency(fr, sr);
      CheckOutcome(f, ok, before, AnyNonFinite({fr, sr}) || fr < 0 || !(sr > 0) || fr > sr / 2, "one-pole");
    }
    const CoefSnapshot<Filter> before(f);
    const bool ok = f.CalculateCoefs(fr);
    CheckOutcome(f, ok, before, !(fr >= 0 && fr <= 1), "one-pole CalculateCoefs");
  }
}

TEST(RecursiveFilterSweepTest, OnePoleFilters) {
  SweepOnePole<CRecursiveFilterLowPass<float>>();
  SweepOnePole<CRecursiveFilterHighPass<float>>();
}

template <typename Filter>
void SweepSecondOrder() {
  Filter f;
  ASSERT_TRUE(f.SetCutOffFrequencyAndResonance(1000.0f, 44100.0f, 1.4f));
  for (float fr : Hostile()) {
    for (float sr : Hostile()) {
      for (float r : Hostile()) {
        const CoefSnapshot<Filter> before(f);
        const bool ok = f.SetCutOffFrequencyAndResonance(fr, sr, r);
        CheckOutcome(f, ok, before, AnyNonFinite({fr, sr, r}) || fr < 0 || !(sr > 0) || fr > sr / 2 || !(r > 0),
                     "second-order");
      }
    }
    for (float r : Hostile()) {
      const CoefSnapshot<Filter> before(f);
      const bool ok = f.CalculateCoefs(fr, r);
      CheckOutcome(f, ok, before, std::isnan(fr) || fr < 0 || !std::isfinite(r) || !(r > 0),
                   "second-order CalculateCoefs");
    }
  }
}

TEST(RecursiveFilterSweepTest, SecondOrderPassFilters) {
  SweepSecondOrder<CRecursiveFilterLowPassButterworth<float>>();
  SweepSecondOrder<CRecursiveFilterHighPassButterworth<float>>();
  SweepSecondOrder<CRecursiveFilterPassThroughButterworth<float>>();
  SweepSecondOrder<CRecursiveFilterLowPassButterworthSoftSaturate<float>>();
  SweepSecondOrder<CRecursiveFilterHighPassButterworthSoftSaturate<float>>();
  SweepSecondOrder<CRecursiveFilterPassThroughButterworthSoftSaturate<float>>();
}

template <typename Filter>
void SweepBiquad(bool bUsesGain) {
  Filter f;
  ASSERT_TRUE(f.Set(1000.0f, 0.7f, 44100.0f, 2.0f));
  for (float fr : Hostile()) {
    for (float q : Hostile()) {
      for (float sr : Hostile()) {
        for (float g : Hostile()) {
          const CoefSnapshot<Filter> before(f);
          const float q0 = f.GetQ(), w0 = f.GetW0(), c0 = f.GetCosW0(), al0 = f.GetAlpha(), g0 = f.GetGain();
          const bool ok = f.Set(fr, q, sr, g);
          const bool bBad = AnyNonFinite({fr, q, sr, g}) || fr < 0 || !(sr > 0) || fr > sr / 2 || !(q > 0) ||
                            (bUsesGain && !(g > 0));
          CheckOutcome(f, ok, before, bBad, "biquad");
          if (!ok) {
            ASSERT_EQ(f.GetQ(), q0);
            ASSERT_EQ(f.GetW0(), w0);
            ASSERT_EQ(f.GetCosW0(), c0);
            ASSERT_EQ(f.GetAlpha(), al0);
            ASSERT_EQ(f.GetGain(), g0);
          }
        }
      }
    }
  }
  for (float g : Hostile()) {
    const CoefSnapshot<Filter> before(f);
    const bool ok = f.SetGain(g);
    CheckOutcome(f, ok, before, !std::isfinite(g) || (bUsesGain && !(g > 0)), "biquad SetGain");
  }
}

TEST(RecursiveFilterSweepTest, Biquads) {
  SweepBiquad<CRecursiveFilterBiquadNotch<float>>(false);
  SweepBiquad<CRecursiveFilterBiquadBandPass<float>>(false);
  SweepBiquad<CRecursiveFilterBiquadLowPass<float>>(false);
  SweepBiquad<CRecursiveFilterBiquadHighPass<float>>(false);
  SweepBiquad<CRecursiveFilterBiquadHighShelf<float>>(true);
  SweepBiquad<CRecursiveFilterBiquadLowShelf<float>>(true);
  SweepBiquad<CRecursiveFilterBiquadEQ<float>>(true);
}

TEST(RecursiveFilterSweepTest, NewBiquadRedesignsFromItsInitialSettings) {
  // Before any Set the stored settings are w0 = 0, alpha = 0, gain 1; a gain
  // change alone must still design from defined values.
  CRecursiveFilterBiquadLowShelf<float> shelf;
  EXPECT_TRUE(shelf.SetGain(2.0f));
  EXPECT_TRUE(AllCoefsFinite(shelf));
  CRecursiveFilterBiquadBandPass<float> bp;
  EXPECT_TRUE(bp.SetGain(1.0f));
  EXPECT_TRUE(AllCoefsFinite(bp));
}

template <typename Filter>
void SweepNarrowBand() {
  Filter f;
  ASSERT_TRUE(f.SetCentreFreqAndBandWidth(0.1f, 0.01f));
  for (float fr : Hostile()) {
    for (float bw : Hostile()) {
      const CoefSnapshot<Filter> before(f);
      const bool ok = f.SetCentreFreqAndBandWidth(fr, bw);
      CheckOutcome(f, ok, before, AnyNonFinite({fr, bw}) || !(fr > 0) || fr > 0.5f || bw < 0 || bw >= 1.0f / 3.0f,
                   "narrow band");
    }
  }
}

TEST(RecursiveFilterSweepTest, NarrowBandFilters) {
  SweepNarrowBand<CRecursiveFilterBandPass<float>>();
  SweepNarrowBand<CRecursiveFilterBandReject<float>>();
  CRecursiveFilterBandPass<float> bp;
  for (float fr : Hostile()) {
    for (float bw : Hostile()) {
      if (!bp.SetCentreFreqAndBandWidth(fr, bw)) continue;
      float fBack = 0, bwBack = 0;
      ASSERT_TRUE(bp.GetCentreFreqAndBandWidth(&fBack, &bwBack));
      ASSERT_TRUE(std::isfinite(fBack) && std::isfinite(bwBack));
      ASSERT_GE(fBack, 0.0f);
      ASSERT_LE(fBack, 0.5f);
    }
  }
}

}  // namespace
