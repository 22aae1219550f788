// Both plug-in modules as hosts run them: the command-line host renders
// through them, Ardour's VST2 scanner (when installed) reads them, an Ardour
// session saved with a curve renders with it, and Ardour's bounces and
// exports of an automated curve change hear it at its time.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "QVX2/QVX2Params.h"
#include "prefs/TempConfigFolder.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"

namespace {

constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;

struct Edition {
  const char* path;
  const char* name;
  const char* id;  // the unique identifier as the scanner prints it (decimal)
};
const Edition kEditions[] = {{QVX2_MASTER_PLUGIN, "QVX2 Master", "1515345483"}, {QVX2_STD_PLUGIN, "QVX2", "1515345491"}};

double Rms(const std::vector<float>& x, size_t from) {
  double sum = 0.0;
  for (size_t i = from; i < x.size(); ++i) sum += double(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(x.size() - from));
}

AudioBuffer Sine(double f, int frames) {
  AudioBuffer b;
  b.Resize(2, frames);
  for (int i = 0; i < frames; ++i)
    b.channels[0][static_cast<size_t>(i)] = b.channels[1][static_cast<size_t>(i)] =
        0.1f * static_cast<float>(std::sin(2.0 * kPi * f * i / kRate));
  return b;
}

// Runs a command, answering its exit status and its output.
int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Installed(const char* path) {
  struct stat info {};
  return ::stat(path, &info) == 0;
}

// Mean power of x near f (Hann-windowed segments of 0.1 s).
double PowerAt(const std::vector<float>& x, double f, size_t from) {
  const size_t seg = 4800;
  double total = 0.0;
  int count = 0;
  for (size_t s = from; s + seg <= x.size(); s += seg, ++count) {
    double re = 0.0, im = 0.0;
    for (size_t n = 0; n < seg; ++n) {
      const double v = x[s + n] * (0.5 - 0.5 * std::cos(2.0 * kPi * n / seg));
      re += v * std::cos(2.0 * kPi * f * n / kRate);
      im += v * std::sin(2.0 * kPi * f * n / kRate);
    }
    total += re * re + im * im;
  }
  return count ? total / count : 0.0;
}

constexpr const char* kArdourScanner = "/usr/lib/ardour7/ardour-vst-scanner";

// The first of Ardour's programs that is not installed, or null.
const char* MissingArdourTool() {
  for (const char* tool : {kArdourScanner, "/usr/bin/ardour7-lua", "/usr/bin/ardour7-export"})
    if (!Installed(tool)) return tool;
  return nullptr;
}

// A folder for Ardour's settings, caches, plug-in path and sessions, with
// the full edition's module scanned into it; Env() is the environment that
// points Ardour's programs there.
class ArdourFolder {
 public:
  const std::string& Dir() const { return m_Home.Path(); }
  std::string Env() const {
    const std::string& dir = Dir();
    return "HOME='" + dir + "' XDG_CONFIG_HOME='" + dir + "/config' XDG_CACHE_HOME='" + dir + "/cache' LXVST_PATH='" +
           dir + "/vst' ";
  }
  // False, with the scanner's output, when the scan fails.
  bool ScanFullEdition(std::string& output) const {
    namespace fs = std::filesystem;
    fs::create_directories(Dir() + "/vst");
    fs::copy_file(QVX2_MASTER_PLUGIN, Dir() + "/vst/QVX2Master.so");
    // Ardour takes the scanner's cache only when it is newer than the module
    // by its clock of seconds.
    fs::last_write_time(Dir() + "/vst/QVX2Master.so", fs::file_time_type::clock::now() - std::chrono::hours(1));
    return RunCommand("timeout 60 env " + Env() + "LD_LIBRARY_PATH=/usr/lib/ardour7 " + kArdourScanner + " -f '" +
                          Dir() + "/vst/QVX2Master.so' 2>&1",
                      output) == 0;
  }

