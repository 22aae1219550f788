// The effect base loaded as a plug-in module by the command-line host.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"

namespace {

constexpr int kHostParams = 599;

class HostedEffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_Host.Load(QVX_FRAMEWORK_TEST_PLUGIN)) << m_Host.Error();
    m_Host.Start(48000.0, 512);
  }
  TempConfigFolder m_Prefs;  // the effect reads the preferences at load
  PluginHost m_Host;
};

TEST_F(HostedEffectTest, ParametersSetThroughTheRecordReadBack) {
  EXPECT_EQ(m_Host.QueryInfo().numParams, kHostParams);
  EXPECT_EQ(m_Host.QueryInfo().numPrograms, 20);
  const int indexes[] = {0, 1, 269, 303, 304, 598};
  for (int i : indexes) {
    const float v = 0.001f * static_cast<float>(i) + 0.0625f;
    ASSERT_TRUE(m_Host.SetParameter(i, v));
    EXPECT_EQ(m_Host.GetParameter(i), v) << i;
  }
  // Nothing the host set was reported back to it.
  EXPECT_TRUE(m_Host.Log().empty());
}

TEST_F(HostedEffectTest, ProgramChangesOutsideTheBankAreIgnored) {
  ASSERT_TRUE(m_Host.SetParameter(5, 0.3125f));
  for (VstIntPtr bad : {VstIntPtr{-1}, VstIntPtr{20}, VstIntPtr{1} << 40, -(VstIntPtr{1} << 40)}) {
    m_Host.Dispatch(effSetProgram, 0, bad);
    EXPECT_EQ(m_Host.Dispatch(effGetProgram), 0) << bad;
    EXPECT_EQ(m_Host.GetParameter(5), 0.3125f) << bad;
  }
  m_Host.Dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(m_Host.Dispatch(effGetProgram), 3);
  EXPECT_NE(m_Host.GetParameter(5), 0.3125f);
  EXPECT_EQ(m_Host.DispatchText(effGetProgramName), "Program 4");
  m_Host.Dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(m_Host.GetParameter(5), 0.3125f);
}

TEST_F(HostedEffectTest, HostNeverSeesAnIndexAtOrAboveTheParameterCount) {
  m_Host.Idle();  // the test effect's editor-like script runs here
  std::set<int> automated, begun, ended;
  for (const HostCall& c : m_Host.Log()) {
    if (c.opcode != audioMasterAutomate && c.opcode != audioMasterBeginEdit && c.opcode != audioMasterEndEdit)
      continue;
    EXPECT_GE(c.index, 0) << DescribeHostCall(c);
    EXPECT_LT(c.index, kHostParams) << DescribeHostCall(c);
    if (c.opcode == audioMasterAutomate) automated.insert(c.index);
    if (c.opcode == audioMasterBeginEdit) begun.insert(c.index);
    if (c.opcode == audioMasterEndEdit) ended.insert(c.index);
  }
  EXPECT_EQ(automated, (std::set<int>{0, kHostParams - 1}));
  EXPECT_EQ(begun, (std::set<int>{kHostParams - 1}));
  EXPECT_EQ(ended, (std::set<int>{kHostParams - 1}));
  // The undo and redo of the gesture restored and re-applied its last value.
  EXPECT_EQ(m_Host.GetParameter(kHostParams - 1), 0.75f);
}

TEST(HostedQualityTest, HostReadsTheNewLatencyWhenToldOfTheChange) {
  TempConfigFolder prefs;
  HostConfig config;
  config.transport = HostTransport::Stopped;
  config.acceptIOChanges = 1;
  PluginHost host(config);
  ASSERT_TRUE(host.Load(QVX_FRAMEWORK_TEST_PLUGIN)) << host.Error();
  // The default mode (4096/2048) stands in with a filter reporting 2048.
  EXPECT_EQ(host.QueryInfo().initialDelay, 2048);
  host.Start(48000.0, 512);
  std::vector<float> in(2 * 512, 0.25f), out(2 * 512, 0.0f);
  float* ins[2] = {in.data(), in.data() + 512};
  float* outs[2] = {out.data(), out.data() + 512};
  for (int block = 0; block < 4; ++block) host.Process(ins, outs, 512);
  EXPECT_EQ(out[511], 0.125f);
  host.ClearLog();

  const int ratingParam = 296;
  ASSERT_TRUE(host.SetParameter(ratingParam, 10.0f / 999.0f));  // "Minimum": 1024/512
  host.Idle();  // the transport is stopped: applied at once
  std::vector<HostCall> changes;
  for (const HostCall& c : host.Log())
    if (c.opcode == audioMasterIOChanged) changes.push_back(c);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].latencyBefore, 2048);
  EXPECT_EQ(changes[0].latencyAfter, 512) << "the host was told before the new delay was set";
  EXPECT_EQ(host.QueryInfo().initialDelay, 512);
  host.Idle();
  size_t after = 0;
  for (const HostCall& c : host.Log()) after += c.opcode == audioMasterIOChanged ? 1 : 0;
  EXPECT_EQ(after, 1u);
}

}  // namespace
