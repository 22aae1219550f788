// Both plug-in modules as hosts run them: the command-line host renders
// through them, and Ardour's VST2 scanner (when installed) reads them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
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
  struct stat info {};
  if (::stat(scanner, &info) != 0) GTEST_SKIP() << "Ardour's VST scanner is not installed (apt-get install ardour)";
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
