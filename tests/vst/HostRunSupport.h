// Runs the qvxhost program as a user does and collects what it prints.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct RunResult {
  int exitCode = -1;
  std::string out, err;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// `env`: assignments put before the program ("DISPLAY=:3").
inline RunResult RunHost(const std::string& args, const std::string& env = "") {
  // Tests run in parallel processes: each run has files of its own.
  static int s_nRun = 0;
  const std::string stem = testing::TempDir() + "qvxhost_" + std::to_string(::getpid()) + "_" + std::to_string(++s_nRun);
  const std::string outPath = stem + ".out", errPath = stem + ".err";
  const std::string command =
      env + (env.empty() ? "" : " ") + std::string(QVX_HOST_PROGRAM) + " " + args + " >" + outPath + " 2>" + errPath;
  const int status = std::system(command.c_str());
  RunResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return r;
}

// Occurrences of `what` in `text`.
inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

inline int Lines(const std::string& text) { return Count(text, "\n"); }
