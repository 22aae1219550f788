// The exported entry, linked here with a factory the test controls.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/vst/VstTestSupport.h"
#include "ExceptionCheck.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);
extern "C" AEffect* main_macho(audioMasterCallback audioMaster);

namespace {
enum class Factory { Create, ReturnNull, Throw };
Factory g_Factory = Factory::Create;
int g_nCreated = 0;
}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  switch (g_Factory) {
    case Factory::ReturnNull:
      return nullptr;
    case Factory::Throw:
      throw std::runtime_error("factory");
    default:
      ++g_nCreated;
      return new ProbeEffect(audioMaster);
  }
}

namespace {

class EntryTest : public testing::Test {
 protected:
  void SetUp() override {
    g_Factory = Factory::Create;
    g_nCreated = 0;
  }
  static void Close(AEffect* e) { e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f); }
};

TEST_F(EntryTest, AHostAnsweringVersionZeroGetsNoRecord) {
  FakeHost host;
  host.answer = [](const FakeHost::Call&) { return VstIntPtr{0}; };
  EXPECT_EQ(VSTPluginMain(&FakeHost::Callback), nullptr);
  EXPECT_EQ(g_nCreated, 0);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(host.calls[0].effect, nullptr);
  EXPECT_EQ(host.calls[0].index, 0);
  EXPECT_EQ(host.calls[0].value, 0);
  EXPECT_EQ(host.calls[0].ptr, nullptr);
}

TEST_F(EntryTest, AnsweringHostGetsTheEffectsRecord) {
  FakeHost host;
  host.answer = [](const FakeHost::Call& c) { return c.opcode == audioMasterVersion ? VstIntPtr{2400} : 0; };
  AEffect* e = VSTPluginMain(&FakeHost::Callback);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(g_nCreated, 1);
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->numParams, ProbeEffect::kParams);
  Close(e);
  AEffect* second = main_macho(&FakeHost::Callback);
  ASSERT_NE(second, nullptr) << "the second entry name creates effects too";
  Close(second);
}

TEST_F(EntryTest, FailuresAnswerNullAndNothingEscapes) {
  FakeHost host;
  host.answer = [](const FakeHost::Call&) { return VstIntPtr{2400}; };
  EXPECT_EQ(VSTPluginMain(nullptr), nullptr) << "no host callback";
  g_Factory = Factory::ReturnNull;
  EXPECT_EQ(VSTPluginMain(&FakeHost::Callback), nullptr);
  const CExpectSwallowedExceptions throwing;
  g_Factory = Factory::Throw;
  EXPECT_NO_THROW(EXPECT_EQ(VSTPluginMain(&FakeHost::Callback), nullptr));
  host.answer = [](const FakeHost::Call&) -> VstIntPtr { throw std::runtime_error("host"); };
  g_Factory = Factory::Create;
  EXPECT_NO_THROW(EXPECT_EQ(VSTPluginMain(&FakeHost::Callback), nullptr));
  EXPECT_EQ(g_nCreated, 0);
  EXPECT_EQ(throwing.Count(), 2u) << "the factory's and the host's exceptions are swallowed";
}

}  // namespace
