// The parameter set as a host sees it: names, labels, defaults and the index
// maps of both editions. The expectations are typed here row by row from the
// product's documentation, independently of the product's own table.
#include <gtest/gtest.h>

#include "EditionSuite.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "QVX2/QVX2Params.h"

namespace {
struct ExpectedSetting {
  int nFullIndex;
  const char* szName;
  const char* szLabel;
  float fDefault;
  bool bInStandard;
  bool bHasB;
};

const ExpectedSetting kExpected[] = {
    {270, "Trim Left", " dB", 0.5f, true, true},
    {271, "Trim Right", " dB", 0.5f, true, true},
    {272, "Trim Link", " ", 1.0f, true, true},
    {273, "Depth", " %", 0.5f, true, true},
    {274, "Show FFT", " ", 1.0f, true, true},
    {275, "Graph Min Freq", " ", 0.0f, true, true},
    {276, "Graph Max Freq", " ", 1.0f, true, true},
    {277, "Graph Min Db", " ", 0.0f, true, true},
    {278, "Graph Max Db", " ", 1.0f, true, true},
    {279, "Control Channel", " ", 0.0f, true, true},
    {280, "Control Mode", " ", 0.0f, true, true},
    {281, "Contour", " ", 0.5f, true, true},
    {282, "Bypass", " ", 0.0f, true, true},
    {283, "FFT Source", " ", 1.0f, true, true},
    {284, "HPF0", " ", 0.0f, true, true},
    {285, "HPF0 Freq", " Hz", 0.08f, true, true},
    {286, "HPF1", " ", 0.0f, true, true},
    {287, "HPF1 Freq", " Hz", 0.08f, true, true},
    {288, "LPF0", " ", 0.0f, true, true},
    {289, "LPF0 Freq", " Hz", 0.95835f, true, true},
    {290, "LPF1", " ", 0.0f, true, true},
    {291, "LPF1 Freq", " Hz", 0.95835f, true, true},
    {292, "Band Type", " ", 1.0f, true, true},
    {293, "FFT Bands", " ", 0.0f, true, true},
    {294, "M/S Mode", " ", 0.0f, false, true},
    {295, "Guide Display", " ", 0.0f, true, false},
    {296, "Is Preset", " ", 1.0f, true, false},
    {297, "Quality Mode Link", " ", 1.0f, true, false},
    {298, "Quality Mode Rating", " ", 0.0f, true, false},
    {299, "Dither Mode", " ", 0.0f, false, false},
    {300, "BitDepth", " ", 0.0f, true, false},
    {301, "Report Latency", " ", 1.0f, true, false},
    {302, "WYSIWYG", " ", 0.0f, false, false},
    {303, "Offline Render", " ", 0.0f, false, false},
};

struct HostParam {
  std::string name;
  std::string label;
  float fDefault;
};

std::string GainName(int index) {
  const int band = index / 2;
  std::string digits = band < 100 ? (band < 10 ? "0" : "") + std::to_string(band)
                                  : (band < 130 ? std::to_string(band) : "130" + std::to_string(band - 130));
  return std::string(index % 2 == 0 ? "Gain L" : "Gain R") + digits;
}

// The host's view of this edition, built from the rows above.
std::vector<HostParam> ExpectedHostParams() {
  std::vector<HostParam> a;
  for (int i = 0; i < 270; ++i) a.push_back({GainName(i), " dB", 0.5f});
  std::vector<HostParam> withB(a), withoutB;
  for (const auto& e : kExpected) {
    if (kbQvx2StandardEdition && !e.bInStandard) continue;
    (e.bHasB ? withB : withoutB).push_back({e.szName, e.szLabel, e.fDefault});
  }
  std::vector<HostParam> all(withB);
  all.insert(all.end(), withoutB.begin(), withoutB.end());
  for (const auto& p : withB) all.push_back({p.name + " B", p.label, p.fDefault});
  return all;
}
}  // namespace

TEST(QVX2_SUITE(Qvx2ParamTableTest), EveryHostParameterHasItsNameLabelAndDefault) {
  const auto expected = ExpectedHostParams();
  ASSERT_EQ(static_cast<int>(expected.size()), kQvx2NumHostParams);
  ASSERT_EQ(kQvx2NumHostParams, kbQvx2StandardEdition ? 594 : 599);
  for (int i = 0; i < kQvx2NumHostParams; ++i) {
    const auto& row = kQvx2ParamTable[static_cast<std::size_t>(i)];
    EXPECT_STREQ(row.szName.data(), expected[static_cast<std::size_t>(i)].name.c_str()) << "index " << i;
    EXPECT_STREQ(row.info.szLabel, expected[static_cast<std::size_t>(i)].label.c_str()) << "index " << i;
    EXPECT_EQ(row.info.fDefault, expected[static_cast<std::size_t>(i)].fDefault) << "index " << i;
  }
}

