#include "Helpers/RenderJudge.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
}  // namespace

int64_t CRenderJudge::MonotonicMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double CRenderJudge::SecondsBetween(int64_t from, int64_t to) {
  return to > from ? static_cast<double>(to - from) * 1e-6 : 0.0;
}

void CRenderJudge::ResetPace() {
  m_bFast.store(false, kRelaxed);
  m_fFindLead.store(0.0, kRelaxed);
  m_fReleaseLead.store(0.0, kRelaxed);
  m_fPacedSeconds.store(0.0, kRelaxed);
}

void CRenderJudge::StartRelease() {
  m_fReleaseLead.store(0.0, kRelaxed);
  m_fPacedSeconds.store(0.0, kRelaxed);
  m_fCaughtUpAt.store(0.0, kRelaxed);
  m_fSpanStart.store(0.0, kRelaxed);
  m_fSpanLow.store(kNoLead, kRelaxed);
  m_fLastSpanLow.store(kNoLead, kRelaxed);
}

bool CRenderJudge::NotePace(double block, double wall) {
  // A pause counts for no more than the gap after a burst: a device asks
  // for each block in its time, never later.
  wall = std::min(wall, kBurstSeconds + block);
  const double slack = kBurstSeconds + kSlackBlocks * block;
  if (!m_bFast.load(kRelaxed)) {
    const double lead = std::max(m_fFindLead.load(kRelaxed) + block - kRealTimeBound * wall, 0.0);
    m_fFindLead.store(lead, kRelaxed);
    if (lead <= slack) return false;
    m_bFast.store(true, kRelaxed);
    StartRelease();
    return true;
  }
  const double before = std::max(m_fReleaseLead.load(kRelaxed) - wall, 0.0);
  const double lead = before + block;
  if (lead > slack) {
    // Faster than a real-time host's bursts allow: the pace starts again.
    StartRelease();
    return true;
  }
  const double paced = m_fPacedSeconds.load(kRelaxed) + wall;
  // The lead before this block, as low as it was over the last span or
  // two of a burst's time: the host has caught up with the wall clock (a
  // burst ended, or it keeps a standing buffer full). A render faster than
  // real time only ever gains.
  if (paced - m_fSpanStart.load(kRelaxed) >= kBurstSeconds) {
    m_fLastSpanLow.store(m_fSpanLow.load(kRelaxed), kRelaxed);
    m_fSpanLow.store(kNoLead, kRelaxed);
    m_fSpanStart.store(paced, kRelaxed);
  }
  const double low = std::min(m_fSpanLow.load(kRelaxed), m_fLastSpanLow.load(kRelaxed));
  if (before <= low + kCatchUpSeconds) m_fCaughtUpAt.store(paced, kRelaxed);
  m_fSpanLow.store(std::min(m_fSpanLow.load(kRelaxed), before), kRelaxed);
  m_fReleaseLead.store(lead, kRelaxed);
  m_fPacedSeconds.store(paced, kRelaxed);
  if (paced < kReleaseSeconds || paced - m_fCaughtUpAt.load(kRelaxed) > kBurstSeconds + block) return true;
  ResetPace();
  return false;
}

