// Shared pieces of the audio-path tests: a host that reports its transport
// stopped unless told otherwise (so the effect's idle work runs while blocks
// arrive, as in hosts that process with the transport stopped), an effect
// subclass that opens
// the engine and the update state, and block-stream helpers.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "QVX2/QVX2.h"

namespace runtest {

constexpr float kRate = 48000.0f;

struct ModeInfo {
  int nRating;
  const char* pszName;
  int nFftSize;
  int nKernelSize;
};
// The eight quality modes: latency = (FFT size - kernel size) + kernel / 2.
constexpr ModeInfo kModes[] = {
    {10, "Minimum", 1024, 512},    {20, "Low", 2048, 1024},       {30, "Medium", 4096, 2048},
    {40, "High1", 8192, 4096},     {50, "High2", 16384, 8192},    {60, "High3", 16384, 12288},
    {70, "High4", 32768, 16384},   {80, "Maximum", 32768, 24576},
};
constexpr int ModeLatency(const ModeInfo& m) { return m.nFftSize - m.nKernelSize + m.nKernelSize / 2; }

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
// The transport the host reports (stopped unless a test says otherwise).
std::atomic<bool>& TransportPlaying();
// What the host answers to the process-level request: real time unless a
// test says otherwise.
std::atomic<VstInt32>& ProcessLevel();
// The render pace's clock of a device that asks for each block a second
// after the last (each reading a second later), however fast a test sends
// them: blocks are real time unless the host says otherwise.
int64_t DevicePacedClock();
// audioMasterIOChanged requests seen by the host (all effects).
std::atomic<int>& IOChangedCount();

class RunQvx2 : public AQVX2 {
 public:
  // At 48 kHz, first in the mode of `firstRating`, quality settings not
  // linked to other instances afterwards; its render pace reads
  // DevicePacedClock.
  explicit RunQvx2(int firstRating = 30);
  // Another clock for the render pace, before the first block.
  void SetPaceClock(CRenderJudge::Clock clock) { SetRenderClockForTesting(clock); }

  // Applies a quality mode and bit depth as a host's suspend/resume does.
  void SetMode(int rating, bool bDouble);
  // Runs the idle-side update to its end, as idle calls would.
  void FinishUpdate() { CompleteFilterUpdate(); }
  // Every band gain of both channels (0.5 is 0 dB).
  void SetAllGains(float value);

  CQVX2Engine* Engine() { return m_pEngine.get(); }
  // Every offline block completes a pending update first, as the reference
  // for blocks that design only where they take a pair.
  void DesignBeforeEveryOfflineBlock() { SetDesignBeforeEveryOfflineBlockForTesting(true); }
  // Designs committed since the engine was built.
  unsigned PairsPublished() { return m_pEngine->pKernelHandOver->PublishedCount(); }
  int HostLatency() { return getAeffect()->initialDelay; }
  int LastLatency() const { return m_nLastLatency.load(); }
  bool AudioBusyHeld() const { return m_AudioBusy.IsHeld(); }
  // The dither type waits for the next block, which takes it once it holds
  // the engine.
  bool DitherPending() const { return m_bDitherPending.load(); }
  // A rebuild of the engine for the current mode, as the idle side makes it.
  void Rebuild() { ApplyQualityModeSettingsOuter(); }
  // The host's open: starts the effect's idle worker.
  void Open() { getAeffect()->dispatcher(getAeffect(), effOpen, 0, 0, nullptr, 0.0f); }
  bool FiltersMarked() const { return m_KernelUpdate.IsMarked(); }
  bool IdleBusy() const { return m_bIdleBusy.load(); }
  void ForceModeSizes(int fftSize, int kernelSize) {
    m_nFFTSize.store(fftSize);
    m_nKernelSize.store(kernelSize);
  }
  void SetRefitSuspend(bool bSuspend) {
    if (bSuspend)
      m_KernelUpdate.Suspend();
    else
      m_KernelUpdate.Resume();
  }
  // Replaces the per-bin responses by arrays for another FFT size, as a
  // mode change under way would leave them.
  void SetResponseArrays(int fftSize);
  int ResponseSize() const { return m_nResponseFftSize; }
  // Runs f while no idle-side update or rebuild can run.
  template <typename F>
  void WithIdleLock(F f) {
    std::lock_guard<std::recursive_mutex> serialise(m_IdleMutex);
    f();
  }
  const double* Response(int channel) const { return m_pfResponse[channel].get(); }
};

struct Stereo {
  std::vector<float> l, r;
  size_t Size() const { return l.size(); }
};

Stereo Noise(int frames, uint32_t seed, float amplitude = 0.5f);
Stereo Silence(int frames);
// Streams the input through processReplacing in blocks of the given sizes
// (cycled); in place when asked; `beforeBlock` gets each block's number.
Stereo Stream(AQVX2& fx, const Stereo& input, const std::vector<int>& blocks, bool bInPlace = false,
              const std::function<void(size_t)>& beforeBlock = {});
// Largest |a[i] - b[i - delay]| over i in [from, a.size()), b read as 0
// outside it.
double MaxDelayedError(const std::vector<float>& a, const std::vector<float>& b, int delay, int from = 0);
double MaxAbs(const std::vector<float>& a, int from = 0, int to = -1);

}  // namespace runtest
