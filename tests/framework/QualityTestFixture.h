// Shared set-up of the quality and idle tests: a private preferences folder,
// an injected millisecond clock, a recording host and the host identity.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/HostInfo.h"
#include "framework/QualityTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace fxtest {

inline std::atomic<unsigned>& TestNow() {
  static std::atomic<unsigned> now{1000000};
  return now;
}
inline unsigned TestClock() { return TestNow().load(); }
// The same clock for the render judgement, in microseconds.
inline int64_t TestClockUs() { return int64_t{TestNow().load()} * 1000; }

class QualityTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    TestNow() = 1000000;
    SetTickCountSourceForTesting(&TestClock);
    g_eRecognisedHost = kHostUnknown;
    HostLog::Get().Reset();
    // Blocks a test processes come from a host playing in real time.
    HostLog::Get().m_nProcessLevel = kVstProcessLevelRealtime;
  }
  void TearDown() override {
    SetTickCountSourceForTesting(nullptr);
    g_eRecognisedHost = kHostUnknown;
  }

  static void Advance(unsigned ms) { TestNow() += ms; }
  static std::vector<HostCall> IOChanges() { return HostLog::Get().CallsOf(audioMasterIOChanged); }
  // One processed block, stamped with the current test time.
  static void ProcessBlock(QualityTestEffect& fx) {
    float in[2][16] = {}, out[2][16] = {};
    float* ins[2] = {in[0], in[1]};
    float* outs[2] = {out[0], out[1]};
    fx.processReplacing(ins, outs, 16);
  }
  // An idle pass after audio has been quiet long enough.
  static void QuietIdle(QualityTestEffect& fx) {
    Advance(600);
    fx.fxIdle();
  }
  static float RatingValue(int rating) { return static_cast<float>(rating) / 999.0f; }

  TempConfigFolder m_Prefs;
};

}  // namespace fxtest
