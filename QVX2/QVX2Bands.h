// Band layouts: the centre frequencies (Hz) and bell widths of the seven
// layouts that "Band Type" selects, completed at compile time.
//
// Each table holds 136 floats. A layout's bands are the entries before the
// first end marker (1,000,000 Hz); every entry behind the last band holds the
// marker. Widths scale the distance to a band's centre before the bell is
// read, so a larger width gives a narrower bell. Because the tables are
// constexpr they are complete before any instance exists and can never be
// rewritten, so every instance on every thread reads them without a lock.
#pragma once

#include <array>
#include <cstddef>

#include "Helpers/CompileTimeRoot.h"
#include "QVX2/QVX2Params.h"

inline constexpr int kQvx2BandTableSize = 136;
inline constexpr float kfQvx2BandEndMarker = 1000000.0f;  // Hz
using QVX2BandTable = std::array<float, kQvx2BandTableSize>;

// Layout states of "Band Type"; states above the last one count as the last.
enum EQvx2BandType {
  kQvx2BandBark = 0,
  kQvx2BandMel,
  kQvx2BandThirds,
  kQvx2BandBarkThirds,
  kQvx2BandMelThirds,
  kQvx2BandChromatic,
  kQvx2BandSixths,
};
inline constexpr int kQvx2NumBandTypesFull = 7;
// The standard edition offers only the first three layouts.
inline constexpr int kQvx2NumBandTypes = kbQvx2StandardEdition ? 3 : kQvx2NumBandTypesFull;

// Band-type names in state order, ended by a null entry (the editor's menu).
inline constexpr const char* g_szQVX2BandTypes[kQvx2NumBandTypesFull + 1] = {
    "Bark", "Mel", "Thirds", "Bark Thirds", "Mel Thirds", "Chromatic", "Sixths", nullptr};

