// An independent model of the equaliser curve in double precision, typed from
// the documented layouts and blend: the reference for the response model and
// for the band-type refit.
#pragma once

#include <vector>

namespace qvx2test {

constexpr double kLn10 = 2.302585092994046;
constexpr double kLnRange = 8.006367567650248;  // ln 3000

// Every host parameter at its default, in a program-sized array.
std::vector<float> DefaultValues();

// Centres (Hz) and applied widths of one layout.
struct RefLayout {
  std::vector<double> f, w;
};
RefLayout Reference(int layout);

// The documented curve of channel at x: the weighted mean of the band gains
// (weights exp(-d^2), floored at exp(-25) from |d| = 5 on) times twice Depth,
// minus the 24 dB/octave slopes of the switched-on pass filters.
double ReferenceDb(const RefLayout& l, const std::vector<float>& v, int channel, double x);

// The plain band curve: gains as set, no Depth, no pass filters.
double ReferenceBandCurveDb(const RefLayout& l, const std::vector<float>& v, int channel, double x);

}  // namespace qvx2test
