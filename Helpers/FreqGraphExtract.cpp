// From bin powers to one smoothed amplitude per pixel column: the line chart
// (one value per column, interpolated where a column is narrower than a
// bin) and the band chart (one value per band, spread over its columns),
// with the band tables.
#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"
#include "Helpers/CompileTimeRoot.h"
#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"

XR_REGISTER_SOURCE_FILE("Helpers/FreqGraphExtract");

namespace {

constexpr float kfBandEnd = 1000000.0f;
// Walks over the bands stop after this many, whatever the range: semitone
// bands number about 1500 over the whole float range.
constexpr int kMaxBands = 4096;

// Band centres of the equaliser's Bark and Mel layouts; their third-band
// forms put two more centres between each pair and end with two tail bands.
constexpr float kBarkCentres[] = {25,   50,   150,  250,  350,  450,  570,  700,  840,
                                  1000, 1170, 1370, 1600, 1850, 2150, 2500, 2900, 3400,
                                  4000, 4800, 5800, 7000, 8500, 10500, 13500, 17000};
constexpr float kMelCentres[] = {25,   107,  197,  298,  410,  535,  673,  828,   1000,  1191,  1403,
                                 1640, 1902, 2195, 2520, 2882, 3285, 3732, 4230,  4784,  5400,  6086,
                                 6848, 7696, 8639, 9689, 10856, 12154, 13599, 15204, 16992, 18979};
constexpr float kBarkThirdsTail[] = {18525.66f, 20188.21f};
constexpr float kMelThirdsTail[] = {19720.03f, 20489.98f};
constexpr float kBarkEdges[] = {100,  200,  300,  400,  510,  630,  770,  920,  1080,
                                1270, 1480, 1720, 2000, 2320, 2700, 3150, 3700, 4400,
                                5300, 6400, 7700, 9500, 12000, 15500, 20500};

struct Row {
  float v[CFreqGraph::kBandBreaksPerRow] = {};
};

struct Centres {
  float f[CFreqGraph::kBandBreaksPerRow + 2] = {};
  int n = 0;
};

template <std::size_t N>
constexpr Centres Plain(const float (&c)[N]) {
  Centres out;
  for (std::size_t i = 0; i < N; ++i) out.f[out.n++] = c[i];
  return out;
}

template <std::size_t N>
constexpr Centres Thirded(const float (&c)[N], const float (&tail)[2]) {
  Centres out;
  for (std::size_t i = 0; i < N; ++i) {
    const double base = c[i];
    out.f[out.n++] = c[i];
    if (i + 1 < N) {
      const double step = CompileTimeRoot(static_cast<double>(c[i + 1]) / base, 3);
      out.f[out.n++] = static_cast<float>(base * step);
      out.f[out.n++] = static_cast<float>(base * step * step);
    }
  }
  out.f[out.n++] = tail[0];
  out.f[out.n++] = tail[1];
  return out;
}

// Edges halfway (geometrically) between neighbouring centres, then the
// extra edges, then the two end entries.
constexpr Row MeansRow(const Centres& c, float extra) {
  Row row;
  int n = 0;
  for (int i = 0; i + 1 < c.n; ++i)
    row.v[n++] = static_cast<float>(CompileTimeRoot(static_cast<double>(c.f[i]) * c.f[i + 1], 2));
  if (extra > 0.0f) row.v[n++] = extra;
  row.v[n++] = kfBandEnd;
  row.v[n++] = kfBandEnd;
  return row;
}

template <std::size_t N>
constexpr Row EdgesRow(const float (&e)[N]) {
  Row row;
  for (std::size_t i = 0; i < N; ++i) row.v[i] = e[i];
  row.v[N] = kfBandEnd;
  row.v[N + 1] = kfBandEnd;
  return row;
}

// The Mel layout's bands end where its third-band form ends.
constexpr float MelTopEdge() {
  return static_cast<float>(CompileTimeRoot(static_cast<double>(kMelThirdsTail[0]) * kMelThirdsTail[1], 2));
}

struct BandBreaks {
  float rows[CFreqGraph::kNumBarChartTypes][CFreqGraph::kBandBreaksPerRow] = {};
};

constexpr BandBreaks BuildBandBreaks() {
  BandBreaks b;
  const Row rows[4] = {EdgesRow(kBarkEdges), MeansRow(Thirded(kBarkCentres, kBarkThirdsTail), 0.0f),
                       MeansRow(Plain(kMelCentres), MelTopEdge()),
                       MeansRow(Thirded(kMelCentres, kMelThirdsTail), 0.0f)};
  for (int r = 0; r < 4; ++r)
    for (int i = 0; i < CFreqGraph::kBandBreaksPerRow; ++i) b.rows[5 + r][i] = rows[r].v[i];
  return b;
}

constexpr BandBreaks kBandBreaks = BuildBandBreaks();

// A bin position as an index; past the spectrum's end every position reads
// the same (no bin is read there).
long BinAt(double position, int half) {
  return static_cast<long>(std::min(std::max(position, 0.0), static_cast<double>(half) + 1.0));
}

}  // namespace

