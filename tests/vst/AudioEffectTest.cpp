// The record and the requests 0..24: what the host sees, which operation
// each request reaches, and how host input that cannot be used is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "tests/vst/VstTestSupport.h"
#include "ExceptionCheck.h"

namespace {

TEST(AudioEffectRecordTest, EditorFlagFollowsTheEditorAndCloseDeletesBoth) {
  int editorsDestroyed = 0, effectsDestroyed = 0;
  auto* effect = new ProbeEffect(nullptr, &effectsDestroyed);
  AEffect* e = effect->getAeffect();
  auto* editor = new CountingEditor(effect, &editorsDestroyed);
  effect->setEditor(editor);
  EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
  effect->setEditor(nullptr);
  EXPECT_EQ(e->flags & effFlagsHasEditor, 0);
  effect->setEditor(editor);
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(effectsDestroyed, 1);
  EXPECT_EQ(editorsDestroyed, 1);
}

TEST(AudioEffectDispatchTest, SetProgramTakesOnlyProgramsInRangeWithoutTruncation) {
  ProbeEffect effect;
  for (VstIntPtr bad : {VstIntPtr{-1}, VstIntPtr{ProbeEffect::kPrograms}, k2Pow32, k2Pow32 + 2,
                        std::numeric_limits<VstIntPtr>::min()}) {
    Dispatch(effect, effSetProgram, 0, bad);
    EXPECT_TRUE(effect.notes.empty()) << "value " << bad << " must not reach setProgram";
  }
  Dispatch(effect, effSetProgram, 0, 5);
  EXPECT_EQ(effect.Last(), "setProgram(5)");
  EXPECT_EQ(Dispatch(effect, effGetProgram), 5);
  effect.setProgram(-3);
  EXPECT_EQ(effect.getProgram(), 5) << "the base ignores a negative program";
}

TEST(AudioEffectDispatchTest, MainsChangedSuspendsOnlyForZero) {
  ProbeEffect effect;
  Dispatch(effect, effMainsChanged, 0, 0);
  EXPECT_EQ(effect.Last(), "suspend()");
  Dispatch(effect, effMainsChanged, 0, 1);
  EXPECT_EQ(effect.Last(), "resume()");
  Dispatch(effect, effMainsChanged, 0, k2Pow32);
  EXPECT_EQ(effect.Last(), "resume()") << "a value of 2^32 is not zero";
  Dispatch(effect, effOpen);
  EXPECT_EQ(effect.Last(), "open()");
}

TEST(AudioEffectDispatchTest, SampleRateAndBlockSizeMustBeUsable) {
  ProbeEffect effect;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {0.0f, -44100.0f, nan, inf, -inf, 1e-30f, 999.0f, 1e30f, 10000001.0f})
    Dispatch(effect, effSetSampleRate, 0, 0, nullptr, bad);
  for (VstIntPtr bad : {VstIntPtr{0}, VstIntPtr{-512}, k2Pow32 + 512}) Dispatch(effect, effSetBlockSize, 0, bad);
  EXPECT_TRUE(effect.notes.empty());
  EXPECT_EQ(effect.getSampleRate(), 44100.0f);
  EXPECT_EQ(effect.getBlockSize(), 1024);
  Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 1000.0f);
  EXPECT_EQ(effect.getSampleRate(), 1000.0f);
  Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 96000.0f);
  Dispatch(effect, effSetBlockSize, 0, 256);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  EXPECT_EQ(effect.getBlockSize(), 256);
}

TEST(AudioEffectDispatchTest, EditorRequestsNeedAnEditorAndAPointer) {
  ProbeEffect effect;
  ERect* rect = nullptr;
  char window[8];
  for (VstInt32 op = effEditGetRect; op <= effEditSleep; ++op) {
    EXPECT_EQ(Dispatch(effect, op, 1, 2, op == effEditGetRect ? static_cast<void*>(&rect) : window), 0) << op;
  }
  int destroyed = 0;
  auto* editor = new CountingEditor(&effect, &destroyed);
  effect.setEditor(editor);
  EXPECT_EQ(Dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->bottom, 300);
  EXPECT_EQ(Dispatch(effect, effEditGetRect, 0, 0, nullptr), 0);
  EXPECT_EQ(Dispatch(effect, effEditOpen, 0, 0, nullptr), 0) << "no window to open into";
  EXPECT_EQ(Dispatch(effect, effEditOpen, 0, 0, window), 0) << "the base editor answers false";
  EXPECT_TRUE(editor->isOpen());
  Dispatch(effect, effEditClose);
  EXPECT_FALSE(editor->isOpen());
  EXPECT_EQ(Dispatch(effect, effEditMouse, 3, 4), 3004);
  EXPECT_EQ(Dispatch(effect, effEditMouse, 3, k2Pow32 + 4), 0) << "a coordinate past 32 bits is refused";
}