 private:
  TempConfigFolder m_Home;
};

// This version's exporter now and then hangs before the first block under
// load, its main thread waiting for the butler (no thread in the plug-in),
// and now and then corrupts its heap and dies, with or without the plug-in
// in the session: a command that exports is given `seconds` and tried up to
// `tries` times while it hangs or dies of a signal, while a hang or crash of
// the plug-in's own would recur on every try. Answers the last try's exit
// status (124 when it timed out).
int RunExporting(const std::string& command, int seconds, std::string& output, int tries = 3) {
  int status = 124;
  for (int attempt = 0; attempt < tries && (status == 124 || status > 128); ++attempt)
    status = RunCommand("timeout " + std::to_string(seconds) + " " + command, output);
  return status;
}

// Ardour's headless interpreter: a new session with a bus of white noise
// into the equaliser, the curve set through the host's parameter calls.
// Setting the session range is no Lua call in this version: the test writes
// it into the file.
constexpr const char* kArdourSessionScript = R"lua(
ARDOUR.config():set_hide_dummy_backend(false)
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session(arg[1], "session", 48000)
local bus = s:new_audio_route(2, 2, nil, 1, "EQ", ARDOUR.PresentationInfo.Flag.AudioBus,
                              ARDOUR.PresentationInfo.max_order):front()
local noise = ARDOUR.LuaAPI.new_luaproc(s, "ACE Noise")
local eq = ARDOUR.LuaAPI.new_plugin(s, "QVX2 Master", ARDOUR.PluginType.LXVST, "")
if noise:isnil() or eq:isnil() then print("no plug-in") os.exit(1) end
bus:add_processor_by_index(noise, 0, nil, true)
bus:add_processor_by_index(eq, 1, nil, true)
-- layout Thirds, bands 3-5 +12 dB, band 17 -10 dB on both channels, Depth 150 %
local settings = {{292, 2/99}, {273, 0.75}, {6, 0.8}, {7, 0.8}, {8, 0.8}, {9, 0.8}, {10, 0.8}, {11, 0.8},
                  {34, 0.25}, {35, 0.25}}
for _, p in ipairs(settings) do ARDOUR.LuaAPI.set_processor_param(eq, p[1], p[2]) end
s:save_state("", false, false, false, false, false)
print("saved")
close_session()
)lua";

// The same with a track whose region is white noise (the noise generator's
// output bounced once to files, which the test reads as the input), the
// equaliser after it, and the band gains of both channels' lowest 60 bands
// automated from 0 dB to +20 dB at 4 s. Then, by the third argument, one
// export of 0-6 s, or three track bounces of 0-6 s after which the quality
// rating (the fourth and fifth arguments) is set as a session value and
// Ardour runs process cycles, its transport stopped, until it reads a new
// latency from the plug-in, and one export follows. Ardour renders both
// kinds compensated for the latency it reads from the plug-in. Every line
// goes out at once: the exporter may die while the session closes.
constexpr const char* kArdourStepScript = R"lua(
io.stdout:setvbuf("no")
ARDOUR.config():set_hide_dummy_backend(false)
AudioEngine:set_backend("None (Dummy)", "", "")
local dir, rate = arg[1], 48000
local s = create_session(dir .. "/session", "session", rate)
local track = s:new_audio_track(2, 2, nil, 1, "EQ", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                                true):front()
local noise = ARDOUR.LuaAPI.new_luaproc(s, "ACE Noise")
local eq = ARDOUR.LuaAPI.new_plugin(s, "QVX2 Master", ARDOUR.PluginType.LXVST, "")
if noise:isnil() or eq:isnil() then print("no plug-in") os.exit(1) end
track:add_processor_by_index(noise, 0, nil, true)
track:add_processor_by_index(eq, 1, nil, true)
local progress = ARDOUR.InterThreadInfo()
local function files(region)
  return region:source(0):to_filesource():path() .. " " .. region:source(1):to_filesource():path()
end
local input = track:bounce_range(0, 7 * rate, progress, eq, false, "input")
track:playlist():add_region(input, Temporal.timepos_t(0), 1, false, 0, 0, false)
track:remove_processor(noise, nil, true)
print("input " .. files(input))
for p = 0, 119 do
  local _, list = ARDOUR.LuaAPI.plugin_automation(eq, p)
  list:set_interpolation(Evoral.InterpolationStyle.Discrete)
  list:add(Temporal.timepos_t(0), 0.5, false, false)
  list:add(Temporal.timepos_t(4 * rate), 1.0, false, false)
  eq:to_automatable():automation_control(Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, p), false)
    :set_automation_state(ARDOUR.AutoState.Play)
end
local function latency() return eq:to_latent():effective_latency() end
local function export(name)
  local e = s:simple_export()
  e:set_folder(dir)
  e:set_name(name)
  e:set_range(0, 6 * rate)
  if not (e:set_preset(arg[2]) and e:check_outputs() and e:run_export()) then print("export failed") os.exit(1) end
  return dir .. "/" .. name .. ".wav"
