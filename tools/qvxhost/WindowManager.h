// A window manager for the editor mode, so that the host's windows are
// framed and focused as on a user's desktop: one already running, or a
// program the host starts on the display and stops again at the end.
#pragma once

#include <string>

#include <sys/types.h>

class XConnection;

class HostWindowManager {
 public:
  // The program `auto` stands for when no window manager runs.
  static constexpr const char* kDefaultProgram = "openbox";

  HostWindowManager() = default;
  ~HostWindowManager() { Stop(); }
  HostWindowManager(const HostWindowManager&) = delete;
  HostWindowManager& operator=(const HostWindowManager&) = delete;

  // `program` "auto" takes the window manager that runs, or starts the
  // default one; any other program is started (looked up on PATH) and must
  // be the only one. Waits up to five seconds until it manages the screen.
  // False with `error` set; `description` says what now manages the screen.
  bool Start(const std::string& program, XConnection& display, std::string& error);
  const std::string& Description() const { return m_Description; }
  // Ends a window manager this host started and waits for it.
  void Stop();

 private:
  pid_t m_Pid = -1;
  std::string m_Description;
};
