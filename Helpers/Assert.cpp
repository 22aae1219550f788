#include "Helpers/Assert.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <thread>

#include "platform/Debugger.h"

XR_REGISTER_SOURCE_FILE("Helpers/Assert");

namespace {
// Every exception swallowed in the process; lock-free, so any thread (the
// audio thread too) may count.
std::atomic<unsigned long> g_nHandledExceptions{0};
static_assert(std::atomic<unsigned long>::is_always_lock_free, "counted on the audio thread");
}  // namespace

void HandleException(const char*) { g_nHandledExceptions.fetch_add(1, std::memory_order_relaxed); }

unsigned long HandledExceptionCount() { return g_nHandledExceptions.load(std::memory_order_relaxed); }

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
  // The text must be terminated within the given size to be appended to.
  const void* end = std::memchr(text, 0, static_cast<size_t>(size));
  if (!end) return;
  size_t used = static_cast<size_t>(static_cast<const char*>(end) - text);
  for (const CRegisterSourceFile* p = c_pFirst; p; p = p->m_pNext) {
    const size_t bannerLength = p->m_pszBanner ? std::strlen(p->m_pszBanner) : 0;
    const size_t lineLength = 1 + bannerLength + 2;  // "\t" banner "\r\n"
    if (used + lineLength + 1 > static_cast<size_t>(size)) return;
    char* out = text + used;
    out[0] = '\t';
    if (bannerLength) std::memcpy(out + 1, p->m_pszBanner, bannerLength);
    out[1 + bannerLength] = '\r';
    out[2 + bannerLength] = '\n';
    out[3 + bannerLength] = 0;
    used += lineLength;
  }
}

std::atomic<unsigned int> g_TestAddGetTickCount{0};

unsigned int GetTickCountFromTicks(uint64_t ticks) { return static_cast<uint32_t>(ticks * 50u / 3u); }

void SetTickCountSourceForTesting(TickCountSource source) { g_TickCountSource = source; }

unsigned int GetTickCount() {
  if (TickCountSource source = g_TickCountSource.load()) return source() + g_TestAddGetTickCount;
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  const uint64_t ticks = static_cast<uint64_t>(ms) * 60u / 1000u;
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

// Word stores go through memcpy: the buffers are float or byte arrays of any
// alignment, and a memcpy of one word is neither an aliasing violation nor a
// misaligned access (it compiles to a plain store).
namespace {
inline void StoreWord(unsigned char* p, uint32_t word) { std::memcpy(p, &word, sizeof word); }
inline uint32_t LoadWord(const unsigned char* p) {
  uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}
}  // namespace

void my_memset(void* dest, int value, unsigned long byteCount) {
  if (byteCount % 4 != 0) {
    std::memset(dest, value, byteCount);
    return;
  }
  auto* p = static_cast<unsigned char*>(dest);
  const auto word = static_cast<uint32_t>(value);
  unsigned long words = byteCount / 4;
  for (; words >= 8; words -= 8, p += 32) {
    StoreWord(p, word); StoreWord(p + 4, word); StoreWord(p + 8, word); StoreWord(p + 12, word);
    StoreWord(p + 16, word); StoreWord(p + 20, word); StoreWord(p + 24, word); StoreWord(p + 28, word);
  }
  for (; words > 0; --words, p += 4) StoreWord(p, word);
}

void my_memcpy(void* dest, const void* src, unsigned long byteCount) {
  if (byteCount % 4 != 0) {
    std::memcpy(dest, src, byteCount);
    return;
  }
  auto* d = static_cast<unsigned char*>(dest);
  const auto* s = static_cast<const unsigned char*>(src);
  unsigned long words = byteCount / 4;
  for (; words >= 8; words -= 8, d += 32, s += 32) {
    StoreWord(d, LoadWord(s)); StoreWord(d + 4, LoadWord(s + 4));
    StoreWord(d + 8, LoadWord(s + 8)); StoreWord(d + 12, LoadWord(s + 12));
    StoreWord(d + 16, LoadWord(s + 16)); StoreWord(d + 20, LoadWord(s + 20));
    StoreWord(d + 24, LoadWord(s + 24)); StoreWord(d + 28, LoadWord(s + 28));
  }
  for (; words > 0; --words, d += 4, s += 4) StoreWord(d, LoadWord(s));
}

void WriteExceptionQuickDescToRegistry(const char*) {}
void WriteMiniDumpInner(const char*) {}
void CreateAndWriteMiniDump(const char*) {}
void InitialiseDebuggingSystem() {}
void Assert_DeclareTemplateFns() {}
