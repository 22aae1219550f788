#include "platform/PrefStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr const char* kHeader = "QVX2-PREFS 1\n";
constexpr const char* kFileName = "preferences";
// A preferences file is a few kilobytes; anything far larger is not ours.
constexpr size_t kMaxFileBytes = 4u << 20;

uint64_t Fnv1a64(const char* data, size_t size) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < size; ++i) {
    h ^= static_cast<unsigned char>(data[i]);
    h *= 1099511628211ull;
  }
  return h;
}

void AppendEscaped(std::string& out, const std::string& in) {
  for (char c : in) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c; break;
    }
  }
}

bool Unescape(const char* begin, const char* end, std::string* out) {
  out->clear();
  for (const char* p = begin; p < end; ++p) {
    if (*p != '\\') {
      *out += *p;
      continue;
    }
    if (++p == end) return false;
    switch (*p) {
      case '\\': *out += '\\'; break;
      case 't': *out += '\t'; break;
      case 'n': *out += '\n'; break;
      case 'r': *out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

bool ParseInt(const std::string& s, int64_t* v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size()) return false;
  *v = n;
  return true;
}

bool ParseFloat(const std::string& s, double* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return false;
  *v = d;
  return true;
}

bool ParseLine(const char* begin, const char* end, std::map<std::string, PrefValue>* values) {
  const char* tab1 = static_cast<const char*>(std::memchr(begin, '\t', static_cast<size_t>(end - begin)));
  if (!tab1 || end - tab1 < 3 || tab1[2] != '\t') return false;
  std::string key, raw;
  if (!Unescape(begin, tab1, &key) || key.empty()) return false;
  if (!Unescape(tab1 + 3, end, &raw)) return false;
  PrefValue v;
  switch (tab1[1]) {
    case 'i':
      v.eType = PrefValue::Type::kInt;
      if (!ParseInt(raw, &v.nInt)) return false;
      break;
    case 'f':
      v.eType = PrefValue::Type::kFloat;
      if (!ParseFloat(raw, &v.fFloat)) return false;
      break;
    case 's':
      v.eType = PrefValue::Type::kText;
      v.szText = std::move(raw);
      break;
    default:
      return false;
  }
  return values->emplace(std::move(key), std::move(v)).second;
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text->clear();
  char buf[8192];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) { ok = false; break; }
    if (n == 0) break;
    text->append(buf, static_cast<size_t>(n));
    if (text->size() > kMaxFileBytes) { ok = false; break; }
  }
  ::close(fd);
  return ok;
}

bool WriteAll(int fd, const std::string& text) {
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool MakeFolders(const std::string& path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    const std::string part = path.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsUsableAppId(const std::string& id) {
  return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos &&
         id.find('\0') == std::string::npos;
}

// Names of temporary files must differ between threads of one process too.
std::atomic<unsigned> g_nTempCounter{0};  // any writer thread

}  // namespace

std::string SerialisePrefs(const std::map<std::string, PrefValue>& values) {
  std::string out = kHeader;
  char num[64];
  for (const auto& [key, v] : values) {
    AppendEscaped(out, key);
    switch (v.eType) {
      case PrefValue::Type::kInt:
        std::snprintf(num, sizeof num, "%" PRId64, v.nInt);
        out += "\ti\t";
        out += num;
        break;
      case PrefValue::Type::kFloat:
        std::snprintf(num, sizeof num, "%.17g", v.fFloat);
        out += "\tf\t";
        out += num;
        break;
      case PrefValue::Type::kText:
        out += "\ts\t";
        AppendEscaped(out, v.szText);
        break;
    }
    out += '\n';
  }
  std::snprintf(num, sizeof num, "END %zu %016" PRIx64 "\n", values.size(), Fnv1a64(out.data(), out.size()));
  out += num;
  return out;
}

bool ParsePrefs(const std::string& text, std::map<std::string, PrefValue>* values) {
  values->clear();
  const size_t headerLen = std::strlen(kHeader);
  if (text.size() < headerLen || text.compare(0, headerLen, kHeader) != 0 || text.back() != '\n') return false;
  // The trailer is the last line; everything before it is checksummed.
  const size_t trailerStart = text.rfind('\n', text.size() - 2);
  if (trailerStart == std::string::npos || trailerStart + 1 < headerLen) return false;
  const size_t bodyEnd = trailerStart + 1;
  size_t count = 0;
  uint64_t sum = 0;
  char extra = 0;
  if (std::sscanf(text.c_str() + bodyEnd, "END %zu %16" SCNx64 "%c", &count, &sum, &extra) != 3 || extra != '\n' ||
      text.size() - bodyEnd != 22 + std::to_string(count).size())
    return false;
  if (sum != Fnv1a64(text.data(), bodyEnd)) return false;
  std::map<std::string, PrefValue> parsed;
  const char* p = text.data() + headerLen;
  const char* end = text.data() + bodyEnd;
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (!eol || !ParseLine(p, eol, &parsed)) return false;
    p = eol + 1;
  }
  if (parsed.size() != count) return false;
  *values = std::move(parsed);
  return true;
}

