#include "Helpers/OwnerDrawControlsMetering.h"

#include <cmath>
#include <cstdint>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsMetering");

static_assert(std::atomic<float>::is_always_lock_free, "the audio thread must never wait");
static_assert(std::atomic<bool>::is_always_lock_free, "the audio thread must never wait");
static_assert(std::atomic<unsigned int>::is_always_lock_free, "the audio thread must never wait");

CLevelMeterMetering::CLevelMeterMetering() = default;

namespace {

// Peak and sum of squares of one channel's block; a NaN sample counts
// toward neither (std::fabs(NaN) > peak is false).
template <typename Sample>
void Measure(Sample sample, int count, float& peak, float& sumOfSquares) {
  for (int i = 0; i < count; ++i) {
    const float x = sample(i);
    if (std::isnan(x)) continue;
    const float a = std::fabs(x);
    if (a > peak) peak = a;
    sumOfSquares += x * x;
  }
}

}  // namespace

void CLevelMeterMetering::StoreValues(const float* left, const float* right, int count) {
  XR_TRY
  if (count < 1 || !left || !right) return;
  const bool midSide = bMidSide.load();
  const int window = nRmsWindow.load();
  for (int c = 0; c < kChannels; ++c) {
    // Only this thread changes the versions: its own reads need no order.
    const unsigned int peakVersion = nPeakVersion[c].load(std::memory_order_relaxed);
    const bool peakRead = nPeakReadVersion[c].load() == peakVersion;
    float peak = peakRead ? 0.0f : fPeak[c].load();
    float sum = 0.0f;
    if (midSide) {
      if (c == 0)
        Measure([&](int i) { return (left[i] + right[i]) * 0.5f; }, count, peak, sum);
      else
        Measure([&](int i) { return (left[i] - right[i]) * 0.5f; }, count, peak, sum);
    } else {
      const float* in = c == 0 ? left : right;
      Measure([in](int i) { return in[i]; }, count, peak, sum);
    }
    fPeak[c].store(peak);
    nPeakVersion[c].store(peakVersion + 1);

    fRmsSum[c] += sum;
    nRmsCount[c] += count;
    if (nRmsCount[c] >= window) {
      const float r = std::sqrt(fRmsSum[c] / static_cast<float>(nRmsCount[c])) * kRmsFactor;
      const unsigned int rmsVersion = nRmsVersion[c].load(std::memory_order_relaxed);
      const bool rmsRead = nRmsReadVersion[c].load() == rmsVersion;
      // Unread, a larger value of an earlier window stays until displayed.
      if (rmsRead || !(fRms[c].load() > r)) {
        fRms[c].store(r);
        nRmsVersion[c].store(rmsVersion + 1);
      }
      fRmsSum[c] = 0.0f;
      nRmsCount[c] = 0;
    }
    if (peak > fPeakMax[c].load()) fPeakMax[c].store(peak);
  }
  XR_CATCH_VOID
}

float CLevelMeterMetering::ExtractValue(int channel, int which, float*& shown, float*& hold,
                                        unsigned int*& holdUntil) {
  XR_TRY
  const int c = channel == 1 ? 1 : 0;
  const bool rms = bRmsPrimary ? which == 0 : which == 1;
  // The version before the value: the value read is of that version or a
  // later one, so reporting it never claims more than was read.
  float input;
  float rise;
  float fall;
  if (rms) {
    shown = &fRmsShown[c];
    hold = &fRmsHold[c];
    holdUntil = &nRmsHoldUntil[c];
    const unsigned int version = nRmsVersion[c].load();
    input = fRms[c].load();
    nRmsReadVersion[c].store(version);
    rise = fRmsRise;
    fall = fRmsFall;
  } else {
    shown = &fPeakShown[c];
    hold = &fPeakHold[c];
    holdUntil = &nPeakHoldUntil[c];
    const unsigned int version = nPeakVersion[c].load();
    input = fPeak[c].load();
    nPeakReadVersion[c].store(version);
    rise = fPeakRise;
    fall = fPeakFall;
  }
  if (!bShowSecondary) {
    // Nobody reads the other quantity: it starts afresh like this one.
    if (rms) nPeakReadVersion[c].store(nPeakVersion[c].load());
    else nRmsReadVersion[c].store(nRmsVersion[c].load());
  }
  // Limited to full scale; a value that is not a number shows as silence,
  // so that it cannot stick in the smoothing.
  const float v = std::isnan(input) ? 0.0f : (input < 1.0f ? input : 1.0f);
  if (std::isnan(*shown)) *shown = v;
  const float k = v > *shown ? rise : fall;
  *shown = k * *shown + (1.0f - k) * v;
  return *shown;
  XR_CATCH(0.0f)
}

void CLevelMeterMetering::ApplyHold(float shown, float& hold, unsigned int& holdUntil,
                                    unsigned int now) const {
  XR_TRY
  // The hold has ended before now, compared across the clock's wrap.
  if (!MsReached(holdUntil, now)) {
    const double held = hold > 1e-10f ? hold : 1e-10;
    hold = static_cast<float>(std::exp(std::log(held) - 0.005 * std::log(double(MsElapsed(now, holdUntil)))));
    holdUntil = now;
  }
  if (shown >= hold) {
    hold = shown;
    holdUntil = now + static_cast<unsigned int>(nHoldMs);
  }
  XR_CATCH_VOID
}

void CLevelMeterMetering::HasBeenDisplayed() {
  for (int c = 0; c < kChannels; ++c) {
    nPeakReadVersion[c].store(nPeakVersion[c].load());
    nRmsReadVersion[c].store(nRmsVersion[c].load());
  }
}

void CLevelMeterMetering::Clear() {
  XR_TRY
  for (int c = 0; c < kChannels; ++c) {
    fPeak[c].store(0.0f);
    fPeakShown[c] = 0.0f;
    fRms[c].store(0.0f);
    fRmsShown[c] = 0.0f;
    fPeakHold[c] = 0.0f;
    fRmsHold[c] = 0.0f;
    fPeakMax[c].store(0.0f);
  }
  XR_CATCH_VOID
}

bool CLevelMeterMetering::GetIsQuiet() const {
  return fPeak[0].load() <= 0.00001f && fPeak[1].load() <= 0.00001f;
}
