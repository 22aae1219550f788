// The committed kernel pair on its way to the audio thread. The idle side
// designs and commits the two channel kernels; the audio thread must take
// both together between frames (at the start of a block), never wait for the
// idle side and never read a pair while it is written. Three copies of the
// pair make a triple buffer: the idle side writes the copy it owns and trades
// it for the one in the middle with one atomic exchange (Publish); at the
// start of a block (offline, after the first frame the block completes) the
// audio thread, when the middle holds a pair it has not taken, trades its own
// copy for that one the same way (TakeNewest). Neither side ever holds the
// other's copy, so the idle side may write again at once, and the audio
// thread reads its copy until it takes the next however many pairs are
// published meanwhile; a pair it never took is written over.
//
// Thread contract: built and destroyed on the idle side with the engine (the
// only allocation); Publish on the idle side, one call at a time (the owner
// serialises them); TakeNewest and InUse on the audio thread, one block at a
// time, never waiting, allocating or throwing. Blocks on different threads
// must be ordered by the caller (the effect's audio-busy flag orders them).
// PublishedCount on any thread.
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/Complex.h"
#include "Helpers/FFTRealCommon.h"
#include "Helpers/FreqDomainConvolution.h"

class CQVX2KernelHandOver {
 public:
  // Both channels' committed responses as bins (N/2+1) and in the FFT's
  // packed order (N, see FreqDomainConvolution).
  struct Pair {
    bool bValid = false;  // false until a pair of committed kernels is copied in
    std::unique_ptr<Complex<double>[]> pBins[2];
    FFTRealArray<double> packed[2];
  };

  // For kernels of FFT size N; throws std::bad_alloc. The audio thread
  // starts on a pair that is not valid.
  explicit CQVX2KernelHandOver(int N);
  CQVX2KernelHandOver(const CQVX2KernelHandOver&) = delete;
  CQVX2KernelHandOver& operator=(const CQVX2KernelHandOver&) = delete;

  // Copies the committed responses of both kernels (of this FFT size) into
  // the idle side's pair and publishes it; valid only when both have one.
  // [idle side]
  void Publish(const FreqDomainConvolution<double>& left, const FreqDomainConvolution<double>& right);
  // Takes the newest published pair when the audio thread has not taken it
  // yet, and gives the idle side the pair it held. [audio thread, between
  // frames]
  const Pair& TakeNewest() noexcept;
  // The pair the audio thread took last. [audio thread]
  const Pair& InUse() const noexcept { return m_Pairs[m_nAudio]; }
  // Pairs published since the hand-over was built: one per committed
  // design. [any thread]
  unsigned PublishedCount() const { return m_nPublished.load(std::memory_order_relaxed); }

 private:
  // The middle pair's index carries this bit until the audio thread takes it.
  static constexpr unsigned kFresh = 4;
  static constexpr unsigned kIndex = 3;

  const int m_nFftSize;
  Pair m_Pairs[3];
  unsigned m_nIdle = 0;  // idle side only
  std::atomic<unsigned> m_nMiddle{1};
  unsigned m_nAudio = 2;  // audio thread only
  std::atomic<unsigned> m_nPublished{0};  // written by Publish
};