const char* const CFreqGraph::c_pszBarWidthNames[kNumBarChartTypes] = {
    "Full", "Octaves", "Octave Thirds", "Octave Sixths", "Chromatic",
    "Barks", "Bark Thirds", "Mels", "Mel Thirds"};
const char* const CFreqGraph::c_pszBarWidthNamesAbv[kNumBarChartTypes] = {
    "Full", "Oct", "1/3", "1/6", "Chrom", "B", "B/3", "M", "M/3"};
const float CFreqGraph::c_fBarBaseFreq[kNumBarChartTypes] = {1000, 440, 440, 440, 440,
                                                            1000, 1000, 1000, 1000};
const float CFreqGraph::c_fBarWidths[kNumBarChartTypes] = {
    0.0f, 2.0f, 1.259921f, 1.1224620f, 1.0594631f, -1.0f, -1.0f, -1.0f, -1.0f};
const float (&CFreqGraph::c_fBandBreaks)[kNumBarChartTypes][kBandBreaksPerRow] = kBandBreaks.rows;

void CFreqGraph::ExtractGraphFromDataStore(int slot, bool smooth, bool keepTail, bool force) {
  XR_TRY
  if (m_bFreeze && !force && !m_bRefreshOnce) return;
  m_fMaxValue = 0.0f;
  if (slot < 0 || slot >= kNumSlots) return;
  const float rise = smooth ? m_fRiseCoef : 0.0f;
  const float fall = smooth ? m_fFallCoef : 0.0f;
  CFrequencyDataStore* live = m_pDataStore[slot];
  if (!live) return;
  CFrequencyDataStore* store = live;
  if (m_bFreeze && slot < 2 && m_pFrozen[slot]) store = m_pFrozen[slot].get();
  const int half = store->GetHalfSize();
  if (half <= 0 || !store->IsUsable()) return;
  store->SetConsumed();
  const double rate = GetSampleRate();
  if (!(rate > 0.0)) return;
  const int width = std::min(GetPlotWidth(), m_nColumns);
  // The axis needs a positive, rising range (SetFreqRange keeps it so).
  if (width <= 0 || !(m_fFreqMin > 0.0f) || !(m_fFreqMax > m_fFreqMin)) return;

  const double binsPerHz = 2.0 * half / rate;
  const double* bins = store->GetBuffer(store->GetCurrentIndex());
  const float gain = (store->IsUsingWindow() ? live->GetWindowGain() : 1.0f) * store->GetGain();
  float cavg = 0.0f;
  if (m_bAveraging) {
    ++m_nAveragingCount;
    cavg = 1.0f - 1.0f / static_cast<float>(m_nAveragingCount);
  }
  float* column = m_pColumnLine[slot].get();
  if (m_fBarWidth == 0.0f)
    ExtractLineChart(column, bins, half, binsPerHz, gain, rise, fall, cavg, keepTail);
  else
    ExtractBandChart(column, bins, half, binsPerHz, rise, fall, cavg);
  XR_CATCH_VOID
}

