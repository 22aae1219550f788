// A virtual X server (Xvfb) of a test's own. It picks a free display itself
// and reports its number once it takes connections, so tests running side by
// side share no pointer, focus, grab, window or server reset. The server
// ends (and is waited for) with the object.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

extern char** environ;

class XvfbServer {
 public:
  // `screen` as Xvfb takes it: "WIDTHxHEIGHTxDEPTH".
  explicit XvfbServer(const char* screen) {
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset",
                          "-screen", "0", screen, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool spawned =
        posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    if (spawned) {
      const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
      char c = 0;
      while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
      }
    }
    close(fds[0]);
    if (number.empty()) {
      if (spawned) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
      }
      return;
    }
    m_Pid = pid;
    m_Display = ":" + number;
  }
  ~XvfbServer() {
    if (m_Pid <= 0) return;
    kill(m_Pid, SIGTERM);
    waitpid(m_Pid, nullptr, 0);
  }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return m_Pid > 0; }
  // ":N", or empty when no server runs (no Xvfb installed).
  const std::string& DisplayName() const { return m_Display; }
  // "DISPLAY=:N" for a command's environment, or empty.
  std::string Env() const { return Running() ? "DISPLAY=" + m_Display : std::string(); }

 private:
  static constexpr std::chrono::seconds kStartLimit{20};

  pid_t m_Pid = 0;
  std::string m_Display;
};
