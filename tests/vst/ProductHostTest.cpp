// Both editions of the product loaded as plug-in modules by the command-line
// host: what a host sees of them, and the robustness sweep run in-process
// (so that the sanitizers see every call).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "prefs/TempConfigFolder.h"
#include "tests/vst/VstTestSupport.h"
#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"
#include "tools/qvxhost/Sweep.h"

namespace {

int ParameterIndex(const std::vector<ParameterInfo>& params, const std::string& name) {
  for (const ParameterInfo& p : params)
    if (p.name == name) return p.index;
  ADD_FAILURE() << "no parameter named " << name;
  return 0;
}

TEST(ProductModuleTest, BothEditionsShowTheirIdentityAndParameters) {
  const struct {
    const char* path;
    const char* name;
    VstInt32 uniqueID;
    int numParams;
    const char* lastName;
  } editions[] = {{QVX_PRODUCT_MODULE, "QVX2 Master", VstFourCC('Z', 'R', 'V', 'K'), 599, "M/S Mode B"},
                  {QVX_PRODUCT_MODULE_STD, "QVX2", VstFourCC('Z', 'R', 'V', 'S'), 594, "FFT Bands B"}};
  for (const auto& e : editions) {
    TempConfigFolder prefs;
    PluginHost host;
    ASSERT_TRUE(host.Load(e.path)) << host.Error();
    host.Start(48000.0, 512);
    const EffectInfo info = host.QueryInfo();
    EXPECT_EQ(info.magic, kEffectMagic);
    EXPECT_EQ(info.effectName, e.name);
    EXPECT_EQ(info.product, "Sorvik Audio - QVX2");
    EXPECT_EQ(info.uniqueID, e.uniqueID);
    EXPECT_EQ(info.numParams, e.numParams);
    EXPECT_EQ(info.numPrograms, 20);
    EXPECT_EQ(info.numInputs, 2);
    EXPECT_EQ(info.numOutputs, 2);
    EXPECT_EQ(info.flags & effFlagsCanReplacing, effFlagsCanReplacing);
    EXPECT_EQ(info.flags & ~(effFlagsCanReplacing | effFlagsHasEditor), 0)
        << "no chunks, no double precision: " << FlagsText(info.flags);
    EXPECT_EQ(info.vstVersion, 2400);
    const std::vector<ParameterInfo> params = host.QueryParameters();
    ASSERT_EQ(static_cast<int>(params.size()), e.numParams);
    EXPECT_EQ(params[0].name, "Gain L00");
    EXPECT_EQ(params[268].name, "Gain L1304");
    EXPECT_EQ(params[270].name, "Trim Left");
    EXPECT_EQ(params.back().name, e.lastName);
    EXPECT_EQ(params[0].label, " dB");
    EXPECT_EQ(params[0].display, "0.000000");
    const std::vector<std::string> programs = host.QueryProgramNames();
    ASSERT_EQ(programs.size(), 20u);
    EXPECT_EQ(programs[0], "User01");
    EXPECT_EQ(programs[19], "User20");
  }
}

// Names and display texts reach a host whole, and no request writes more
// than 24 bytes into the host's buffer, whatever the parameter.
TEST(ProductModuleTest, ParameterTextsReachTheHostWholeWithinTwentyFourBytes) {
  TempConfigFolder prefs;
  PluginHost host;
  ASSERT_TRUE(host.Load(QVX_PRODUCT_MODULE)) << host.Error();
  host.Start(48000.0, 512);
  const std::vector<ParameterInfo> params = host.QueryParameters();
  auto indexOf = [&](const std::string& name) { return ParameterIndex(params, name); };
  const int bandType = indexOf("Band Type");
  const int guide = indexOf("Guide Display");
  indexOf("Quality Mode Rating");
  indexOf("Control Channel B");
  ASSERT_TRUE(host.SetParameter(bandType, 3.0f / 99.0f));
  EXPECT_EQ(host.DispatchText(effGetParamDisplay, bandType), "Bark Thirds");
  ASSERT_TRUE(host.SetParameter(guide, 6.0f / 999.0f));
  EXPECT_EQ(host.DispatchText(effGetParamDisplay, guide), "Acoustic Guitar");
  for (int index = 0; index < static_cast<int>(params.size()); ++index) {
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
      char text[64];
      std::memset(text, '#', sizeof text);
      text[0] = 0;
      host.Dispatch(opcode, index, 0, text);
      ASSERT_NE(std::memchr(text, 0, 24), nullptr) << "opcode " << opcode << " index " << index;
      for (int k = 24; k < 64; ++k) ASSERT_EQ(text[k], '#') << "opcode " << opcode << " index " << index;
    }
  }
}