void CFreqGraph::ExtractLineChart(float* column, const double* bins, int half, double binsPerHz,
                                  float gain, float rise, float fall, float cavg, bool keepTail) {
  const int width = std::min(GetPlotWidth(), m_nColumns);
  const double b0 = binsPerHz * m_fFreqMin;
  const double ratio = std::exp(std::log(binsPerHz * m_fFreqMax / b0) / width);
  double pos = b0 * ratio;
  // The first bin left of the axis; a range above half the sample rate
  // still starts inside the spectrum.
  int prev = static_cast<int>(std::min(std::max(b0 - 1.0, 1.0), static_cast<double>(half)));
  float prevAmp = std::sqrt(static_cast<float>(bins[prev])) * gain;
  float last = 0.0f;
  for (int x = 0; x < width; ++x) {
    const double p = pos + g_fFudgeFreqCorrection;
    // The last two bins are never shown (p beyond the int range included).
    if (!(p < static_cast<double>(half - 1))) {
      column[x] = keepTail ? last : 0.0f;
      continue;
    }
    const int b = std::max(static_cast<int>(p), 0);
    int first = prev;
    int n = b - prev;
    double frac = 0.0;
    if (n <= 0) {
      // The column lies inside one bin.
      frac = p - prev;
      prev = b;
      first = b;
      n = 1;
    }
    double m = 0.0;
    for (int k = first; k < first + n; ++k) m = std::max(m, bins[k]);
    pos *= ratio;
    float v = std::sqrt(std::max(static_cast<float>(m), 0.0f)) * gain;
    if (frac > 0.0) {
      const float a = std::max(prevAmp, 1e-10f);
      const float t = static_cast<float>(frac);
      v = std::exp((1.0f - t) * std::log(a) + t * std::log(std::max(v, 1e-10f)));
    } else {
      prevAmp = v;
    }
    column[x] = Smooth(column[x], v, rise, fall, m_bAveraging, cavg);
    last = column[x];
    if (v > m_fMaxValue) m_fMaxValue = v;
    prev = b;
  }
}

void CFreqGraph::ExtractBandChart(float* column, const double* bins, int half, double binsPerHz,
                                  float rise, float fall, float cavg) {
  const int width = std::min(GetPlotWidth(), m_nColumns);
  const int type = m_nBarChartType;
  const bool table = m_fBarWidth < 0.0f;
  const double w = m_fBarWidth;
  // Computed layouts need a widening ratio; table rows need their edges.
  if (!table && !(w > 1.0)) return;
  int edge = 0;
  double f;
  if (table) {
    f = c_fBandBreaks[type][0];
  } else {
    // The band edge at or below fmin, bands centred on base x w^k.
    f = 0.015625 * c_fBarBaseFreq[type] / std::sqrt(w);
    for (int n = 0; f <= m_fFreqMin && n < kMaxBands; ++n) f *= w;
    f /= w;
  }
  long binLo = BinAt(f * binsPerHz, half);
  const double lnMin = std::log(static_cast<double>(m_fFreqMin));
  const double lnRange = std::log(static_cast<double>(m_fFreqMax)) - lnMin;
  m_nFirstBandWidth = 0;
  int col = 0;
  for (int n = 0; f <= m_fFreqMax && n < kMaxBands; ++n) {
    double fNext;
    if (table) {
      // Past the row's end entries there are no more bands.
      if (edge + 1 >= kBandBreaksPerRow || c_fBandBreaks[type][edge + 1] <= 0.0f) break;
      fNext = c_fBandBreaks[type][++edge];
    } else {
      fNext = f * w;
    }
    binLo = std::max(binLo, 0L);
    const long bHi = BinAt(binsPerHz * fNext, half);
    long binEnd = binLo < bHi ? bHi : binLo + 1;
    if (binEnd >= half) binEnd = half - 1;
    double m = 0.0;
    for (long k = binLo; k < binEnd; ++k) m = std::max(m, bins[k]);
    const double colPos = (std::log(fNext) - lnMin) / lnRange * width;
    int colEnd = colPos >= width ? width - 1 : static_cast<int>(std::max(colPos, -1.0));
    if (m_nFirstBandWidth == 0 && col > 0) m_nFirstBandWidth = colEnd - col;
    const float v = std::sqrt(static_cast<float>(m));
    col = std::max(col, 0);
    if (col < width) {
      const float value = Smooth(column[col], v, rise, fall, m_bAveraging, cavg);
      for (int x = col; x < colEnd; ++x) column[x] = value;
    }
    f = fNext;
    col = colEnd;
    binLo = bHi;
  }
}
