// The per-user preference store: one small text file per application
// identifier under the user's XDG config folder ($XDG_CONFIG_HOME, else
// ~/.config), holding integer, floating-point and text values under text keys.
//
// Several plug-in instances, in one host process or in several, share a file.
// Every write therefore runs under an exclusive flock on a lock file beside it,
// re-reads the file, applies its one change and replaces the file atomically
// (temporary file, fsync, rename), so another instance's keys are never lost
// and a reader never sees a half-written file. A missing, empty, truncated or
// otherwise unreadable file reads as holding no keys and is replaced by the
// next write. Nothing here throws out of the store's functions.
//
// Threads: any non-audio thread; the functions allocate and touch the disk.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace platform {

struct PrefValue {
  enum class Type { kInt, kFloat, kText };
  Type eType = Type::kInt;
  int64_t nInt = 0;
  double fFloat = 0.0;
  std::string szText;
};

class PrefStore {
 public:
  // appId names the file; it must be a plain file-name part (no '/', not
  // empty, not "." or "..").
  explicit PrefStore(std::string appId);

  // The folder that holds every application's preference folder: an absolute
  // $XDG_CONFIG_HOME, else $HOME/.config, else the password database's home
  // followed by .config; empty when none can be found.
  static std::string ConfigFolder();

  // <ConfigFolder>/<appId>/preferences, or empty when there is no config
  // folder or the identifier is unusable.
  std::string FilePath() const;

  // Each returns true only when the value is on disk in a replaced file.
  bool SetInt(const std::string& key, int64_t value);
  bool SetFloat(const std::string& key, double value);
  bool SetText(const std::string& key, const std::string& value);
  bool Remove(const std::string& key);

  // True and the value when the key is present.
  bool Get(const std::string& key, PrefValue* value) const;

  // Every key of the file; empty for a missing or unreadable file.
  std::map<std::string, PrefValue> ReadAll() const;

 private:
  bool Write(const std::string& key, const PrefValue* value);

  std::string m_szAppId;
};

// The file format, exposed for tests: a header line, one line per key and a
// trailer with the key count and a checksum of everything before it. Parse
// answers false (and leaves the map empty) for anything that is not a whole,
// well-formed file.
std::string SerialisePrefs(const std::map<std::string, PrefValue>& values);
bool ParsePrefs(const std::string& text, std::map<std::string, PrefValue>* values);

}  // namespace platform