TEST(QVX2_SUITE(Qvx2ParamTableTest), NamedIndexesPointAtTheirSettings) {
  // In the order of the rows above; -1 where the edition lacks the setting.
  const int named[] = {kQvx2TrimLeft,      kQvx2TrimRight,      kQvx2TrimLink,   kQvx2Depth,       kQvx2ShowFft,
                       kQvx2GraphMinFreq,  kQvx2GraphMaxFreq,   kQvx2GraphMinDb, kQvx2GraphMaxDb,  kQvx2ControlChannel,
                       kQvx2ControlMode,   kQvx2Contour,        kQvx2Bypass,     kQvx2FftSource,   kQvx2Hpf0,
                       kQvx2Hpf0Freq,      kQvx2Hpf1,           kQvx2Hpf1Freq,   kQvx2Lpf0,        kQvx2Lpf0Freq,
                       kQvx2Lpf1,          kQvx2Lpf1Freq,       kQvx2BandType,   kQvx2FftBands,    kQvx2MSMode,
                       kQvx2GuideDisplay,  kQvx2IsPreset,       kQvx2QMLink,     kQvx2QualityRating, kQvx2DitherMode,
                       kQvx2BitDepth,      kQvx2ReportLatency,  kQvx2Wysiwyg,    kQvx2OfflineRender};
  static_assert(std::size(named) == std::size(kExpected));
  for (std::size_t k = 0; k < std::size(named); ++k) {
    if (kbQvx2StandardEdition && !kExpected[k].bInStandard) {
      EXPECT_EQ(named[k], -1) << kExpected[k].szName;
      continue;
    }
    ASSERT_GE(named[k], 0) << kExpected[k].szName;
    EXPECT_STREQ(kQvx2ParamTable[static_cast<std::size_t>(named[k])].szName.data(), kExpected[k].szName);
  }
}

TEST(QVX2_SUITE(Qvx2ParamTableTest), PersistantParametersAndProgramNames) {
  const char* names[] = {"EQ Left+Right", "EQ Left",       "EQ Right",       "Level Meter 1",
                         "Level Meter 2", "Level Meter 3", "Analyzer Left",  "Analyzer Right",
                         "Graph Fill",    "Show Latency Warning", "First Run"};
  const char* keys[] = {"ColEqLR", "ColEqL",    "ColEqR",             "ColLM1",  "ColLM2", "ColLM3",
                        "ColFftL", "ColFftR",   "GraphFill", "ShowLatencyWarning", "FirstRun"};
  const float defaults[] = {0.8359375f, 0.15625f, 0.5859375f, 0.890625f, 0.140625f, 0.015625f,
                            0.1328125f, 0.5703125f, 1.0f, 1.0f, 1.0f};
  for (int k = 0; k < 11; ++k) {
    EXPECT_STREQ(kQvx2PersistantTable[static_cast<std::size_t>(k)].szName, names[k]);
    EXPECT_STREQ(kQvx2PersistantTable[static_cast<std::size_t>(k)].szKey, keys[k]);
    EXPECT_EQ(kQvx2PersistantTable[static_cast<std::size_t>(k)].fDefault, defaults[k]);
    EXPECT_LT(std::strlen(names[k]), static_cast<std::size_t>(kQvx2HostTextBytes));
  }
  for (int p = 0; p < 20; ++p) {
    char expected[16];
    std::snprintf(expected, sizeof expected, p + 1 <= 9 ? "User0%i" : "User%i", p + 1);
    EXPECT_STREQ(kQvx2ProgramNames[static_cast<std::size_t>(p)].data(), expected);
  }
}

TEST(QVX2_SUITE(Qvx2ParamTableTest), CopyTextNeverPassesItsBound) {
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  Qvx2CopyText(buf, "Show Latency Warning", 5);
  EXPECT_STREQ(buf, "Show");
  EXPECT_EQ(buf[5], 'x');
  Qvx2CopyText(buf, nullptr, 8);
  EXPECT_STREQ(buf, "");
  Qvx2CopyText(buf, "abc", 0);  // no room: nothing written
  EXPECT_STREQ(buf, "");
}
