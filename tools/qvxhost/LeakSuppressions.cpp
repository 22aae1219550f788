// Leak-checker suppressions of the sanitizer build for what hosted editors
// leave in shared libraries that outlive them: fontconfig keeps its caches
// until the process ends, and the xlib backend of Debian 12's cairo (1.16)
// loses its pending upload records, 32 bytes each and a bounded number,
// when a display connection that presented part of an image surface closes
// (twenty lines that present part of an image and close the display show
// it). The library has no frame pointers, so its allocations can only be
// matched by its name; the toolkit's own tests run without this. The
// suppressions used are not listed: a failure stays one line on stderr.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libcairo.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
  return "print_suppressions=0";
}
