// The equaliser's signal path on the host's audio thread: the stereo block
// through the filter pair in chunks of one hop, the spectrum callbacks that
// feed the analysers and apply the kernels, bypass with the processed
// output's latency, and the trims in left/right or mid/side form.
//
// The audio thread's contract. It enters the effect through
//   - AQVX2::processReplacing (and XREffect::process, which calls it), with
//     the filters' spectrum callbacks (FilterCallBack0/1) inside it;
//   - host automation: XREffect::setParameter and getParameter, which some
//     hosts call on this thread between blocks.
// It never allocates, never prints and never waits for anything the idle or
// user-interface side can hold. What it touches that other threads touch:
//   - m_AudioBusy: one test-and-set per block; while the idle side holds it
//     (it replaces the engine: a rebuild, teardown) the block is output as
//     silence instead of waiting.
//   - the engine (filters, data stores, bypass lines, the kernel pair's
//     hand-over), only while it holds m_AudioBusy. Its filters and bypass
//     lines are this thread's alone: the idle side changes them only while
//     it holds the flag to build the engine, and otherwise asks this thread
//     to clear them (RequestStreamClear, judged at the start of a block). So each
//     filter's own Lock, taken by its streaming calls, is only ever taken by
//     this thread.
//   - the kernels: never the kernel objects (the idle side's), but the pair
//     taken from the engine's hand-over at the start of each block (offline,
//     after the first frame the block completes: the block's take,
//     CBlockKernelTake, on its stack) with one atomic exchange
//     (CQVX2KernelHandOver::TakeNewest), read without a lock while the idle
//     side commits and publishes others.
//   - the FFT pool: per transform a spin on the sample type's claim flag,
//     held by any thread only for a scan of 16 entries, and one object of the
//     size, waited for (spinning) only while all 16 are in transforms.
//   - the analyser data stores: the lock-free hand-over of
//     CFrequencyDataStore (a clear from the display is a request it honours).
//   - m_bDitherPending: an exchange; the dither type is an atomic.
//   - the editor: only through its hooks, which off the user-interface thread
//     raise flags for the editor's idle; the level meter's feed takes the
//     editor's lock A only by trying it and skips the block when it is held.
//   - the idle worker: a write that marks the filters wakes it without
//     waiting (CIdleWorker::Wake).
//   - offline only (Helpers/RenderJudge.h says when a block is), a block
//     that takes a new pair (at its start: a new stream, no valid pair yet;
//     or after a frame it completes, as its filters tell) takes the idle
//     mutex for its duration and completes a pending filter update first,
//     from the settings as of the block; other blocks leave the update
//     pending and the mutex alone, so a render designs once per frame at
//     most. With the audio-busy flag held the mutex is only tried; while an
//     update is pending the block lets the flag go and waits for the mutex
//     for a bounded time (AQVX2::EnterIdleSideForOfflineBlock). A real-time
//     block never waits. The host's process level and its transport, asked
//     for every block, are the only calls into the host this thread makes
//     (questions hosts answer on their audio thread).
//   - automation: parameter values are atomics; an undo point is recorded
//     under a try of the history's mutex or left in a lock-free queue for the
//     next holder (XREffect::StoreUndoPoint); preference writes of linked
//     quality settings and persistent parameters wait in a lock-free table,
//     one slot per key, for the idle side (CPersistantStorage::StorePluginInt);
//     quality settings only raise flags and leave their write-back (undo
//     point, the host's automate) to the idle side; a band-type write never
//     refits here. Automation here calls nothing in the host.
// The call marks its thread for its duration and has the block judged
// (CProcessCallScope, Helpers/RenderJudge.h); the mark is a thread-local of
// the initial-exec model, which never allocates, and the judgement only
// atomics.
#include <algorithm>
#include <cstring>
#include <optional>

#include "Helpers/Assert.h"
#include "Helpers/AudioThread.h"
#include "Helpers/SampleLoops.h"
#include "Helpers/ScopedValue.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Engine.h"
#include "QVX2/QVX2KernelMath.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Process");

namespace {

constexpr int kChannels = 2;

void WriteSilence(float* const* outputs, int n) {
  for (int c = 0; c < kChannels; ++c) std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(n));
}

