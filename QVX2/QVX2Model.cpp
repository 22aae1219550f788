// Response model of the equaliser: band records, the bell table, the curve in
// dB and the per-bin linear response.
#include "QVX2/QVX2Model.h"

#include <cmath>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Model");

const float kfSP_LogMinF = logf(kfSP_MinF);
const float kfSP_LogRangeF = logf(kfSP_MaxF) - logf(kfSP_MinF);
// Initialised in this order within this file, each from the ones above.
const float kfFilterXPerOctave = logf(2.0f) / kfSP_LogRangeF;
const float kfPassFilterSlope = 24.0f / kfFilterXPerOctave;

float Qvx2SanitizedValue(float value, float fDefault) {
  if (!std::isfinite(value)) return fDefault;
  return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

int Qvx2StateOfValue(float value, int nStates, float fDefault) {
  return static_cast<int>(static_cast<float>(nStates - 1) * Qvx2SanitizedValue(value, fDefault) + 0.5f);
}

float Qvx2ModelValue(const float* values, int index) { return Qvx2SanitizedValue(values[index], Qvx2DefaultOf(index)); }

bool Qvx2ModelSwitch(const float* values, int index) {
  const float v = values[index];
  return std::isfinite(v) ? v != 0.0f : Qvx2DefaultOf(index) != 0.0f;
}

int Qvx2ModelState(const float* values, int index, int nStates) {
  return Qvx2StateOfValue(values[index], nStates, Qvx2DefaultOf(index));
}

double Qvx2TrimGain(float value) {
  value = Qvx2SanitizedValue(value, 0.5f);
  const float db = (value - 0.5f) * 2.0f * kfSP_GlobalTrimLimit;
  return std::exp(static_cast<double>(db) * kdQvx2DbToLog);
}

float Qvx2PositionOfFrequency(float frequency) {
  if (!(frequency > 0.0f)) return 0.0f;
  return (logf(frequency) - kfSP_LogMinF) / kfSP_LogRangeF;
}

namespace {
struct BellTable {
  double f[CQVX2ResponseModel::c_knBellGraphSize];
  BellTable() {
    for (int i = -CQVX2ResponseModel::c_knAddIntoBellGraph;
         i < CQVX2ResponseModel::c_knBellGraphSize - CQVX2ResponseModel::c_knAddIntoBellGraph; ++i) {
      const float t = static_cast<float>(i) / CQVX2ResponseModel::c_kfScaleIntoBellGraph;
      f[i + CQVX2ResponseModel::c_knAddIntoBellGraph] = static_cast<double>(expf(-t * t));
    }
  }
};
}  // namespace

const double* CQVX2ResponseModel::BellGraph() {
  static const BellTable s_Table;
  return s_Table.f;
}

void CQVX2ResponseModel::Fill(const float* values, int layout, EContent content) {
  if (layout < 0 || layout >= kQvx2NumBandTypesFull) layout = kQvx2NumBandTypesFull - 1;
  const QVX2BandLayout& l = kQvx2BandLayouts[static_cast<std::size_t>(layout)];
  m_nLayout = layout;
  m_nBands = l.nBands;

  const float d2 = content == EContent::WithDepthAndPassFilters ? 2.0f * Qvx2ModelValue(values, kQvx2Depth) : 1.0f;
  for (int c = 0; c < 2; ++c) {
    for (int b = 0; b < kQvx2NumBands; ++b) {
      const float p = Qvx2ModelValue(values, 2 * b + c);
      QVX2BandRecord& r = m_Bands[static_cast<std::size_t>(c)][static_cast<std::size_t>(b)];
      r.fGain = ((kfSP_MaxG - kfSP_MinG) * p + kfSP_MinG) * d2;
      r.fPosition = Qvx2PositionOfFrequency((*l.pFreqs)[static_cast<std::size_t>(b)]);
      r.fWidth = l.fWidths[static_cast<std::size_t>(b)];
    }
  }

  static constexpr int kSwitch[4] = {kQvx2Hpf0, kQvx2Hpf1, kQvx2Lpf0, kQvx2Lpf1};
  static constexpr int kFreq[4] = {kQvx2Hpf0Freq, kQvx2Hpf1Freq, kQvx2Lpf0Freq, kQvx2Lpf1Freq};
  for (int i = 0; i < 4; ++i) {
    const bool on = content == EContent::WithDepthAndPassFilters && Qvx2ModelSwitch(values, kSwitch[i]);
    m_fPassPos[static_cast<std::size_t>(i)] = on ? Qvx2ModelValue(values, kFreq[i]) : -1.0;
  }
}

void CQVX2ResponseModel::UpdateFilterCalcCache(const float* values) {
  const int state = Qvx2ModelState(values, kQvx2BandType, kQvx2BandTypeStates);
  Fill(values, Qvx2LayoutOfState(state), EContent::WithDepthAndPassFilters);
}

double CQVX2ResponseModel::GetFilterResponseDb(float x, int channel, float contour) const {
  if (channel != 0 && channel != 1) return 0.0;
  const double* bell = BellGraph();
  const float w = (1.1f - 0.8f * contour) * 50.0f;
  const auto& bands = m_Bands[static_cast<std::size_t>(channel)];

  double weightSum = 0.0;
  double gainSum = 0.0;
  for (int b = 0; b < m_nBands; ++b) {
    const QVX2BandRecord& r = bands[static_cast<std::size_t>(b)];
    double u = (static_cast<double>(x) - r.fPosition) * w * r.fWidth * c_kfScaleIntoBellGraph;
    // Held inside the table before the conversion: an x far off the axis (or
    // NaN) must not overflow the int.
    if (!(u > -static_cast<double>(c_knAddIntoBellGraph))) u = -static_cast<double>(c_knAddIntoBellGraph);
    if (u > static_cast<double>(c_knBellGraphSize - c_knAddIntoBellGraph - 1))
      u = static_cast<double>(c_knBellGraphSize - c_knAddIntoBellGraph - 1);
    const double g = bell[c_knAddIntoBellGraph + static_cast<int>(u)];
    weightSum += g;
    gainSum += g * r.fGain;
  }
  double db = weightSum > 0.0 ? gainSum / weightSum : 0.0;

  const double hp = m_fPassPos[static_cast<std::size_t>(channel)];
  if (hp != -1.0) {
    const double cut = (hp - x) * kfPassFilterSlope;
    if (cut > 0.0) db -= cut;
  }
  const double lp = m_fPassPos[static_cast<std::size_t>(2 + channel)];
  if (lp != -1.0) {
    const double cut = (x - lp) * kfPassFilterSlope;
    if (cut > 0.0) db -= cut;
  }
  return db;
}

bool CQVX2ResponseModel::UpdateCachedIdealisedResponse(double* response0, double* response1, int n, float sampleRate,
                                                       int& resume, int count, float contour) const {
  if (response0 == nullptr || response1 == nullptr || n < 2) return true;
  const int half = n / 2;
  if (resume < 0) resume = 0;
  if (resume > half) return true;
  const int end = count < 0 ? half + 1 : (count > half + 1 - resume ? half + 1 : resume + count);
  const float binWidth = sampleRate / static_cast<float>(n);
  for (int k = resume; k < end; ++k) {
    const float f = static_cast<float>(k) * binWidth;
    const float x = Qvx2PositionOfFrequency(f);
    response0[k] = std::exp(GetFilterResponseDb(x, 0, contour) * kdQvx2DbToLog);
    response1[k] = std::exp(GetFilterResponseDb(x, 1, contour) * kdQvx2DbToLog);
    resume = k + 1;
  }
  return resume > half;
}
