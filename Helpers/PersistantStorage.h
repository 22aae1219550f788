// Machine-wide settings of the plug-in in the current user's preferences,
// shared by every instance and every host process: the persistent parameters,
// the linked quality settings and the frame-rate switch. Integers and texts
// live under text keys in one preference file per product (see
// platform/PrefStore.h); every store is on disk before it returns.
//
// Threads: the host's user-interface thread (construction, parameter changes,
// idle). The query results share static buffers, so callers copy them at once
// and never query from two threads at the same time. StorePluginInt may also
// run on the audio thread (host automation of a linked quality setting): it
// then only leaves the value in the key's slot, without waiting or
// allocating (a later value of the same key replaces it), and the next store
// or query of another thread, or the next idle call, writes it.
#pragma once

// The product's registry path; names the preference domain and the folder of
// installed data files.
extern const char g_szRegistryPath[];

// Receives the text of the last successful string query.
extern char g_pcQueriedInfoTempStorage[1024];

class CPersistantStorage {
 public:
  CPersistantStorage() = delete;

  // "com.sorvikaudio." followed by the registry path.
  static const char* ApplicationIdentifier();

  // Distinct keys that integer stores on the audio thread can wait under:
  // more than the effect base's persistent parameters, linked quality
  // settings and frame-rate switch together.
  static constexpr int kMaxDeferredKeys = 128;

  // True when the value is stored; false when the preferences cannot be
  // written. On the audio thread: true when the value waits in its key's
  // slot (the key must live for the process, as the product's key tables
  // do); false only for a key beyond kMaxDeferredKeys distinct ones.
  static bool StorePluginInt(const char* key, int value);
  // Writes the values waiting in the audio thread's slots. Any thread but
  // the audio thread; the effect's idle calls it.
  static void StoreDeferredWrites();
  static bool StorePluginString(const char* key, const char* value);

  // True with the value when the key holds a number that is exactly a signed
  // 32-bit integer other than 999 (the stored marker for "not set").
  static bool QueryStoredPluginInt(const char* key, int* value);
  static int QueryStoredPluginIntWithDefault(const char* key, int defaultValue);

  // The stored text, copied into g_pcQueriedInfoTempStorage; null when the key
  // is missing, holds no text, or holds a text of 1024 bytes or more.
  static const char* QueryStoredPluginString(const char* key);

  // Binary values are not supported: both answer 0 and touch nothing.
  static void* QueryStoredPluginBinary(const char* key, int* size);
  static bool StorePluginBinary(const char* key, const void* data, int size);

  // Reads "<installed files root>/<registry path>/<name>" whole into a new
  // array that the caller frees with delete[]. Null for a missing or unreadable
  // file and for lengths of 0 or of 524288 bytes and more; the size, when
  // asked for, is 0 then.
  static char* LoadInstalledFileIntoMemory(const char* name, int* size);

  // Where installed data files live: "/usr/share/Sorvik Audio" unless a test
  // points it elsewhere (null restores the default).
  static const char* InstalledFilesRoot();
  static void SetInstalledFilesRootForTesting(const char* root);
};
