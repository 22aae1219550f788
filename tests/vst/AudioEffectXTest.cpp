// Requests 25..79, the texts that cross the host boundary, and the values
// that must keep their 64 bits.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "tests/vst/VstTestSupport.h"

namespace {

TEST(AudioEffectXDispatchTest, RequestsReachTheirOperationsWithTheirArguments) {
  ProbeEffect effect;
  effect.setNumInputs(2);
  char buffer[256] = {};
  VstParameterProperties properties{};
  VstPinProperties pin{};
  const struct {
    VstInt32 opcode, index;
    VstIntPtr value;
    void* ptr;
    float opt;
    const char* reached;
    VstIntPtr answer;
  } cases[] = {
      {effProcessEvents, 0, 0, buffer, 0, "processEvents()", 1},
      {effCanBeAutomated, 4, 0, nullptr, 0, "canParameterBeAutomated(4)", 1},
      {effString2Parameter, 2, 0, buffer, 0, "string2parameter(2)", 1},
      {effGetProgramNameIndexed, 6, 3, buffer, 0, "getProgramNameIndexed(3,6)", 1},
      {effCopyProgram, 7, 0, nullptr, 0, "copyProgram(7)", 1},
      {effConnectInput, 1, 0, nullptr, 0, "inputConnected(1,false)", 1},
      {effConnectInput, 0, k2Pow32, nullptr, 0, "inputConnected(0,true)", 1},
      {effGetInputProperties, 1, 0, &pin, 0, "getInputProperties(1)", 1},
      {effOfflineNotify, 1, 3, buffer, 0, "offlineNotify(3,true)", 1},
      {effSetBlockSizeAndSampleRate, 0, 128, nullptr, 48000.0f, "setBlockSizeAndSampleRate(128,48000)", 1},
      {effSetBypass, 0, k2Pow32, nullptr, 0, "setBypass(true)", 1},
      {effSetBypass, 0, 0, nullptr, 0, "setBypass(false)", 1},
      {effIdle, 0, 0, nullptr, 0, "fxIdle()", 1},
      {effSetViewPosition, 10, 20, nullptr, 0, "setViewPosition(10,20)", 1},
      {effGetParameterProperties, 5, 0, &properties, 0, "getParameterProperties(5)", 1},
      {effSetTotalSampleToProcess, 0, 4096, nullptr, 0, "setTotalSampleToProcess(4096)", 4096},
      {effSetPanLaw, 0, 1, nullptr, 0.5f, "setPanLaw(1,0.5)", 1},
      {effSetProcessPrecision, 0, 1, nullptr, 0, "setProcessPrecision(1)", 1},
  };
  for (const auto& c : cases) {
    effect.notes.clear();
    EXPECT_EQ(Dispatch(effect, c.opcode, c.index, c.value, c.ptr, c.opt), c.answer) << c.reached;
    EXPECT_EQ(effect.Last(), c.reached);
  }
  EXPECT_EQ(Dispatch(effect, effGetNumProgramCategories), 1);
  EXPECT_EQ(Dispatch(effect, effGetPlugCategory), 0);
  EXPECT_EQ(Dispatch(effect, effGetVstVersion), 2400);
  EXPECT_EQ(Dispatch(effect, effKeysRequired), 1) << "keysRequired() false answers 1";
  EXPECT_EQ(Dispatch(effect, effGetTailSize), 0);
  EXPECT_EQ(Dispatch(effect, effBeginSetProgram), 0);
}

TEST(AudioEffectXDispatchTest, HostIndexesOutsideTheirRangeAreRefused) {
  ProbeEffect effect;
  char buffer[256] = {};
  VstParameterProperties properties{};
  VstPinProperties pin{};
  for (VstInt32 bad : {-1, ProbeEffect::kParams, 9000}) {
    EXPECT_EQ(Dispatch(effect, effCanBeAutomated, bad), 0);
    EXPECT_EQ(Dispatch(effect, effString2Parameter, bad, 0, buffer), 0);
    EXPECT_EQ(Dispatch(effect, effGetParameterProperties, bad, 0, &properties), 0);
  }
  for (VstInt32 bad : {-1, ProbeEffect::kPrograms}) {
    EXPECT_EQ(Dispatch(effect, effGetProgramNameIndexed, bad, 0, buffer), 0);
    EXPECT_EQ(Dispatch(effect, effCopyProgram, bad), 0);
  }
  EXPECT_EQ(Dispatch(effect, effGetInputProperties, 1, 0, &pin), 0) << "the effect has one input";
  EXPECT_EQ(Dispatch(effect, effGetOutputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(Dispatch(effect, effSetBlockSizeAndSampleRate, 0, 0, nullptr, 44100.0f), 0);
  EXPECT_EQ(Dispatch(effect, effSetBlockSizeAndSampleRate, 0, 64, nullptr, -1.0f), 0);
  EXPECT_EQ(Dispatch(effect, effSetBlockSizeAndSampleRate, 0, 64, nullptr, 1e30f), 0);
  EXPECT_EQ(Dispatch(effect, effSetTotalSampleToProcess, 0, k2Pow32), 0);
  EXPECT_TRUE(effect.notes.empty()) << effect.Last();
}

TEST(AudioEffectXDispatchTest, NullPointersAreAnsweredWithoutACall) {
  ProbeEffect effect;
  for (VstInt32 op : {effProcessEvents, effGetProgramNameIndexed, effGetInputProperties, effGetOutputProperties,
                      effOfflineNotify, effOfflinePrepare, effOfflineRun, effProcessVarIo, effSetSpeakerArrangement,
                      effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString, effCanDo,
                      effGetParameterProperties, effGetMidiProgramName, effGetMidiProgramCategory,
                      effGetMidiKeyName, effGetSpeakerArrangement, effShellGetNextPlugin, effBeginLoadBank,
                      effBeginLoadProgram, effSetProgramName, effGetProgramName, effGetParamLabel,
                      effGetParamDisplay, effGetParamName, effGetChunk, effSetChunk}) {
    EXPECT_EQ(Dispatch(effect, op, 0, 1, nullptr), 0) << op;
  }
  EXPECT_EQ(Dispatch(effect, effGetCurrentMidiProgram, 0, 0, nullptr), -1);
  EXPECT_TRUE(effect.notes.empty()) << effect.Last();
  EXPECT_TRUE(effect.received.empty());
  // The string request's null pointer is the host asking whether conversion
  // is supported, and is passed on.
  EXPECT_EQ(Dispatch(effect, effString2Parameter, 1, 0, nullptr), 1);
  EXPECT_EQ(effect.received, "(null)");
}

// Each text request cuts what the effect writes to the published length:
// the host's buffer holds that many characters and a terminator, and the
// bytes after it must stay untouched.
TEST(AudioEffectXTextTest, TextsAreCutToThePublishedLengths) {
  ProbeEffect effect;
  effect.fillText = std::string(200, 'x');
  const struct {
    VstInt32 opcode;
    int length;
  } cases[] = {{effGetProgramName, 24},     {effGetParamLabel, 23},   {effGetParamDisplay, 23},
               {effGetParamName, 23},       {effGetProgramNameIndexed, 24}, {effGetEffectName, 32},
               {effGetErrorText, 63},       {effGetVendorString, 64}, {effGetProductString, 64},
               {effShellGetNextPlugin, 64}};
  for (const auto& c : cases) {
    char buffer[128];
    std::memset(buffer, 0x5A, sizeof buffer);
    buffer[0] = 0;
    Dispatch(effect, c.opcode, 1, 0, buffer);
    EXPECT_EQ(std::strlen(buffer), static_cast<size_t>(c.length)) << c.opcode;
    for (size_t i = c.length + 1; i < sizeof buffer; ++i)
      ASSERT_EQ(buffer[i], 0x5A) << "opcode " << c.opcode << " wrote past its length at " << i;
  }
}

TEST(AudioEffectXTextTest, ParameterTextsOfIndexesOutsideTheRangeAreEmpty) {
  ProbeEffect effect;
  for (VstInt32 op : {effGetParamLabel, effGetParamDisplay, effGetParamName}) {
    for (VstInt32 bad : {-1, ProbeEffect::kParams, 9000}) {
      char buffer[16] = "garbage";
      EXPECT_EQ(Dispatch(effect, op, bad, 0, buffer), 0);
      EXPECT_STREQ(buffer, "");
    }
  }
  EXPECT_TRUE(effect.notes.empty()) << effect.Last();
}

TEST(AudioEffectXTextTest, AGetterThatWritesNothingGivesTheHostItsOwnText) {
  ProbeEffect effect;
  effect.leaveLabel = true;
  char buffer[32] = "kHz and a good deal more";
  Dispatch(effect, effGetParamLabel, 1, 0, buffer);
  EXPECT_STREQ(buffer, "kHz and a good deal mor") << "the host's own text, cut to the label length";
}

TEST(AudioEffectXTextTest, HostTextsAreReadWithinBounds) {
  ProbeEffect effect;
  // No terminator anywhere in the host's buffers.
  char name[40];
  std::memset(name, 'n', sizeof name);
  Dispatch(effect, effSetProgramName, 0, 0, name);
  EXPECT_EQ(effect.received, std::string(24, 'n'));
  char query[400];
  std::memset(query, 'q', sizeof query);
  effect.canDoAnswer = -1;
  EXPECT_EQ(Dispatch(effect, effCanDo, 0, 0, query), -1);
  EXPECT_EQ(effect.received, std::string(255, 'q'));
  std::strcpy(query, "receiveVstTimeInfo");
  Dispatch(effect, effCanDo, 0, 0, query);
  EXPECT_EQ(effect.received, "receiveVstTimeInfo");
}

TEST(AudioEffectXWidthTest, PointerSizedValuesAndAnswersKeepTheirBits) {
  ProbeEffect effect;
  const VstIntPtr big = (VstIntPtr{1} << 40) + 3;
  char data[4];
  EXPECT_EQ(Dispatch(effect, effVendorSpecific, 7, big, data, 1.5f), big + 5);
  EXPECT_EQ(effect.lastPtr, data);
  EXPECT_EQ(Dispatch(effect, effGetIcon), VstIntPtr{0x123456789A});
  EXPECT_EQ(Dispatch(effect, effGetDestinationBuffer), VstIntPtr{0x7777000011110});
  VstSpeakerArrangement in{}, out{};
  EXPECT_EQ(Dispatch(effect, effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  EXPECT_EQ(effect.lastPtr, &in);
  EXPECT_EQ(effect.lastPtr2, &out);
  VstSpeakerArrangement* pin = &in;
  VstSpeakerArrangement* pout = &out;
  EXPECT_EQ(Dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&pin), &pout), 0);
  EXPECT_EQ(pin, nullptr);
  EXPECT_EQ(pout, nullptr);
  EXPECT_EQ(Dispatch(effect, effSetSpeakerArrangement, 0, 0, &out), 0) << "a null input arrangement";
}

TEST(AudioEffectXEditorTest, KeysAndKnobModeGoToTheEditor) {
  ProbeEffect effect;
  EXPECT_EQ(Dispatch(effect, effEditKeyDown, 65, 0, nullptr, 0.0f), 0) << "no editor";
  EXPECT_EQ(Dispatch(effect, effSetEditKnobMode, 0, 1), 0);
  int destroyed = 0;
  auto* editor = new CountingEditor(&effect, &destroyed);
  effect.setEditor(editor);
  EXPECT_EQ(Dispatch(effect, effEditKeyDown, 65, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(editor->lastKey.character, 65);
  EXPECT_EQ(editor->lastKey.virt, 0);
  EXPECT_EQ(editor->lastKey.modifier, 0);
  EXPECT_EQ(Dispatch(effect, effEditKeyUp, 66, 0x1FF, nullptr, 260.0f), 0);
  EXPECT_EQ(editor->lastKey.character, 66);
  EXPECT_EQ(editor->lastKey.virt, 0xFF) << "the low byte of the value";
  EXPECT_EQ(editor->lastKey.modifier, 4) << "the low byte of the float taken as an integer";
  Dispatch(effect, effEditKeyDown, 1, 0, nullptr, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(editor->lastKey.modifier, 0);
  Dispatch(effect, effEditKeyDown, 1, 0, nullptr, 1e30f);
  EXPECT_EQ(editor->keysDown, 3);
  EXPECT_EQ(Dispatch(effect, effSetEditKnobMode, 0, 2), 0) << "the base editor answers false";
}

TEST(AudioEffectXBehaviourTest, ResumeAsksForEventsOnlyWhenTheEffectTakesThem) {
  FakeHost host;
  struct Plain : AudioEffectX {
    using AudioEffectX::AudioEffectX;
    void processReplacing(float**, float**, VstInt32) override {}
    VstInt32 canDo(const char* text) override { return (midi && std::strcmp(text, "receiveVstMidiEvent") == 0); }
    void SetSynth(bool s) { isSynth(s); }
    bool midi = false;
  } effect(&FakeHost::Callback, 1, 1);
  effect.resume();
  EXPECT_TRUE(host.CallsOf(audioMasterWantMidi).empty());
  effect.midi = true;
  effect.resume();
  EXPECT_EQ(host.CallsOf(audioMasterWantMidi).size(), 1u);
  effect.midi = false;
  effect.SetSynth(true);
  effect.resume();
  const auto wants = host.CallsOf(audioMasterWantMidi);
  ASSERT_EQ(wants.size(), 2u);
  EXPECT_EQ(wants[1].value, 1);
  EXPECT_EQ(effect.getPlugCategory(), kPlugCategSynth);
}

}  // namespace
