// Runtime services shared by every layer: exception sink, assertion report,
// source-file banners, the millisecond clock, the idle-side wait, the
// diagnostic text formatter and word-wise fill/copy.
//
// Every framework and product function catches exceptions in its own body and
// hands its signature to HandleException; XR_TRY / XR_CATCH spell that out.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <type_traits>

// Receives the full signature of a function whose body caught an exception.
// The exception is swallowed; nothing is logged (the audio thread may be the
// caller). It is only counted, without a lock or an allocation, so that tests
// see a swallowed fault.
void HandleException(const char* function);
// How many exceptions HandleException has received in this process (this
// module). [any thread]
unsigned long HandledExceptionCount();

#define XR_TRY try {
#define XR_CATCH(fallback)                \
  }                                       \
  catch (...) {                           \
    HandleException(__PRETTY_FUNCTION__); \
    return fallback;                      \
  }
#define XR_CATCH_VOID                     \
  }                                       \
  catch (...) {                           \
    HandleException(__PRETTY_FUNCTION__); \
    return;                               \
  }

// Reports the first failed assertion of the process to stderr (later ones are
// silent). Always returns false. [any thread; not on the audio thread]
bool AssertionFailed(const char* file, int line, const char* function, const char* expression);

// Resets the once-per-process latch; for tests only.
void ResetAssertionLatchForTesting();

#define XR_ASSERT(expr) \
  ((expr) ? true : AssertionFailed(__FILE__, __LINE__, __PRETTY_FUNCTION__, #expr))

// One registration of a source-file banner. The list runs from the last
// registered file to the first.
class CRegisterSourceFile {
 public:
  explicit CRegisterSourceFile(const char* banner);
  CRegisterSourceFile(const CRegisterSourceFile&) = delete;
  CRegisterSourceFile& operator=(const CRegisterSourceFile&) = delete;

  // Appends "\t<banner>\r\n" lines to the terminated text while each whole
  // line still fits within the first `size` bytes.
  static void AppendAllInfo(char* text, int size);
  static const CRegisterSourceFile* First() { return c_pFirst; }
  const CRegisterSourceFile* Next() const { return m_pNext; }
  const char* Banner() const { return m_pszBanner; }

 private:
  const char* m_pszBanner;
  CRegisterSourceFile* m_pNext;
  static CRegisterSourceFile* c_pFirst;
  static bool c_bFirstTime;
};

// Registers "<path>:\t\tcompiled hh:mm:ss Mmm dd yyyy" for the including file.
#define XR_REGISTER_SOURCE_FILE(path) \
  static CRegisterSourceFile s_xrSourceFileBanner(path ":\t\tcompiled " __TIME__ " " __DATE__)

// Milliseconds since an arbitrary start, derived from a 60 Hz tick counter as
// ticks * 50 / 3 (steps of 16 or 17 ms). The product is formed in 64 bits and
// only the result wraps, modulo 2^32, so that the unsigned difference of two
// readings is the elapsed time across the wrap (see MsElapsed). [any thread]
unsigned int GetTickCount();
// The conversion alone, for a given tick count.
unsigned int GetTickCountFromTicks(uint64_t ticks);

// Wrap-safe comparisons of GetTickCount readings; valid while the true
// interval is below 2^31 ms (24 days). Compare times only through these.
// Milliseconds from `then` to `now`.
inline unsigned int MsElapsed(unsigned int now, unsigned int then) { return now - then; }
// True when `now` has reached or passed `deadline`.
inline bool MsReached(unsigned int now, unsigned int deadline) {
  return static_cast<int32_t>(now - deadline) >= 0;
}

// Test seams: a clock that replaces the platform's milliseconds outright
// (null restores the platform clock), and an offset added to the result.
using TickCountSource = unsigned int (*)();
void SetTickCountSourceForTesting(TickCountSource source);
extern std::atomic<unsigned int> g_TestAddGetTickCount;  // written by tests, read on any thread

// Waits about `ms` milliseconds. On this platform the wait cannot run the
// host's event loop, so a UI-thread caller must never wait for something
// only its own event handling would clear. [idle side only]
void Sleep(int ms);

// Formats into one shared 1024-byte buffer and returns it; callers copy the
// text at once. Floats are passed as doubles and bools as ints, as variadic
// arguments are. Diagnostics only.
extern char g_szXrRetPrintfStore[1024];
char* XR_TEXT_v(const char* format, ...);
namespace xr_detail {
template <typename T>
auto Promote(T v) {
  static_assert(std::is_arithmetic_v<T> || std::is_pointer_v<T> || std::is_enum_v<T> ||
                    std::is_null_pointer_v<T>,
                "XR_TEXT formats numbers, enumerations and pointers only");
  if constexpr (std::is_same_v<T, float>) return static_cast<double>(v);
  else if constexpr (std::is_same_v<T, bool>) return static_cast<int>(v);
  else return v;
}
}  // namespace xr_detail
template <typename... Args>
char* XR_TEXT(const char* format, Args... args) {
  return XR_TEXT_v(format, xr_detail::Promote(args)...);
}

// Word-wise fill and copy: whole 32-bit words eight at a time when the byte
// count is a multiple of 4, else the C library's byte routines.
void my_memset(void* dest, int value, unsigned long byteCount);
void my_memcpy(void* dest, const void* src, unsigned long byteCount);

// Crash-report hooks; crash reports are not written on this platform.
void WriteExceptionQuickDescToRegistry(const char*);
void WriteMiniDumpInner(const char*);
void CreateAndWriteMiniDump(const char*);
void InitialiseDebuggingSystem();
void Assert_DeclareTemplateFns();