TEST(AudioEffectDispatchTest, FixedAnswersAndUnknownOpcodes) {
  ProbeEffect effect;
  EXPECT_EQ(Dispatch(effect, effIdentify, 7, 9), 0x4E764566);
  EXPECT_EQ(Dispatch(effect, effGetVu), 0);
  for (VstInt32 op : {-1, -1000, 80, 81, 1000, std::numeric_limits<VstInt32>::min(),
                      std::numeric_limits<VstInt32>::max()}) {
    char scratch[64] = {};
    EXPECT_EQ(Dispatch(effect, op, 1, 1, scratch, 1.0f), 0) << op;
  }
  EXPECT_TRUE(effect.notes.empty());
}

TEST(AudioEffectDispatchTest, VuIsScaledAndSaturated) {
  ProbeEffect effect;
  effect.vu = 0.5f;
  EXPECT_EQ(Dispatch(effect, effGetVu), 16383);
  effect.vu = -1.0f;
  EXPECT_EQ(Dispatch(effect, effGetVu), -32767);
  effect.vu = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Dispatch(effect, effGetVu), 0);
  effect.vu = 1e30f;
  EXPECT_EQ(Dispatch(effect, effGetVu), std::numeric_limits<VstInt32>::max());
  effect.vu = -std::numeric_limits<float>::infinity();
  EXPECT_EQ(Dispatch(effect, effGetVu), std::numeric_limits<VstInt32>::min());
}

TEST(AudioEffectDispatchTest, ChunksNeedAPointerAndASize) {
  ProbeEffect effect;
  void* data = nullptr;
  EXPECT_EQ(Dispatch(effect, effGetChunk, 1, 0, nullptr), 0);
  EXPECT_EQ(Dispatch(effect, effGetChunk, 1, 0, &data), 77);
  EXPECT_EQ(data, &effect);
  EXPECT_EQ(effect.Last(), "getChunk(true)");
  char chunk[16];
  EXPECT_EQ(Dispatch(effect, effSetChunk, 0, -1, chunk), 0);
  EXPECT_EQ(Dispatch(effect, effSetChunk, 0, k2Pow32, chunk), 0);
  EXPECT_EQ(Dispatch(effect, effSetChunk, 0, 16, nullptr), 0);
  EXPECT_EQ(Dispatch(effect, effSetChunk, 0, 16, chunk), 1);
  EXPECT_EQ(effect.Last(), "setChunk(16,false)");
}

TEST(AudioEffectParameterTest, RecordFunctionsTakeOnlyHostIndexesAndUsableValues) {
  ProbeEffect effect;
  AEffect* e = effect.getAeffect();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (VstInt32 bad : {-1, ProbeEffect::kParams, 9000, std::numeric_limits<VstInt32>::min()}) {
    e->setParameter(e, bad, 0.5f);
    EXPECT_EQ(e->getParameter(e, bad), 0.0f);
  }
  e->setParameter(e, 1, nan);
  EXPECT_TRUE(effect.notes.empty()) << "no call reaches the effect: " << effect.Last();
  e->setParameter(e, 1, 1.5f);
  EXPECT_EQ(effect.Last(), "setParameter(1,1)");
  e->setParameter(e, 2, -std::numeric_limits<float>::infinity());
  EXPECT_EQ(effect.Last(), "setParameter(2,0)");
  e->setParameter(e, 5, 0.75f);
  EXPECT_EQ(effect.Last(), "setParameter(5,0.75)");
  EXPECT_EQ(e->getParameter(e, 5), 0.25f);
}

TEST(AudioEffectParameterTest, AutomationReachesTheHostOnlyForValidHostIndexes) {
  FakeHost host;
  ProbeEffect effect(&FakeHost::Callback);
  effect.setParameterAutomated(3, 0.5f);  // rejected by getIsIndexValidForEditing
  effect.setParameterAutomated(ProbeEffect::kParams, 0.5f);
  effect.setParameterAutomated(9000, 0.5f);
  effect.setParameterAutomated(-1, 0.5f);
  EXPECT_TRUE(host.calls.empty());
  ASSERT_EQ(effect.notes.size(), 4u) << "the value is stored even when the host is not told";
  effect.setParameterAutomated(2, 0.125f);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
  EXPECT_EQ(host.calls[0].effect, effect.getAeffect());
  EXPECT_EQ(host.calls[0].index, 2);
  EXPECT_EQ(host.calls[0].value, 0);
  EXPECT_EQ(host.calls[0].ptr, nullptr);
  EXPECT_EQ(host.calls[0].opt, 0.125f);
}

