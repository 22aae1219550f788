#include "platform/PrefStore.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "prefs/TempConfigFolder.h"

namespace {

using platform::ParsePrefs;
using platform::PrefStore;
using platform::PrefValue;
using platform::SerialisePrefs;

constexpr const char* kAppId = "com.example.prefs-test";

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::map<std::string, PrefValue> SampleValues() {
  std::map<std::string, PrefValue> m;
  PrefValue i;
  i.nInt = -123456789012;
  m["int"] = i;
  PrefValue f;
  f.eType = PrefValue::Type::kFloat;
  f.fFloat = 0.1;
  m["float"] = f;
  PrefValue t;
  t.eType = PrefValue::Type::kText;
  t.szText = "tab\there\nnew line \\ back\rslash END 3 x";
  m["we\tird\\key"] = t;
  return m;
}

TEST(PrefStoreTest, ValuesOfEveryTypeSurviveTheFile) {
  TempConfigFolder folder;
  PrefStore store(kAppId);
  ASSERT_EQ(store.FilePath(), folder.Path() + "/" + kAppId + "/preferences");
  for (const auto& [key, v] : SampleValues()) {
    bool ok = false;
    if (v.eType == PrefValue::Type::kInt) ok = store.SetInt(key, v.nInt);
    if (v.eType == PrefValue::Type::kFloat) ok = store.SetFloat(key, v.fFloat);
    if (v.eType == PrefValue::Type::kText) ok = store.SetText(key, v.szText);
    ASSERT_TRUE(ok) << key;
  }
  // A second store object stands for another instance reading the same file.
  const auto read = PrefStore(kAppId).ReadAll();
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read.at("int").nInt, -123456789012);
  EXPECT_EQ(read.at("float").eType, PrefValue::Type::kFloat);
  EXPECT_EQ(read.at("float").fFloat, 0.1);
  EXPECT_EQ(read.at("we\tird\\key").szText, "tab\there\nnew line \\ back\rslash END 3 x");

  ASSERT_TRUE(store.SetInt("int", 5));
  PrefValue v;
  ASSERT_TRUE(store.Get("int", &v));
  EXPECT_EQ(v.nInt, 5);
  ASSERT_TRUE(store.Remove("int"));
  EXPECT_FALSE(store.Get("int", &v));
  EXPECT_EQ(store.ReadAll().size(), 2u);

  // Only the file and its lock remain: no temporary file is left behind.
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder.Path() + "/" + kAppId))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"preferences", "preferences.lock"}));
}

TEST(PrefStoreTest, EveryTruncationAndEveryFlippedByteReadsAsAbsent) {
  const std::string text = SerialisePrefs(SampleValues());
  std::map<std::string, PrefValue> parsed;
  ASSERT_TRUE(ParsePrefs(text, &parsed));
  ASSERT_EQ(parsed.size(), 3u);
  for (size_t len = 0; len < text.size(); ++len) {
    EXPECT_FALSE(ParsePrefs(text.substr(0, len), &parsed)) << "prefix of " << len << " bytes";
    EXPECT_TRUE(parsed.empty());
  }
  for (size_t i = 0; i < text.size(); ++i) {
    std::string bad = text;
    bad[i] = static_cast<char>(bad[i] ^ 0x21);
    EXPECT_FALSE(ParsePrefs(bad, &parsed)) << "byte " << i << " changed";
  }
  EXPECT_FALSE(ParsePrefs(text + text, &parsed));
}

TEST(PrefStoreTest, CorruptFileReadsAsAbsentAndIsReplacedByTheNextWrite) {
  TempConfigFolder folder;
  PrefStore store(kAppId);
  const std::vector<std::string> corrupt = {
      "", "QVX2-PREFS 1\n", "garbage\x01\x02\xff", std::string(100, '\0'),
      SerialisePrefs(SampleValues()).substr(0, 40)};
  for (const std::string& text : corrupt) {
    WriteFile(store.FilePath(), text);
    EXPECT_TRUE(store.ReadAll().empty());
    PrefValue v;
    EXPECT_FALSE(store.Get("int", &v));
    ASSERT_TRUE(store.SetInt("fresh", 1));
    const auto after = store.ReadAll();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.at("fresh").nInt, 1);
  }
}

TEST(PrefStoreTest, MissingFileReadsAsAbsentAndFoldersAreCreated) {
  TempConfigFolder folder;
  setenv("XDG_CONFIG_HOME", (folder.Path() + "/deeper/still").c_str(), 1);
  PrefStore store(kAppId);
  EXPECT_TRUE(store.ReadAll().empty());
  ASSERT_TRUE(store.SetText("k", "v"));
  EXPECT_TRUE(std::filesystem::exists(folder.Path() + "/deeper/still/" + kAppId + "/preferences"));
}

TEST(PrefStoreTest, RelativeConfigHomeFallsBackToHome) {
  TempConfigFolder folder;
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", folder.Path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", "relative/path", 1);
  EXPECT_EQ(PrefStore::ConfigFolder(), folder.Path() + "/.config");
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
  else unsetenv("HOME");
}

TEST(PrefStoreTest, WriteThatCannotReachTheDiskReportsFailure) {
  TempConfigFolder folder;
  // A plain file where the folder should be: no folder can be made under it.
  WriteFile(folder.Path() + "/blocker", "x");
  setenv("XDG_CONFIG_HOME", (folder.Path() + "/blocker").c_str(), 1);
  PrefStore store(kAppId);
  EXPECT_FALSE(store.SetInt("k", 1));
  EXPECT_FALSE(store.SetText("k", "v"));
  EXPECT_TRUE(store.ReadAll().empty());
  EXPECT_FALSE(PrefStore("../escape").SetInt("k", 1));
  EXPECT_FALSE(PrefStore("").SetInt("k", 1));
}

void WriteKeys(const std::string& prefix, int count) {
  PrefStore store(kAppId);
  for (int i = 0; i < count; ++i) store.SetInt(prefix + std::to_string(i), i);
}

void ExpectAllKeys(const std::vector<std::string>& prefixes, int count) {
  const auto values = PrefStore(kAppId).ReadAll();
  EXPECT_EQ(values.size(), prefixes.size() * static_cast<size_t>(count));
  for (const std::string& prefix : prefixes)
    for (int i = 0; i < count; ++i) {
      const auto it = values.find(prefix + std::to_string(i));
      ASSERT_NE(it, values.end()) << prefix << i << " was lost";
      EXPECT_EQ(it->second.nInt, i);
    }
}

TEST(PrefStoreTest, TwoProcessesWritingAtOnceLoseNoKey) {
  TempConfigFolder folder;
  constexpr int kCount = 150;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    WriteKeys("child", kCount);
    _exit(0);
  }
  WriteKeys("parent", kCount);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ExpectAllKeys({"child", "parent"}, kCount);
}

TEST(PrefStoreTest, ThreadsWritingAtOnceLoseNoKey) {
  TempConfigFolder folder;
  constexpr int kCount = 60;
  std::vector<std::thread> threads;
  std::vector<std::string> prefixes;
  for (int t = 0; t < 4; ++t) prefixes.push_back("t" + std::to_string(t) + "-");
  for (const std::string& p : prefixes) threads.emplace_back(WriteKeys, p, kCount);
  for (auto& th : threads) th.join();
  ExpectAllKeys(prefixes, kCount);
}

}  // namespace