end
if arg[3] == "export" then
  print("export " .. latency() .. " " .. export("export"))
else
  for i = 1, 3 do
    print("bounce " .. latency() .. " " ..
          files(track:bounce_range(0, 6 * rate, progress, track:main_outs(), false, "bounce" .. i)))
  end
  local before = latency()
  ARDOUR.LuaAPI.set_processor_param(eq, tonumber(arg[4]), tonumber(arg[5]))
  local cycles = 0
  while latency() == before and cycles < 150 do
    ARDOUR.LuaAPI.wait_for_process_callback(1, 1000)
    cycles = cycles + 1
  end
  print("waited " .. latency() .. " " .. cycles)
  print("maximum " .. latency() .. " " .. export("maximum"))
end
close_session()
)lua";

// A user export preset: 32-bit float WAV at the session's rate (the format
// Ardour ships as "BWAV 32float Export"), no dither.
constexpr const char* kFloatExportPresetId = "6a0c5b1e-8f0d-4d5e-9a43-2b7d1e0c9f11";
constexpr const char* kFloatExportPreset = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="6a0c5b1e-8f0d-4d5e-9a43-2b7d1e0c9f11" name="float">
  <ExportFormat id="20b4ab09-6452-4cb3-bd66-b921cdbd2942"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="label" enabled="0"/>
    <Field name="session" enabled="0"/>
    <Field name="snapshot" enabled="0"/>
    <Field name="timespan" enabled="1"/>
    <Field name="revision" enabled="0"/>
    <Field name="time" enabled="0" value="T_None"/>
    <Field name="date" enabled="0" value="D_None"/>
  </ExportFilename>
</ExportPreset>
)xml";

// (FFT size - kernel size) + kernel size / 2: Medium 4096 and 2048, Maximum
// 32768 and 24576.
constexpr int kMediumLatency = 2048 + 1024;
constexpr int kMaximumLatency = 8192 + 12288;

// The channels of one or more files at the session's rate, side by side.
bool ReadChannels(const std::vector<std::string>& files, AudioBuffer& audio, std::string& error) {
  audio.channels.clear();
  for (const std::string& file : files) {
    AudioBuffer read;
    double rate = 0.0;
    if (!ReadAudioFile(file, read, rate, error)) return false;
    if (rate != kRate || (!audio.channels.empty() && read.NumFrames() != audio.NumFrames())) {
      error = file + ": another rate or length";
      return false;
    }
    for (std::vector<float>& channel : read.channels) audio.channels.push_back(std::move(channel));
  }
  return true;
}

// Mean power of all channels over frames [from, to), in dB.
double LevelDb(const AudioBuffer& x, size_t from, size_t to) {
  double sum = 0.0;
  for (const std::vector<float>& channel : x.channels)
    for (size_t i = from; i < to && i < channel.size(); ++i) sum += double(channel[i]) * channel[i];
  return 10.0 * std::log10(sum / double((to - from) * x.channels.size()) + 1e-30);
}
double LevelDb(const AudioBuffer& x, double fromSeconds, double toSeconds) {
  return LevelDb(x, static_cast<size_t>(fromSeconds * kRate), static_cast<size_t>(toSeconds * kRate));
}

// Where, from 1 s on, the level in 5 ms windows first exceeds `halfwayDb`:
// the centre of that window, in seconds; NaN when it never does.
double LandingSeconds(const AudioBuffer& x, double halfwayDb) {
  const size_t window = 240, hop = 48;
  for (size_t s = static_cast<size_t>(kRate); s + window <= static_cast<size_t>(x.NumFrames()); s += hop)
    if (LevelDb(x, s, s + window) > halfwayDb) return (static_cast<double>(s) + window / 2.0) / kRate;
  return std::nan("");
}

// Power of x - reference relative to the reference's over [from, to) s, in dB.
double NullDb(const AudioBuffer& x, const AudioBuffer& reference, double fromSeconds, double toSeconds) {
  double diff = 0.0, ref = 0.0;
  for (size_t c = 0; c < x.channels.size() && c < reference.channels.size(); ++c)
    for (size_t i = static_cast<size_t>(fromSeconds * kRate); i < static_cast<size_t>(toSeconds * kRate); ++i) {
      const double r = reference.channels[c][i];
      diff += (x.channels[c][i] - r) * (x.channels[c][i] - r);
      ref += r * r;
    }
  return 10.0 * std::log10(diff / ref + 1e-30);
}