// The store feed and the kernel products, for spectra as bins or packed.
template <typename FTYPE>
void FeedDataStore(CFrequencyDataStore* store, Complex<FTYPE>* spectrum, int N) {
  // A store of another size would read past the spectrum or leave bins out.
  if (store != nullptr && store->GetHalfSize() == N / 2) store->StoreValuesForGraph(spectrum, N);
}

template <typename FTYPE>
void FeedDataStore(CFrequencyDataStore* store, FTYPE* packed, int N) {
  if (store != nullptr) store->StoreValuesForGraphPacked(packed, N);
}

using KernelPair = CQVX2KernelHandOver::Pair;

template <typename FTYPE>
void ApplyKernels(Complex<FTYPE>* left, Complex<FTYPE>* right, const KernelPair& k, int N, bool bMidSide) {
  Qvx2ApplyKernels(left, right, k.pBins[0].get(), k.pBins[1].get(), N / 2 + 1, bMidSide);
}

template <typename FTYPE>
void ApplyKernels(FTYPE* left, FTYPE* right, const KernelPair& k, int N, bool bMidSide) {
  Qvx2ApplyKernelsPacked(left, right, k.packed[0].get(), k.packed[1].get(), N, bMidSide);
}

}  // namespace

template <typename FTYPE>
void FilterCallBack0<FTYPE>::Apply(int N, Complex<FTYPE>* spectrum, XREffect*) {
  m_pLeftSpectrum = spectrum;
  m_pLeftPacked = nullptr;
  m_nLeftSize = N;
}

template <typename FTYPE>
void FilterCallBack0<FTYPE>::ApplyPacked(int N, FTYPE* packed, XREffect*) {
  m_pLeftPacked = packed;
  m_pLeftSpectrum = nullptr;
  m_nLeftSize = N;
}

template <typename FTYPE>
void FilterCallBack1<FTYPE>::Apply(int N, Complex<FTYPE>* spectrum, XREffect* effect) {
  XR_TRY
  if (effect == nullptr || m_pPartner == nullptr || spectrum == nullptr) return;
  Complex<FTYPE>* left = m_pPartner->m_pLeftSpectrum;
  // Each left frame is used once.
  m_pPartner->m_pLeftSpectrum = nullptr;
  m_pPartner->m_pLeftPacked = nullptr;
  if (left == nullptr || m_pPartner->m_nLeftSize != N) return;
  static_cast<AQVX2*>(effect)->ProcessSpectra(N, left, spectrum);
  XR_CATCH_VOID
}

template <typename FTYPE>
void FilterCallBack1<FTYPE>::ApplyPacked(int N, FTYPE* packed, XREffect* effect) {
  XR_TRY
  if (effect == nullptr || m_pPartner == nullptr || packed == nullptr) return;
  FTYPE* left = m_pPartner->m_pLeftPacked;
  m_pPartner->m_pLeftSpectrum = nullptr;
  m_pPartner->m_pLeftPacked = nullptr;
  if (left == nullptr || m_pPartner->m_nLeftSize != N) return;
  static_cast<AQVX2*>(effect)->ProcessSpectra(N, left, packed);
  XR_CATCH_VOID
}

template class FilterCallBack0<float>;
template class FilterCallBack0<double>;
template class FilterCallBack1<float>;
template class FilterCallBack1<double>;

template <typename SPECTRUM>
void AQVX2::ProcessSpectra(int N, SPECTRUM* left, SPECTRUM* right) {
  XR_TRY
  CQVX2Engine* engine = m_pEngine.get();
  if (engine == nullptr || N != engine->nFftSize) return;
  // "FFT Source" In (0.0): the analysers see the spectra before the equaliser.
  const bool bSourceIn = Param(kQvx2FftSource)->load(std::memory_order_relaxed) == 0.0f;
  if (bSourceIn) {
    FeedDataStore(engine->pDataStore[0].get(), left, N);
    FeedDataStore(engine->pDataStore[1].get(), right, N);
  }
  // The pair this block took: no commit changes it under the
  // multiplication. A missing kernel leaves the spectra as they are.
  CQVX2KernelHandOver* handOver = engine->pKernelHandOver.get();
  if (handOver != nullptr && handOver->InUse().bValid && engine->pKernel[0] && engine->pKernel[1]) {
    const bool bMidSide = Param(kQvx2MSMode)->load(std::memory_order_relaxed) != 0.0f;
    ApplyKernels(left, right, handOver->InUse(), N, bMidSide);
  }
  CBlockKernelTake* take = m_pBlockKernelTake;
  if (handOver != nullptr && take != nullptr && take->bAfterFirstFrame) {
    handOver->TakeNewest();
    take->bAfterFirstFrame = false;
  }
  if (!bSourceIn) {
    FeedDataStore(engine->pDataStore[0].get(), left, N);
    FeedDataStore(engine->pDataStore[1].get(), right, N);
  }
  XR_CATCH_VOID
}

