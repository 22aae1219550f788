// Counts every allocation of the test program while counting is switched on,
// so a test can show that a real-time path allocates nothing. Include it in
// exactly one source file of a test program: it replaces the global operator
// new and delete.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

// The replacement allocator pairs malloc with free throughout; the compiler
// cannot see that operator delete only ever receives its own blocks.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace alloccount {
inline std::atomic<bool> g_bCounting{false};
inline std::atomic<long> g_nAllocations{0};

// Counts the allocations made while it lives.
class CScope {
 public:
  CScope() {
    g_nAllocations = 0;
    g_bCounting = true;
  }
  ~CScope() { g_bCounting = false; }
  CScope(const CScope&) = delete;
  CScope& operator=(const CScope&) = delete;
  long Count() const { return g_nAllocations.load(); }
};
}  // namespace alloccount

void* operator new(std::size_t size) {
  if (alloccount::g_bCounting.load(std::memory_order_relaxed)) alloccount::g_nAllocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
