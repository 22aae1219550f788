// The metering side of the level meter: per channel, the sample peak and a
// windowed RMS level of the output blocks that the audio thread hands in,
// read back by the meter's drawing once per frame with rise and fall
// smoothing and peak-hold ballistics.
//
// The level meter display (CLevelMeter) derives from this class beside its
// owner-drawn base, so the effect feeds it through the meter's pointer.
//
// Hand-over between the threads, without waiting on either side: between
// two reads of a bar the meter keeps the largest peak of all blocks and the
// largest RMS value of all completed windows; once the reader has read a
// value, the next block starts a fresh peak and the next completed window
// replaces the RMS value. Each stored value carries a version number, and the
// reader reports per bar and channel the version it has read, so the writer
// starts afresh only after the reader has seen its latest value: a read that
// races with a block can make a value last one frame longer, never lose it.
//
// Channel 0 is left (or Mid), 1 right (or Side). Levels are linear
// amplitudes, 1.0 being full scale.
#pragma once

#include <atomic>

class CLevelMeterMetering {
 public:
  static constexpr int kChannels = 2;
  // The RMS value carries +3 dB, so that a full-scale sine reads 0 dB.
  static constexpr float kRmsFactor = 1.4125376f;

  CLevelMeterMetering();
  virtual ~CLevelMeterMetering() = default;
  CLevelMeterMetering(const CLevelMeterMetering&) = delete;
  CLevelMeterMetering& operator=(const CLevelMeterMetering&) = delete;

  // [audio thread] One block of the two output channels, `count` samples
  // each. No allocation, no lock, no system call. A count below 1 changes
  // nothing; a NaN sample counts toward neither the peak nor the RMS sum.
  void StoreValues(const float* left, const float* right, int count);

  // [user-interface thread] Reads and smooths one bar's value: `which` 0 is
  // the main bar, 1 the secondary one (RMS or peak by bRmsPrimary). The
  // references are pointed at the quantity's shown value, held value and
  // hold end for the channel. The input is limited to 1.0 before smoothing
  // (a NaN reads as 0). The value counts as read; with the secondary bar
  // hidden, reading the main bar counts the other quantity as read too, so
  // it does not gather a stale maximum. Returns the new shown value.
  float ExtractValue(int channel, int which, float*& shown, float*& hold,
                     unsigned int*& holdUntil);

  // [user-interface thread] Peak-hold ballistics, run for each bar right
  // after ExtractValue with the frame's clock reading: past its hold end a
  // held value decays by (elapsed ms)^-0.005 per frame; a shown value at or
  // above it takes its place and holds for nHoldMs.
  void ApplyHold(float shown, float& hold, unsigned int& holdUntil, unsigned int now) const;

  // [user-interface thread] Counts every value as read.
  void HasBeenDisplayed();
  // [user-interface thread] Zeroes the values, shown values, holds and the
  // clip maxima; sums, counts, hold ends and flags stay.
  void Clear();
  // Both running peaks at most 0.00001.
  bool GetIsQuiet() const;

  // Smoothing of the shown values: each frame shown = c * shown + (1 - c) *
  // input, with the rise coefficient for a rising input and the fall one
  // otherwise (0 follows at once, 1 holds). [user-interface thread]
  float fPeakRise = 1.0f;
  float fPeakFall = 0.75f;
  float fRmsRise = 0.8f;
  float fRmsFall = 0.5f;
  bool bShowSecondary = true;  // a thin second bar shows the other quantity
  bool bRmsPrimary = false;    // the main bar shows RMS, else the peak
  int nHoldMs = 1000;
  // Least samples per RMS value: a window ends at the first block boundary
  // at or past it. Written on the user-interface thread, read on the audio
  // thread.
  std::atomic<int> nRmsWindow{1024};

  // Running sample peak (written by the audio thread, read and zeroed by the
  // user-interface thread).
  std::atomic<float> fPeak[kChannels] = {};
  // [user-interface thread] The bars' smoothed values and holds.
  float fPeakShown[kChannels] = {};
  float fPeakHold[kChannels] = {};
  unsigned int nPeakHoldUntil[kChannels] = {};
  // Largest peak since the last reset, for the clip indicator (raised by the
  // audio thread, reset by the user-interface thread).
  std::atomic<float> fPeakMax[kChannels] = {};
  float fRmsShown[kChannels] = {};
  // Last RMS value, +3 dB included (written by the audio thread, read and
  // zeroed by the user-interface thread).
  std::atomic<float> fRms[kChannels] = {};
  float fRmsHold[kChannels] = {};
  unsigned int nRmsHoldUntil[kChannels] = {};
  // [audio thread] The current RMS window.
  float fRmsSum[kChannels] = {};
  int nRmsCount[kChannels] = {};
  // Versions of the stored peaks and RMS values (written by the audio thread
  // after each store of the value), and the versions the reader has read
  // (written by the user-interface thread).
  std::atomic<unsigned int> nPeakVersion[kChannels] = {};
  std::atomic<unsigned int> nRmsVersion[kChannels] = {};
  std::atomic<unsigned int> nPeakReadVersion[kChannels] = {};
  std::atomic<unsigned int> nRmsReadVersion[kChannels] = {};
  // Meter Mid and Side instead of left and right. Written on the
  // user-interface thread, read on the audio thread.
  std::atomic<bool> bMidSide{false};
};
