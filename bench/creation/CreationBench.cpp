// What creating effects costs, as a host that loads a session or a scanner
// pays it: for each module, in a process of its own (so that the module's
// one-time costs, its load and static set-up, count for it), N instances
// created and started one after another (VSTPluginMain, effOpen, sample rate
// 48 kHz, block size 512, resume). Prints the process's processor time, all
// its threads together: for the first instance, for all N at the last
// resume, and settled, once the threads the effects started have gone quiet
// after it (work moved from the host's call to a thread of the plug-in's
// own still counts). The best of several runs counts:
//   creation_bench [--instances N] [--runs R] MODULE.so...
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/qvxhost/PluginHost.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

double ProcessMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

struct CFigures {
  double firstMs = 0.0;    // the first instance, the module's load included
  double allMs = 0.0;      // all instances, at the last resume
  double settledMs = 0.0;  // all instances, once the process is quiet
};

// Waits until the process spends less than a millisecond of processor time
// in 100 ms of wall clock (at most 5 s); its processor time then.
double SettledMs() {
  double last = ProcessMs();
  for (int i = 0; i < 50; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double now = ProcessMs();
    if (now - last < 1.0) return now;
    last = now;
  }
  return last;
}

// In the child: creates and starts the instances and writes the figures to
// the pipe; the exit code says whether they all loaded.
int MeasureInChild(const char* module, int instances, int out) {
  std::vector<std::unique_ptr<PluginHost>> hosts;
  CFigures figures;
  const double start = ProcessMs();
  for (int i = 0; i < instances; ++i) {
    hosts.emplace_back(new PluginHost);
    if (!hosts.back()->Load(module)) {
      std::fprintf(stderr, "creation_bench: %s\n", hosts.back()->Error().c_str());
      return 1;
    }
    hosts.back()->Start(kRate, kBlock);
    if (i == 0) figures.firstMs = ProcessMs() - start;
  }
  figures.allMs = ProcessMs() - start;
  figures.settledMs = SettledMs() - start;
  const bool written = ::write(out, &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures);
  for (auto& host : hosts) host->Close();
  return written ? 0 : 1;
}

bool MeasureOnce(const char* module, int instances, CFigures& figures) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::close(fds[0]);
    const int code = MeasureInChild(module, instances, fds[1]);
    std::fflush(nullptr);
    ::_exit(code);
  }
  ::close(fds[1]);
  ssize_t got = 0;
  do got = ::read(fds[0], &figures, sizeof figures);
  while (got < 0 && errno == EINTR);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return got == static_cast<ssize_t>(sizeof figures) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv) {
  int instances = 16;
  int runs = 5;
  std::vector<const char*> modules;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--instances") == 0 && i + 1 < argc)
      instances = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else
      modules.push_back(argv[i]);
  }
  if (modules.empty() || instances < 1 || runs < 1) {
    std::fprintf(stderr, "usage: creation_bench [--instances N] [--runs R] MODULE.so...\n");
    return 2;
  }
  std::printf("%d instances created and started in turn (48 kHz, 512 frames), one process per run;\n", instances);
  std::printf("processor time of the process in ms, best of %d runs\n\n", runs);
  std::printf("| %-36s | %14s | %14s | %14s |\n", "module", "first instance", "all, at resume", "all, settled");
  std::printf("|%s|%s|%s|%s|\n", std::string(38, '-').c_str(), std::string(16, '-').c_str(),
              std::string(16, '-').c_str(), std::string(16, '-').c_str());
  int failures = 0;
  for (const char* module : modules) {
    CFigures best;
    bool any = false;
    for (int r = 0; r < runs; ++r) {
      CFigures figures;
      if (!MeasureOnce(module, instances, figures)) continue;
      if (!any || figures.settledMs < best.settledMs) best = figures;
      any = true;
    }
    if (!any) {
      std::printf("| %-36s | %14s | %14s | %14s |\n", BaseName(module), "failed", "", "");
      ++failures;
      continue;
    }
    std::printf("| %-36s | %14.1f | %14.1f | %14.1f |\n", BaseName(module), best.firstMs, best.allMs, best.settledMs);
  }
  return failures == 0 ? 0 : 1;
}
