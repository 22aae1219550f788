// The plug-in modules, the test plug-in's and the product's, export their
// entry and nothing else, read with nm the way a packager would check them.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Names of the dynamic symbols the module defines.
std::set<std::string> DefinedDynamicSymbols(const std::string& module) {
  const std::string command = std::string(QVX_NM) + " -D --defined-only " + module;
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ExportsTest, FullEditionsExportOnlyTheEntry) {
  for (const char* module : {QVX_TEST_MODULE, QVX_PRODUCT_MODULE})
    EXPECT_EQ(DefinedDynamicSymbols(module), std::set<std::string>({"VSTPluginMain"})) << module;
}

TEST(ExportsTest, StandardEditionsAlsoExportTheirSecondEntryName) {
  for (const char* module : {QVX_TEST_MODULE_STD, QVX_PRODUCT_MODULE_STD})
    EXPECT_EQ(DefinedDynamicSymbols(module), std::set<std::string>({"VSTPluginMain", "main_macho"})) << module;
}

}  // namespace
