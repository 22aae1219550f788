// The waveform graph: one period of the incoming waveform of both channels,
// held still by triggering on the period detected from the spectrum, with
// the detected frequency as text.
//
// The period comes from the two spectrum data stores (left and right): the
// bin whose harmonic series carries the most power wins, and the period is
// (half size / bin) x 2 samples. The audio thread then counts samples and,
// from 5 samples before each expected period start, waits for a positive-
// to-negative zero crossing of the left channel; from there it takes one
// period of both channels, one sample per pixel column (every P / W-th when
// the period is longer than the width), and hands the trace to the drawing
// through a lock-free hand-over. Without a crossing for two periods it takes
// the period from where it stands, so a signal without crossings still
// shows.
//
// Thread contract: StoreValues on the audio thread (no allocation, no
// lock, no wait); everything else on the user-interface thread. The data
// stores are read with their reader handshake; they are not owned and must
// outlive the graph's use of them.
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/ScopeHandOver.h"

class CFrequencyDataStore;

class CWaveFormGraph : public CLayeredOwnerDrawControl {
 public:
  // Samples before an expected period start from which a trigger counts.
  static constexpr int kTriggerLead = 5;

  CWaveFormGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // [user-interface thread] Slot 0 left, 1 right; other slots are ignored.
  void SetDataStore(int slot, CFrequencyDataStore* store);
  // [user-interface thread] Detects the period when both stores are set and
  // the right one has flipped since the last detection.
  void AttemptToDetectFreq();
  // [audio thread]
  void StoreValues(const float* left, const float* right, int count);

  // [user-interface thread, drawing]
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  void DoDrawBackground(CDrawContext* layer) override;

  // The detected period in samples (0 until one is known) and its
  // frequency in Hz (0 without a sample rate).
  int GetPeriod() const { return nPeriod.load(std::memory_order_relaxed); }
  float GetDetectedFreq() const { return fDetectedFreq; }

  // One captured period as the display receives it.
  struct Trace {
    std::unique_ptr<float[]> left, right;  // per column
    int nColumns = 0;                      // columns holding samples
    int period = 0;
  };
  // [user-interface thread] The trace shown (after the last draw).
  const Trace& Shown() const { return *m_pShown; }

  int nW = 0;
  CFrequencyDataStore* pDataStore[2] = {nullptr, nullptr};
  int nLastFlipCount = -1;
  float fDetectedFreq = 0.0f;
  // Written by the detection, read by the audio thread.
  std::atomic<int> nPeriod{0};

 private:
  enum ETrigger { eWaiting, eSearching, eCapturing };
  // [audio thread]
  void StartWaiting();
  void Capture(float left, float right);

  // [audio thread] Trigger state.
  int m_nPeriodInUse = 0;
  long long m_nSeen = 0;       // samples since the period became known
  ETrigger m_eTrigger = eWaiting;
  long long m_nUntilSearch = 0;
  long long m_nSearched = 0;
  int m_nCaptured = 0;
  float m_fLastLeft = 0.0f;
  bool m_bCleared = false;

  CScopeHandOver<Trace> m_handOver;
  Trace m_blank;
  const Trace* m_pShown = &m_blank;
};
