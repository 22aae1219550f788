#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "Helpers/ColorModel.h"
#include "Helpers/PersistantStorage.h"
#include "framework/FrameworkTestSupport.h"
#include "platform/PrefStore.h"
#include "prefs/TempConfigFolder.h"

namespace {

using fxtest::FakeEditor;
using fxtest::HostLog;
using fxtest::TestEffect;
constexpr int kHost = TestEffect::kHostParams;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class XREffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HostLog::Get().Reset();
    m_pEffect = std::make_unique<TestEffect>(fxtest::RecordingHostCallback, true);
    HostLog::Get().Reset();
  }
  TestEffect& Fx() { return *m_pEffect; }
  FakeEditor& Editor() { return *m_pEffect->Editor(); }

  TempConfigFolder m_Prefs;  // before the effect: it reads the preferences
  std::unique_ptr<TestEffect> m_pEffect;
};

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Persistent values are held in steps of 1/1048576, truncated.
float Stored(float v) { return std::floor(v * 1048576.0f) / 1048576.0f; }

TEST_F(XREffectTest, ConstructionFillsTheRecordAndEveryProgramFromTheDefaults) {
  AEffect* record = Fx().getAeffect();
  EXPECT_EQ(record->numParams, kHost);
  EXPECT_EQ(record->numPrograms, 20);
  EXPECT_TRUE(record->flags & effFlagsCanReplacing);
  for (int p = 0; p < 20; ++p) {
    Fx().setProgram(p);
    for (int i = 0; i < kHost; ++i) ASSERT_EQ(Fx().getParameter(i), TestEffect::DefaultValue(i)) << p << "/" << i;
  }
  char vendor[256] = {};
  EXPECT_TRUE(Fx().getVendorString(vendor));
  EXPECT_STREQ(vendor, "Sorvik Audio");
  EXPECT_EQ(Fx().getVendorVersion(), 1000);
  EXPECT_EQ(Fx().getPlugCategory(), kPlugCategEffect);
}

TEST_F(XREffectTest, WriteRoadTellsProductAndEditorAndKeepsTheSnapshot) {
  const int refreshes = Editor().m_nRefreshControls.load();
  Fx().setParameter(10, 0.75f);
  ASSERT_EQ(Fx().Changes().size(), 1u);
  EXPECT_EQ(Fx().Changes()[0].nIndex, 10);
  EXPECT_TRUE(Fx().Changes()[0].bActuallyChanged);
  ASSERT_EQ(Editor().SetParameterCalls().size(), 1u);
  EXPECT_EQ(Editor().SetParameterCalls()[0], std::make_pair(10, 0.75f));
  EXPECT_EQ(Editor().m_nRefreshControls.load(), refreshes + 1);
  EXPECT_TRUE(Fx().CanUndo());

  // The same value again: no undo point, but the product and the editor are
  // still told, and the snapshot now holds the value.
  Fx().ClearUndos();
  Fx().ClearChanges();
  Fx().setParameter(10, 0.75f);
  EXPECT_FALSE(Fx().CanUndo());
  ASSERT_EQ(Fx().Changes().size(), 1u);
  EXPECT_FALSE(Fx().Changes()[0].bActuallyChanged);
  EXPECT_EQ(Editor().SetParameterCalls().size(), 2u);
  // Host automation through the record never reports back to the host.
  EXPECT_TRUE(HostLog::Get().CallsOf(audioMasterAutomate).empty());
}

TEST_F(XREffectTest, IndexesOutsideTheParametersAreIgnored) {
  const float before = Fx().getParameter(0);
  for (int index : {-1, kHost, 2999, 3000, 8999, 9000 + TestEffect::kPersistant, 10001, 1 << 30, -(1 << 30)}) {
    Fx().setParameter(index, 0.5f);
    EXPECT_EQ(Fx().getParameter(index), 0.0f) << index;
  }
  EXPECT_TRUE(Fx().Changes().empty());
  EXPECT_TRUE(Editor().SetParameterCalls().empty());
  EXPECT_EQ(Fx().getParameter(0), before);
  // The scratch slot for wild indexes always reads 0 and never reaches a program.
  Fx().Param(-7)->store(0.9f);
  Fx().Param(123456)->store(0.9f);
  EXPECT_EQ(Fx().Param(-7)->load(), 0.0f);
  EXPECT_EQ(Fx().Param(123456)->load(), 0.0f);
  EXPECT_FALSE(Fx().DidParameterActuallyChange(-1));
  EXPECT_FALSE(Fx().DidParameterActuallyChange(3000));
  EXPECT_TRUE(Fx().DidParameterActuallyChange(9000));
  EXPECT_FALSE(Fx().getIsIndexValidForEditing(kHost));
  EXPECT_FALSE(Fx().getIsIndexValidForEditing(-1));
  EXPECT_TRUE(Fx().getIsIndexValidForEditing(kHost - 1));
}

