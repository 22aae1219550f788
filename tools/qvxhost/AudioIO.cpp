#include "tools/qvxhost/AudioIO.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

void AudioBuffer::Resize(int numChannels, int64_t frames) {
  channels.assign(static_cast<size_t>(numChannels), std::vector<float>(static_cast<size_t>(frames), 0.0f));
}

namespace {
struct SndfileCloser {
  void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end && *end == 0 && std::isfinite(out);
}
}  // namespace

bool ReadAudioFile(const std::string& path, AudioBuffer& audio, double& sampleRate, std::string& error) {
  SF_INFO info = {};
  SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels <= 0 || info.samplerate <= 0) {
    error = "cannot read " + path + ": no audio channels";
    return false;
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), info.frames);
  if (got < 0) {
    error = "cannot read " + path + ": " + sf_strerror(file.get());
    return false;
  }
  audio.Resize(info.channels, got);
  for (sf_count_t i = 0; i < got; ++i)
    for (int c = 0; c < info.channels; ++c)
      audio.channels[c][static_cast<size_t>(i)] = interleaved[static_cast<size_t>(i) * info.channels + c];
  sampleRate = info.samplerate;
  return true;
}

bool WriteWavFile(const std::string& path, const AudioBuffer& audio, double sampleRate, std::string& error) {
  SF_INFO info = {};
  info.channels = audio.NumChannels();
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (info.channels <= 0 || !sf_format_check(&info)) {
    error = "cannot write " + path + ": unsupported channel count or sample rate";
    return false;
  }
  SndfilePtr file(sf_open(path.c_str(), SFM_WRITE, &info));
  if (!file) {
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  const int64_t frames = audio.NumFrames();
  std::vector<float> interleaved(static_cast<size_t>(frames) * static_cast<size_t>(info.channels));
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < info.channels; ++c)
      interleaved[static_cast<size_t>(i) * info.channels + c] = audio.channels[c][static_cast<size_t>(i)];
  if (sf_writef_float(file.get(), interleaved.data(), frames) != frames) {
    error = "cannot write " + path + ": " + sf_strerror(file.get());
    return false;
  }
  return true;
}

bool MakeTestSignal(const std::string& signal, int numChannels, double sampleRate, double seconds, AudioBuffer& audio,
                    std::string& error) {
  const size_t colon = signal.find(':');
  const std::string kind = signal.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : signal.substr(colon + 1);
  const bool hasArg = colon != std::string::npos;
  if (numChannels <= 0 || !(sampleRate > 0.0) || !(seconds >= 0.0)) {
    error = "bad test signal settings";
    return false;
  }
  const auto frames = static_cast<int64_t>(std::llround(seconds * sampleRate));
  audio.Resize(numChannels, frames);
  const double kHalf = 0.5;  // -6 dBFS
  const double twoPi = 2.0 * M_PI;
  if (kind == "silence" && !hasArg) return true;
  if (kind == "sine") {
    double hz = 1000.0;
    if (hasArg && (!ParseDouble(arg, hz) || hz <= 0.0 || hz >= sampleRate / 2)) {
      error = "bad sine frequency '" + arg + "'";
      return false;
    }
    for (int64_t i = 0; i < frames; ++i) {
      const auto v = static_cast<float>(kHalf * std::sin(twoPi * hz * static_cast<double>(i) / sampleRate));
      for (auto& ch : audio.channels) ch[static_cast<size_t>(i)] = v;
    }
    return true;
  }
  if (kind == "sweep") {
    double f0 = 20.0, f1 = std::min(20000.0, sampleRate * 0.45);
    if (hasArg) {
      const size_t dash = arg.find('-');
      if (dash == std::string::npos || !ParseDouble(arg.substr(0, dash), f0) ||
          !ParseDouble(arg.substr(dash + 1), f1) || f0 <= 0.0 || f1 <= f0 || f1 >= sampleRate / 2) {
        error = "bad sweep range '" + arg + "' (expected F0-F1 in Hz)";
        return false;
      }
    }
    const double duration = std::max(seconds, 1e-9);
    const double k = std::log(f1 / f0);
    for (int64_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / sampleRate;
      const double phase = twoPi * f0 * duration / k * (std::exp(t / duration * k) - 1.0);
      const auto v = static_cast<float>(kHalf * std::sin(phase));
      for (auto& ch : audio.channels) ch[static_cast<size_t>(i)] = v;
    }
    return true;
  }
  if (kind == "noise") {
    double seed = 1.0;
    if (hasArg && (!ParseDouble(arg, seed) || seed < 0.0)) {
      error = "bad noise seed '" + arg + "'";
      return false;
    }
    std::mt19937 random(static_cast<uint32_t>(seed));
    std::normal_distribution<float> normal(0.0f, 0.25f);  // -12 dBFS RMS
    for (auto& ch : audio.channels)
      for (auto& v : ch) v = std::max(-1.0f, std::min(1.0f, normal(random)));
    return true;
  }
  if (kind == "impulse") {
    double ms = 0.0;
    if (hasArg && (!ParseDouble(arg, ms) || ms <= 0.0)) {
      error = "bad impulse interval '" + arg + "'";
      return false;
    }
    const int64_t every = ms > 0.0 ? std::max<int64_t>(1, std::llround(ms * sampleRate / 1000.0)) : frames + 1;
    for (int64_t i = 0; i < frames; i += every)
      for (auto& ch : audio.channels) ch[static_cast<size_t>(i)] = 1.0f;
    return true;
  }
  error = "unknown test signal '" + signal + "' (sweep, sine, noise, impulse, silence)";
  return false;
}
