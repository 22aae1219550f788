// The plug-in modules, the test plug-in's and the product's, export their
// entry and nothing else, read with nm the way a packager would check them;
// and the product's modules register nothing for the process's exit to run.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Names of the dynamic symbols the module defines (or, with `which`
// "--undefined-only", takes from other libraries).
std::set<std::string> DynamicSymbols(const std::string& module, const char* which = "--defined-only") {
  const std::string command = std::string(QVX_NM) + " -D " + which + " " + module;
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    // "ADDRESS TYPE NAME", or "TYPE NAME" for an undefined one; the name
    // without the version nm may add ("@GLIBC_2.2.5").
    std::istringstream fields(line);
    std::string field, name;
    while (fields >> field) name = field;
    if (!name.empty()) names.insert(name.substr(0, name.find('@')));
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ExportsTest, FullEditionsExportOnlyTheEntry) {
  for (const char* module : {QVX_TEST_MODULE, QVX_PRODUCT_MODULE})
    EXPECT_EQ(DynamicSymbols(module), std::set<std::string>({"VSTPluginMain"})) << module;
}

TEST(ExportsTest, StandardEditionsAlsoExportTheirSecondEntryName) {
  for (const char* module : {QVX_TEST_MODULE_STD, QVX_PRODUCT_MODULE_STD})
    EXPECT_EQ(DynamicSymbols(module), std::set<std::string>({"VSTPluginMain", "main_macho"})) << module;
}

// A host may end the process with effects open, their idle workers, editor
// threads and menus still running: whatever the process's exit destroyed of
// the module could be pulled from under them. So the product's modules hold
// no static object with a destructor (none registers an exit handler, for
// the process or a thread); what must be released at an unload goes in the
// module's finaliser, which checks that nothing uses it any more.
TEST(ExportsTest, ProductModulesRegisterNoExitHandlers) {
  for (const char* module : {QVX_PRODUCT_MODULE, QVX_PRODUCT_MODULE_STD}) {
    const std::set<std::string> imported = DynamicSymbols(module, "--undefined-only");
    EXPECT_FALSE(imported.empty()) << module;
    for (const char* handler : {"__cxa_atexit", "atexit", "__cxa_thread_atexit", "__cxa_thread_atexit_impl"})
      EXPECT_EQ(imported.count(handler), 0u) << module << " imports " << handler;
  }
}

}  // namespace
