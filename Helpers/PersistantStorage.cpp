#include "Helpers/PersistantStorage.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "Helpers/Assert.h"
#include "Helpers/AudioThread.h"
#include "Helpers/ForkedChild.h"
#include "platform/PrefStore.h"

XR_REGISTER_SOURCE_FILE("Helpers/PersistantStorage");

const char g_szRegistryPath[] = "QVX2M";
char g_pcQueriedInfoTempStorage[1024];

namespace {

constexpr int kAbsentMarker = 999;
constexpr long kMaxInstalledFileBytes = 524288;  // refused from this length on
constexpr const char* kDefaultInstalledFilesRoot = "/usr/share/Sorvik Audio";

// Set only by tests, before any instance runs.
std::atomic<const char*> g_pszInstalledFilesRoot{nullptr};

platform::PrefStore Store() { return platform::PrefStore(CPersistantStorage::ApplicationIdentifier()); }

// Integer stores made on the audio thread, which must not wait for the
// preference file's lock (nor allocate): one slot per key, claimed by the
// key's first store and kept for the process, so a later store of a key
// replaces the value still waiting and every key there is has its slot.
// Written by the next store or query of another thread, or the next idle
// call. Keys live for the process.
class CDeferredInts {
 public:
  // [any thread, never waits] False only when every slot holds another key.
  bool Put(const char* key, int value) {
    for (Slot& slot : m_Slots) {
      const char* owner = slot.pszKey.load(std::memory_order_acquire);
      if (owner == nullptr && slot.pszKey.compare_exchange_strong(owner, key, std::memory_order_acq_rel)) owner = key;
      if (owner != key && std::strcmp(owner, key) != 0) continue;
      slot.nValue.store(value, std::memory_order_relaxed);
      slot.bPending.store(true, std::memory_order_release);
      return true;
    }
    return false;
  }
  // Hands every waiting value to write(key, value). One thread at a time.
  template <typename Write>
  void Drain(Write write) {
    for (Slot& slot : m_Slots) {
      // A store that lands between the flag and the value raises the flag
      // again: its value is written now or by the next drain.
      if (!slot.bPending.exchange(false, std::memory_order_acquire)) continue;
      write(slot.pszKey.load(std::memory_order_acquire), slot.nValue.load(std::memory_order_relaxed));
    }
  }

 private:
  struct Slot {
    std::atomic<const char*> pszKey{nullptr};
    std::atomic<int> nValue{0};
    std::atomic<bool> bPending{false};
  };
  Slot m_Slots[CPersistantStorage::kMaxDeferredKeys];
};
CDeferredInts g_DeferredInts;
std::mutex g_DeferredIntsPopper;  // one draining thread at a time
// The process the module was loaded in: in a child forked from it, the
// popper may be held for good by a thread the child does not have.
const CProcessMark g_LoadedIn;

}  // namespace

const char* CPersistantStorage::ApplicationIdentifier() {
  // Plain characters, never destroyed: a worker may still read or write the
  // preferences while the process's exit runs.
  struct Id {
    Id() { std::snprintf(text, sizeof text, "com.sorvikaudio.%s", g_szRegistryPath); }
    char text[64];
  };
  static const Id s_id;
  return s_id.text;
}

bool CPersistantStorage::StorePluginInt(const char* key, int value) {
  XR_TRY
  if (!key || !*key) return false;
  if (IsAudioThread()) return g_DeferredInts.Put(key, value);
  StoreDeferredWrites();
  return Store().SetInt(key, value);
  XR_CATCH(false)
}

void CPersistantStorage::StoreDeferredWrites() {
  XR_TRY
  if (IsAudioThread()) return;
  std::unique_lock<std::mutex> popper(g_DeferredIntsPopper, std::defer_lock);
  if (!g_LoadedIn.IsForkedChild())
    popper.lock();
  else if (!popper.try_lock())
    return;
  g_DeferredInts.Drain([](const char* key, int value) { Store().SetInt(key, value); });
  XR_CATCH_VOID
}