template void AQVX2::ProcessSpectra<Complex<float>>(int, Complex<float>*, Complex<float>*);
template void AQVX2::ProcessSpectra<Complex<double>>(int, Complex<double>*, Complex<double>*);
template void AQVX2::ProcessSpectra<float>(int, float*, float*);
template void AQVX2::ProcessSpectra<double>(int, double*, double*);

template <typename FTYPE>
bool AQVX2::RunFilters(FftFilterWithCallBack<FTYPE>* const* filters, CQVX2Engine& engine, float* const* in,
                       float* const* out, int n, bool bBypass) {
  FftFilterWithCallBack<FTYPE>* left = filters[0];
  FftFilterWithCallBack<FTYPE>* right = filters[1];
  if (left == nullptr || right == nullptr) return false;
  const int hop = left->m_nHop;
  if (hop <= 0 || (bBypass && engine.nScratch < hop)) return false;
  float* scratch = engine.pScratch.get();
  for (int done = 0; done < n;) {
    const int c = std::min(n - done, hop);
    // A completed frame runs the left callback, then the right one, here.
    left->ValuesIn(in[0] + done, c);
    right->ValuesIn(in[1] + done, c);
    left->CompleteProcessing();
    right->CompleteProcessing();
    if (bBypass) {
      // The filters keep running (their state and the analysers stay
      // current); their output goes nowhere.
      left->ValuesOut(scratch, c);
      right->ValuesOut(scratch, c);
    } else {
      left->ValuesOut(out[0] + done, c);
      right->ValuesOut(out[1] + done, c);
    }
    done += c;
  }
  return true;
}

void AQVX2::ClearStreams(CQVX2Engine& engine) {
  for (auto& f : engine.pFloatFilter)
    if (f) f->Clear();
  for (auto& f : engine.pDoubleFilter)
    if (f) f->Clear();
  // The bypassed signal follows the filtered one.
  for (auto& line : engine.pBypass)
    if (line) line->Clear();
  // A left frame waiting in a cleared filter is gone.
  m_FloatCallBack0.Forget();
  m_DoubleCallBack0.Forget();
}

bool AQVX2::CompletesFrame(const CQVX2Engine& engine, int n) {
  // Both filters of the pair take the same chunks: the right one, whose
  // callback takes a pair, answers for both.
  if (const FftFilter<float>* f = engine.pFloatFilter[1].get()) return f->SamplesToNextFrame() <= n;
  if (const FftFilter<double>* f = engine.pDoubleFilter[1].get()) return f->SamplesToNextFrame() <= n;
  return false;
}

