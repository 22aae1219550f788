// Fontconfig keeps its configuration and pattern caches until the process
// ends; the leak checker of the sanitizer build reports them once text has
// been drawn. Test programs that draw text add this file to their sources.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