PrefStore::PrefStore(std::string appId) : m_szAppId(std::move(appId)) {}

std::string PrefStore::ConfigFolder() {
  try {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config";
    struct passwd pw{};
    struct passwd* result = nullptr;
    std::vector<char> buf(16384);
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && pw.pw_dir &&
        pw.pw_dir[0] == '/')
      return std::string(pw.pw_dir) + "/.config";
  } catch (...) {
  }
  return std::string();
}

std::string PrefStore::FilePath() const {
  try {
    if (!IsUsableAppId(m_szAppId)) return std::string();
    const std::string folder = ConfigFolder();
    if (folder.empty()) return std::string();
    return folder + "/" + m_szAppId + "/" + kFileName;
  } catch (...) {
    return std::string();
  }
}

std::map<std::string, PrefValue> PrefStore::ReadAll() const {
  std::map<std::string, PrefValue> values;
  try {
    const std::string path = FilePath();
    std::string text;
    if (path.empty() || !ReadWholeFile(path, &text) || !ParsePrefs(text, &values)) values.clear();
  } catch (...) {
    values.clear();
  }
  return values;
}

bool PrefStore::Get(const std::string& key, PrefValue* value) const {
  try {
    const auto values = ReadAll();
    const auto it = values.find(key);
    if (it == values.end()) return false;
    if (value) *value = it->second;
    return true;
  } catch (...) {
    return false;
  }
}

bool PrefStore::SetInt(const std::string& key, int64_t value) {
  PrefValue v;
  v.eType = PrefValue::Type::kInt;
  v.nInt = value;
  return Write(key, &v);
}

bool PrefStore::SetFloat(const std::string& key, double value) {
  PrefValue v;
  v.eType = PrefValue::Type::kFloat;
  v.fFloat = value;
  return Write(key, &v);
}

bool PrefStore::SetText(const std::string& key, const std::string& value) {
  try {
    PrefValue v;
    v.eType = PrefValue::Type::kText;
    v.szText = value;
    return Write(key, &v);
  } catch (...) {
    return false;
  }
}

bool PrefStore::Remove(const std::string& key) { return Write(key, nullptr); }

bool PrefStore::Write(const std::string& key, const PrefValue* value) {
  int lockFd = -1;
  std::string tmpPath;
  bool ok = false;
  try {
    const std::string path = FilePath();
    if (path.empty() || key.empty()) return false;
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!MakeFolders(folder)) return false;

    // Serialises read-modify-write across threads and processes; flock locks
    // belong to the open file description, so each call opens its own.
    lockFd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0) return false;
    while (::flock(lockFd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(lockFd);
        return false;
      }
    }

    std::map<std::string, PrefValue> values;
    std::string text;
    if (!ReadWholeFile(path, &text) || !ParsePrefs(text, &values)) values.clear();
    if (value) values[key] = *value;
    else values.erase(key);
    text = SerialisePrefs(values);

    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp.%ld.%u", static_cast<long>(::getpid()), g_nTempCounter.fetch_add(1));
    tmpPath = path + suffix;
    const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
      const bool closed = ::close(fd) == 0;
      ok = written && closed && ::rename(tmpPath.c_str(), path.c_str()) == 0;
      if (!ok) ::unlink(tmpPath.c_str());
    }
  } catch (...) {
    if (!tmpPath.empty()) ::unlink(tmpPath.c_str());
    ok = false;
  }
  if (lockFd >= 0) ::close(lockFd);  // releases the flock
  return ok;
}

}  // namespace platform