CRenderJudge::CVerdict CRenderJudge::BeginBlock(const CBlockFacts& facts) {
  const int64_t now = m_Clock();
  m_nInFlight.fetch_add(1, std::memory_order_acq_rel);
  const uint64_t me = ThisThreadSerial();

  const bool previous = m_bHavePrevious.exchange(true, kRelaxed);
  const double block = facts.sampleRate > 0.0 ? facts.frames / facts.sampleRate : 0.0;
  const double lastFrames = m_nLastFrames.load(kRelaxed);
  const bool lastKnown = m_bLastTransportKnown.load(kRelaxed);
  const bool lastPlaying = lastKnown && m_bLastPlaying.load(kRelaxed);
  const bool playing = facts.transportKnown && facts.transportPlaying;

  // The host's boundaries.
  bool boundary = m_bNewStreamAsked.exchange(false, std::memory_order_acq_rel);
  if (previous && (facts.sampleRate != m_fLastRate.load(kRelaxed) || facts.blockSize != m_nLastBlockSize.load(kRelaxed)))
    boundary = true;
  const bool transportStarts = previous && lastKnown && !lastPlaying && playing;
  // A new play or render is judged afresh.
  if (boundary || transportStarts || m_bPaceResetAsked.exchange(false, kRelaxed)) ResetPace();
  boundary = boundary || transportStarts;
  bool advancing = false;
  if (previous && lastPlaying && playing) {
    const double expected = m_fLastPosition.load(kRelaxed) + lastFrames;
    const double tolerance = std::max(kJumpSeconds * facts.sampleRate, kJumpBlocks * std::max(lastFrames, 1.0));
    advancing = std::fabs(facts.transportPosition - expected) <= tolerance;
  }
  const bool jumped = previous && lastPlaying && playing && !advancing;
  const bool quiet = previous && SecondsBetween(m_nLastEndUs.load(std::memory_order_acquire), now) > kQuietSeconds;

  CVerdict verdict;
  if (facts.word == EHostWord::kOffline) {
    verdict.reason = EReason::kHostSaysOffline;
  } else if (facts.word != EHostWord::kRealTime && facts.offlineRender) {
    verdict.reason = EReason::kOfflineRenderSetting;
  } else if (facts.word == EHostWord::kNone && m_nUserInterfaceThread.load(kRelaxed) == me) {
    verdict.reason = EReason::kUserInterfaceThread;
  } else {
    // The host's time since the last block: its start, less that block's
    // own work when it was offline.
    const double wall = previous ? std::max(SecondsBetween(m_nLastStartUs.load(kRelaxed), now) -
                                                m_fLastOwnWork.load(kRelaxed),
                                            0.0)
                                 : 0.0;
    verdict.reason = NotePace(block, wall) ? EReason::kPace : EReason::kRealTime;
  }
  verdict.offline = verdict.reason != EReason::kRealTime;
  // The host's word decides these blocks: a later block it calls real time
  // is judged by its own pace.
  if (verdict.offline && verdict.reason != EReason::kPace) ResetPace();
  verdict.newStream = boundary || (verdict.offline ? jumped : quiet && !advancing);

  m_nLastStartUs.store(now, kRelaxed);
  m_bLastTransportKnown.store(facts.transportKnown, kRelaxed);
  m_bLastPlaying.store(facts.transportPlaying, kRelaxed);
  m_fLastPosition.store(facts.transportPosition, kRelaxed);
  m_nLastFrames.store(facts.frames, kRelaxed);
  m_fLastRate.store(facts.sampleRate, kRelaxed);
  m_nLastBlockSize.store(facts.blockSize, kRelaxed);
  m_nLastThread.store(me, kRelaxed);
  m_bLastOffline.store(verdict.offline, kRelaxed);
  m_bAnyBlock.store(true, std::memory_order_release);
  m_nBlocks.fetch_add(1, kRelaxed);
  if (verdict.offline) m_nOfflineBlocks.fetch_add(1, kRelaxed);
  if (verdict.newStream) m_nNewStreams.fetch_add(1, kRelaxed);
  return verdict;
}

void CRenderJudge::EndBlock() {
  const int64_t now = m_Clock();
  m_fLastOwnWork.store(m_bLastOffline.load(kRelaxed) ? SecondsBetween(m_nLastStartUs.load(kRelaxed), now) : 0.0,
                       kRelaxed);
  m_nLastEndUs.store(now, std::memory_order_release);
  m_nInFlight.fetch_sub(1, std::memory_order_acq_rel);
}

bool CRenderJudge::IsAudioStopped() const {
  if (!m_bAnyBlock.load(std::memory_order_acquire)) return true;
  if (m_nInFlight.load(std::memory_order_acquire) > 0) return false;
  // The render of the calling thread has ended: it is here, not in a block.
  const bool offline = m_bLastOffline.load(kRelaxed);
  if (offline && m_nLastThread.load(kRelaxed) == ThisThreadSerial()) return true;
  // Read after the stamp: never older than it.
  const int64_t lastEnd = m_nLastEndUs.load(std::memory_order_acquire);
  if (SecondsBetween(lastEnd, m_Clock()) > kQuietSeconds) return true;
  if (offline) return false;
  return m_bLastTransportKnown.load(kRelaxed) && !m_bLastPlaying.load(kRelaxed);
}

bool CRenderJudge::IsOfflineRenderOnAnotherThread() const {
  if (!m_bAnyBlock.load(std::memory_order_acquire) || !m_bLastOffline.load(kRelaxed) ||
      m_nLastThread.load(kRelaxed) == ThisThreadSerial())
    return false;
  if (m_nInFlight.load(std::memory_order_acquire) > 0) return true;
  const int64_t lastEnd = m_nLastEndUs.load(std::memory_order_acquire);
  return SecondsBetween(lastEnd, m_Clock()) <= kQuietSeconds;
}

CRenderJudge::CCounts CRenderJudge::Counts() const {
  CCounts counts;
  counts.blocks = m_nBlocks.load(kRelaxed);
  counts.offline = m_nOfflineBlocks.load(kRelaxed);
  counts.newStreams = m_nNewStreams.load(kRelaxed);
  return counts;
}
