// The effect base's quality settings and latency bookkeeping (see
// XREffectQuality.cpp), a section of XREffect's state: the six settings'
// current values and their changes waiting to be applied, the filters'
// sizes of the mode in effect and what the host was told of its latency.
#pragma once

#include <atomic>

#include "Helpers/XREffectTypes.h"

struct CXrQualityState {
  // Written by the idle side (under m_IdleMutex) unless noted; read by the
  // editor, the product and the audio thread.
  std::atomic<int> m_nQualityRating{kXrDefaultQualityRating};  // setters (any thread)
  std::atomic<bool> m_bPadLatency{false};
  int m_nFirstModeLatency = -1;                  // idle side only; GetQualityModeLatency of the first mode
  int m_nFirstHostLatency = -1;                  // idle side only
  std::atomic<int> m_nHostLatency{0};
  std::atomic<int> m_nLatencyChange{0};          // 0 none, 1 less than first, 2 rise refused
  std::atomic<int> m_nFFTSize{4096};
  std::atomic<int> m_nKernelSize{2048};
  std::atomic<int> m_nPasses{1};
  std::atomic<int> m_nDitherMode{0};             // setters (any thread)
  std::atomic<int> m_nBitDepth{0};               // setters (any thread)
  std::atomic<bool> m_bBitDepthChanged{false};   // setters raise, idle side clears
  std::atomic<bool> m_bReportLatency{true};      // setters (any thread)
  std::atomic<bool> m_bOfflineRender{false};     // setters (any thread)
  std::atomic<bool> m_bWysiwyg{false};           // setters (any thread)
  std::atomic<bool> m_bReportLatencyChanged{false};   // setters raise, idle side clears
  std::atomic<bool> m_bOfflineRenderChanged{false};   // setters raise, idle side clears
  std::atomic<int> m_nLastLatency{0};
  std::atomic<bool> m_bQualityNeverApplied{true};
  std::atomic<bool> m_bFirstLatencyReport{true};
  std::atomic<bool> m_bIOChangedAllowed{true};
  std::atomic<bool> m_bQualityRatingChanged{false};   // setters raise, idle side clears
};
