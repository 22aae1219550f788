// UTF-8 text, as the window system and the toolkit's text fields exchange it.
// Well-formed is what RFC 3629 allows: no overlong forms, no surrogates,
// nothing above U+10FFFF. A byte that starts no well-formed character counts
// as one character of its own, read as U+FFFD.
//
// [any thread] Plain functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The length of the well-formed character starting at text[i], or 1 for a
// byte that does not start one.
size_t Utf8CharLength(const std::string& text, size_t i);
// The UTF-8 form of a code point; empty for surrogates and values beyond
// U+10FFFF.
std::string EncodeUtf8(uint32_t codePoint);
// The code point of the character at `position`, which moves past it.
uint32_t DecodeUtf8At(const std::string& text, size_t& position);