TEST(AudioEffectProcessTest, UnusableBuffersNeverReachTheEffect) {
  ProbeEffect effect;
  effect.setNumInputs(2);
  AEffect* e = effect.getAeffect();
  float a[4], b[4], c[4], d[4];
  float* ins[] = {a, b};
  float* outs[] = {c, d};
  float* halfNull[] = {a, nullptr};
  e->processReplacing(e, ins, outs, -1);
  e->processReplacing(e, nullptr, outs, 4);
  e->processReplacing(e, ins, nullptr, 4);
  e->processReplacing(e, halfNull, outs, 4);
  e->processReplacing(e, ins, halfNull, 4);
  e->process(e, ins, halfNull, 4);
  double* dnull[] = {nullptr, nullptr};
  e->processDoubleReplacing(e, dnull, dnull, 4);
  EXPECT_TRUE(effect.notes.empty()) << effect.Last();
  e->processReplacing(e, ins, outs, 4);
  EXPECT_EQ(effect.Last(), "processReplacing(4)");
  e->processReplacing(e, ins, outs, 0);
  EXPECT_EQ(effect.Last(), "processReplacing(0)");
  e->process(e, ins, outs, 3);
  EXPECT_EQ(effect.Last(), "process(3)");
}

TEST(AudioEffectProcessTest, NullRecordOrObjectIsAnsweredWithZero) {
  EXPECT_EQ(AudioEffect::dispatchEffectClass(nullptr, effGetProgram, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(AudioEffect::getParameterClass(nullptr, 0), 0.0f);
  AEffect empty{};
  EXPECT_EQ(AudioEffect::dispatchEffectClass(&empty, effClose, 0, 0, nullptr, 0.0f), 0);
  AudioEffect::setParameterClass(&empty, 0, 0.5f);
  float* none[2] = {};
  AudioEffect::processClassReplacing(&empty, none, none, 16);
}

// Throws from every operation the record functions reach.
class ThrowingEffect : public ProbeEffect {
 public:
  using ProbeEffect::ProbeEffect;
  VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
    if (opcode == effClose) throw std::runtime_error("close");
    if (opcode == effGetProgram) throw 42;
    return ProbeEffect::dispatcher(opcode, index, value, ptr, opt);
  }
  void setParameter(VstInt32, float) override { throw std::bad_alloc(); }
  float getParameter(VstInt32) override { throw std::runtime_error("get"); }
  void processReplacing(float**, float**, VstInt32) override { throw std::runtime_error("audio"); }
  void getParameterName(VstInt32, char*) override { throw std::runtime_error("name"); }
  VstInt32 canDo(const char*) override { throw std::runtime_error("canDo"); }
};

TEST(AudioEffectExceptionTest, NoExceptionReachesTheHost) {
  int destroyed = 0;
  auto* effect = new ThrowingEffect(nullptr, &destroyed);
  AEffect* e = effect->getAeffect();
  float a[2], b[2];
  float* ins[] = {a, b};
  char text[64] = "unchanged";
  const CExpectSwallowedExceptions throwing;
  EXPECT_NO_THROW({
    EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effGetParamName, 0, 0, text, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, text, 0.0f), 0);
    e->setParameter(e, 0, 0.5f);
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);
    e->processReplacing(e, ins, ins, 2);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  });
  EXPECT_EQ(destroyed, 1) << "the effect is deleted even when its close throws";
  EXPECT_EQ(throwing.Count(), 7u) << "each of the seven throwing calls is swallowed once";
}

TEST(AudioEffectHostCallTest, VersionAndPinQueries) {
  FakeHost host;
  ProbeEffect effect(&FakeHost::Callback);
  host.answer = [](const FakeHost::Call&) { return VstIntPtr{0}; };
  EXPECT_EQ(effect.getMasterVersion(), 1) << "an answer of 0 counts as version 1";
  EXPECT_TRUE(effect.isInputConnected(0));
  host.answer = [](const FakeHost::Call& c) { return c.opcode == audioMasterVersion ? VstIntPtr{2400} : 1; };
  EXPECT_EQ(effect.getMasterVersion(), 2400);
  EXPECT_FALSE(effect.isInputConnected(0));
  EXPECT_FALSE(effect.isOutputConnected(1));
  const auto pins = host.CallsOf(audioMasterPinConnected);
  ASSERT_EQ(pins.size(), 3u);
  EXPECT_EQ(pins[1].index, 0);
  EXPECT_EQ(pins[1].value, 0) << "inputs are asked with value 0";
  EXPECT_EQ(pins[2].index, 1);
  EXPECT_EQ(pins[2].value, 1) << "outputs are asked with value 1";
}

}  // namespace
