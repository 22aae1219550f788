// The wrappers that call the host: opcode and arguments of each, how each
// reads the host's answer, the answer without a host, and the
// speaker-arrangement helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/vst/VstTestSupport.h"

namespace {

struct WrapperCase {
  const char* name;
  std::function<VstIntPtr(ProbeEffect&)> call;  // the wrapper's result as an integer
  VstInt32 opcode, index;
  VstIntPtr value;
  float opt;
  VstIntPtr hostAnswer;
  VstIntPtr expected;
  VstIntPtr withoutHost;
};

VstIntPtr B(bool b) { return b ? 1 : 0; }
template <typename T>
VstIntPtr P(T* p) {
  return reinterpret_cast<VstIntPtr>(p);
}

TEST(HostCallTest, EachWrapperSendsItsOpcodeAndReadsTheAnswer) {
  const VstIntPtr addr = VstIntPtr{0x5000000000} + 64;  // a pointer past 32 bits
  const WrapperCase cases[] = {
      {"getCurrentUniqueId", [](ProbeEffect& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, 0, 77, 77, 0},
      {"tempoAt", [](ProbeEffect& e) { return e.tempoAt(9); }, 10, 0, 9, 0, 1200000, 1200000, 0},
      {"getNumAutomatableParameters", [](ProbeEffect& e) { return e.getNumAutomatableParameters(); }, 11, 0, 0, 0, 8, 8, 0},
      {"getParameterQuantization", [](ProbeEffect& e) { return e.getParameterQuantization(); }, 12, 0, 0, 0, 3, 3, 0},
      {"ioChanged", [](ProbeEffect& e) { return B(e.ioChanged()); }, 13, 0, 0, 0, 1, 1, 0},
      {"needIdle", [](ProbeEffect& e) { return B(e.needIdle()); }, 14, 0, 0, 0, 2, 1, 0},
      {"sizeWindow", [](ProbeEffect& e) { return B(e.sizeWindow(640, 480)); }, 15, 640, 480, 0, 1, 1, 0},
      {"getInputLatency", [](ProbeEffect& e) { return e.getInputLatency(); }, 18, 0, 0, 0, 64, 64, 0},
      {"getOutputLatency", [](ProbeEffect& e) { return e.getOutputLatency(); }, 19, 0, 0, 0, 65, 65, 0},
      {"getPreviousPlug", [](ProbeEffect& e) { return P(e.getPreviousPlug(3)); }, 20, 0, 0, 0, addr, addr, 0},
      {"getNextPlug", [](ProbeEffect& e) { return P(e.getNextPlug(3)); }, 21, 0, 0, 0, addr, addr, 0},
      {"willProcessReplacing", [](ProbeEffect& e) { return e.willProcessReplacing(); }, 22, 0, 0, 0, 1, 1, 0},
      {"getCurrentProcessLevel", [](ProbeEffect& e) { return e.getCurrentProcessLevel(); }, 23, 0, 0, 0, 2, 2, 0},
      {"getAutomationState", [](ProbeEffect& e) { return e.getAutomationState(); }, 24, 0, 0, 0, 3, 3, 0},
      {"offlineGetCurrentPass", [](ProbeEffect& e) { return e.offlineGetCurrentPass(); }, 28, 0, 0, 0, 5, 1, 0},
      {"offlineGetCurrentMetaPass", [](ProbeEffect& e) { return e.offlineGetCurrentMetaPass(); }, 29, 0, 0, 0, 0, 0, 0},
      {"getOutputSpeakerArrangement", [](ProbeEffect& e) { return P(e.getOutputSpeakerArrangement()); }, 31, 0, 0, 0, addr, addr, 0},
      {"getHostVendorVersion", [](ProbeEffect& e) { return e.getHostVendorVersion(); }, 34, 0, 0, 0, 1234, 1234, 0},
      {"hostVendorSpecific", [](ProbeEffect& e) { return e.hostVendorSpecific(5, VstIntPtr{1} << 40, nullptr, 2.5f); }, 35, 5, VstIntPtr{1} << 40, 2.5f, addr, addr, 0},
      {"getHostLanguage", [](ProbeEffect& e) { return e.getHostLanguage(); }, 38, 0, 0, 0, 1, 1, 0},
      {"getDirectory", [](ProbeEffect& e) { return P(e.getDirectory()); }, 41, 0, 0, 0, addr, addr, 0},
      {"updateDisplay", [](ProbeEffect& e) { return B(e.updateDisplay()); }, 42, 0, 0, 0, 1, 1, 0},
      {"getInputSpeakerArrangement", [](ProbeEffect& e) { return P(e.getInputSpeakerArrangement()); }, 49, 0, 0, 0, addr, addr, 0},
      {"getTimeInfo", [](ProbeEffect& e) { return P(e.getTimeInfo(0x200)); }, 7, 0, 0x200, 0, addr, addr, 0},
      {"canHostDo yes", [](ProbeEffect& e) { return B(e.canHostDo("sizeWindow")); }, 37, 0, 0, 0, 1, 1, 0},
      {"canHostDo minus one", [](ProbeEffect& e) { return B(e.canHostDo("sizeWindow")); }, 37, 0, 0, 0, -1, 1, 0},
      {"canHostDo no", [](ProbeEffect& e) { return B(e.canHostDo("sizeWindow")); }, 37, 0, 0, 0, 0, 0, 0},
      {"beginEdit", [](ProbeEffect& e) { return B(e.beginEdit(2)); }, 43, 2, 0, 0, 1, 1, 0},
      {"endEdit", [](ProbeEffect& e) { return B(e.endEdit(5)); }, 44, 5, 0, 0, 1, 1, 0},
      {"setOutputSamplerate", [](ProbeEffect& e) { return (e.setOutputSamplerate(48000.0f), VstIntPtr{0}); }, 30, 0, 0, 48000.0f, 9, 0, 0},
      {"wantEvents", [](ProbeEffect& e) { return (e.wantEvents(1), VstIntPtr{0}); }, 6, 0, 1, 0, 9, 0, 0},
      {"masterIdle", [](ProbeEffect& e) { return (e.masterIdle(), VstIntPtr{0}); }, 3, 0, 0, 0, 9, 0, 0},
      {"offlineStart", [](ProbeEffect& e) { return B(e.offlineStart(nullptr, 4, 2)); }, 25, 2, 4, 0, 1, 1, 0},
      {"offlineRead", [](ProbeEffect& e) { return B(e.offlineRead(nullptr, kVstOfflinePeaks, true)); }, 26, 1, 1, 0, 1, 1, 0},
      {"offlineWrite", [](ProbeEffect& e) { return B(e.offlineWrite(nullptr, kVstOfflineMarker)); }, 27, 0, 3, 0, 1, 1, 0},
  };
  for (const WrapperCase& c : cases) {
    FakeHost host;
    host.answer = [&](const FakeHost::Call&) { return c.hostAnswer; };
    ProbeEffect effect(&FakeHost::Callback);
    EXPECT_EQ(c.call(effect), c.expected) << c.name;
    ASSERT_EQ(host.calls.size(), 1u) << c.name;
    const FakeHost::Call& call = host.calls[0];
    EXPECT_EQ(call.effect, effect.getAeffect()) << c.name;
    EXPECT_EQ(call.opcode, c.opcode) << c.name;
    EXPECT_EQ(call.index, c.index) << c.name;
    EXPECT_EQ(call.value, c.value) << c.name;
    EXPECT_EQ(call.opt, c.opt) << c.name;

    ProbeEffect alone;
    EXPECT_EQ(c.call(alone), c.withoutHost) << c.name << " without a host";
  }
}

TEST(HostCallTest, EditBracketsSkipIndexesTheHostMustNotSee) {
  FakeHost host;
  host.answer = [](const FakeHost::Call&) { return VstIntPtr{1}; };
  ProbeEffect effect(&FakeHost::Callback);
  EXPECT_FALSE(effect.beginEdit(3)) << "rejected by getIsIndexValidForEditing";
  EXPECT_FALSE(effect.endEdit(3));
  for (VstInt32 bad : {-1, ProbeEffect::kParams, 9000, 10001, 10004}) {
    EXPECT_FALSE(effect.beginEdit(bad)) << bad;
    EXPECT_FALSE(effect.endEdit(bad)) << bad;
  }
  EXPECT_TRUE(host.calls.empty());
}

TEST(HostCallTest, SampleRateAndBlockSizeUpdatesKeepOldValuesForBadAnswers) {
  FakeHost host;
  VstIntPtr answer = 0;
  host.answer = [&](const FakeHost::Call&) { return answer; };
  ProbeEffect effect(&FakeHost::Callback);
  for (VstIntPtr bad : {VstIntPtr{0}, VstIntPtr{-48000}}) {
    answer = bad;
    EXPECT_EQ(effect.updateSampleRate(), 44100.0f);
    EXPECT_EQ(effect.updateBlockSize(), 1024);
  }
  answer = VstIntPtr{1} << 33;
  EXPECT_EQ(effect.updateBlockSize(), 1024) << "a block size past 32 bits is not taken";
  EXPECT_EQ(effect.updateSampleRate(), 44100.0f) << "a rate far past any audio rate is not taken";
  answer = 96000;
  EXPECT_EQ(effect.updateSampleRate(), 96000.0f);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  answer = 2048;
  EXPECT_EQ(effect.updateBlockSize(), 2048);
  EXPECT_EQ(host.CallsOf(audioMasterGetSampleRate).size(), 4u);
}

TEST(HostCallTest, HostStringsCannotOverrunTheCallersBuffer) {
  FakeHost host;
  host.answer = [](const FakeHost::Call& c) {
    // A host that writes far past the published 64 characters.
    std::memset(c.ptr, 'h', 200);
    static_cast<char*>(c.ptr)[200] = 0;
    return VstIntPtr{1};
  };
  ProbeEffect effect(&FakeHost::Callback);
  for (int which = 0; which < 2; ++which) {
    char text[80];
    std::memset(text, 0x5A, sizeof text);
    EXPECT_TRUE(which ? effect.getHostProductString(text) : effect.getHostVendorString(text));
    EXPECT_EQ(std::strlen(text), 64u);
    for (size_t i = 65; i < sizeof text; ++i) ASSERT_EQ(text[i], 0x5A) << i;
  }
  EXPECT_FALSE(effect.getHostVendorString(nullptr));
}

TEST(HostCallTest, PointerArgumentsMustNotBeNull) {
  FakeHost host;
  host.answer = [](const FakeHost::Call&) { return VstIntPtr{1}; };
  ProbeEffect effect(&FakeHost::Callback);
  EXPECT_FALSE(effect.openFileSelector(nullptr));
  EXPECT_FALSE(effect.closeFileSelector(nullptr));
  EXPECT_FALSE(effect.getChunkFile(nullptr));
  EXPECT_FALSE(effect.canHostDo(nullptr));
  EXPECT_TRUE(host.calls.empty());
  char path[8] = "x";
  EXPECT_TRUE(effect.getChunkFile(path));
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].opcode, audioMasterGetChunkFile);
  EXPECT_EQ(host.calls[0].ptr, path);
}