TEST_F(XREffectTest, FiniteStatesClampHostValuesAndReadNaNAsZero) {
  struct Case {
    float value;
    int states;
    int expected;
  } cases[] = {{0.0f, 3, 0},   {0.5f, 3, 1},    {1.0f, 3, 2},     {0.24f, 5, 1},   {0.26f, 5, 1},
               {-1.0f, 3, 0},  {2.0f, 3, 2},    {kNaN, 3, 0},     {kInf, 5, 4},    {-kInf, 5, 0},
               {1e30f, 1000, 999}, {80.0f / 999.0f, 1000, 80}, {0.7f, 1, 0}, {0.7f, 0, 0}};
  for (const Case& c : cases) {
    Fx().setParameter(5, c.value);
    EXPECT_EQ(Fx().GetParamAsFiniteState(5, c.states), c.expected) << c.value << " of " << c.states;
  }
  Fx().SetParamAsFiniteState(6, 2, 5);
  EXPECT_EQ(Fx().getParameter(6), 0.5f);
  Fx().SetParamAsFiniteState(6, 1, 1);  // no division by zero
  EXPECT_EQ(Fx().getParameter(6), 0.0f);
}

TEST_F(XREffectTest, ColourParametersReadAsPaletteColours) {
  auto same = [](CColor c, int r, int g, int b) {
    return c.red == r && c.green == g && c.blue == b && c.alpha == 255;
  };
  // Entry 0 (pastel red), entry 124 (mid grey), entry 127 (black) for 1.0.
  Fx().setParameter(9000, 0.0f);
  EXPECT_TRUE(same(Fx().GetParamAsColor(9000), 255, 178, 178));
  Fx().setParameter(9001, 124.5f / 128.0f);
  EXPECT_TRUE(same(Fx().GetParamAsColor(9001), 150, 150, 150));
  Fx().setParameter(9002, 1.0f);
  EXPECT_TRUE(same(Fx().GetParamAsColor(9002), 0, 0, 0));
  // Ordinary parameters read the current program; host values outside 0..1
  // and NaN clamp to the palette's ends.
  Fx().setParameter(5, 4.0f / 128.0f);
  EXPECT_TRUE(same(Fx().GetParamAsColor(5), 127, 0, 0));
  Fx().setParameter(5, 3.0f);
  EXPECT_TRUE(same(Fx().GetParamAsColor(5), 0, 0, 0));
  Fx().setParameter(5, kNaN);
  EXPECT_TRUE(same(Fx().GetParamAsColor(5), 255, 178, 178));
}

TEST_F(XREffectTest, ProgramChangeRestoresEveryValueExactlyAndReportsOnlyRealChanges) {
  // Program 3 gets its own values, including ones a host may send outside 0..1.
  Fx().setProgram(3);
  for (int i = 0; i < kHost; i += 3) Fx().setParameter(i, static_cast<float>(i) / 1000.0f + 0.0001f);
  Fx().setParameter(7, kNaN);
  Fx().setParameter(8, 1.5f);
  Fx().setParameter(9, -0.25f);
  float program3[kHost];
  for (int i = 0; i < kHost; ++i) program3[i] = Fx().getParameter(i);

  Fx().setProgram(0);
  for (int i = 0; i < kHost; ++i) ASSERT_EQ(Fx().getParameter(i), TestEffect::DefaultValue(i)) << i;

  Fx().ClearChanges();
  Fx().setProgram(3);
  EXPECT_EQ(Fx().getProgram(), 3);
  for (int i = 0; i < kHost; ++i) ASSERT_TRUE(SameBits(Fx().getParameter(i), program3[i])) << i;
  // Every parameter is re-applied once, and DidParameterActuallyChange inside
  // ParameterChanged is true exactly where the programs differ.
  std::set<int> seen;
  for (const auto& c : Fx().Changes()) {
    if (c.nIndex >= kXrFirstPersistantParam) continue;
    seen.insert(c.nIndex);
    const bool differs = !SameBits(program3[c.nIndex], TestEffect::DefaultValue(c.nIndex));
    EXPECT_EQ(c.bActuallyChanged, differs) << c.nIndex;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kHost));
  // A program change clears the undo history.
  EXPECT_FALSE(Fx().CanUndo());
  EXPECT_GT(Editor().m_nRefreshControls.load(), 0);
}