namespace qvx2_band_detail {
// 2^(m/d) for integer m and d > 0.
constexpr double Pow2(int m, int d) {
  int q = m / d;
  int r = m % d;
  if (r < 0) {
    r += d;
    --q;
  }
  double v = 1.0;
  for (int i = 0; i < q; ++i) v *= 2.0;
  for (int i = 0; i > q; --i) v /= 2.0;
  const double step = CompileTimeRoot(2.0, d);
  for (int i = 0; i < r; ++i) v *= step;
  return v;
}

constexpr double RoundTo2Decimals(double v) { return static_cast<double>(static_cast<long long>(v * 100.0 + 0.5)) / 100.0; }

// A table as typed: its bands, then the end marker, then zeros.
template <std::size_t N>
constexpr QVX2BandTable Typed(const float (&bands)[N]) {
  static_assert(N < kQvx2BandTableSize, "a layout leaves room for its end marker");
  QVX2BandTable t{};
  for (std::size_t i = 0; i < N; ++i) t[i] = bands[i];
  t[N] = kfQvx2BandEndMarker;
  return t;
}

// Every entry behind the first end marker becomes the marker.
constexpr QVX2BandTable CompleteFreq(QVX2BandTable t) {
  for (std::size_t i = 0; i + 1 < t.size(); ++i)
    if (t[i] == kfQvx2BandEndMarker) t[i + 1] = kfQvx2BandEndMarker;
  return t;
}

// A width ramp as typed, ending at 1.0: the 1.0 is repeated to the end.
template <std::size_t N>
constexpr QVX2BandTable RampWidths(const float (&ramp)[N]) {
  QVX2BandTable t{};
  for (std::size_t i = 0; i < N; ++i) t[i] = ramp[i];
  for (std::size_t i = 0; i + 1 < t.size(); ++i)
    if (t[i] == 1.0f) t[i + 1] = 1.0f;
  return t;
}

// The last band and every unused entry but the table's last get width 0.5.
constexpr QVX2BandTable NarrowTail(QVX2BandTable widths, const QVX2BandTable& freqs) {
  for (std::size_t i = 0; i + 1 < widths.size(); ++i)
    if (freqs[i + 1] == kfQvx2BandEndMarker) widths[i] = 0.5f;
  return widths;
}

// Two more bands between each neighbouring pair, spaced geometrically; the
// last centre is followed by the two given tail entries.
template <std::size_t N>
constexpr QVX2BandTable Thirded(const float (&centres)[N], float tail1, float tail2) {
  static_assert(3 * N < kQvx2BandTableSize, "room for the end marker");
  QVX2BandTable t{};
  for (std::size_t i = 0; i < N; ++i) {
    const double c = centres[i];
    t[3 * i] = centres[i];
    if (i + 1 < N) {
      const double step = CompileTimeRoot(static_cast<double>(centres[i + 1]) / c, 3);
      t[3 * i + 1] = static_cast<float>(c * step);
      t[3 * i + 2] = static_cast<float>(c * step * step);
    }
  }
  t[3 * N - 2] = tail1;
  t[3 * N - 1] = tail2;
  t[3 * N] = kfQvx2BandEndMarker;
  return t;
}

// Entry k = 440 x 2^((k - ref)/perOctave), held to two decimals.
constexpr QVX2BandTable Tempered(int count, int ref, int perOctave) {
  QVX2BandTable t{};
  for (int k = 0; k < count; ++k)
    t[static_cast<std::size_t>(k)] = static_cast<float>(RoundTo2Decimals(440.0 * Pow2(k - ref, perOctave)));
  t[static_cast<std::size_t>(count)] = kfQvx2BandEndMarker;
  return t;
}

constexpr QVX2BandTable Constant(float v) {
  QVX2BandTable t{};
  for (auto& e : t) e = v;
  return t;
}

constexpr QVX2BandTable Doubled(QVX2BandTable t) {
  for (auto& e : t) e *= 2.0f;
  return t;
}

inline constexpr float kBarkCentres[] = {25,   50,   150,  250,  350,  450,  570,  700,  840,  1000,  1170,  1370,  1600,
                                         1850, 2150, 2500, 2900, 3400, 4000, 4800, 5800, 7000, 8500, 10500, 13500, 17000};
inline constexpr float kMelCentres[] = {25,   107,  197,  298,  410,  535,  673,  828,  1000,  1191,  1403,
                                        1640, 1902, 2195, 2520, 2882, 3285, 3732, 4230,  4784,  5400,  6086,
                                        6848, 7696, 8639, 9689, 10856, 12154, 13599, 15204, 16992, 18979};
inline constexpr float kThirdsCentres[] = {21.83f,   27.5f,    34.65f,  43.65f,   55.0f,    69.3f,    87.31f,  110.0f,
                                           138.59f,  174.61f,  220.0f,  277.18f,  349.23f,  440.0f,   554.37f, 698.46f,
                                           880.0f,   1108.73f, 1396.91f, 1760.0f, 2217.46f, 2793.83f, 3520.0f, 4434.92f,
                                           5587.65f, 7040.0f,  8869.85f, 11175.31f, 14080.0f, 17739.69f, 22350.0f};
inline constexpr float kBarkRamp[] = {0.2f, 0.2f, 0.3f, 0.5f, 0.7f, 1.0f};
inline constexpr float kMelRamp[] = {0.2f, 0.3f, 0.5f, 0.7f, 1.0f};
inline constexpr float kShortRamp[] = {0.2f, 1.0f};
}  // namespace qvx2_band_detail

// Centre frequencies in Hz, one table per layout.
inline constexpr QVX2BandTable kfBandFreqBark = qvx2_band_detail::CompleteFreq(qvx2_band_detail::Typed(qvx2_band_detail::kBarkCentres));
inline constexpr QVX2BandTable kfBandFreqMel = qvx2_band_detail::CompleteFreq(qvx2_band_detail::Typed(qvx2_band_detail::kMelCentres));
inline constexpr QVX2BandTable kfBandFreqThirds =
    qvx2_band_detail::CompleteFreq(qvx2_band_detail::Typed(qvx2_band_detail::kThirdsCentres));
inline constexpr QVX2BandTable kfBandFreqBark_Master =
    qvx2_band_detail::CompleteFreq(qvx2_band_detail::Thirded(qvx2_band_detail::kBarkCentres, 18525.66f, 20188.21f));
inline constexpr QVX2BandTable kfBandFreqMel_Master =
    qvx2_band_detail::CompleteFreq(qvx2_band_detail::Thirded(qvx2_band_detail::kMelCentres, 19720.03f, 20489.98f));
