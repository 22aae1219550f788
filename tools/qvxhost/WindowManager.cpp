#include "tools/qvxhost/WindowManager.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tools/qvxhost/HostX11.h"

extern char** environ;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(5);

}  // namespace

bool HostWindowManager::Start(const std::string& program, XConnection& display, std::string& error) {
  const bool running = display.WindowManagerRunning();
  if (program == "auto" && running) {
    m_Description = "the window manager that runs on the display";
    return true;
  }
  const std::string name = program == "auto" ? kDefaultProgram : program;
  if (running) {
    error = "cannot start " + name + ": a window manager already runs on the display (try --wm auto)";
    return false;
  }
  // Its messages are its own: the host's output stays the host's.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(name.c_str()), nullptr};
  const int failed = posix_spawnp(&m_Pid, name.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    m_Pid = -1;
    error = "cannot start the window manager " + name;
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!display.WindowManagerRunning()) {
    int status = 0;
    if (::waitpid(m_Pid, &status, WNOHANG) == m_Pid) {
      m_Pid = -1;
      error = "the window manager " + name + " ended at once" +
              (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? " (is it installed?)" : "");
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Stop();
      error = "the window manager " + name + " did not take the screen within 5 s";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  // Ready once it has framed a window: until then it may drop requests.
  bool framed = false;
  if (const unsigned long probe = display.CreateWindow(0, 0, 1, 1, "qvxhost: probe", &framed))
    display.DestroyWindow(probe);
  if (!framed) {
    Stop();
    error = "the window manager " + name + " framed no window within 5 s";
    return false;
  }
  m_Description = name + " (started by the host)";
  return true;
}

void HostWindowManager::Stop() {
  if (m_Pid <= 0) return;
  ::kill(m_Pid, SIGTERM);
  ::waitpid(m_Pid, nullptr, 0);
  m_Pid = -1;
}
