// The equaliser's parameter set: indexes, names, unit labels, defaults, text
// laws and reactions, one compile-time table per edition.
//
// Both editions build from these sources. The full edition ("QVX2 Master")
// is the default; defining QVX2_STANDARD_EDITION builds the standard edition
// ("QVX2"), which lacks M/S Mode, Dither Mode, WYSIWYG and Offline Render.
//
// Index maps. The effect base requires the settings that have a B copy to be
// the first nABParams indexes, with the B copy of i at nParams + i. Removing a
// setting therefore shifts the ones behind it:
//
//   setting                 full edition   standard edition
//   band gains (b: 2b L,    0-269          0-269
//     2b+1 R)
//   "Trim Left".."FFT Bands" 270-293       270-293
//   "M/S Mode"              294            -
//   "Guide Display"         295            294
//   "Is Preset"             296            295
//   "Quality Mode Link"     297            296
//   "Quality Mode Rating"   298            297
//   "Dither Mode"           299            -
//   "BitDepth"              300            298
//   "Report Latency"        301            299
//   "WYSIWYG"               302            -
//   "Offline Render"        303            -
//   B copies of 0..nAB-1    304-598        300-593
//   persistent parameters   9000-9010      9000-9010
//
// Full: nParams 304, nABParams 295, 599 host parameters.
// Standard: nParams 300, nABParams 294, 594 host parameters.
//
// Every table here is constexpr and read-only, so any number of instances on
// any thread may read it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#ifdef QVX2_STANDARD_EDITION
inline constexpr bool kbQvx2StandardEdition = true;
#else
inline constexpr bool kbQvx2StandardEdition = false;
#endif

inline constexpr int kQvx2NumBands = 135;
inline constexpr int kQvx2NumGainParams = 2 * kQvx2NumBands;  // 270
inline constexpr int kQvx2NumPrograms = 20;
inline constexpr int kQvx2NumPersistantParams = 11;
inline constexpr int kQvx2FirstPersistantParam = 9000;

// Host text buffers. The published VST 2.4 limits (8 characters for names and
// values) are smaller than our names, and a host cannot tell us its buffer
// size; hosts in practice pass 64 bytes or more. Every text the effect writes
// into a host buffer is cut to this many bytes including the terminator: each
// name, label and display text of this product fits whole (the longest,
// "Show Latency Warning", has 20 characters).
inline constexpr int kQvx2HostTextBytes = 24;

// How the host display text of a parameter is formed.
enum class EQvx2TextLaw : uint8_t {
  Gain,           // -20 + 40 v (band gains, graph dB range)
  Trim,           // (v - 0.5) x 80
  Depth,          // 200 v
  Frequency,      // 10 x 3000^v
  Plain,          // v itself
  Switch,         // "Off" at exactly 0.0, else "On"
  Channel,        // "Left" / "Right"
  Source,         // "In" / "Out"
  ControlMode,    // "Snap", "Linked", "Seperate"
  BandType,       // band-layout names
  Guide,          // instrument-guide names
  QualityRating,  // the effect base's quality-mode name
  QualitySwitch,  // finite state of 3: "On" in state 2, else "Off"
};

// What a write of the parameter makes the effect do.
enum class EQvx2Reaction : uint8_t {
  MarkIfChanged,  // shapes the curve or the quality mode: mark the filters
  Never,          // display or editor state only
  Trim,           // recompute the trim gains
  TrimLink,       // remember the trim offset, then mark if changed
  ControlMode,    // take the linked-mode snapshot
  BandType,       // refit from the editor, then mark if changed
};

struct QVX2ParamInfo {
  const char* szName;  // A-bank name; the B copy appends " B"
  const char* szLabel;
  float fDefault;
  EQvx2TextLaw eText;
  EQvx2Reaction eReaction;
  bool bHasBCopy;
  bool bFullEditionOnly;
};