// The host has no record while the entry runs: the effect asks it its
// version and nothing else (the current id at most), whatever quality mode
// the preferences hold, and the stored mode is what the host reads once it
// has opened the effect.
TEST(ProductModuleTest, TheEntryAsksTheHostOnlyItsVersionWhateverQualityIsStored) {
  const struct {
    const char* path;
    std::vector<int> ratings;
  } editions[] = {{QVX_PRODUCT_MODULE, {10, 20, 30, 40, 50, 60, 70, 80}}, {QVX_PRODUCT_MODULE_STD, {10, 20, 30, 40}}};
  for (const auto& e : editions) {
    for (int rating : e.ratings) {
      SCOPED_TRACE(std::string(e.path) + " rating " + std::to_string(rating));
      TempConfigFolder prefs;
      int quality = 0;
      std::string mode;
      {
        PluginHost storing;
        ASSERT_TRUE(storing.Load(e.path)) << storing.Error();
        storing.Start(48000.0, 512);
        quality = ParameterIndex(storing.QueryParameters(), "Quality Mode Rating");
        ASSERT_TRUE(storing.SetParameter(quality, static_cast<float>(rating) / 999.0f));
        mode = storing.DispatchText(effGetParamDisplay, quality);
      }
      void* module = ::dlopen(e.path, RTLD_NOW | RTLD_LOCAL);
      ASSERT_NE(module, nullptr) << ::dlerror();
      auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(::dlsym(module, "VSTPluginMain"));
      ASSERT_NE(entry, nullptr);
      FakeHost host;
      host.answer = [](const FakeHost::Call& c) { return c.opcode == audioMasterVersion ? VstIntPtr{2400} : 0; };
      AEffect* fx = entry(&FakeHost::Callback);
      ASSERT_NE(fx, nullptr);
      for (const FakeHost::Call& c : host.calls)
        EXPECT_TRUE(c.opcode == audioMasterVersion || c.opcode == audioMasterCurrentId)
            << "opcode " << c.opcode << " index " << c.index << " before the host had the record";
      fx->dispatcher(fx, effOpen, 0, 0, nullptr, 0.0f);
      char text[64] = "";
      fx->dispatcher(fx, effGetParamDisplay, quality, 0, text, 0.0f);
      EXPECT_EQ(text, mode) << "the stored mode";
      fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
      ::dlclose(module);
    }
  }
}

TEST(ProductModuleTest, SweepRunsCleanAndTheEffectStillProcesses) {
  TempConfigFolder prefs;
  PluginHost host;
  ASSERT_TRUE(host.Load(QVX_PRODUCT_MODULE)) << host.Error();
  host.Start(48000.0, 512);
  SweepReport report;
  std::string error;
  ASSERT_TRUE(SweepOpcodes(host, -1000, 1000, report, error)) << error;
  const int numParams = host.Effect()->numParams;
  for (const HostCall& call : host.Log()) {
    if (call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit || call.opcode == audioMasterEndEdit) {
      EXPECT_TRUE(call.index >= 0 && call.index < numParams) << DescribeHostCall(call);
    }
  }
  AudioBuffer noise, output;
  RenderOptions options;
  ASSERT_TRUE(options.blocks.Parse("random:1-2048:5", error));
  ASSERT_TRUE(MakeTestSignal("noise", 2, 48000.0, 0.5, noise, error)) << error;
  RenderStats stats;
  ASSERT_TRUE(RenderOffline(host, noise, options, output, stats, error)) << error;
  for (const auto& channel : output.channels)
    for (float v : channel) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace
