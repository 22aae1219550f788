// qvxhost: a command-line VST 2.4 host. Every failure ends with one line on
// standard error and a non-zero exit: 2 for bad arguments, 1 otherwise.
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/EditorSession.h"
#include "tools/qvxhost/HostX11.h"
#include "tools/qvxhost/Options.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/Render.h"
#include "tools/qvxhost/Sweep.h"

namespace {

int Fail(const std::string& message, int code = 1) {
  std::fprintf(stderr, "qvxhost: error: %s\n", message.c_str());
  return code;
}

void PrintInfo(const HostOptions& o, PluginHost& host) {
  const EffectInfo i = host.QueryInfo();
  std::printf("plug-in:        %s\n", o.pluginPath.c_str());
  std::printf("magic:          %s\n", FourCCText(i.magic).c_str());
  std::printf("effect name:    %s\n", i.effectName.c_str());
  std::printf("vendor:         %s\n", i.vendor.c_str());
  std::printf("product:        %s\n", i.product.c_str());
  std::printf("vendor version: %d\n", i.vendorVersion);
  std::printf("VST version:    %d\n", i.vstVersion);
  std::printf("category:       %d\n", i.category);
  std::printf("unique id:      %s\n", FourCCText(i.uniqueID).c_str());
  std::printf("version:        %d\n", i.version);
  std::printf("flags:          %d (%s)\n", i.flags, FlagsText(i.flags).c_str());
  std::printf("programs:       %d\n", i.numPrograms);
  std::printf("parameters:     %d\n", i.numParams);
  std::printf("inputs:         %d\n", i.numInputs);
  std::printf("outputs:        %d\n", i.numOutputs);
  std::printf("latency:        %d\n", i.initialDelay);
}

// `prefix` names the instance when there are several.
void PrintParameters(PluginHost& host, const std::string& prefix = "") {
  std::printf("%s%5s  %-24s %-8s %-12s %s\n", prefix.c_str(), "index", "name", "label", "display", "value");
  for (const ParameterInfo& p : host.QueryParameters())
    std::printf("%s%5d  %-24s %-8s %-12s %.6g\n", prefix.c_str(), p.index, p.name.c_str(), p.label.c_str(),
                p.display.c_str(), static_cast<double>(p.value));
}

void PrintPrograms(PluginHost& host) {
  const std::vector<std::string> names = host.QueryProgramNames();
  for (size_t i = 0; i < names.size(); ++i) std::printf("program %3zu: %s\n", i, names[i].c_str());
}

// True for an automation or edit request whose index is no parameter of
// the effect: hosts use that index unchecked.
bool IndexOutsideParameters(const PluginHost& host, const HostCall& call) {
  const bool indexed = call.opcode == audioMasterAutomate || call.opcode == audioMasterBeginEdit ||
                       call.opcode == audioMasterEndEdit;
  const int numParams = host.Effect() ? host.Effect()->numParams : 0;
  return indexed && (call.index < 0 || call.index >= numParams);
}

int CountOutOfRange(const PluginHost& host) {
  int n = 0;
  for (const HostCall& call : host.Log()) n += IndexOutsideParameters(host, call) ? 1 : 0;
  return n;
}

// `prefix` names the instance when there are several.
void PrintLog(PluginHost& host, const std::string& prefix = "") {
  const std::vector<HostCall> log = host.Log();
  for (const HostCall& call : log)
    std::printf("%shost call: %s (%s thread, %.1f ms)%s\n", prefix.c_str(), DescribeHostCall(call).c_str(),
                HostThreadName(call.thread), call.ms,
                IndexOutsideParameters(host, call) ? "  [index outside the parameters]" : "");
  std::printf("%shost calls: %zu, with an index outside the parameters: %d\n", prefix.c_str(), log.size(),
              CountOutOfRange(host));
}

void PrintStats(const RenderStats& s, double rate, int pass, int passes) {
  if (passes > 1) std::printf("pass %d of %d\n", pass + 1, passes);
  std::printf("frames:           %lld in %lld blocks at %g Hz\n", static_cast<long long>(s.frames),
              static_cast<long long>(s.blocks), rate);
  std::printf("process time:     %.6f s\n", s.processSeconds);
  std::printf("real-time factor: %.2f\n", s.realTimeFactor);
  std::printf("mean block:       %.2f us\n", s.meanBlockUs);
  std::printf("worst block:      %.2f us\n", s.worstBlockUs);
  std::printf("idle time:        %.6f s\n", s.idleSeconds);
}

bool ApplySettings(const HostOptions& o, PluginHost& host, std::string& error) {
  const AEffect* e = host.Effect();
  for (const HostOptions::Setting& s : o.settings) {
    if (s.isProgram) {
      if (!host.SetProgram(s.index)) {
        error = "program " + std::to_string(s.index) + " is outside the effect's " + std::to_string(e->numPrograms) +
                " programs";
        return false;
      }
    } else if (!host.SetParameter(s.index, s.value)) {
      error = "parameter " + std::to_string(s.index) + " is outside the effect's " + std::to_string(e->numParams) +
              " parameters";
      return false;
    }
  }
  return true;
}

// Loads, starts and sets up a host; used for the main host and for the
// fresh hosts of an edit measurement.
bool Prepare(const HostOptions& o, double rate, PluginHost& host, std::string& error) {
  if (!host.Load(o.pluginPath)) {
    error = host.Error();
    return false;
  }
  host.Start(rate, o.render.blocks.MaxSize());
  if (!ApplySettings(o, host, error)) return false;
  if (o.settleMs > 0.0) host.IdleFor(o.settleMs);
  return true;
}

// What the sweep's child process leaves for the parent: the call it was
// making, and why it failed when it did.
struct SharedSweep {
  SweepProgress progress;
  char failure[256];
};

// The sweep's child process: sweeps, checks that the effect still renders
// finite audio and that it sent the host no edit with an index outside its
// parameters, prints the report. Answers the exit code.
int SweepChild(const HostOptions& o, PluginHost& host, SharedSweep* shared) {
  auto fail = [&](const std::string& why) {
    std::snprintf(shared->failure, sizeof shared->failure, "%s", why.c_str());
    return 1;
  };
  SweepReport report;
  std::string error;
  if (!SweepOpcodes(host, o.sweepFrom, o.sweepTo, report, error, &shared->progress)) return fail(error);
  AudioBuffer noise, output;
  RenderStats stats;
  RenderOptions options = o.render;
  options.edits.clear();
  if (!MakeTestSignal("noise", std::max(1, host.Effect()->numInputs), host.SampleRate(), 0.1, noise, error) ||
      !RenderOffline(host, noise, options, output, stats, error))
    return fail("after the sweep: " + error);
  bool finite = true;
  for (const auto& ch : output.channels)
    for (float v : ch) finite = finite && std::isfinite(v);
  const int outOfRange = CountOutOfRange(host);
  std::printf("sweep: opcodes %d..%d, %lld dispatcher calls, %lld parameter calls\n", o.sweepFrom, o.sweepTo,
              static_cast<long long>(report.dispatcherCalls), static_cast<long long>(report.parameterCalls));
  std::printf("sweep: opcodes answering non-zero:");
  for (int op : report.answeringOpcodes) std::printf(" %d", op);
  std::printf("\nsweep: host calls: %zu, with an index outside the parameters: %d\n", host.Log().size(), outOfRange);
  std::printf("sweep: the effect %s afterwards\n", finite ? "still renders finite audio" : "renders non-finite audio");
  std::fflush(stdout);
  if (!finite) return fail("after the sweep the effect renders non-finite audio");
  if (outOfRange > 0)
    return fail("during the sweep the plug-in sent the host " + std::to_string(outOfRange) +
                " edits with an index outside its parameters");
  return 0;
}

// Runs the sweep in a child process, so that an effect that crashes on an
// odd request is reported with that request instead of taking the host
// down. The parent's effect is left untouched by the sweep.
bool RunSweepIsolated(const HostOptions& o, PluginHost& host, std::string& error) {
  std::fflush(stdout);
  std::fflush(stderr);
  void* memory = ::mmap(nullptr, sizeof(SharedSweep), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    error = "cannot map memory for the sweep";
    return false;
  }
  auto* shared = new (memory) SharedSweep();
  const pid_t child = ::fork();
  if (child < 0) {
    ::munmap(memory, sizeof(SharedSweep));
    error = "cannot start the sweep process";
    return false;
  }
  if (child == 0) {
    const int code = SweepChild(o, host, shared);
    std::fflush(stdout);
    _exit(code);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const SweepProgress last = shared->progress;
  shared->failure[sizeof shared->failure - 1] = 0;
  const std::string failure = shared->failure;
  ::munmap(memory, sizeof(SharedSweep));
  if (WIFSIGNALED(status)) {
    error = "the plug-in crashed (signal " + std::to_string(WTERMSIG(status)) + ") during the sweep at " +
            DescribeSweepProgress(last);
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = !failure.empty() ? failure : "the sweep ended early at " + DescribeSweepProgress(last);
    return false;
  }
  return true;
}

// The editor mode on the loaded host and the further instances it asks for.
int RunEditor(const HostOptions& o, double rate, const std::vector<ScriptStep>& steps, const AudioBuffer& input,
              PluginHost& host) {
  std::string error;
  std::vector<std::unique_ptr<PluginHost>> more;
  std::vector<PluginHost*> hosts{&host};
  for (int i = 1; i < o.instances; ++i) {
    more.emplace_back(new PluginHost(o.host));
    if (!Prepare(o, rate, *more.back(), error)) return Fail(error);
    hosts.push_back(more.back().get());
  }
  const bool ok = RunEditorSession(o, hosts, steps, input, error);
  for (size_t i = 0; i < hosts.size(); ++i) {
    const std::string prefix = hosts.size() > 1 ? "instance " + std::to_string(i + 1) + ": " : "";
    if (o.params) PrintParameters(*hosts[i], prefix);  // as the script left them
    if (o.log) PrintLog(*hosts[i], prefix);
  }
  return ok ? 0 : Fail(error);
}

int Run(const HostOptions& o) {
  AudioBuffer input;
  double rate = o.sampleRate;
  std::string error;
  std::vector<ScriptStep> steps;
  if (o.editor) {
    // Before the plug-in loads: it may make X requests from its start.
    InstallHostErrorHandler();
    int code = 1;
    if (!LoadEditorScript(o, steps, error, code)) return Fail(error, code);
  }
  if (!o.inputPath.empty() && !ReadAudioFile(o.inputPath, input, rate, error)) return Fail(error);

  PluginHost host(o.host);
  if (!Prepare(o, rate, host, error)) return Fail(error);

  if (o.info) PrintInfo(o, host);
  if (o.params && !o.editor) PrintParameters(host);
  if (o.programs) PrintPrograms(host);

  if (o.sweep && !RunSweepIsolated(o, host, error)) return Fail(error);

  if ((o.renderAsked || o.measureEdit || o.editor) && o.inputPath.empty() &&
      !MakeTestSignal(o.signal, std::max(1, host.Effect()->numInputs), rate, o.seconds, input, error))
    return Fail(error, 2);
  if (o.editor) return RunEditor(o, rate, steps, input, host);

  // A measurement alone renders only its own two passes.
  const bool renderMain = o.renderAsked && !(o.measureEdit && !o.bench && o.outputPath.empty());
  if (renderMain) {
    AudioBuffer output;
    for (int pass = 0; pass < o.repeat; ++pass) {
      RenderOptions options = o.render;
      if (o.measureEdit) options.edits.clear();  // the measurement renders its own
      RenderStats stats;
      RealtimeTrace trace;
      const bool ok = o.realtime ? RenderRealtime(host, input, options, output, stats, trace, error)
                                 : RenderOffline(host, input, options, output, stats, error);
      if (!ok) return Fail(error);
      if (o.bench) PrintStats(stats, rate, pass, o.repeat);
    }
    if (!o.outputPath.empty() && !WriteWavFile(o.outputPath, output, rate, error)) return Fail(error);
  }

  if (o.measureEdit) {
    EditResponse response;
    auto prepare = [&](PluginHost& fresh, std::string& why) { return Prepare(o, rate, fresh, why); };
    if (!MeasureEditResponse(prepare, o.host, input, o.render, o.threshold, response, error)) return Fail(error);
    if (response.changed)
      std::printf("edit to audio: %.2f ms wall clock, %.2f ms of audio (edit at frame %lld, change at %lld)\n",
                  response.wallMs, response.audioMs, static_cast<long long>(response.editFrame),
                  static_cast<long long>(response.changeFrame));
    else
      std::printf("edit to audio: no change in the output after the edit at frame %lld\n",
                  static_cast<long long>(response.editFrame));
  }

  if (o.log) PrintLog(host);
  host.Close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  HostOptions options;
  std::string error;
  if (!ParseHostOptions(args, options, error)) return Fail(error, 2);
  if (options.help) {
    std::fputs(HostUsage(), stdout);
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    return Fail(std::string("unexpected failure: ") + e.what());
  }
}
