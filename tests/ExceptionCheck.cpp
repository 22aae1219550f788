#include "ExceptionCheck.h"

#include <gtest/gtest.h>

#include <atomic>

#include "Helpers/Assert.h"

namespace {

// Scopes nest; only the outermost one's span is excused.
std::atomic<int> g_nScopeDepth{0};
std::atomic<unsigned long> g_nScopeStart{0};
// Swallowed within scopes since the test began.
std::atomic<unsigned long> g_nExcused{0};

class CSwallowedExceptionCheck : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    g_nExcused = 0;
    m_nStart = HandledExceptionCount();
  }
  // Runs before the result is printed, while failures still count for the
  // test (listeners hear of a test's end in reverse order of their adding).
  void OnTestEnd(const ::testing::TestInfo&) override {
    const unsigned long swallowed = HandledExceptionCount() - m_nStart;
    const unsigned long excused = g_nExcused.load();
    if (swallowed > excused)
      ADD_FAILURE() << swallowed - excused
                    << " exception(s) caught and swallowed by the code under test (HandleException) outside a "
                       "CExpectSwallowedExceptions scope";
  }

 private:
  unsigned long m_nStart = 0;
};

const bool g_bInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new CSwallowedExceptionCheck);
  return true;
}();

}  // namespace

CExpectSwallowedExceptions::CExpectSwallowedExceptions() : m_nStart(HandledExceptionCount()) {
  if (g_nScopeDepth.fetch_add(1) == 0) g_nScopeStart = m_nStart;
}

CExpectSwallowedExceptions::~CExpectSwallowedExceptions() {
  if (g_nScopeDepth.fetch_sub(1) == 1) g_nExcused += HandledExceptionCount() - g_nScopeStart.load();
}

unsigned long CExpectSwallowedExceptions::Count() const { return HandledExceptionCount() - m_nStart; }
