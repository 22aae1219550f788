#include "GaussianReference.h"

#include <cmath>

#include "QVX2/QVX2Params.h"

namespace qvx2test {

std::vector<float> DefaultValues() {
  std::vector<float> v(3000, 0.0f);
  for (int i = 0; i < kQvx2NumHostParams; ++i) v[static_cast<std::size_t>(i)] = Qvx2DefaultOf(i);
  return v;
}

// Centres and widths typed from the layout descriptions, computed in double;
// the tempered layouts are held to two decimals, as documented.
RefLayout Reference(int layout) {
  const std::vector<double> bark = {25,   50,   150,  250,  350,  450,  570,  700,  840,  1000,  1170,  1370,  1600,
                                    1850, 2150, 2500, 2900, 3400, 4000, 4800, 5800, 7000, 8500, 10500, 13500, 17000};
  const std::vector<double> mel = {25,   107,  197,  298,  410,  535,  673,  828,   1000,  1191,  1403,
                                   1640, 1902, 2195, 2520, 2882, 3285, 3732, 4230,  4784,  5400,  6086,
                                   6848, 7696, 8639, 9689, 10856, 12154, 13599, 15204, 16992, 18979};
  const std::vector<double> thirds = {21.83,   27.5,    34.65,   43.65,   55,      69.3,     87.31,   110,
                                      138.59,  174.61,  220,     277.18,  349.23,  440,      554.37,  698.46,
                                      880,     1108.73, 1396.91, 1760,    2217.46, 2793.83,  3520,    4434.92,
                                      5587.65, 7040,    8869.85, 11175.31, 14080,  17739.69, 22350};
  auto thirded = [](const std::vector<double>& c, double t1, double t2) {
    std::vector<double> r;
    for (std::size_t i = 0; i < c.size(); ++i) {
      r.push_back(c[i]);
      if (i + 1 < c.size()) {
        r.push_back(c[i] * std::cbrt(c[i + 1] / c[i]));
        r.push_back(c[i] * std::cbrt(c[i + 1] / c[i]) * std::cbrt(c[i + 1] / c[i]));
      }
    }
    r.push_back(t1);
    r.push_back(t2);
    return r;
  };
  auto ramp = [](std::vector<double> r, std::size_t n, bool narrowLast, double factor) {
    std::vector<double> w(n, 1.0);
    for (std::size_t i = 0; i < r.size() && i < n; ++i) w[i] = r[i];
    if (narrowLast) w[n - 1] = 0.5;
    for (auto& e : w) e *= factor;
    return w;
  };
  RefLayout l;
  switch (layout) {
    case 0: l.f = bark; l.w = ramp({0.2, 0.2, 0.3, 0.5, 0.7}, 26, false, 1.0); break;
    case 1: l.f = mel; l.w = ramp({0.2, 0.3, 0.5, 0.7}, 32, false, 1.0); break;
    case 2: l.f = thirds; l.w.assign(31, 0.8); break;
    case 3: l.f = thirded(bark, 18525.66, 20188.21); l.w = ramp({0.2, 0.2, 0.3, 0.5, 0.7}, 78, true, 2.0); break;
    case 4: l.f = thirded(mel, 19720.03, 20489.98); l.w = ramp({0.2, 0.3, 0.5, 0.7}, 96, true, 2.0); break;
    case 5:
      for (int k = 0; k < 135; ++k) l.f.push_back(std::round(44000.0 * std::pow(2.0, (k - 65) / 12.0)) / 100.0);
      l.w = ramp({0.2}, 135, true, 2.0);
      break;
    default:
      for (int k = 0; k < 67; ++k) l.f.push_back(std::round(44000.0 * std::pow(2.0, (k - 32) / 6.0)) / 100.0);
      l.w = ramp({0.2}, 67, true, 2.0);
      break;
  }
  return l;
}

// The documented model: weighted mean of gains with weights exp(-d^2),
// d = (x - centre) W width, floored at exp(-25) from |d| = 5 on; then the
// 24 dB/octave pass slopes.
double ReferenceDb(const RefLayout& l, const std::vector<float>& v, int channel, double x) {
  const double contour = v[static_cast<std::size_t>(kQvx2Contour)];
  const double depth = v[static_cast<std::size_t>(kQvx2Depth)];
  const double w = (1.1 - 0.8 * contour) * 50.0;
  double sw = 0.0, sg = 0.0;
  for (std::size_t b = 0; b < l.f.size(); ++b) {
    const double pos = (std::log(l.f[b]) - kLn10) / kLnRange;
    const double d = (x - pos) * w * l.w[b];
    const double g = std::fabs(d) >= 5.0 ? std::exp(-25.0) : std::exp(-d * d);
    const double gain = (-20.0 + 40.0 * v[2 * b + static_cast<std::size_t>(channel)]) * 2.0 * depth;
    sw += g;
    sg += g * gain;
  }
  double db = sg / sw;
  const double octave = std::log(2.0) / kLnRange;
  const int hs = channel == 0 ? kQvx2Hpf0 : kQvx2Hpf1, ls = channel == 0 ? kQvx2Lpf0 : kQvx2Lpf1;
  if (v[static_cast<std::size_t>(hs)] != 0.0f) {
    const double h = v[static_cast<std::size_t>(hs + 1)];
    if (x < h) db -= (h - x) / octave * 24.0;
  }
  if (v[static_cast<std::size_t>(ls)] != 0.0f) {
    const double lp = v[static_cast<std::size_t>(ls + 1)];
    if (x > lp) db -= (x - lp) / octave * 24.0;
  }
  return db;
}

double ReferenceBandCurveDb(const RefLayout& l, const std::vector<float>& v, int channel, double x) {
  std::vector<float> plain(v);
  plain[static_cast<std::size_t>(kQvx2Depth)] = 0.5f;
  for (int s : {kQvx2Hpf0, kQvx2Hpf1, kQvx2Lpf0, kQvx2Lpf1}) plain[static_cast<std::size_t>(s)] = 0.0f;
  return ReferenceDb(l, plain, channel, x);
}

}  // namespace qvx2test
