// The effect's life around the signal path: start-up, the first quality-mode
// application, rebuilding the engine for a quality mode, refreshing and
// clearing it without a rebuild, the sample rate, and teardown.
//
// A rebuild builds a complete new engine first and swaps it in only then, so
// a failure (no memory, sizes the engine refuses) keeps the old engine and
// the effect keeps running on it. The swap and the settings pushed into the
// new engine's filters and bypass delay lines are done only with
// m_AudioBusy held, and all of it runs under m_IdleMutex. Outside a rebuild
// the filters and lines are the audio thread's: a clear is asked of its next
// block.
#include <algorithm>
#include <mutex>
#include <new>

#include "Helpers/Assert.h"
#include "Helpers/FFTPool.h"
#include "Helpers/HostInfo.h"
#include "Helpers/ScopedValue.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Editor.h"
#include "QVX2/QVX2Engine.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Lifecycle");

AQVX2::~AQVX2() {
  XR_TRY
  // The worker's passes use the engine, the editor's hooks and this
  // object's overrides.
  StopIdleWorker();
  // The editor draws from the data stores and calls into the effect from
  // its frame's idle thread: it is closed (that thread joined) before
  // anything it reaches goes.
  CloseEditorForTeardown();
  Cleanup();
  XR_CATCH_VOID
}

void AQVX2::Init() {
  XR_TRY
  XREffect::Init();
  // The one editor of both editions; it registers itself as the effect's
  // editor (which sets the record's editor flag) and lives until the
  // effect's destructor deletes it.
  new QVX2Editor(this);
  InitBellGraph();
  // The band tables and nParamG are complete at compile time.
  m_FloatCallBack1.m_pPartner = &m_FloatCallBack0;
  m_DoubleCallBack1.m_pPartner = &m_DoubleCallBack0;
  m_KernelUpdate.Restart();
  m_KernelUpdate.Mark();
  m_bIdleBusy.store(false);
  m_dwLastFilterUpdateTime = 0;
  m_fTrimLinkOffset.store(0.0f);
  // The host's open or resume starts the effect's own idle source.
  m_bIdleWorkerWanted = true;
  // From here on the base applies the quality settings and resume builds.
  m_bInitialised.store(true);
  XR_CATCH_VOID
}

void AQVX2::InitAfterParametersSet() {
  XR_TRY
  XREffect::InitAfterParametersSet();
  resume();
  XR_CATCH_VOID
}

void AQVX2::open() {
  XR_TRY
  XREffect::open();
  // The host is known from here on.
  if (g_eRecognisedHost.load() == kHostNuendo && kQvx2OfflineRender >= 0)
    SetParamAndForceHostUpdate(kQvx2OfflineRender, 1.0f);
  XR_CATCH_VOID
}

void AQVX2::resume() {
  XR_TRY
  XREffect::resume();
  // Creation's own resume leaves it; a host calling back from inside the
  // editor's frame leaves it to the next idle, since the idle side may be
  // waiting for that frame.
  if (m_bConstructing.load() || !m_bFirstDesignAtResume.load() || IsCalledBackFromEditorFrame()) return;
  m_bFirstDesignAtResume.store(false);
  CompleteFilterUpdate();
  XR_CATCH_VOID
}

void AQVX2::setSampleRate(float sampleRate) {
  XR_TRY
  AudioEffectX::setSampleRate(sampleRate);
  SetFiltersNeedUpdating();
  XR_CATCH_VOID
}

std::unique_ptr<CQVX2Engine> AQVX2::BuildEngine() {
  const int N = m_nFFTSize.load();
  const int L = m_nKernelSize.load();
  const int passes = m_nPasses.load();
  std::unique_ptr<CQVX2Engine> engine(new CQVX2Engine);
  engine->nFftSize = N;
  engine->nKernelSize = L;
  engine->nPasses = passes;
  // The filters refuse sizes they cannot run with (std::invalid_argument).
  if (m_nBitDepth.load() == 1) {
    engine->pDoubleFilter[0].reset(new FftFilterWithCallBack<double>(N, L, &m_DoubleCallBack0, this));
    engine->pDoubleFilter[1].reset(new FftFilterWithCallBack<double>(N, L, &m_DoubleCallBack1, this));
  } else {
    engine->pFloatFilter[0].reset(new FftFilterWithCallBack<float>(N, L, &m_FloatCallBack0, this));
    engine->pFloatFilter[1].reset(new FftFilterWithCallBack<float>(N, L, &m_FloatCallBack1, this));
  }
  for (auto& store : engine->pDataStore) {
    store.reset(new CFrequencyDataStore(N));
    if (!store->IsUsable()) throw std::bad_alloc();
  }
  for (int c = 0; c < 2; ++c) engine->pKernel[c].reset(new FftQVX2(N, L, passes, c, this));
  engine->pKernelHandOver.reset(new CQVX2KernelHandOver(N));
  engine->pScratch.reset(new float[static_cast<size_t>(N)]());
  engine->nScratch = N;
  return engine;
}

