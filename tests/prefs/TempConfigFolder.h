// Points the preference store at a fresh temporary folder for one test and
// removes it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

class TempConfigFolder {
 public:
  TempConfigFolder() {
    char pattern[] = "/tmp/qvx-prefs-XXXXXX";
    const char* made = mkdtemp(pattern);
    m_Path = made ? made : "";
    const char* old = std::getenv("XDG_CONFIG_HOME");
    m_bHadOld = old != nullptr;
    if (old) m_Old = old;
    setenv("XDG_CONFIG_HOME", m_Path.c_str(), 1);
  }
  ~TempConfigFolder() {
    if (m_bHadOld) setenv("XDG_CONFIG_HOME", m_Old.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ec);
  }
  TempConfigFolder(const TempConfigFolder&) = delete;
  TempConfigFolder& operator=(const TempConfigFolder&) = delete;

  const std::string& Path() const { return m_Path; }

 private:
  std::string m_Path;
  std::string m_Old;
  bool m_bHadOld = false;
};
