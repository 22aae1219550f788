// Host identification from the host's vendor and product strings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Helpers/HostInfo.h"
#include "tests/vst/VstTestSupport.h"

namespace {

class HostInfoTest : public testing::Test {
 protected:
  void SetUp() override { ResetHostInfoForTesting(); }
  void TearDown() override { ResetHostInfoForTesting(); }

  // Runs the identification against a host with these strings.
  void Identify(const std::string& vendor, const std::string& product) {
    FakeHost host;
    host.answer = [&](const FakeHost::Call& c) -> VstIntPtr {
      if (c.opcode == audioMasterGetVendorString) std::strcpy(static_cast<char*>(c.ptr), vendor.c_str());
      if (c.opcode == audioMasterGetProductString) std::strcpy(static_cast<char*>(c.ptr), product.c_str());
      return 1;
    };
    GetHostInfo(&FakeHost::Callback);
    calls = host.calls;
  }
  std::vector<FakeHost::Call> calls;
};

TEST_F(HostInfoTest, AsksVendorProductAndVersionOnce) {
  Identify("Some", "Host");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].opcode, audioMasterGetVendorString);
  EXPECT_EQ(calls[1].opcode, audioMasterGetProductString);
  EXPECT_EQ(calls[2].opcode, audioMasterGetVendorVersion);
  EXPECT_EQ(calls[2].ptr, g_szVstHostVersion);
  for (const auto& c : calls) EXPECT_EQ(c.effect, nullptr);
  EXPECT_STREQ(g_szVstHost, "Some - Host");
  EXPECT_EQ(g_eRecognisedHost.load(), 0);
  Identify("Steinberg", "Nuendo");
  EXPECT_TRUE(calls.empty()) << "a second identification asks nothing";
  EXPECT_STREQ(g_szVstHost, "Some - Host");
  EXPECT_EQ(g_kIdleRate.load(), 10);
}

TEST_F(HostInfoTest, RecognisedHostsAndTheirIdleSettings) {
  const struct {
    const char* vendor;
    const char* product;
    int host;
    int idleRate;
    bool wantTimer;
    bool wantThread;
  } cases[] = {
      {"Adobe Systems", "Audition", 1, 10, true, true},
      {"MAGIX", "Samplitude", 2, 10, false, true},
      {"Steinberg", "Cubase VST", 3, 10, false, true},
      {"Steinberg", "Cubase VST 5", 0, 10, true, true},
      {"BIAS", "Peak", 4, 10, true, false},
      {"FXpansion", "Vst2Rtas2", 5, 10, true, false},
      {"Steinberg", "Nuendo", 6, 50, true, true},
      {"Xlutop", "Chainer", 7, 100, true, true},
      {"Cakewalk", "", 8, 100, true, true},
      {"Twelve Tone", "SONAR by Cakewalk", 8, 100, true, true},
      {"Steinberg Media Technologies", "WaveLab", 9, 100, true, true},
      {"steinberg", "nuendo", 0, 10, true, true},
      {"", "", 0, 10, true, true},
  };
  for (const auto& c : cases) {
    ResetHostInfoForTesting();
    Identify(c.vendor, c.product);
    EXPECT_EQ(g_eRecognisedHost.load(), c.host) << c.vendor << " / " << c.product;
    EXPECT_EQ(g_kIdleRate.load(), c.idleRate) << c.vendor;
    EXPECT_EQ(g_bVST_WantTimerCallbackForIdle.load(), c.wantTimer) << c.vendor;
    EXPECT_EQ(g_bVST_OSXWantMPThreadTimerCallbackForIdle.load(), c.wantThread) << c.vendor;
  }
  ResetHostInfoForTesting();
  Identify("Cakewalk", "");
  EXPECT_STREQ(g_szVstHost, "Cakewalk") << "the vendor alone when there is no product";
}

TEST_F(HostInfoTest, UnterminatedOrOverlongHostTextsStayWithinTheName) {
  FakeHost host;
  host.answer = [](const FakeHost::Call& c) -> VstIntPtr {
    if (c.opcode == audioMasterGetVendorString || c.opcode == audioMasterGetProductString)
      std::memset(c.ptr, 'v', 256);  // fills the whole buffer, no terminator
    return 1;
  };
  GetHostInfo(&FakeHost::Callback);
  EXPECT_EQ(std::strlen(g_szVstHost), 255u);
  EXPECT_EQ(g_eRecognisedHost.load(), 0);
}

TEST_F(HostInfoTest, ANullCallbackLeavesTheIdentificationForLater) {
  GetHostInfo(nullptr);
  Identify("Steinberg", "Nuendo");
  EXPECT_EQ(g_eRecognisedHost.load(), 6);
}

}  // namespace