// The settings after the band gains, in full-edition order (270-303).
inline constexpr std::array<QVX2ParamInfo, 34> kQvx2SettingRows{{
    {"Trim Left", " dB", 0.5f, EQvx2TextLaw::Trim, EQvx2Reaction::Trim, true, false},
    {"Trim Right", " dB", 0.5f, EQvx2TextLaw::Trim, EQvx2Reaction::Trim, true, false},
    {"Trim Link", " ", 1.0f, EQvx2TextLaw::Switch, EQvx2Reaction::TrimLink, true, false},
    {"Depth", " %", 0.5f, EQvx2TextLaw::Depth, EQvx2Reaction::MarkIfChanged, true, false},
    {"Show FFT", " ", 1.0f, EQvx2TextLaw::Switch, EQvx2Reaction::Never, true, false},
    {"Graph Min Freq", " ", 0.0f, EQvx2TextLaw::Frequency, EQvx2Reaction::Never, true, false},
    {"Graph Max Freq", " ", 1.0f, EQvx2TextLaw::Frequency, EQvx2Reaction::Never, true, false},
    {"Graph Min Db", " ", 0.0f, EQvx2TextLaw::Gain, EQvx2Reaction::Never, true, false},
    {"Graph Max Db", " ", 1.0f, EQvx2TextLaw::Gain, EQvx2Reaction::Never, true, false},
    {"Control Channel", " ", 0.0f, EQvx2TextLaw::Channel, EQvx2Reaction::Never, true, false},
    {"Control Mode", " ", 0.0f, EQvx2TextLaw::ControlMode, EQvx2Reaction::ControlMode, true, false},
    {"Contour", " ", 0.5f, EQvx2TextLaw::Plain, EQvx2Reaction::MarkIfChanged, true, false},
    {"Bypass", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::Never, true, false},
    {"FFT Source", " ", 1.0f, EQvx2TextLaw::Source, EQvx2Reaction::Never, true, false},
    {"HPF0", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, true, false},
    {"HPF0 Freq", " Hz", 0.08f, EQvx2TextLaw::Frequency, EQvx2Reaction::MarkIfChanged, true, false},
    {"HPF1", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, true, false},
    {"HPF1 Freq", " Hz", 0.08f, EQvx2TextLaw::Frequency, EQvx2Reaction::MarkIfChanged, true, false},
    {"LPF0", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, true, false},
    {"LPF0 Freq", " Hz", 0.95835f, EQvx2TextLaw::Frequency, EQvx2Reaction::MarkIfChanged, true, false},
    {"LPF1", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, true, false},
    {"LPF1 Freq", " Hz", 0.95835f, EQvx2TextLaw::Frequency, EQvx2Reaction::MarkIfChanged, true, false},
    {"Band Type", " ", 1.0f, EQvx2TextLaw::BandType, EQvx2Reaction::BandType, true, false},
    {"FFT Bands", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::Never, true, false},
    {"M/S Mode", " ", 0.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, true, true},
    {"Guide Display", " ", 0.0f, EQvx2TextLaw::Guide, EQvx2Reaction::Never, false, false},
    {"Is Preset", " ", 1.0f, EQvx2TextLaw::Switch, EQvx2Reaction::Never, false, false},
    {"Quality Mode Link", " ", 1.0f, EQvx2TextLaw::Switch, EQvx2Reaction::MarkIfChanged, false, false},
    {"Quality Mode Rating", " ", 0.0f, EQvx2TextLaw::QualityRating, EQvx2Reaction::MarkIfChanged, false, false},
    {"Dither Mode", " ", 0.0f, EQvx2TextLaw::Plain, EQvx2Reaction::MarkIfChanged, false, true},
    {"BitDepth", " ", 0.0f, EQvx2TextLaw::Plain, EQvx2Reaction::MarkIfChanged, false, false},
    {"Report Latency", " ", 1.0f, EQvx2TextLaw::QualitySwitch, EQvx2Reaction::MarkIfChanged, false, false},
    {"WYSIWYG", " ", 0.0f, EQvx2TextLaw::QualitySwitch, EQvx2Reaction::MarkIfChanged, false, true},
    {"Offline Render", " ", 0.0f, EQvx2TextLaw::QualitySwitch, EQvx2Reaction::MarkIfChanged, false, true},
}};

