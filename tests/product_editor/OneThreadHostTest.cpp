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
#include <vector>

#include "Helpers/PersistantStorage.h"
#include "platform/PrefStore.h"
#include "product_editor/EditorSupport.h"

using namespace edtest2;

namespace {

std::atomic<unsigned int> g_Now{900000};
unsigned int TestClock() { return g_Now.load(); }

// The value stored under a preference key, read from the file itself (a
// query would first write what waits for the idle side); -1 when missing.
long long Stored(const char* key) {
  platform::PrefValue value;
  if (!platform::PrefStore(CPersistantStorage::ApplicationIdentifier()).Get(key, &value)) return -1;
  return value.nInt;
}

struct Mode {
  int nFftSize, nKernelSize, nLatency;
  float fRatingValue;
  long long nStoredRating;
  bool operator==(const Mode& o) const {
    return nFftSize == o.nFftSize && nKernelSize == o.nKernelSize && nLatency == o.nLatency &&
           fRatingValue == o.fRatingValue && nStoredRating == o.nStoredRating;
  }
};

struct Session {
  std::vector<int> ratings;
  std::vector<Mode> modes;  // after each rating
  int nRefitGainsAutomated = 0;
  std::vector<float> gains;  // after the refit
  long long nStoredFill = -1;
};

void ProcessBlock(AEffect* record) {
  constexpr int kFrames = 256;
  std::vector<float> in(kFrames, 0.25f), left(kFrames), right(kFrames);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {left.data(), right.data()};
  record->processReplacing(record, ins, outs, kFrames);
}

// An editor's edit of a control as the control base makes it.
void EditControl(EditorProbe& editor, CControl* control, float value) {
  control->beginEdit();
  control->setValue(value);
  editor.valueChanged(nullptr, control);
  control->endEdit();
}

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
    if (bOneThread)
      ProcessBlock(record);
    else
      std::async(std::launch::async, [&] { ProcessBlock(record); }).get();
  };
  auto dispatch = [&](VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
    return record->dispatcher(record, opcode, 0, value, ptr, 0.0f);
  };
  auto idle = [&] {
    g_Now += 600;
    dispatch(effIdle);
    dispatch(effEditIdle);
  };
  record->setParameter(record, kQvx2QMLink, 1.0f);

  // Every quality mode, each through the host's suspend and resume and an
  // idle call, as the settings ask.
  for (const int* rating = fx->GetAllowableRatings(); *rating != -1; ++rating) {
    s.ratings.push_back(*rating);
    block();
    record->setParameter(record, kQvx2QualityRating, static_cast<float>(*rating) / 999.0f);
    block();
    dispatch(effMainsChanged, 0);
    dispatch(effMainsChanged, 1);
    idle();
    s.modes.push_back({fx->GetFFTSize(), fx->GetKernelSize(), record->initialDelay,
                       record->getParameter(record, kQvx2QualityRating), Stored("QR")});
  }

  // A curve of the first layout, refitted by the editor's band-type menu.
  for (int b = 0; b < 20; ++b) record->setParameter(record, nParamG[b], 0.5f + 0.02f * static_cast<float>(b % 7));
  dispatch(effEditOpen, 0, frametest::HostWindow());
  for (int i = 0; i < 4; ++i) idle();
  block();
  fxtest::HostLog::Get().Reset();
  EditControl(*editor, editor->m_pBandTypeMenu, 2.0f);
  std::set<int> automated;
  for (const fxtest::HostCall& call : fxtest::HostLog::Get().CallsOf(audioMasterAutomate))
    if (call.nIndex < 2 * kQvx2NumBands) automated.insert(call.nIndex);
  s.nRefitGainsAutomated = static_cast<int>(automated.size());
  for (int i = 0; i < 2 * kQvx2NumBands; ++i) s.gains.push_back(record->getParameter(record, i));

  // A machine-wide setting from the editor's colour panel.
  editor->m_bColorMode = true;
  dispatch(effEditClose);
  dispatch(effEditOpen, 0, frametest::HostWindow());
  idle();
  block();
  EditControl(*editor, editor->m_pFillButton, 1.0f);
  idle();
  s.nStoredFill = Stored(kQvx2PersistantTable[QVX2Editor::kGraphFillParam - kQvx2FirstPersistantParam].szKey);

  dispatch(effEditClose);
  // As a host closes it: the effect's own idle thread ends first.
  dispatch(effClose);
  fx.release();
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
    EXPECT_EQ(two.modes[i].nStoredRating, two.ratings[i]);
    EXPECT_EQ(two.modes[i].fRatingValue, static_cast<float>(two.ratings[i]) / 999.0f);
    sizes.insert({two.modes[i].nFftSize, two.modes[i].nKernelSize});
  }
  EXPECT_EQ(sizes.size(), two.ratings.size()) << "each rating has a mode of its own";
  EXPECT_EQ(two.nRefitGainsAutomated, 2 * kQvx2NumBands);
  EXPECT_EQ(two.nStoredFill, 0) << "the fill switched off (its default is on)";

  ASSERT_EQ(one.modes.size(), two.modes.size());
  for (size_t i = 0; i < one.modes.size(); ++i)
    EXPECT_TRUE(one.modes[i] == two.modes[i])
        << "rating " << one.ratings[i] << ": FFT " << one.modes[i].nFftSize << "/" << two.modes[i].nFftSize
        << ", kernel " << one.modes[i].nKernelSize << "/" << two.modes[i].nKernelSize << ", latency "
        << one.modes[i].nLatency << "/" << two.modes[i].nLatency << ", value " << one.modes[i].fRatingValue << "/"
        << two.modes[i].fRatingValue << ", stored " << one.modes[i].nStoredRating << "/" << two.modes[i].nStoredRating;
  EXPECT_EQ(one.nRefitGainsAutomated, two.nRefitGainsAutomated) << "band gains refitted";
  EXPECT_EQ(one.gains, two.gains);
  EXPECT_EQ(one.nStoredFill, two.nStoredFill);
}

}  // namespace