// What one run of the step script rendered: its input, and each render's
// kind, the plug-in's latency as Ardour read it then, and its audio.
struct StepRender {
  std::string kind;
  long latency = -1;
  AudioBuffer audio;
};
struct StepRun {
  AudioBuffer input;
  std::vector<StepRender> renders;
  long waitedLatency = -1, waitedCycles = -1;  // "waited": the latency Ardour read, and after how many cycles
};

// Runs the step script in `mode` ("export" or "bounces") in a folder of its
// own under the Ardour folder and reads what it rendered. Like the exporter
// above, a run may hang or die before the render of kind `lastKind` is out
// (and may die after it, closing): it is tried up to four times.
::testing::AssertionResult RunStepScript(const ArdourFolder& folder, const std::string& mode,
                                         const std::string& lastKind, StepRun& run) {
  char rating[32];
  std::snprintf(rating, sizeof rating, "%.9g", 80.0 / 999.0);  // "Maximum"
  std::string output;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const std::string dir = folder.Dir() + "/" + mode + std::to_string(attempt);
    std::filesystem::create_directories(dir);
    RunCommand("timeout 45 env " + folder.Env() + "ardour7-lua '" + folder.Dir() + "/step.lua' '" + dir + "' " +
                   kFloatExportPresetId + " " + mode + " " + std::to_string(kQvx2QualityRating) + " " + rating +
                   " 2>&1",
               output);
    if (output.find("\n" + lastKind + " ") != std::string::npos) break;
  }
  run = StepRun();
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "waited") words >> run.waitedLatency >> run.waitedCycles;
    if (kind != "input" && kind != "export" && kind != "bounce" && kind != "maximum") continue;
    StepRender render;
    render.kind = kind;
    if (kind != "input") words >> render.latency;
    const std::vector<std::string> files{std::istream_iterator<std::string>(words),
                                         std::istream_iterator<std::string>()};
    std::string error;
    if (files.empty() || !ReadChannels(files, render.audio, error) || render.audio.NumChannels() != 2)
      return ::testing::AssertionFailure() << line << ": " << error << "\n" << output;
    if (kind == "input")
      run.input = std::move(render.audio);
    else
      run.renders.push_back(std::move(render));
  }
  if (run.input.NumChannels() != 2 || run.renders.empty() || run.renders.back().kind != lastKind)
    return ::testing::AssertionFailure() << output;
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(HostedRunTest, BothEditionsEqualiseWithTheirReportedLatency) {
  for (const Edition& e : kEditions) {
    TempConfigFolder prefs;
    PluginHost host;
    ASSERT_TRUE(host.Load(e.path)) << host.Error();
    host.Start(kRate, 512);
    EXPECT_EQ(host.Latency(), 2048 + 1024) << e.name << ": the default mode, Medium";

    // Flat: the impulse comes back where it went in once the latency is
    // taken off.
    AudioBuffer impulse;
    impulse.Resize(2, 20000);
    impulse.channels[0][1000] = 1.0f;
    impulse.channels[1][2000] = -0.5f;
    RenderOptions options;
    options.compensateLatency = true;
    AudioBuffer out;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(RenderOffline(host, impulse, options, out, stats, error)) << error;
    EXPECT_NEAR(out.channels[0][1000], 1.0f, 1e-5) << e.name;
    EXPECT_NEAR(out.channels[1][2000], -0.5f, 1e-5) << e.name;
    EXPECT_NEAR(out.channels[0][1001], 0.0f, 1e-5) << e.name;

    // Layout "Thirds" (both editions have it), band 17 (1108.73 Hz) and its
    // neighbours raised: the idle calls build the new kernels, and a sine
    // there comes out louder.
    ASSERT_TRUE(host.SetParameter(292, 2.0f / 99.0f));
    for (int b = 15; b <= 19; ++b) ASSERT_TRUE(host.SetParameter(2 * b, 1.0f));
    host.IdleFor(100);
    const AudioBuffer sine = Sine(1108.73, 24000);
    ASSERT_TRUE(RenderOffline(host, sine, options, out, stats, error)) << error;
    const double gainDb = 20.0 * std::log10(Rms(out.channels[0], 8000) / Rms(sine.channels[0], 8000));
    EXPECT_GT(gainDb, 12.0) << e.name;
    EXPECT_LT(gainDb, 20.5) << e.name;
    host.Close();
  }
}

