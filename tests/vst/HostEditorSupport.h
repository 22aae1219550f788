// The qvxhost program's editor mode in tests: a virtual X server of the
// test's own and the screenshots it saves.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "HostRunSupport.h"
#include "XvfbServer.h"

// The screenshot's pixels; width 0 when it cannot be read.
struct Png {
  explicit Png(const std::string& path) : surface(cairo_image_surface_create_from_png(path.c_str())) {
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      width = cairo_image_surface_get_width(surface);
      height = cairo_image_surface_get_height(surface);
    }
  }
  ~Png() { cairo_surface_destroy(surface); }
  uint32_t At(long x, long y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
  }
  cairo_surface_t* surface;
  int width = 0, height = 0;
};

// Runs the editor mode with noise playing on a virtual X server of the
// test's own; skipped where no server can be started.
template <class Base = ::testing::Test>
class EditorHostTest : public Base {
 protected:
  explicit EditorHostTest(const char* screen = "1280x1024x24") : server(screen) {}
  void SetUp() override {
    if (server.Env().empty()) GTEST_SKIP() << "no virtual X server (Xvfb)";
  }
  // `env`: more assignments for the program's environment (" NAME=VALUE").
  RunResult RunEditor(const std::string& module, const std::string& args, const std::string& env = "") {
    return RunHost(module + " --editor --signal noise " + args, server.Env() + env);
  }
  XvfbServer server;
};
