// For the tests of the qvxhost program's editor mode.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

// A virtual X server that picks a free display number itself and reports
// it, so that no other test moves this one's pointer.
class OwnXServer {
 public:
  explicit OwnXServer(const char* screen = "800x600x24") {
    int fds[2];
    if (::pipe(fds) != 0) return;
    m_Pid = ::fork();
    if (m_Pid == 0) {
      ::close(fds[0]);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char c = 0;
    std::string number;
    while (m_Pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) m_Display = "DISPLAY=:" + number;
  }
  ~OwnXServer() {
    if (m_Pid <= 0) return;
    ::kill(m_Pid, SIGTERM);
    ::waitpid(m_Pid, nullptr, 0);
  }
  // "DISPLAY=:N", or empty when no server started.
  const std::string& Env() const { return m_Display; }

 private:
  pid_t m_Pid = -1;
  std::string m_Display;
};
