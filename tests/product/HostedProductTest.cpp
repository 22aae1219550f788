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

}  // namespace