void AQVX2::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  XR_TRY
  if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || sampleFrames <= 0) return;
  const int n = sampleFrames;
  const CProcessCallScope block(this, n);
  // Offline, a block that takes a new kernel pair holds the idle side off
  // to its end.
  std::unique_lock<std::recursive_mutex> idleSide(m_IdleMutex, std::defer_lock);
  // Read once: the whole block follows one reading.
  const bool bBypass = Param(kQvx2Bypass)->load(std::memory_order_relaxed) != 0.0f;

  std::optional<CAudioBusyTry> busy(std::in_place, this);
  CQVX2Engine* engine = busy->Held() ? m_pEngine.get() : nullptr;
  if (engine == nullptr || inputs == nullptr || inputs[0] == nullptr || inputs[1] == nullptr) {
    WriteSilence(outputs, n);
    return;
  }
  // What the idle side handed over since the last block, before anything
  // of this one: the dither type, a new stream, the newest kernel pair.
  if (m_bDitherPending.exchange(false)) {
    for (auto& f : engine->pFloatFilter) InPlaceUpdateFFTSettings(f.get());
    for (auto& f : engine->pDoubleFilter) InPlaceUpdateFFTSettings(f.get());
  }
  const bool bNewStream = block.StartsNewStream();
  if (bNewStream) ClearStreams(*engine);
  // Offline, the pair published for this block shapes the input from this
  // block on: the frame that completes next holds earlier input and keeps
  // the pair it had, and the new one is taken after it (ProcessSpectra), so
  // that a step of the settings is never heard before its block. A new
  // stream, or a block with no valid pair yet, takes it at once.
  const auto takesAfterFirstFrame = [&block, bNewStream](const CQVX2Engine& e) {
    const CQVX2KernelHandOver* h = e.pKernelHandOver.get();
    return block.IsOffline() && !bNewStream && h != nullptr && h->InUse().bValid;
  };
  // So each frame uses the pair designed from the settings as of the block
  // in which the frame before it completed (the first of a stream: as of the
  // block that started it). A pending update is designed only there, in a
  // block that takes a pair at once or completes a frame: a design in any
  // other block would be replaced before a frame took it. (The tests'
  // reference designs in every offline block.)
  if (block.IsOffline() &&
      (m_bDesignEveryOfflineBlock || !takesAfterFirstFrame(*engine) || CompletesFrame(*engine, n)) &&
      !EnterIdleSideForOfflineBlock(idleSide, false)) {
    // The idle side runs an update: it is waited for with the engine let
    // go, since a rebuild holds the idle side while it waits for the flag.
    busy.reset();
    EnterIdleSideForOfflineBlock(idleSide, true);
    busy.emplace(this);
    engine = busy->Held() ? m_pEngine.get() : nullptr;
    if (engine == nullptr) {
      WriteSilence(outputs, n);
      return;
    }
  }
  CQVX2KernelHandOver* handOver = engine->pKernelHandOver.get();
  CBlockKernelTake take;
  take.bAfterFirstFrame = takesAfterFirstFrame(*engine);
  if (handOver && !take.bAfterFirstFrame) handOver->TakeNewest();
  const CScopedValue<CBlockKernelTake*> blockTake(m_pBlockKernelTake, &take);

  // The bypass lines take every sample the filters take (also in place,
  // before the filters overwrite the input), so that both stay aligned
  // whichever blocks were skipped.
  if (!bBypass)
    for (int c = 0; c < kChannels; ++c)
      if (CDelayFilter<float>* line = engine->pBypass[c].get()) line->PushBlock(inputs[c], n);

  FftFilterWithCallBack<float>* floats[2] = {engine->pFloatFilter[0].get(), engine->pFloatFilter[1].get()};
  FftFilterWithCallBack<double>* doubles[2] = {engine->pDoubleFilter[0].get(), engine->pDoubleFilter[1].get()};
  const bool bRan = RunFilters(floats, *engine, inputs, outputs, n, bBypass) ||
                    RunFilters(doubles, *engine, inputs, outputs, n, bBypass);

  if (bBypass) {
    for (int c = 0; c < kChannels; ++c) {
      CDelayFilter<float>* line = engine->pBypass[c].get();
      if (line == nullptr) {
        std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(n));
        continue;
      }
      // The lines hold the input as it came; it is limited as it leaves.
      for (int i = 0; i < n; ++i) outputs[c][i] = LimitInputSample(line->Step(inputs[c][i]));
    }
    FeedEditorMeter(outputs, n);
    return;
  }
  if (!bRan) {
    WriteSilence(outputs, n);
    return;
  }

  const float gL = static_cast<float>(GetTrimGain(0));
  const float gR = static_cast<float>(GetTrimGain(1));
  float* left = outputs[0];
  float* right = outputs[1];
  if (Param(kQvx2MSMode)->load(std::memory_order_relaxed) == 0.0f) {
    // A trim at 0 dB leaves every sample as it is.
    if (gL != 1.0f) ScaleInto(left, left, gL, n);
    if (gR != 1.0f) ScaleInto(right, right, gR, n);
  } else {
    // Left trim scales the mid signal, right trim the side signal.
    const float mid = 0.5f * gL, side = 0.5f * gR;
    for (int i = 0; i < n; ++i) {
      const float m = (left[i] + right[i]) * mid;
      const float s = (left[i] - right[i]) * side;
      left[i] = m + s;
      right[i] = m - s;
    }
  }
  FeedEditorMeter(outputs, n);
  XR_CATCH_VOID
}