TEST_F(XREffectTest, ProgramNumbersOutsideTheBankAreIgnored) {
  Fx().setProgram(2);
  Fx().setParameter(0, 0.123f);
  for (int bad : {-1, 20, 21, 1 << 30, -(1 << 30)}) {
    Fx().setProgram(bad);
    EXPECT_EQ(Fx().getProgram(), 2);
    EXPECT_EQ(Fx().getParameter(0), 0.123f);
  }
}

TEST_F(XREffectTest, ProgramNamesAreCutToTwentyFourCharacters) {
  char name[64];
  Fx().getProgramName(name);
  EXPECT_STREQ(name, "Program 1");
  char exact[] = "abcdefghijklmnopqrstuvwx";  // 24
  Fx().setProgramName(exact);
  Fx().getProgramName(name);
  EXPECT_STREQ(name, exact);
  char longer[] = "abcdefghijklmnopqrstuvwxyz1234";  // 30
  Fx().setProgramName(longer);
  Fx().getProgramName(name);
  EXPECT_STREQ(name, "abcdefghijklmnopqrstuvwx");
  Fx().setProgramName(nullptr);
  Fx().getProgramName(nullptr);

  EXPECT_TRUE(Fx().getProgramNameIndexed(0, 19, name));
  EXPECT_STREQ(name, "Program 20");
  std::strcpy(name, "untouched");
  EXPECT_FALSE(Fx().getProgramNameIndexed(0, 20, name));
  EXPECT_FALSE(Fx().getProgramNameIndexed(0, -1, name));
  EXPECT_FALSE(Fx().getProgramNameIndexed(0, 3, nullptr));
  EXPECT_STREQ(name, "untouched");
}

TEST_F(XREffectTest, PresetStreamFillsAProgramFromTheDefaults) {
  const XREffect::PresetStreamEntry entries[] = {{4, 0.9f}, {5000, 0.5f}, {-5, 0.5f}, {598, 0.1f}, {-1, 0.0f}};
  Fx().setProgram(5);
  Fx().setParameter(1, 0.999f);
  Fx().UsePresetStream(5, XREffect::PresetStream{"A preset name that is too long", entries});
  Fx().UsePresetStream(20, XREffect::PresetStream{"x", entries});
  Fx().setProgram(0);
  Fx().setProgram(5);
  EXPECT_EQ(Fx().getParameter(4), 0.9f);
  EXPECT_EQ(Fx().getParameter(598), 0.1f);
  EXPECT_EQ(Fx().getParameter(1), TestEffect::DefaultValue(1));
  char name[32];
  Fx().getProgramName(name);
  EXPECT_STREQ(name, "A preset name that is to");
}

TEST_F(XREffectTest, OnlyHostIndexesEverReachTheHost) {
  Fx().SetParamAndForceHostUpdate(3, 0.5f);
  Fx().SetParamAndForceHostUpdate(kHost - 1, 0.5f);
  Fx().SetParamAndForceHostUpdate(kHost, 0.5f);
  Fx().SetParamAndForceHostUpdate(9000, 0.5f);
  Fx().setParameterAutomated(kHost, 0.5f);
  Fx().setParameterAutomated(9001, 0.5f);
  for (int index : {3, kHost, 9000, 10001, 10002, 10003, 10004}) {
    Fx().beginEdit(index);
    Fx().endEdit(index);
  }
  const auto calls = HostLog::Get().Calls();
  std::set<int> automated;
  for (const auto& c : calls) {
    if (c.nOpcode == audioMasterAutomate || c.nOpcode == audioMasterBeginEdit || c.nOpcode == audioMasterEndEdit) {
      EXPECT_GE(c.nIndex, 0);
      EXPECT_LT(c.nIndex, kHost) << "opcode " << c.nOpcode;
      if (c.nOpcode == audioMasterAutomate) automated.insert(c.nIndex);
    }
  }
  EXPECT_EQ(automated, (std::set<int>{3, kHost - 1}));
  EXPECT_EQ(HostLog::Get().CallsOf(audioMasterBeginEdit).size(), 1u);
  EXPECT_EQ(HostLog::Get().CallsOf(audioMasterEndEdit).size(), 1u);
  // The persistent write itself still happened.
  EXPECT_EQ(Fx().GetPersistantParam(9000), 0.5f);
}