// Full-edition index of a setting row (270 + row); the edition maps it below.
namespace qvx2_detail {
constexpr int SettingRowOf(int fullIndex) { return fullIndex - kQvx2NumGainParams; }

constexpr bool RowInEdition(int row) {
  return !(kbQvx2StandardEdition && kQvx2SettingRows[static_cast<std::size_t>(row)].bFullEditionOnly);
}

// This edition's host index of a full-edition index, or -1 when absent.
constexpr int EditionIndexOf(int fullIndex) {
  if (fullIndex < kQvx2NumGainParams) return fullIndex;
  const int row = SettingRowOf(fullIndex);
  if (!RowInEdition(row)) return -1;
  int n = kQvx2NumGainParams;
  for (int r = 0; r < row; ++r)
    if (RowInEdition(r)) ++n;
  return n;
}

constexpr int CountSettings(bool bCountOnlyBCopies) {
  int n = 0;
  for (std::size_t r = 0; r < kQvx2SettingRows.size(); ++r)
    if (RowInEdition(static_cast<int>(r)) && (!bCountOnlyBCopies || kQvx2SettingRows[r].bHasBCopy)) ++n;
  return n;
}
}  // namespace qvx2_detail

// A bank (nParams) and B-copied (nABParams) counts of this edition.
inline constexpr int kQvx2NumParams = kQvx2NumGainParams + qvx2_detail::CountSettings(false);
inline constexpr int kQvx2NumABParams = kQvx2NumGainParams + qvx2_detail::CountSettings(true);
inline constexpr int kQvx2NumHostParams = kQvx2NumParams + kQvx2NumABParams;

// Host indexes of the settings in this edition; -1 for a setting the edition
// lacks.
inline constexpr int kQvx2TrimLeft = qvx2_detail::EditionIndexOf(270);
inline constexpr int kQvx2TrimRight = qvx2_detail::EditionIndexOf(271);
inline constexpr int kQvx2TrimLink = qvx2_detail::EditionIndexOf(272);
inline constexpr int kQvx2Depth = qvx2_detail::EditionIndexOf(273);
inline constexpr int kQvx2ShowFft = qvx2_detail::EditionIndexOf(274);
inline constexpr int kQvx2GraphMinFreq = qvx2_detail::EditionIndexOf(275);
inline constexpr int kQvx2GraphMaxFreq = qvx2_detail::EditionIndexOf(276);
inline constexpr int kQvx2GraphMinDb = qvx2_detail::EditionIndexOf(277);
inline constexpr int kQvx2GraphMaxDb = qvx2_detail::EditionIndexOf(278);
inline constexpr int kQvx2ControlChannel = qvx2_detail::EditionIndexOf(279);
inline constexpr int kQvx2ControlMode = qvx2_detail::EditionIndexOf(280);
inline constexpr int kQvx2Contour = qvx2_detail::EditionIndexOf(281);
inline constexpr int kQvx2Bypass = qvx2_detail::EditionIndexOf(282);
inline constexpr int kQvx2FftSource = qvx2_detail::EditionIndexOf(283);
inline constexpr int kQvx2Hpf0 = qvx2_detail::EditionIndexOf(284);
inline constexpr int kQvx2Hpf0Freq = qvx2_detail::EditionIndexOf(285);
inline constexpr int kQvx2Hpf1 = qvx2_detail::EditionIndexOf(286);
inline constexpr int kQvx2Hpf1Freq = qvx2_detail::EditionIndexOf(287);
inline constexpr int kQvx2Lpf0 = qvx2_detail::EditionIndexOf(288);
inline constexpr int kQvx2Lpf0Freq = qvx2_detail::EditionIndexOf(289);
inline constexpr int kQvx2Lpf1 = qvx2_detail::EditionIndexOf(290);
inline constexpr int kQvx2Lpf1Freq = qvx2_detail::EditionIndexOf(291);
inline constexpr int kQvx2BandType = qvx2_detail::EditionIndexOf(292);
inline constexpr int kQvx2FftBands = qvx2_detail::EditionIndexOf(293);
inline constexpr int kQvx2MSMode = qvx2_detail::EditionIndexOf(294);
inline constexpr int kQvx2GuideDisplay = qvx2_detail::EditionIndexOf(295);
inline constexpr int kQvx2IsPreset = qvx2_detail::EditionIndexOf(296);
inline constexpr int kQvx2QMLink = qvx2_detail::EditionIndexOf(297);
inline constexpr int kQvx2QualityRating = qvx2_detail::EditionIndexOf(298);
inline constexpr int kQvx2DitherMode = qvx2_detail::EditionIndexOf(299);
inline constexpr int kQvx2BitDepth = qvx2_detail::EditionIndexOf(300);
inline constexpr int kQvx2ReportLatency = qvx2_detail::EditionIndexOf(301);
inline constexpr int kQvx2Wysiwyg = qvx2_detail::EditionIndexOf(302);
inline constexpr int kQvx2OfflineRender = qvx2_detail::EditionIndexOf(303);