void AQVX2::ApplyQualityModeSettings() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> serialise(m_IdleMutex, std::defer_lock);
  if (!Acquire(serialise)) return;
  // The base holds the flag already; the hold is re-entrant.
  CAudioBusyHold hold(this);
  if (!hold.Held()) return;
  const CFlagScope<bool> building(m_bBuildingEngine);
  std::unique_ptr<CQVX2Engine> engine = BuildEngine();
  const int N = engine->nFftSize;
  const size_t bins = static_cast<size_t>(N / 2 + 1);
  std::unique_ptr<double[]> response[2] = {std::unique_ptr<double[]>(new double[bins]),
                                           std::unique_ptr<double[]>(new double[bins])};
  for (auto& r : response) std::fill(r.get(), r.get() + bins, 1.0);

  // Everything is built: swap in. The old objects go when this scope ends.
  m_FloatCallBack0.Forget();
  m_DoubleCallBack0.Forget();
  m_pEngine.swap(engine);
  for (int c = 0; c < 2; ++c) m_pfResponse[c].swap(response[c]);
  m_nResponseFftSize = N;
  m_nResponseResume = 0;
  // An update begun on the old arrays starts again on the new ones.
  m_KernelUpdate.Restart();

  UpdateAllFFTSettings();
  SetFiltersNeedUpdating();
  // The first block after the rebuild is already equalised. At creation the
  // host has yet to give its sample rate, and may never play (a scanner, a
  // session that loads every instance): the host's resume designs.
  if (m_bConstructing.load())
    m_bFirstDesignAtResume.store(true);
  else
    CompleteFilterUpdate();
  XR_CATCH_VOID
}

int AQVX2::BypassLatency() {
  if (!m_bReportLatency.load()) return 0;
  const int reported = std::max(0, m_nLastLatency.load());
  // A padded output (a host that keeps its first latency) is later by the
  // pad; the bypassed signal follows it.
  if (m_bPadLatency.load() && m_nFirstHostLatency > reported) return m_nFirstHostLatency;
  return reported;
}

void AQVX2::UpdateAllFFTSettings() {
  XR_TRY
  std::unique_lock<std::recursive_mutex> serialise(m_IdleMutex, std::defer_lock);
  if (!Acquire(serialise)) return;
  // Only a rebuild has settings to push: every latency setting rebuilds, and
  // after a stop the filters and lines need only the clear that comes with
  // it (ClearAllFFTFilters). Outside a rebuild they are the audio thread's.
  if (!m_bBuildingEngine) return;
  CQVX2Engine* engine = m_pEngine.get();
  if (engine == nullptr) return;
  for (auto& f : engine->pFloatFilter) UpdateFFTSettings(f.get());
  for (auto& f : engine->pDoubleFilter) UpdateFFTSettings(f.get());
  // New, empty lines as long as the latency just computed; built before the
  // old ones go, so a failure keeps the old ones.
  const int latency = BypassLatency();
  std::unique_ptr<CDelayFilter<float>> left(new CDelayFilter<float>(latency, true));
  std::unique_ptr<CDelayFilter<float>> right(new CDelayFilter<float>(latency, true));
  engine->pBypass[0] = std::move(left);
  engine->pBypass[1] = std::move(right);
  XR_CATCH_VOID
}

void AQVX2::InPlaceApplyQualityModeSettings() {
  XR_TRY
  m_bDitherPending.store(true);
  XR_CATCH_VOID
}

void AQVX2::ClearAllFFTFilters() {
  XR_TRY
  // Made by the audio thread at the start of its next block
  // (ClearStreams): a block never meets it half done, nor is one lost to it.
  RequestStreamClear();
  XR_CATCH_VOID
}

void AQVX2::CleanupFFTObjects() {
  XR_TRY
  // A forked child that can take neither the idle side nor the engine
  // leaves the engine and the responses as they are, never freed: a thread
  // still using them may be the child's own.
  const auto leave = [this] {
    static_cast<void>(m_pEngine.release());
    for (auto& r : m_pfResponse) static_cast<void>(r.release());
  };
  // Waits for an update that another idle thread is running.
  std::unique_lock<std::recursive_mutex> serialise(m_IdleMutex, std::defer_lock);
  if (!Acquire(serialise)) return leave();
  std::unique_ptr<CQVX2Engine> engine;
  {
    CAudioBusyHold hold(this);
    if (!hold.Held()) return leave();
    m_FloatCallBack0.Forget();
    m_DoubleCallBack0.Forget();
    m_pEngine.swap(engine);
  }
  engine.reset();
  for (auto& r : m_pfResponse) r.reset();
  m_nResponseFftSize = 0;
  m_nResponseResume = 0;
  m_KernelUpdate.Restart();
  XR_CATCH_VOID
}

void AQVX2::Cleanup() {
  XR_TRY
  CleanupFFTObjects();
  FFT_Deinit();
  XR_CATCH_VOID
}

bool AQVX2::GetDataStores(CFrequencyDataStore* (&stores)[kQvx2NumDataStores]) {
  for (CFrequencyDataStore*& store : stores) store = nullptr;
  XR_TRY
  // Only tried: the editor asks while it holds its frame lock, which a
  // rebuild takes after this mutex.
  std::unique_lock<std::recursive_mutex> idle(m_IdleMutex, std::try_to_lock);
  if (!idle.owns_lock()) return false;
  for (int i = 0; i < kQvx2NumDataStores && m_pEngine; ++i) stores[i] = m_pEngine->pDataStore[i].get();
  return true;
  XR_CATCH(false)
}

CFrequencyDataStore* AQVX2::GetDataStore(int index) {
  CFrequencyDataStore* stores[kQvx2NumDataStores];
  GetDataStores(stores);
  return index >= 0 && index < kQvx2NumDataStores ? stores[index] : nullptr;
}