TEST_F(XREffectTest, MouseWheelMessageGoesToTheEditor) {
  const VstInt32 vendor = ('s' << 24) | ('t' << 16) | ('C' << 8) | 'A';
  const VstIntPtr wheel = ('W' << 24) | ('h' << 16) | ('e' << 8) | 'e';
  EXPECT_EQ(Fx().vendorSpecific(vendor, wheel, nullptr, -2.5f), 1);
  EXPECT_EQ(Editor().m_fLastWheel.load(), -2.5f);
  Editor().m_bWheelAnswer = false;
  EXPECT_EQ(Fx().vendorSpecific(vendor, wheel, nullptr, 1.0f), 0);
  EXPECT_EQ(Fx().vendorSpecific(vendor, wheel + 1, nullptr, 1.0f), 0);
  EXPECT_EQ(Fx().vendorSpecific(0, wheel, nullptr, 1.0f), 0);
  EXPECT_EQ(Editor().m_nWheelCalls.load(), 2);
  TestEffect bare(fxtest::RecordingHostCallback, false);
  EXPECT_EQ(bare.vendorSpecific(vendor, wheel, nullptr, 1.0f), 0);
}

// --- persistent parameters --------------------------------------------------------

TEST_F(XREffectTest, PersistantParametersSurviveANewInstance) {
  EXPECT_EQ(Fx().GetPersistantParam(9003), Stored(TestEffect::PersistantDefault(3)));
  Fx().setParameter(9003, 0.625f);
  Fx().setParameter(9004, 1.0f);
  EXPECT_EQ(Fx().GetPersistantParam(9003), 0.625f);
  EXPECT_EQ(Fx().getParameter(9003), 0.0f);  // not a host parameter
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("TestP4", 0), 1048576);

  TestEffect second;
  EXPECT_EQ(second.GetPersistantParam(9003), 0.625f);
  EXPECT_EQ(second.GetPersistantParam(9004), 1.0f);
  EXPECT_EQ(second.GetPersistantParam(9005), Stored(TestEffect::PersistantDefault(5)));
}

TEST_F(XREffectTest, PersistantValuesStayWithinZeroToOne) {
  Fx().setParameter(9000, 5.0f);
  EXPECT_EQ(Fx().GetPersistantParam(9000), 1.0f);
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("TestP0", 0), 1048576);
  Fx().setParameter(9001, -3.0f);
  EXPECT_EQ(Fx().GetPersistantParam(9001), 0.0f);
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("TestP1", 77), 0);
  Fx().setParameter(9002, kNaN);
  EXPECT_EQ(Fx().GetPersistantParam(9002), 0.0f);

  // Values written by something else into the shared preferences.
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("TestP5", 3 * 1048576));
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("TestP6", -1048576));
  TestEffect second;
  EXPECT_EQ(second.GetPersistantParam(9005), 1.0f);
  EXPECT_EQ(second.GetPersistantParam(9006), 0.0f);
}

TEST_F(XREffectTest, CorruptPreferencesGiveTheDefaults) {
  Fx().setParameter(9003, 0.9f);
  const std::string path = platform::PrefStore(CPersistantStorage::ApplicationIdentifier()).FilePath();
  {
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 20, SEEK_SET);
    std::fputs("\x01garbage\xff", f);
    std::fclose(f);
  }
  TestEffect second;
  for (int k = 0; k < TestEffect::kPersistant; ++k)
    EXPECT_EQ(second.GetPersistantParam(9000 + k), Stored(TestEffect::PersistantDefault(k))) << k;
  // The next store replaces the broken file.
  second.setParameter(9002, 0.5f);
  TestEffect third;
  EXPECT_EQ(third.GetPersistantParam(9002), 0.5f);
}

}  // namespace