TEST(HostedRunTest, ArdourVstScannerReadsBothEditions) {
#ifdef QVX_SANITIZED_MODULES
  GTEST_SKIP() << "sanitized modules load only into sanitized processes";
#endif
  const char* scanner = "/usr/lib/ardour7/ardour-vst-scanner";
  if (!Installed(scanner)) GTEST_SKIP() << "Ardour's VST scanner is not installed (apt-get install ardour)";
  TempConfigFolder home;  // the scanner writes its cache under HOME
  for (const Edition& e : kEditions) {
    std::string output;
    const std::string command = "HOME='" + home.Path() + "' XDG_CACHE_HOME='" + home.Path() +
                                "' LD_LIBRARY_PATH=/usr/lib/ardour7 " + scanner + " -f -v '" + e.path + "' 2>&1";
    const int status = RunCommand(command, output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find(std::string("name=\"") + e.name + "\""), std::string::npos) << output;
    EXPECT_NE(output.find("creator=\"Sorvik Audio\""), std::string::npos) << output;
    EXPECT_NE(output.find(std::string("id=\"") + e.id + "\""), std::string::npos) << output;
    EXPECT_NE(output.find("n_inputs=\"2\" n_outputs=\"2\""), std::string::npos) << output;
    EXPECT_NE(output.find("can_process_replace=\"1\""), std::string::npos) << output;
    EXPECT_NE(output.find("has_editor=\"1\""), std::string::npos) << output;
    EXPECT_EQ(output.find("[ERROR]"), std::string::npos) << output;
  }
}

TEST(HostedRunTest, ArdourRendersASavedSessionWithItsCurveAndTheEditorClosed) {
#ifdef QVX_SANITIZED_MODULES
  GTEST_SKIP() << "sanitized modules load only into sanitized processes";
#endif
  if (const char* tool = MissingArdourTool()) GTEST_SKIP() << tool << " is not installed (apt-get install ardour)";
  ArdourFolder folder;  // Ardour's and the plug-in's settings, caches and the session
  const std::string& dir = folder.Dir();
  std::string output;
  ASSERT_TRUE(folder.ScanFullEdition(output)) << output;
  std::ofstream(dir + "/make.lua") << kArdourSessionScript;
  RunCommand("timeout 60 env " + folder.Env() + "ardour7-lua '" + dir + "/make.lua' '" + dir + "/session' 2>&1",
             output);
  ASSERT_NE(output.find("saved"), std::string::npos) << output;

  // A session range of 3 s (superclock ticks: 282240000 per second).
  const std::string sessionFile = dir + "/session/session.ardour";
  std::stringstream text;
  text << std::ifstream(sessionFile).rdbuf();
  std::string xml = text.str();
  const size_t at = xml.find("<Locations/>");
  ASSERT_NE(at, std::string::npos);
  xml.replace(at, 12,
              "<Locations><Location id=\"99999\" name=\"session\" start=\"a0\" end=\"a846720000\" "
              "flags=\"IsSessionRange\" locked=\"0\" timestamp=\"0\" cue=\"0\"/></Locations>");
  std::ofstream(sessionFile) << xml;

  const std::string wav = dir + "/export.wav";
  ASSERT_EQ(RunExporting(
                "env " + folder.Env() + "ardour7-export -b float -o '" + wav + "' '" + dir + "/session' session 2>&1",
                20, output),
            0)
      << output;
  AudioBuffer exported;
  double rate = 0.0;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(wav, exported, rate, error)) << error;
  ASSERT_EQ(rate, kRate);
  ASSERT_GE(exported.NumFrames(), 3 * 48000 - 1024);
  // The input is white: a flat render reads 0 dB at every frequency; the
  // curve reads about +11 dB at 55 Hz and -7 dB at 1.1 kHz at its mode's
  // resolution (the command-line host's render of the same settings).
  for (const std::vector<float>& channel : exported.channels) {
    const double mid = PowerAt(channel, 300.0, 24000);
    ASSERT_GT(mid, 0.0) << "silence";
    EXPECT_GT(10.0 * std::log10(PowerAt(channel, 55.0, 24000) / mid), 6.0);
    EXPECT_LT(10.0 * std::log10(PowerAt(channel, 1108.73, 24000) / mid), -3.0);
  }
}