bool CPersistantStorage::StorePluginString(const char* key, const char* value) {
  XR_TRY
  if (!key || !*key || !value) return false;
  StoreDeferredWrites();
  return Store().SetText(key, value);
  XR_CATCH(false)
}

bool CPersistantStorage::QueryStoredPluginInt(const char* key, int* value) {
  XR_TRY
  if (!key || !*key) return false;
  // A value stored on the audio thread is read back as stored.
  StoreDeferredWrites();
  platform::PrefValue v;
  if (!Store().Get(key, &v)) return false;
  int64_t n = 0;
  if (v.eType == platform::PrefValue::Type::kInt) {
    n = v.nInt;
  } else if (v.eType == platform::PrefValue::Type::kFloat) {
    // Only a number that is exactly an integer counts.
    if (!std::isfinite(v.fFloat) || std::trunc(v.fFloat) != v.fFloat || std::fabs(v.fFloat) > 4294967296.0)
      return false;
    n = static_cast<int64_t>(v.fFloat);
  } else {
    return false;
  }
  if (n < INT32_MIN || n > INT32_MAX || n == kAbsentMarker) return false;
  if (value) *value = static_cast<int>(n);
  return true;
  XR_CATCH(false)
}

int CPersistantStorage::QueryStoredPluginIntWithDefault(const char* key, int defaultValue) {
  XR_TRY
  int v = 0;
  return QueryStoredPluginInt(key, &v) ? v : defaultValue;
  XR_CATCH(defaultValue)
}

const char* CPersistantStorage::QueryStoredPluginString(const char* key) {
  XR_TRY
  if (!key || !*key) return nullptr;
  StoreDeferredWrites();
  platform::PrefValue v;
  if (!Store().Get(key, &v) || v.eType != platform::PrefValue::Type::kText) return nullptr;
  // A text that does not fit must not leave an earlier query's text behind as
  // if it were this key's value.
  if (v.szText.size() >= sizeof g_pcQueriedInfoTempStorage) return nullptr;
  std::memcpy(g_pcQueriedInfoTempStorage, v.szText.c_str(), v.szText.size() + 1);
  return g_pcQueriedInfoTempStorage;
  XR_CATCH(nullptr)
}

void* CPersistantStorage::QueryStoredPluginBinary(const char*, int*) { return nullptr; }

bool CPersistantStorage::StorePluginBinary(const char*, const void*, int) { return false; }

const char* CPersistantStorage::InstalledFilesRoot() {
  const char* root = g_pszInstalledFilesRoot.load();
  return root ? root : kDefaultInstalledFilesRoot;
}

void CPersistantStorage::SetInstalledFilesRootForTesting(const char* root) { g_pszInstalledFilesRoot = root; }

char* CPersistantStorage::LoadInstalledFileIntoMemory(const char* name, int* size) {
  std::FILE* f = nullptr;
  try {
    if (size) *size = 0;
    // The name is one file of the product's folder, never a path out of it.
    if (!name || !*name || std::strchr(name, '/') || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
      return nullptr;
    char path[1024];
    const int n = std::snprintf(path, sizeof path, "%s/%s/%s", InstalledFilesRoot(), g_szRegistryPath, name);
    if (n < 0 || n >= static_cast<int>(sizeof path)) return nullptr;
    f = std::fopen(path, "rb");
    if (!f) return nullptr;
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
    if (length <= 0 || length >= kMaxInstalledFileBytes || std::fseek(f, 0, SEEK_SET) != 0) {
      std::fclose(f);
      return nullptr;
    }
    std::unique_ptr<char[]> data(new char[static_cast<size_t>(length)]);
    const size_t got = std::fread(data.get(), 1, static_cast<size_t>(length), f);
    std::fclose(f);
    f = nullptr;
    if (got != static_cast<size_t>(length)) return nullptr;
    if (size) *size = static_cast<int>(length);
    return data.release();
  } catch (...) {
    if (f) std::fclose(f);
    HandleException(__PRETTY_FUNCTION__);
    return nullptr;
  }
}
