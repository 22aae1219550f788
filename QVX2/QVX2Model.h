// The equaliser's response model: parameter values in, a curve in dB out.
//
// Each channel's curve is a Gaussian-weighted mean of its band gains over a
// normalised log-frequency axis x = (ln f - ln 10) / ln 3000 (0 at 10 Hz, 1 at
// 30 kHz), minus straight 24 dB/octave slopes below a high-pass and above a
// low-pass position. The bell comes from a shared table (one lookup per band
// and point instead of an exp), so a point costs at most 135 lookups.
//
// Values from the host may be anything a float holds. The model reads every
// parameter through Qvx2ModelValue/Qvx2ModelSwitch: a NaN or infinite value
// counts as the parameter's default and a finite one is held to 0..1, so no
// table is indexed out of range and no non-finite number reaches a kernel.
//
// Threads: a model object has no lock. Its owner fills it and reads it on the
// idle side; the editor reads it on its own thread only while no update is
// marked or running. The bell table is built once per process under the
// language's thread-safe static initialisation and never written afterwards.
#pragma once

#include <array>

#include "QVX2/QVX2Bands.h"
#include "QVX2/QVX2Params.h"

// Gain and frequency ranges (dB and Hz).
inline constexpr float kfSP_GlobalTrimLimit = 40.0f;
inline constexpr float kfSP_MaxG = 20.0f;
inline constexpr float kfSP_MinG = -20.0f;
inline constexpr float kfSP_MaxF = 30000.0f;
inline constexpr float kfSP_MinF = 10.0f;
// The log-frequency axis, computed in single precision at load.
extern const float kfSP_LogMinF;        // ln 10: the axis origin
extern const float kfSP_LogRangeF;      // ln 30000 - ln 10: the axis length
extern const float kfFilterXPerOctave;  // one octave on the axis
extern const float kfPassFilterSlope;   // 24 dB per octave, in dB per unit of x

// dB to natural-log amplitude (ln 10 / 20): gain = exp(dB x factor).
inline constexpr double kdQvx2DbToLog = 0.11512925464970229;

// A stored value as the product reads it: a NaN or infinite value counts as
// fDefault, a finite one is held to 0..1.
float Qvx2SanitizedValue(float value, float fDefault);
// Finite state of a value holding state s as s/(nStates - 1): integer part of
// (nStates - 1) v + 0.5 with v read as by Qvx2SanitizedValue, so the result
// lies in 0..nStates-1.
int Qvx2StateOfValue(float value, int nStates, float fDefault);

// A parameter value as the model reads it (see above). index is a host index
// of this edition; values holds at least kQvx2NumHostParams floats.
float Qvx2ModelValue(const float* values, int index);
// A switch as the model reads it: on at any finite value but 0.0; a NaN or
// infinite value counts as the default.
bool Qvx2ModelSwitch(const float* values, int index);
// Finite state of a choice parameter, as Qvx2StateOfValue.
int Qvx2ModelState(const float* values, int index, int nStates);
// Linear trim gain of a trim value: (v - 0.5) x 80 dB, the dB in float.
double Qvx2TrimGain(float value);
// Position of a frequency (Hz) on the axis, in float; 0 for f <= 0 or NaN.
float Qvx2PositionOfFrequency(float frequency);

struct QVX2BandRecord {
  double fPosition;  // x of the band's centre
  double fGain;      // dB
  double fWidth;
};

class CQVX2ResponseModel {
 public:
  // The bell exp(-t^2) for t = (j - 5000) / 1000, t and exp in float.
  static constexpr int c_knBellGraphSize = 10000;
  static constexpr int c_knAddIntoBellGraph = 5000;
  static constexpr float c_kfScaleIntoBellGraph = 1000.0f;
  static const double* BellGraph();  // builds the table on first use
  static void InitBellGraph() { BellGraph(); }

  // What Fill takes from the parameters.
  enum class EContent { WithDepthAndPassFilters, BandGainsOnly };

  // Refills the band records and pass-filter positions from values (host
  // indexes, at least kQvx2NumHostParams floats) for the given layout (0..6).
  // BandGainsOnly leaves Depth out (gains as set) and switches the pass
  // filters off: the plain band curve.
  void Fill(const float* values, int layout, EContent content);

  // Fill for the layout "Band Type" selects, with Depth and pass filters.
  void UpdateFilterCalcCache(const float* values);

  // Response of a channel (0 or 1) at x in dB; any x, including values off
  // the axis. contour is "Contour" as read by Qvx2ModelValue. A channel other
  // than 0 or 1 gives 0.
  double GetFilterResponseDb(float x, int channel, float contour) const;

  // Computes bins [resume, resume + count) (count < 0: all remaining) of both
  // per-bin linear responses for an FFT of size n at sampleRate; resume moves
  // on. True when every bin 0..n/2 is done, or when there is nothing to do
  // (an array missing, n < 2).
  bool UpdateCachedIdealisedResponse(double* response0, double* response1, int n, float sampleRate, int& resume,
                                     int count, float contour) const;

  int Layout() const { return m_nLayout; }
  int NumBands() const { return m_nBands; }
  const QVX2BandRecord& Band(int channel, int band) const {
    return m_Bands[static_cast<std::size_t>(channel)][static_cast<std::size_t>(band)];
  }
  // High-pass ch 0, high-pass ch 1, low-pass ch 0, low-pass ch 1; -1 when off.
  double PassFilterPosition(int i) const { return m_fPassPos[static_cast<std::size_t>(i)]; }

 private:
  std::array<std::array<QVX2BandRecord, kQvx2NumBands>, 2> m_Bands{};
  std::array<double, 4> m_fPassPos{{-1.0, -1.0, -1.0, -1.0}};
  int m_nLayout = kQvx2NumBandTypes - 1;
  int m_nBands = 0;
};
