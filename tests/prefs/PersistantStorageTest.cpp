#include "Helpers/PersistantStorage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/AudioThread.h"
#include "Helpers/XREffect.h"
#include "platform/PrefStore.h"
#include "prefs/TempConfigFolder.h"

namespace {

platform::PrefStore ProductStore() { return platform::PrefStore(CPersistantStorage::ApplicationIdentifier()); }

TEST(PersistantStorageTest, IntegersRoundTripAnd999CountsAsAbsent) {
  TempConfigFolder folder;
  EXPECT_STREQ(CPersistantStorage::ApplicationIdentifier(), "com.sorvikaudio.QVX2M");
  int v = -1;
  EXPECT_FALSE(CPersistantStorage::QueryStoredPluginInt("QR", &v));
  EXPECT_EQ(v, -1);
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("QR", 4));
  EXPECT_TRUE(CPersistantStorage::QueryStoredPluginInt("QR", &v));
  EXPECT_EQ(v, 4);
  ASSERT_TRUE(CPersistantStorage::StorePluginInt("neg", -2147483647 - 1));
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("neg", 7), -2147483647 - 1);

  ASSERT_TRUE(CPersistantStorage::StorePluginInt("QR", 999));
  v = -1;
  EXPECT_FALSE(CPersistantStorage::QueryStoredPluginInt("QR", &v));
  EXPECT_EQ(v, -1);
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("QR", 7), 7);
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("missing", 3), 3);
}

TEST(PersistantStorageTest, OnlyNumbersThatAreExactInt32ReadAsIntegers) {
  TempConfigFolder folder;
  auto store = ProductStore();
  ASSERT_TRUE(store.SetFloat("exact", 12.0));
  ASSERT_TRUE(store.SetFloat("fraction", 12.5));
  ASSERT_TRUE(store.SetFloat("nan", std::nan("")));
  ASSERT_TRUE(store.SetInt("big", 4294967296LL));
  ASSERT_TRUE(store.SetFloat("bigfloat", 3e9));
  ASSERT_TRUE(CPersistantStorage::StorePluginString("text", "4"));
  int v = -1;
  EXPECT_TRUE(CPersistantStorage::QueryStoredPluginInt("exact", &v));
  EXPECT_EQ(v, 12);
  for (const char* key : {"fraction", "nan", "big", "bigfloat", "text"})
    EXPECT_FALSE(CPersistantStorage::QueryStoredPluginInt(key, &v)) << key;
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("text", 9), 9);
}

TEST(PersistantStorageTest, TextsRoundTripAndOversizedTextReadsAsAbsent) {
  TempConfigFolder folder;
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginString("missing"), nullptr);
  ASSERT_TRUE(CPersistantStorage::StorePluginString("name", "Deep blue"));
  const char* got = CPersistantStorage::QueryStoredPluginString("name");
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got, "Deep blue");

  const std::string fits(1023, 'a');
  ASSERT_TRUE(CPersistantStorage::StorePluginString("fits", fits.c_str()));
  got = CPersistantStorage::QueryStoredPluginString("fits");
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), fits);

  // After a successful query the buffer holds that text; a text too long for
  // it must not be answered with the stale buffer.
  ASSERT_NE(CPersistantStorage::QueryStoredPluginString("name"), nullptr);
  ASSERT_TRUE(CPersistantStorage::StorePluginString("long", std::string(1024, 'b').c_str()));
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginString("long"), nullptr);

  ASSERT_TRUE(CPersistantStorage::StorePluginInt("number", 5));
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginString("number"), nullptr);
}

TEST(PersistantStorageTest, BinaryValuesAreNotSupported) {
  TempConfigFolder folder;
  int size = 77;
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginBinary("b", &size), nullptr);
  EXPECT_EQ(size, 77);
  const char data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(CPersistantStorage::StorePluginBinary("b", data, 4));
  EXPECT_TRUE(ProductStore().ReadAll().empty());
}

TEST(PersistantStorageTest, StoresReportFailureWhenThePreferencesCannotBeWritten) {
  TempConfigFolder folder;
  std::ofstream(folder.Path() + "/file") << "x";
  setenv("XDG_CONFIG_HOME", (folder.Path() + "/file").c_str(), 1);
  EXPECT_FALSE(CPersistantStorage::StorePluginInt("QR", 4));
  EXPECT_FALSE(CPersistantStorage::StorePluginString("name", "x"));
  EXPECT_FALSE(CPersistantStorage::StorePluginInt(nullptr, 4));
  EXPECT_EQ(CPersistantStorage::QueryStoredPluginIntWithDefault("QR", 30), 30);
}

class InstalledFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvx-installed-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_Root = pattern;
    std::filesystem::create_directories(m_Root + "/QVX2M");
    CPersistantStorage::SetInstalledFilesRootForTesting(m_Root.c_str());
  }
  void TearDown() override {
    CPersistantStorage::SetInstalledFilesRootForTesting(nullptr);
    std::filesystem::remove_all(m_Root);
  }
  void Install(const char* name, size_t size) {
    std::ofstream out(m_Root + "/QVX2M/" + name, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 7 + 3));
  }
  std::string m_Root;
};

TEST_F(InstalledFileTest, ReadsFilesBelowTheLimitWhole) {
  Install("max.bin", 524287);
  int size = -1;
  std::unique_ptr<char[]> data(CPersistantStorage::LoadInstalledFileIntoMemory("max.bin", &size));
  ASSERT_NE(data, nullptr);
  ASSERT_EQ(size, 524287);
  for (int i = 0; i < size; ++i)
    ASSERT_EQ(static_cast<unsigned char>(data[i]), static_cast<unsigned char>(i * 7 + 3)) << "byte " << i;
  std::unique_ptr<char[]> again(CPersistantStorage::LoadInstalledFileIntoMemory("max.bin", nullptr));
  EXPECT_NE(again, nullptr);
}

TEST_F(InstalledFileTest, RefusesEmptyOversizedMissingAndEscapingNames) {
  Install("empty.bin", 0);
  Install("big.bin", 524288);
  Install("one.bin", 1);
  std::ofstream(m_Root + "/outside.bin") << "secret";
  for (const char* name : {"empty.bin", "big.bin", "missing.bin", "../outside.bin", "..", ""}) {
    int size = -1;
    EXPECT_EQ(CPersistantStorage::LoadInstalledFileIntoMemory(name, &size), nullptr) << name;
    EXPECT_EQ(size, 0) << name;
  }
  int size = -1;
  std::unique_ptr<char[]> one(CPersistantStorage::LoadInstalledFileIntoMemory("one.bin", &size));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(one[0], 3);
}

TEST(InstalledFileRootTest, DefaultsToTheSharedDataFolder) {
  EXPECT_STREQ(CPersistantStorage::InstalledFilesRoot(), "/usr/share/Sorvik Audio");
}

// Integer stores made on audio threads while another thread writes the file:
// however many there are, each key ends with its last value, for every key
// the effect base can have (persistent parameters, linked quality settings,
// the frame-rate switch).
TEST(PersistantStorageThreadTest, AudioThreadStoresOfEveryKeyReachTheFileWithTheirLastValue) {
  TempConfigFolder folder;
  constexpr int kKeys = kXrMaxPersistantParams + 7, kRounds = 4;
  // Keys live for the process, as the product's key tables do.
  static std::vector<std::string> keys;
  if (keys.empty())
    for (int k = 0; k < kKeys; ++k) keys.push_back("AudioKey" + std::to_string(k));
  auto valueOf = [](int key, int round) { return round * 1000 + key; };
  std::atomic<int> refused{0};
  std::atomic<int> writersLeft{2};
  auto writer = [&](int from, int to) {
    const CAudioThreadScope audio;
    for (int round = 1; round <= kRounds; ++round)
      for (int k = from; k < to; ++k)
        if (!CPersistantStorage::StorePluginInt(keys[static_cast<size_t>(k)].c_str(), valueOf(k, round))) ++refused;
    --writersLeft;
  };
  std::thread a(writer, 0, kKeys / 2), b(writer, kKeys / 2, kKeys);
  // The idle side writes what waits while the audio threads go on.
  while (writersLeft.load() > 0) CPersistantStorage::StoreDeferredWrites();
  a.join();
  b.join();
  EXPECT_EQ(refused.load(), 0);
  CPersistantStorage::StoreDeferredWrites();
  const auto stored = ProductStore().ReadAll();
  for (int k = 0; k < kKeys; ++k) {
    const auto found = stored.find(keys[static_cast<size_t>(k)]);
    ASSERT_NE(found, stored.end()) << keys[static_cast<size_t>(k)] << " never reached the file";
    EXPECT_EQ(found->second.nInt, valueOf(k, kRounds)) << keys[static_cast<size_t>(k)];
  }
}

}  // namespace
