// Command-line options of qvxhost. Parsing is strict: every number is
// checked, every option's argument must be present, and the first problem
// gives a one-line error.
#pragma once

#include <string>
#include <vector>

#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"

struct HostOptions {
  std::string pluginPath;
  HostConfig host;

  bool info = false, params = false, programs = false, log = false;
  // Program selections and parameter values, in the order given.
  struct Setting {
    bool isProgram = false;
    int index = 0;
    float value = 0.0f;
  };
  std::vector<Setting> settings;

  std::string inputPath, outputPath;
  std::string signal = "sweep";
  double seconds = 5.0;
  double sampleRate = 44100.0;
  bool rateGiven = false;
  RenderOptions render;
  bool renderAsked = false;
  bool bench = false;
  int repeat = 1;
  bool realtime = false;
  bool measureEdit = false;
  float threshold = 1e-4f;

  bool sweep = false;
  int sweepFrom = -1000, sweepTo = 1000;

  // Wall-clock milliseconds of idle calls after the settings, before anything
  // else runs (0: none).
  double settleMs = 0.0;

  // Editor mode: the steps come from --script texts and --script-file
  // files, in the order given.
  bool editor = false;
  struct ScriptSource {
    bool isFile = false;
    std::string text;  // the steps, or the file's path
  };
  std::vector<ScriptSource> scripts;
  int cycles = 1;
  int instances = 1;
  bool destroyWindowFirst = false;
  std::string windowManager;  // --wm: a program, "auto", or empty for none
  bool idleGiven = false;

  bool help = false;
};

// Strict number parsing, shared with the editor script: the whole text must
// be the number. ToParameter reads "INDEX=VALUE" with a value in 0..1.
bool ToInt(const std::string& text, long lo, long hi, int& out);
bool ToDouble(const std::string& text, double& out);
bool ToParameter(const std::string& text, int& index, float& value);

// False with `error` set (one line, no program name) for bad arguments.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error);
const char* HostUsage();
