// The wrappers that call the host: what they refuse to send, how they read
// answers that cannot be used, and the speaker-arrangement helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/vst/VstTestSupport.h"

namespace {

TEST(HostCallTest, PointerSizedAnswersAndValuesKeepTheirBits) {
  const VstIntPtr addr = VstIntPtr{0x5000000000} + 64;  // a pointer past 32 bits
  FakeHost host;
  host.answer = [&](const FakeHost::Call&) { return addr; };
  ProbeEffect effect(&FakeHost::Callback);
  auto bits = [](const void* p) { return reinterpret_cast<VstIntPtr>(p); };
  EXPECT_EQ(bits(effect.getPreviousPlug(3)), addr);
  EXPECT_EQ(bits(effect.getNextPlug(3)), addr);
  EXPECT_EQ(bits(effect.getInputSpeakerArrangement()), addr);
  EXPECT_EQ(bits(effect.getOutputSpeakerArrangement()), addr);
  EXPECT_EQ(bits(effect.getDirectory()), addr);
  EXPECT_EQ(bits(effect.getTimeInfo(0x200)), addr);
  EXPECT_EQ(host.calls.back().value, 0x200);
  EXPECT_EQ(effect.hostVendorSpecific(5, k2Pow32 + 3, nullptr, 2.5f), addr);
  EXPECT_EQ(host.calls.back().value, k2Pow32 + 3);
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
