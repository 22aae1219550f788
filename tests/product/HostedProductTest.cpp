// Both editions loaded as plug-in modules by the command-line host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"

namespace {

struct Edition {
  const char* path;
  const char* name;
  int numParams;
  const char* lastName;
};

const Edition kEditions[] = {{QVX2_MASTER_PLUGIN, "QVX2 Master", 599, "M/S Mode B"},
                             {QVX2_STD_PLUGIN, "QVX2", 594, "FFT Bands B"}};

TEST(HostedProductTest, BothEditionsLoadWithTheirIdentityAndParameters) {
  for (const Edition& e : kEditions) {
    TempConfigFolder prefs;
    PluginHost host;
    ASSERT_TRUE(host.Load(e.path)) << host.Error();
    host.Start(48000.0, 512);
    const EffectInfo info = host.QueryInfo();
    EXPECT_EQ(info.effectName, e.name);
    EXPECT_EQ(info.product, "Sorvik Audio - QVX2");
    EXPECT_EQ(info.numParams, e.numParams);
    EXPECT_EQ(info.numPrograms, 20);
    EXPECT_EQ(info.numInputs, 2);
    EXPECT_EQ(info.numOutputs, 2);
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

TEST(HostedProductTest, AudioPassesThroughUntilTheFiltersAreBuilt) {
  TempConfigFolder prefs;
  PluginHost host;
  ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
  host.Start(44100.0, 64);
  std::vector<float> l(64), r(64), ol(64), orr(64);
  for (int i = 0; i < 64; ++i) {
    l[static_cast<std::size_t>(i)] = 0.01f * static_cast<float>(i);
    r[static_cast<std::size_t>(i)] = -0.02f * static_cast<float>(i);
  }
  float* ins[2] = {l.data(), r.data()};
  float* outs[2] = {ol.data(), orr.data()};
  host.Process(ins, outs, 64);
  EXPECT_EQ(ol, l);
  EXPECT_EQ(orr, r);
}

}  // namespace
