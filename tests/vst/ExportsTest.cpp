// The plug-in modules export their entry and nothing else, read with nm the
// way a packager would check them.
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

TEST(ExportsTest, FullEditionExportsOnlyTheEntry) {
  EXPECT_EQ(DefinedDynamicSymbols(QVX_TEST_MODULE), std::set<std::string>({"VSTPluginMain"}));
}

TEST(ExportsTest, StandardEditionAlsoExportsItsSecondEntryName) {
  EXPECT_EQ(DefinedDynamicSymbols(QVX_TEST_MODULE_STD), std::set<std::string>({"VSTPluginMain", "main_macho"}));
}

}  // namespace
