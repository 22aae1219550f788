// The product's plug-in modules through the host: what a host sees of the
// record, the exports, refusal of an old host, and the robustness sweep.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"
#include "tools/qvxhost/Sweep.h"

namespace {

std::set<std::string> DefinedDynamicSymbols(const std::string& module) {
  const std::string command = std::string(QVX_NM) + " -D --defined-only " + module;
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ProductModuleTest, ExportsOnlyTheEntryPoints) {
  EXPECT_EQ(DefinedDynamicSymbols(QVX_PRODUCT_MODULE), std::set<std::string>({"VSTPluginMain"}));
  EXPECT_EQ(DefinedDynamicSymbols(QVX_PRODUCT_MODULE_STD), std::set<std::string>({"VSTPluginMain", "main_macho"}));
}

TEST(ProductModuleTest, TheHostReadsTheRecordAsTheEffectFillsIt) {
  for (const bool standard : {false, true}) {
    PluginHost host;
    ASSERT_TRUE(host.Load(standard ? QVX_PRODUCT_MODULE_STD : QVX_PRODUCT_MODULE)) << host.Error();
    host.Start(44100.0, 512);
    const EffectInfo info = host.QueryInfo();
    EXPECT_EQ(info.magic, kEffectMagic);
    EXPECT_EQ(info.numPrograms, 20);
    EXPECT_EQ(info.numParams, standard ? 594 : 599);
    EXPECT_EQ(info.numInputs, 2);
    EXPECT_EQ(info.numOutputs, 2);
    if (!standard) {
      EXPECT_EQ(info.uniqueID, VstFourCC('Z', 'R', 'V', 'K'));
    }
    EXPECT_NE(info.uniqueID, VstFourCC('N', 'o', 'E', 'f')) << "the product sets its own identifier";
    EXPECT_EQ(info.flags & effFlagsCanReplacing, effFlagsCanReplacing);
    EXPECT_EQ(info.flags & ~(effFlagsCanReplacing | effFlagsHasEditor), 0)
        << "no chunks, no double precision: " << FlagsText(info.flags);
    EXPECT_EQ(info.vstVersion, 2400);
  }
}

TEST(ProductModuleTest, AHostAnsweringVersionZeroGetsNoRecord) {
  HostConfig config;
  config.versionAnswer = 0;
  PluginHost host(config);
  EXPECT_FALSE(host.Load(QVX_PRODUCT_MODULE));
  EXPECT_NE(host.Error().find("no effect record"), std::string::npos) << host.Error();
}

TEST(ProductModuleTest, SweepRunsCleanAndTheEffectStillProcesses) {
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
