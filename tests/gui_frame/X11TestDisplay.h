// The X server of the tests that need a real one. Each test process starts
// its own virtual server (Xvfb) on first use and ends it at exit, and points
// DISPLAY at it, so the code under test connects there too: tests running
// side by side share no pointer, focus, grab, window or server reset.
//
// Requests of two connections are not ordered against each other, so what
// a test checks through its own connection after the code under test acted
// through another is waited for (Eventually), never slept for.
#pragma once

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace x11test {

// The longest a test waits for something it asserts to come true.
constexpr std::chrono::seconds kPatience{20};

// Polls `done` (every few milliseconds) until it holds; false when it still
// does not after kPatience.
template <typename Done>
bool Eventually(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

class PrivateServer {
 public:
  static PrivateServer& Get() {
    static PrivateServer s_Server;
    return s_Server;
  }
  bool Running() const { return m_Pid > 0; }

  ~PrivateServer() {
    if (m_Pid <= 0) return;
    kill(m_Pid, SIGTERM);
    int status = 0;
    waitpid(m_Pid, &status, 0);
  }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

 private:
  // The server picks a free display itself and writes its number to the
  // pipe once it takes connections.
  PrivateServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset",
                          "-screen", "0", "1024x768x24", nullptr};
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
      const auto deadline = std::chrono::steady_clock::now() + kPatience;
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
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }

  pid_t m_Pid = 0;
};

}  // namespace x11test

// The test's own connection to this process's server; null when no server
// could be started (no Xvfb installed).
inline Display* OpenTestDisplay() {
  if (!x11test::PrivateServer::Get().Running()) return nullptr;
  return XOpenDisplay(nullptr);
}
