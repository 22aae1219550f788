// Bounded text copies used wherever text crosses the host boundary. Host
// buffers are small and host texts may lack a terminator within the length
// the interface allows, so every copy reads and writes within stated bounds.
// [any thread; no allocation]
#pragma once

#include <cstring>

#include "vst/VstInterface.h"

namespace vsttext {

// Characters of a parameter's name, label or display text handed to the
// host. Hosts give these requests buffers of differing sizes, but none gives
// fewer than 24 bytes (a program name's room), so whole texts of up to 23
// characters reach the host and nothing past 24 bytes is ever written.
constexpr int kParamTextLen = 23;

// Size of the scratch buffer an effect's text getter writes into before the
// result is cut for the host: room for 255 characters and a terminator.
constexpr int kScratchSize = 256;

// Length of `text`, reading no more than `maxLen` bytes.
inline int BoundedLength(const char* text, int maxLen) {
  if (!text || maxLen <= 0) return 0;
  const void* end = std::memchr(text, 0, static_cast<size_t>(maxLen));
  return end ? static_cast<int>(static_cast<const char*>(end) - text) : maxLen;
}

// Copies at most maxLen characters of `src` (which need not be terminated
// beyond maxLen) into `dst`, which holds maxLen + 1 bytes, and terminates it.
// A null source gives the empty text; a negative maxLen writes nothing.
inline void CopyText(char* dst, const char* src, int maxLen) {
  if (!dst || maxLen < 0) return;
  const int n = BoundedLength(src, maxLen);
  if (n > 0) std::memmove(dst, src, static_cast<size_t>(n));
  dst[n] = 0;
}

// Answers a host's text request. `fill` gets a scratch buffer of
// kScratchSize bytes that starts with the host's current text (cut to
// maxLen), so that a getter which leaves the text alone gives the host back
// its own; the result, cut to maxLen characters, goes back to `ptr`.
template <typename Fill>
void GetTextForHost(void* ptr, int maxLen, Fill fill) {
  if (!ptr || maxLen < 0) return;
  if (maxLen > kScratchSize - 1) maxLen = kScratchSize - 1;
  char scratch[kScratchSize];
  std::memset(scratch, 0, sizeof scratch);
  CopyText(scratch, static_cast<const char*>(ptr), maxLen);
  fill(scratch);
  scratch[sizeof scratch - 1] = 0;
  CopyText(static_cast<char*>(ptr), scratch, maxLen);
}

// Copies a text the host hands in (which may lack a terminator within
// maxLen characters) into `dst` of maxLen + 1 bytes.
inline void ReadHostText(char* dst, const void* ptr, int maxLen) {
  CopyText(dst, static_cast<const char*>(ptr), maxLen);
}

}  // namespace vsttext
