// Both editions of the product loaded as plug-in modules by the command-line
// host: what a host sees of them, and the robustness sweep run in-process
// (so that the sanitizers see every call).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"
#include "tools/qvxhost/Sweep.h"

namespace {

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
  auto indexOf = [&](const std::string& name) {
    for (const ParameterInfo& p : params)
      if (p.name == name) return p.index;
    ADD_FAILURE() << "no parameter named " << name;
    return 0;
  };
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
