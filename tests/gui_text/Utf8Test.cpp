// The platform's UTF-8 decoder against RFC 3629: its examples (section 7)
// decode to their characters, and every byte sequence its syntax (section
// 4) rules out reads as one replacement character per byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Utf8.h"

namespace {

constexpr uint32_t kBad = 0xFFFD;

struct Utf8Case {
  const char* what;
  std::string bytes;
  std::vector<uint32_t> points;
};

std::vector<uint32_t> Decode(const std::string& bytes) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < bytes.size();) points.push_back(DecodeUtf8At(bytes, i));
  return points;
}

}  // namespace

TEST(Utf8Test, RfcExamplesDecodeAndIllFormedBytesReadAsOneReplacementEach) {
  const Utf8Case cases[] = {
      // Section 7's examples.
      {"A, NOT IDENTICAL TO, ALPHA, full stop", "\x41\xE2\x89\xA2\xCE\x91\x2E", {0x41, 0x2262, 0x391, 0x2E}},
      {"Korean", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", {0xD55C, 0xAD6D, 0xC5B4}},
      {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", {0x65E5, 0x672C, 0x8A9E}},
      {"byte order mark and a supplementary character", "\xEF\xBB\xBF\xF0\xA3\x8E\xB4", {0xFEFF, 0x233B4}},
      // The edges of section 4's ranges.
      {"highest of each length", "\x7F\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF", {0x7F, 0x7FF, 0xFFFF, 0x10FFFF}},
      {"lowest of each length", std::string("\0\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", 10), {0, 0x80, 0x800, 0x10000}},
      {"around the surrogates", "\xED\x9F\xBF\xEE\x80\x80", {0xD7FF, 0xE000}},
      // Ruled out: overlong forms.
      {"overlong NUL", "\xC0\x80", {kBad, kBad}},
      {"overlong slash in two bytes", "\xC1\xAF", {kBad, kBad}},
      {"overlong in three bytes", "\xE0\x9F\xBF", {kBad, kBad, kBad}},
      {"overlong in four bytes", "\xF0\x8F\xBF\xBF", {kBad, kBad, kBad, kBad}},
      // Surrogates and values past U+10FFFF.
      {"high surrogate", "\xED\xA0\x80", {kBad, kBad, kBad}},
      {"low surrogate", "\xED\xBF\xBF", {kBad, kBad, kBad}},
      {"U+110000", "\xF4\x90\x80\x80", {kBad, kBad, kBad, kBad}},
      {"lead bytes of no character", "\xF5\x80\x80\x80\xFF", {kBad, kBad, kBad, kBad, kBad}},
      // Broken sequences: the byte that breaks one starts afresh.
      {"lone continuation", "a\x80z", {'a', kBad, 'z'}},
      {"cut short at the end", "\xE2\x82", {kBad, kBad}},
      {"cut short by an ASCII byte", "\xE2\x82" "A", {kBad, kBad, 'A'}},
      {"cut short by a new lead", "\xF0\x9D\xC3\xA9", {kBad, kBad, 0xE9}},
  };
  for (const Utf8Case& c : cases) {
    EXPECT_EQ(Decode(c.bytes), c.points) << c.what;
    // A character's length is what the decoder steps over.
    size_t i = 0;
    for (uint32_t point : c.points) {
      const size_t length = Utf8CharLength(c.bytes, i);
      size_t next = i;
      DecodeUtf8At(c.bytes, next);
      EXPECT_EQ(next - i, length) << c.what << " at byte " << i;
      // A well-formed character goes back to the same bytes.
      if (point != kBad) {
        EXPECT_EQ(EncodeUtf8(point), c.bytes.substr(i, length)) << c.what;
      }
      i = next;
    }
  }
}
