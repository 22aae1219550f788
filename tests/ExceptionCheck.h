// Exceptions that the code under test catches and swallows (HandleException)
// are faults the tests must see. Every test program fails a test during
// which the process's count of swallowed exceptions rose, unless the test
// provokes them on purpose and says so by holding a
// CExpectSwallowedExceptions over the calls that do.
#pragma once

class CExpectSwallowedExceptions {
 public:
  CExpectSwallowedExceptions();
  ~CExpectSwallowedExceptions();
  CExpectSwallowedExceptions(const CExpectSwallowedExceptions&) = delete;
  CExpectSwallowedExceptions& operator=(const CExpectSwallowedExceptions&) = delete;

  // Exceptions swallowed (on any thread) since this scope began.
  unsigned long Count() const;

 private:
  unsigned long m_nStart;
};

// Runs `f` within such a scope: the exceptions swallowed meanwhile.
template <typename F>
unsigned long SwallowedBy(F&& f) {
  const CExpectSwallowedExceptions scope;
  f();
  return scope.Count();
}
