#include "platform/Utf8.h"

namespace {

// RFC 3629, section 4: each lead byte allows a narrower range for the byte
// after it, which shuts out overlong forms (E0, F0), the surrogates (ED) and
// values above U+10FFFF (F4). Every later byte is 80..BF.
struct LeadRule {
  unsigned char lead, lastLead;  // the lead bytes of the rule
  size_t length;                 // bytes of the character
  unsigned char second, lastSecond;
};
constexpr LeadRule kLeadRules[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

}  // namespace

size_t Utf8CharLength(const std::string& text, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return 1;
  for (const LeadRule& rule : kLeadRules) {
    if (lead < rule.lead || lead > rule.lastLead) continue;
    if (i + rule.length > text.size()) return 1;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if (second < rule.second || second > rule.lastSecond) return 1;
    for (size_t k = 2; k < rule.length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    return rule.length;
  }
  return 1;  // a continuation byte, or a lead byte no well-formed character has
}

std::string EncodeUtf8(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    if (cp >= 0xD800 && cp <= 0xDFFF) return out;
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

uint32_t DecodeUtf8At(const std::string& text, size_t& position) {
  const size_t length = Utf8CharLength(text, position);
  const unsigned char lead = static_cast<unsigned char>(text[position]);
  position += length;
  if (length == 1) return lead < 0x80 ? lead : 0xFFFD;
  uint32_t point = lead & (0x7F >> length);
  for (size_t k = position - length + 1; k < position; ++k)
    point = (point << 6) | (static_cast<unsigned char>(text[k]) & 0x3F);
  return point;
}