inline constexpr QVX2BandTable kfBandFreqThirds_Master = qvx2_band_detail::CompleteFreq(qvx2_band_detail::Tempered(135, 65, 12));
inline constexpr QVX2BandTable kfBandFreqSixths = qvx2_band_detail::CompleteFreq(qvx2_band_detail::Tempered(67, 32, 6));

// Width tables as completed (before the factor 2 of the last four layouts).
inline constexpr QVX2BandTable kfBandSmoothBark = qvx2_band_detail::RampWidths(qvx2_band_detail::kBarkRamp);
inline constexpr QVX2BandTable kfBandSmoothMel = qvx2_band_detail::RampWidths(qvx2_band_detail::kMelRamp);
inline constexpr QVX2BandTable kfBandSmoothBark_Master =
    qvx2_band_detail::NarrowTail(qvx2_band_detail::RampWidths(qvx2_band_detail::kBarkRamp), kfBandFreqBark_Master);
inline constexpr QVX2BandTable kfBandSmoothMel_Master =
    qvx2_band_detail::NarrowTail(qvx2_band_detail::RampWidths(qvx2_band_detail::kMelRamp), kfBandFreqMel_Master);
inline constexpr QVX2BandTable kfBandSmoothThirds_Master =
    qvx2_band_detail::NarrowTail(qvx2_band_detail::RampWidths(qvx2_band_detail::kShortRamp), kfBandFreqThirds_Master);
inline constexpr QVX2BandTable kfBandSmoothSixths =
    qvx2_band_detail::NarrowTail(qvx2_band_detail::RampWidths(qvx2_band_detail::kShortRamp), kfBandFreqSixths);

// One layout as the response model reads it: centres, the width actually
// applied to each band, and the band count.
struct QVX2BandLayout {
  const QVX2BandTable* pFreqs;
  QVX2BandTable fWidths;
  int nBands;
};

namespace qvx2_band_detail {
constexpr int CountBands(const QVX2BandTable& t) {
  int n = 0;
  while (n < kQvx2BandTableSize && t[static_cast<std::size_t>(n)] != kfQvx2BandEndMarker) ++n;
  return n;
}
}  // namespace qvx2_band_detail

inline constexpr std::array<QVX2BandLayout, kQvx2NumBandTypesFull> kQvx2BandLayouts{{
    {&kfBandFreqBark, kfBandSmoothBark, qvx2_band_detail::CountBands(kfBandFreqBark)},
    {&kfBandFreqMel, kfBandSmoothMel, qvx2_band_detail::CountBands(kfBandFreqMel)},
    {&kfBandFreqThirds, qvx2_band_detail::Constant(0.8f), qvx2_band_detail::CountBands(kfBandFreqThirds)},
    {&kfBandFreqBark_Master, qvx2_band_detail::Doubled(kfBandSmoothBark_Master),
     qvx2_band_detail::CountBands(kfBandFreqBark_Master)},
    {&kfBandFreqMel_Master, qvx2_band_detail::Doubled(kfBandSmoothMel_Master),
     qvx2_band_detail::CountBands(kfBandFreqMel_Master)},
    {&kfBandFreqThirds_Master, qvx2_band_detail::Doubled(kfBandSmoothThirds_Master),
     qvx2_band_detail::CountBands(kfBandFreqThirds_Master)},
    {&kfBandFreqSixths, qvx2_band_detail::Doubled(kfBandSmoothSixths), qvx2_band_detail::CountBands(kfBandFreqSixths)},
}};

static_assert(kQvx2BandLayouts[kQvx2BandBark].nBands == 26);
static_assert(kQvx2BandLayouts[kQvx2BandMel].nBands == 32);
static_assert(kQvx2BandLayouts[kQvx2BandThirds].nBands == 31);
static_assert(kQvx2BandLayouts[kQvx2BandBarkThirds].nBands == 78);
static_assert(kQvx2BandLayouts[kQvx2BandMelThirds].nBands == 96);
static_assert(kQvx2BandLayouts[kQvx2BandChromatic].nBands == 135);
static_assert(kQvx2BandLayouts[kQvx2BandSixths].nBands == 67);

// The layout a stored "Band Type" state selects in this edition: states past
// the edition's last layout count as its last. Any int is accepted.
constexpr int Qvx2LayoutOfState(int state) {
  if (state < 0) return 0;
  return state < kQvx2NumBandTypes ? state : kQvx2NumBandTypes - 1;
}