// Finite-state counts of the settings read as choices.
inline constexpr int kQvx2ControlModeStates = 3;
inline constexpr int kQvx2BandTypeStates = 100;
inline constexpr int kQvx2GuideStates = 1000;
inline constexpr int kQvx2QualityRatingStates = 1000;
inline constexpr int kQvx2QualitySwitchStates = 3;

// Control Mode states.
inline constexpr int kQvx2ControlModeSnap = 0;
inline constexpr int kQvx2ControlModeLinked = 1;
inline constexpr int kQvx2ControlModeSeparate = 2;

// Band b's gain parameters: nParamG[b] (left) and nParamG[135 + b] (right).
inline constexpr std::array<int, kQvx2NumGainParams> nParamG = [] {
  std::array<int, kQvx2NumGainParams> a{};
  for (int b = 0; b < kQvx2NumBands; ++b) {
    a[static_cast<std::size_t>(b)] = 2 * b;
    a[static_cast<std::size_t>(kQvx2NumBands + b)] = 2 * b + 1;
  }
  return a;
}();

// One host-visible parameter of this edition, with the index of the A row that
// gives its law (the row itself for A parameters).
struct QVX2ParamRow {
  QVX2ParamInfo info;
  std::array<char, kQvx2HostTextBytes> szName;  // full host name, " B" included
};

namespace qvx2_detail {
constexpr void AppendText(std::array<char, kQvx2HostTextBytes>& dst, int& n, const char* src) {
  for (; *src != '\0' && n < kQvx2HostTextBytes - 1; ++src) dst[static_cast<std::size_t>(n++)] = *src;
  dst[static_cast<std::size_t>(n)] = '\0';
}

// "Gain L00".."Gain R99", "Gain L100".."Gain R129", then "Gain L1300".."Gain
// R1304": bands 130-134 carry four digits, as hosts have stored them.
constexpr std::array<char, kQvx2HostTextBytes> GainName(int index) {
  std::array<char, kQvx2HostTextBytes> s{};
  int n = 0;
  AppendText(s, n, (index % 2) == 0 ? "Gain L" : "Gain R");
  const int band = index / 2;
  char digits[5] = {};
  int nd = 0;
  if (band < 100) {
    digits[nd++] = static_cast<char>('0' + band / 10);
    digits[nd++] = static_cast<char>('0' + band % 10);
  } else if (band < 130) {
    digits[nd++] = '1';
    digits[nd++] = static_cast<char>('0' + (band / 10) % 10);
    digits[nd++] = static_cast<char>('0' + band % 10);
  } else {
    digits[nd++] = '1';
    digits[nd++] = '3';
    digits[nd++] = '0';
    digits[nd++] = static_cast<char>('0' + band % 10);
  }
  AppendText(s, n, digits);
  return s;
}

constexpr QVX2ParamRow ARow(int index) {
  QVX2ParamRow row{};
  if (index < kQvx2NumGainParams) {
    row.info = {"", " dB", 0.5f, EQvx2TextLaw::Gain, EQvx2Reaction::MarkIfChanged, true, false};
    row.szName = GainName(index);
    return row;
  }
  int n = kQvx2NumGainParams;
  for (std::size_t r = 0; r < kQvx2SettingRows.size(); ++r) {
    if (!RowInEdition(static_cast<int>(r))) continue;
    if (n == index) {
      row.info = kQvx2SettingRows[r];
      int len = 0;
      AppendText(row.szName, len, row.info.szName);
      return row;
    }
    ++n;
  }
  return row;
}

constexpr std::array<QVX2ParamRow, kQvx2NumHostParams> BuildParamTable() {
  std::array<QVX2ParamRow, kQvx2NumHostParams> t{};
  for (int i = 0; i < kQvx2NumParams; ++i) t[static_cast<std::size_t>(i)] = ARow(i);
  for (int i = 0; i < kQvx2NumABParams; ++i) {
    QVX2ParamRow row = ARow(i);
    int len = 0;
    while (row.szName[static_cast<std::size_t>(len)] != '\0') ++len;
    AppendText(row.szName, len, " B");
    t[static_cast<std::size_t>(kQvx2NumParams + i)] = row;
  }
  return t;
}
}  // namespace qvx2_detail

