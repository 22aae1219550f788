// A host that runs everything on one thread (offline renderers, batch
// processors, hosts that process on their user-interface thread) must be
// served exactly as one that processes on a thread of its own: the same
// session, played once with every block on the host's one thread and once
// with every block on an audio thread, ends with the same quality modes,
// latencies and parameter values, the same band-type refit and the same
// preferences on disk.
#include <future>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "Helpers/PersistantStorage.h"
#include "platform/PrefStore.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

std::atomic<unsigned int> g_Now{fxtest::FakeClockStart()};
unsigned int TestClock() { return g_Now.load(); }

// The value stored under a preference key, read from the file itself (a
// query would first write what waits for the idle side); -1 when missing.
long long Stored(const char* key) {
  platform::PrefValue value;
  if (!platform::PrefStore(CPersistantStorage::ApplicationIdentifier()).Get(key, &value)) return -1;
  return value.nInt;
}

// After a rating: FFT size, kernel size, latency, the rating parameter's
// value and the rating stored.
using Mode = std::tuple<int, int, int, float, long long>;

struct Session {
  std::vector<int> ratings;
  std::vector<Mode> modes;  // after each rating
  int nRefitGainsAutomated = 0;
  std::vector<float> gains;  // after the refit
  long long nStoredFill = -1;
};

Session Play(bool bOneThread) {
  Session s;
  frametest::HeadlessScope headless;
  fxtest::HostLog::Get().Reset();
  SetTickCountSourceForTesting(TestClock);
  auto fx = std::make_unique<EditorQvx2>();
  // As an earlier session of another instance left it: the lowest mode.
  CPersistantStorage::StorePluginInt("QR", 10);
  delete fx->getEditor();
  auto* editor = new EditorProbe(fx.get());
  AEffect* record = fx->getAeffect();
  auto block = [&] {
    auto process = [record] {
      std::vector<float> in(256, 0.25f), left(256), right(256);
      float* ins[2] = {in.data(), in.data()};
      float* outs[2] = {left.data(), right.data()};
      record->processReplacing(record, ins, outs, 256);
    };
    if (bOneThread)
      process();
    else
      std::async(std::launch::async, process).get();
  };
  auto idle = [&] {
    g_Now += 600;
    Dispatch(*fx, effIdle);
    Dispatch(*fx, effEditIdle);
  };
  record->setParameter(record, kQvx2QMLink, 1.0f);

  // Every quality mode, each through the host's suspend and resume and an
  // idle call, as the settings ask.
  for (const int* rating = fx->GetAllowableRatings(); *rating != -1; ++rating) {
    s.ratings.push_back(*rating);
    block();
    record->setParameter(record, kQvx2QualityRating, static_cast<float>(*rating) / 999.0f);
    block();
    Dispatch(*fx, effMainsChanged, 0, 0);
    Dispatch(*fx, effMainsChanged, 0, 1);
    idle();
    s.modes.emplace_back(fx->GetFFTSize(), fx->GetKernelSize(), record->initialDelay,
                         record->getParameter(record, kQvx2QualityRating), Stored("QR"));
  }

  // A curve of the first layout, refitted by the editor's band-type menu.
  for (int b = 0; b < 20; ++b) record->setParameter(record, nParamG[b], 0.5f + 0.02f * static_cast<float>(b % 7));
  Dispatch(*fx, effEditOpen, 0, 0, frametest::HostWindow());
  for (int i = 0; i < 4; ++i) idle();
  block();
  fxtest::HostLog::Get().Reset();
  EditControl(*editor, editor->m_pBandTypeMenu, {2.0f});
  std::set<int> automated;
  for (const fxtest::HostCall& call : fxtest::HostLog::Get().CallsOf(audioMasterAutomate))
    if (call.nIndex < 2 * kQvx2NumBands) automated.insert(call.nIndex);
  s.nRefitGainsAutomated = static_cast<int>(automated.size());
  for (int i = 0; i < 2 * kQvx2NumBands; ++i) s.gains.push_back(record->getParameter(record, i));

  // A machine-wide setting from the editor's colour panel.
  editor->m_bColorMode = true;
  Dispatch(*fx, effEditClose);
  Dispatch(*fx, effEditOpen, 0, 0, frametest::HostWindow());
  idle();
  block();
  EditControl(*editor, editor->m_pFillButton, {1.0f});
  idle();
  s.nStoredFill = Stored(kQvx2PersistantTable[QVX2Editor::kGraphFillParam - kQvx2FirstPersistantParam].szKey);

  Dispatch(*fx, effEditClose);
  // As a host closes it: the effect's own idle thread ends first.
  Dispatch(*fx.release(), effClose);
  SetTickCountSourceForTesting(nullptr);
  return s;
}

TEST(OneThreadHostTest, QVX2_SUITE(OneThreadForEverythingEndsAsAHostWithAnAudioThreadDoes)) {
  const Session two = Play(false);
  const Session one = Play(true);

  // The reference itself: every mode applied and stored, the refit and the
  // fill written.
  std::set<std::pair<int, int>> sizes;
  for (size_t i = 0; i < two.modes.size(); ++i) {
    EXPECT_EQ(std::get<4>(two.modes[i]), two.ratings[i]);
    EXPECT_EQ(std::get<3>(two.modes[i]), static_cast<float>(two.ratings[i]) / 999.0f);
    sizes.insert({std::get<0>(two.modes[i]), std::get<1>(two.modes[i])});
  }
  EXPECT_EQ(sizes.size(), two.ratings.size()) << "each rating has a mode of its own";
  EXPECT_EQ(two.nRefitGainsAutomated, 2 * kQvx2NumBands);
  EXPECT_EQ(two.nStoredFill, 0) << "the fill switched off (its default is on)";

  EXPECT_EQ(one.modes, two.modes) << "per rating: FFT size, kernel size, latency, rating value, rating stored";
  EXPECT_EQ(one.nRefitGainsAutomated, two.nRefitGainsAutomated) << "band gains refitted";
  EXPECT_EQ(one.gains, two.gains);
  EXPECT_EQ(one.nStoredFill, two.nStoredFill);
}

}  // namespace
