#include "Helpers/Assert.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <thread>

#include "platform/Debugger.h"

XR_REGISTER_SOURCE_FILE("Helpers/Assert");

void HandleException(const char*) {}

namespace {
std::atomic<bool> g_bXR_IgnoreAsserts{false};
std::atomic<TickCountSource> g_TickCountSource{nullptr};
}  // namespace

bool AssertionFailed(const char* file, int line, const char* function, const char* expression) {
  if (g_bXR_IgnoreAsserts.exchange(true)) return false;
  char text[1024];
  std::snprintf(text, sizeof text, "%s(%i): %s expression='%s'", file, line, function, expression);
  std::fprintf(stderr, "ASSERTION FAILURE: %s\n", text);
  std::fflush(stderr);
  platform::BreakIfDebuggerAttached();
  Sleep(1);
  return false;
}

void ResetAssertionLatchForTesting() { g_bXR_IgnoreAsserts = false; }

CRegisterSourceFile* CRegisterSourceFile::c_pFirst = nullptr;
bool CRegisterSourceFile::c_bFirstTime = true;

CRegisterSourceFile::CRegisterSourceFile(const char* banner) : m_pszBanner(banner), m_pNext(nullptr) {
  if (c_bFirstTime) {
    c_bFirstTime = false;
    c_pFirst = nullptr;
  }
  m_pNext = c_pFirst;
  c_pFirst = this;
}

void CRegisterSourceFile::AppendAllInfo(char* text, int size) {
  if (!text || size <= 0) return;
  size_t used = std::strlen(text);
  char line[1024];
  for (const CRegisterSourceFile* p = c_pFirst; p; p = p->m_pNext) {
    int n = std::snprintf(line, sizeof line, "\t%s\r\n", p->m_pszBanner);
    if (n < 0 || used + static_cast<size_t>(n) + 1 > static_cast<size_t>(size)) return;
    std::memcpy(text + used, line, static_cast<size_t>(n) + 1);
    used += static_cast<size_t>(n);
  }
}

unsigned int g_TestAddGetTickCount = 0;

unsigned int GetTickCountFromTicks(uint32_t ticks) { return static_cast<uint32_t>(ticks * 50u) / 3u; }

void SetTickCountSourceForTesting(TickCountSource source) { g_TickCountSource = source; }

unsigned int GetTickCount() {
  if (TickCountSource source = g_TickCountSource.load()) return source() + g_TestAddGetTickCount;
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  const auto ticks = static_cast<uint32_t>(static_cast<uint64_t>(ms) * 60u / 1000u);
  return GetTickCountFromTicks(ticks) + g_TestAddGetTickCount;
}

void Sleep(int ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

char g_szXrRetPrintfStore[1024];

char* XR_TEXT_v(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(g_szXrRetPrintfStore, sizeof g_szXrRetPrintfStore, format, args);
  va_end(args);
  return g_szXrRetPrintfStore;
}

void my_memset(void* dest, int value, unsigned long byteCount) {
  if (byteCount % 4 != 0) {
    std::memset(dest, value, byteCount);
    return;
  }
  auto* p = static_cast<uint32_t*>(dest);
  const auto word = static_cast<uint32_t>(value);
  unsigned long words = byteCount / 4;
  for (; words >= 8; words -= 8, p += 8) {
    p[0] = word; p[1] = word; p[2] = word; p[3] = word;
    p[4] = word; p[5] = word; p[6] = word; p[7] = word;
  }
  for (; words > 0; --words) *p++ = word;
}

void my_memcpy(void* dest, const void* src, unsigned long byteCount) {
  if (byteCount % 4 != 0) {
    std::memcpy(dest, src, byteCount);
    return;
  }
  auto* d = static_cast<uint32_t*>(dest);
  const auto* s = static_cast<const uint32_t*>(src);
  unsigned long words = byteCount / 4;
  for (; words >= 8; words -= 8, d += 8, s += 8) {
    d[0] = s[0]; d[1] = s[1]; d[2] = s[2]; d[3] = s[3];
    d[4] = s[4]; d[5] = s[5]; d[6] = s[6]; d[7] = s[7];
  }
  for (; words > 0; --words) *d++ = *s++;
}

void WriteExceptionQuickDescToRegistry(const char*) {}
void WriteMiniDumpInner(const char*) {}
void CreateAndWriteMiniDump(const char*) {}
void InitialiseDebuggingSystem() {}
void Assert_DeclareTemplateFns() {}