TEST(HostCallTest, EventsCountAsSentOnlyWhenTheHostAnswersOne) {
  FakeHost host;
  VstIntPtr answer = 2;
  host.answer = [&](const FakeHost::Call&) { return answer; };
  ProbeEffect effect(&FakeHost::Callback);
  VstEvents events{};
  EXPECT_FALSE(effect.sendVstEventsToHost(&events));
  answer = 1;
  EXPECT_TRUE(effect.sendVstEventsToHost(&events));
  EXPECT_EQ(host.calls.back().ptr, &events);
}

TEST(SpeakerArrangementTest, AllocateMatchAndFree) {
  ProbeEffect effect;
  VstSpeakerArrangement* arrangement = nullptr;
  EXPECT_FALSE(effect.allocateArrangement(&arrangement, -1));
  EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
  ASSERT_TRUE(effect.allocateArrangement(&arrangement, 2));
  EXPECT_EQ(arrangement->numChannels, 2);
  EXPECT_EQ(arrangement->type, 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(arrangement->speakers);
  for (size_t i = 0; i < 2 * sizeof(VstSpeakerProperties); ++i) ASSERT_EQ(bytes[i], 0);

  // A source with more speakers than the structure declares, and names
  // without a terminator.
  VstSpeakerArrangement* source = nullptr;
  ASSERT_TRUE(effect.allocateArrangement(&source, 12));
  source->type = kSpeakerArrUserDefined;
  auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(source) + 8);
  for (int i = 0; i < 12; ++i) {
    std::memset(speakers[i].name, 'A' + i, sizeof speakers[i].name);
    speakers[i].azimuth = static_cast<float>(i);
    speakers[i].type = 100 + i;
    speakers[i].future[27] = static_cast<char>(i);
  }
  ASSERT_TRUE(effect.matchArrangement(&arrangement, source));
  EXPECT_EQ(arrangement->numChannels, 12);
  EXPECT_EQ(arrangement->type, kSpeakerArrUserDefined);
  auto* copied = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) + 8);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(std::string(copied[i].name), std::string(63, static_cast<char>('A' + i)));
    EXPECT_EQ(copied[i].azimuth, static_cast<float>(i));
    EXPECT_EQ(copied[i].type, 100 + i);
    EXPECT_EQ(copied[i].future[27], static_cast<char>(i));
  }
  EXPECT_FALSE(effect.matchArrangement(&arrangement, nullptr));
  EXPECT_FALSE(effect.copySpeaker(nullptr, speakers));
  EXPECT_TRUE(effect.deallocateArrangement(&arrangement));
  EXPECT_EQ(arrangement, nullptr);
  EXPECT_TRUE(effect.deallocateArrangement(&arrangement)) << "already null";
  EXPECT_TRUE(effect.deallocateArrangement(&source));
}

}  // namespace
