// Both plug-in modules as hosts run them: the command-line host renders
// through them, Ardour's VST2 scanner (when installed) reads them, and an
// Ardour session saved with a curve renders with it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
  const char* scanner = "/usr/lib/ardour7/ardour-vst-scanner";
  for (const char* tool : {scanner, "/usr/bin/ardour7-lua", "/usr/bin/ardour7-export"})
    if (!Installed(tool)) GTEST_SKIP() << tool << " is not installed (apt-get install ardour)";
  TempConfigFolder home;  // Ardour's and the plug-in's settings, caches and the session
  namespace fs = std::filesystem;
  const std::string dir = home.Path();
  fs::create_directories(dir + "/vst");
  fs::copy_file(QVX2_MASTER_PLUGIN, dir + "/vst/QVX2Master.so");
  // Ardour takes the scanner's cache only when it is newer than the module
  // by its clock of seconds.
  fs::last_write_time(dir + "/vst/QVX2Master.so", fs::file_time_type::clock::now() - std::chrono::hours(1));
  // Ardour's settings, caches and plug-in paths all inside the test's folder;
  // a program that hangs is ended (timeout) and fails the test.
  const std::string env = "HOME='" + dir + "' XDG_CONFIG_HOME='" + dir + "/config' XDG_CACHE_HOME='" + dir +
                          "/cache' LXVST_PATH='" + dir + "/vst' ";
  std::string output;
  ASSERT_EQ(RunCommand("timeout 60 env " + env + "LD_LIBRARY_PATH=/usr/lib/ardour7 " + scanner + " -f '" + dir +
                           "/vst/QVX2Master.so' 2>&1",
                       output),
            0)
      << output;
  std::ofstream(dir + "/make.lua") << kArdourSessionScript;
  RunCommand("timeout 60 env " + env + "ardour7-lua '" + dir + "/make.lua' '" + dir + "/session' 2>&1", output);
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

  // Under load this version's exporter now and then hangs before the first
  // block, its main thread waiting for the butler (no thread in the
  // plug-in): it is given 20 s and tried up to three times, while a hang of
  // the plug-in's own would hang every try.
  const std::string wav = dir + "/export.wav";
  const std::string exportCommand =
      "timeout 20 env " + env + "ardour7-export -b float -o '" + wav + "' '" + dir + "/session' session 2>&1";
  int status = 124;
  for (int attempt = 0; attempt < 3 && status == 124; ++attempt) status = RunCommand(exportCommand, output);
  ASSERT_EQ(status, 0) << output;
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