// Every host parameter of this edition: name, label, default and laws. The
// default record, the host names and labels, the display texts and the
// reactions all read from here.
inline constexpr std::array<QVX2ParamRow, kQvx2NumHostParams> kQvx2ParamTable = qvx2_detail::BuildParamTable();

// The row whose laws index follows: A rows for 0..nParams-1, the A row of the
// copied setting for nParams..2 nParams-1 (this covers the B copies and the
// slots behind them, which display by the same rule). Null for any other
// index.
constexpr const QVX2ParamInfo* Qvx2LawRow(int index) {
  if (index >= 0 && index < kQvx2NumParams) return &kQvx2ParamTable[static_cast<std::size_t>(index)].info;
  if (index >= kQvx2NumParams && index < 2 * kQvx2NumParams)
    return &kQvx2ParamTable[static_cast<std::size_t>(index - kQvx2NumParams)].info;
  return nullptr;
}

// Default value of a parameter (host index 0..nHostParams-1); 0 otherwise.
constexpr float Qvx2DefaultOf(int index) {
  return (index >= 0 && index < kQvx2NumHostParams) ? kQvx2ParamTable[static_cast<std::size_t>(index)].info.fDefault
                                                    : 0.0f;
}

// Persistent machine-wide parameters 9000-9010.
struct QVX2PersistantInfo {
  const char* szName;  // shown to the host
  const char* szKey;   // preference key
  float fDefault;
  EQvx2Reaction eReaction;
};

inline constexpr std::array<QVX2PersistantInfo, kQvx2NumPersistantParams> kQvx2PersistantTable{{
    {"EQ Left+Right", "ColEqLR", 214.0f / 256.0f, EQvx2Reaction::Never},
    {"EQ Left", "ColEqL", 40.0f / 256.0f, EQvx2Reaction::Never},
    {"EQ Right", "ColEqR", 150.0f / 256.0f, EQvx2Reaction::Never},
    {"Level Meter 1", "ColLM1", 228.0f / 256.0f, EQvx2Reaction::Never},
    {"Level Meter 2", "ColLM2", 36.0f / 256.0f, EQvx2Reaction::Never},
    {"Level Meter 3", "ColLM3", 4.0f / 256.0f, EQvx2Reaction::Never},
    {"Analyzer Left", "ColFftL", 34.0f / 256.0f, EQvx2Reaction::Never},
    {"Analyzer Right", "ColFftR", 146.0f / 256.0f, EQvx2Reaction::Never},
    {"Graph Fill", "GraphFill", 1.0f, EQvx2Reaction::Never},
    {"Show Latency Warning", "ShowLatencyWarning", 1.0f, EQvx2Reaction::MarkIfChanged},
    {"First Run", "FirstRun", 1.0f, EQvx2Reaction::MarkIfChanged},
}};

// Program names: "User01".."User20".
inline constexpr std::array<std::array<char, 8>, kQvx2NumPrograms> kQvx2ProgramNames = [] {
  std::array<std::array<char, 8>, kQvx2NumPrograms> a{};
  for (int p = 0; p < kQvx2NumPrograms; ++p) {
    const int n = p + 1;
    auto& s = a[static_cast<std::size_t>(p)];
    const char text[7] = {'U', 's', 'e', 'r', static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), '\0'};
    for (std::size_t i = 0; i < 7; ++i) s[i] = text[i];
  }
  return a;
}();

// Copies at most size - 1 characters of src and terminates; size > 0.
void Qvx2CopyText(char* dst, const char* src, int size);
