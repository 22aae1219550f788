// Audio for the command-line host: planar float buffers, WAV files through
// libsndfile, and the built-in test signals. [one thread]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Planar audio: one vector of frames per channel.
struct AudioBuffer {
  std::vector<std::vector<float>> channels;
  int NumChannels() const { return static_cast<int>(channels.size()); }
  int64_t NumFrames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels[0].size()); }
  void Resize(int numChannels, int64_t frames);
};

// Reads any file libsndfile reads; false with `error` set when it cannot.
bool ReadAudioFile(const std::string& path, AudioBuffer& audio, double& sampleRate, std::string& error);
// Writes a 32-bit float WAV file.
bool WriteWavFile(const std::string& path, const AudioBuffer& audio, double sampleRate, std::string& error);

// Built-in test signals, named KIND or KIND:ARG:
//   sweep[:f0-f1]  logarithmic sine sweep, default 20-20000 Hz, -6 dBFS
//   sine[:hz]      sine, default 1000 Hz, -6 dBFS
//   noise[:seed]   white noise, -12 dBFS RMS, fixed seed by default
//   impulse[:ms]   unit impulses every ms milliseconds (default: one at 0)
//   silence
// Every channel carries the same signal except noise, which is independent
// per channel. False with `error` set for an unknown kind or bad argument.
bool MakeTestSignal(const std::string& signal, int numChannels, double sampleRate, double seconds, AudioBuffer& audio,
                    std::string& error);