TEST(HostedRunTest, ArdourBouncesAndExportsLandAnAutomatedStepAtItsTimeAndApplyANewModeAfterABounce) {
#ifdef QVX_SANITIZED_MODULES
  GTEST_SKIP() << "sanitized modules load only into sanitized processes";
#endif
  if (const char* tool = MissingArdourTool()) GTEST_SKIP() << tool << " is not installed (apt-get install ardour)";
  ArdourFolder folder;
  const std::string& dir = folder.Dir();
  std::string output;
  ASSERT_TRUE(folder.ScanFullEdition(output)) << output;
  std::filesystem::create_directories(dir + "/config/ardour7/export");
  std::ofstream(dir + "/config/ardour7/export/float.preset") << kFloatExportPreset;
  std::ofstream(dir + "/step.lua") << kArdourStepScript;
  // Three sessions export once each, and a fourth bounces three times, then
  // takes Maximum and exports: each of the exporter's runs risks its death,
  // so a session exports as few times as it can.
  StepRun runs[4];
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(RunStepScript(folder, "export", "export", runs[i]));
  ASSERT_TRUE(RunStepScript(folder, "bounces", "maximum", runs[3]));
  const StepRun& bounces = runs[3];
  ASSERT_EQ(bounces.renders.size(), 4u);

  // The command-line host's renders of the bouncing session's input with
  // the curve raised, in Medium and in Maximum.
  AudioBuffer reference[2];
  for (int mode = 0; mode < 2; ++mode) {
    TempConfigFolder prefs;
    PluginHost host;
    ASSERT_TRUE(host.Load(QVX2_MASTER_PLUGIN)) << host.Error();
    host.Start(kRate, 1024);
    for (int p = 0; p < 120; ++p) ASSERT_TRUE(host.SetParameter(p, 1.0f));
    if (mode == 1) {
      ASSERT_TRUE(host.SetParameter(kQvx2QualityRating, 80.0f / 999.0f));
    }
    host.IdleFor(200);
    ASSERT_EQ(host.Latency(), mode == 1 ? kMaximumLatency : kMediumLatency);
    RenderOptions options;
    options.compensateLatency = true;
    RenderStats stats;
    std::string error;
    ASSERT_TRUE(RenderOffline(host, bounces.input, options, reference[mode], stats, error)) << error;
  }

  // Where the step lands in each render: where its level (its input's
  // while the curve is flat) has risen halfway, in dB, to that of the
  // raised curve as the reference renders it.
  const double riseDb = LevelDb(reference[0], 5.0, 5.9) - LevelDb(bounces.input, 5.0, 5.9);
  ASSERT_GT(riseDb, 10.0);
  std::ostringstream table;
  std::vector<double> bounceTimes;
  for (const StepRun& run : runs) {
    const double halfwayDb = LevelDb(run.input, 1.0, 3.5) + 0.5 * riseDb;
    for (const StepRender& r : run.renders) {
      const double landed = LandingSeconds(r.audio, halfwayDb);
      table << "\n  " << r.kind << " landed at " << landed << " s (nan: not by 6 s), latency " << r.latency;
      if (r.kind == "maximum") continue;
      EXPECT_EQ(r.latency, kMediumLatency) << r.kind;
      EXPECT_TRUE(landed >= 3.95 && landed <= 4.15) << r.kind << " landed at " << landed << " s";
      if (r.kind == "bounce") bounceTimes.push_back(landed);
    }
  }
  std::cout << "a step of " << riseDb << " dB:" << table.str() << std::endl;
  ASSERT_EQ(bounceTimes.size(), 3u);
  const auto [first, last] = std::minmax_element(bounceTimes.begin(), bounceTimes.end());
  EXPECT_LE(*last - *first, 0.025) << "the bounces landed from " << *first << " to " << *last << " s";
  // With the editor closed and the transport stopped, Ardour reads the
  // plug-in's new latency within its process cycles, and the next export
  // renders in Maximum.
  EXPECT_EQ(bounces.waitedLatency, kMaximumLatency)
      << "Ardour still reads latency " << bounces.waitedLatency << " after " << bounces.waitedCycles << " cycles";
  const AudioBuffer& maximum = bounces.renders.back().audio;
  const double nullMedium = NullDb(maximum, reference[0], 5.0, 5.9);
  const double nullMaximum = NullDb(maximum, reference[1], 5.0, 5.9);
  EXPECT_LT(nullMaximum, nullMedium - 20.0) << "the export after Maximum was set nulls " << nullMaximum
                                            << " dB against Maximum, " << nullMedium << " dB against Medium";
}
