// AudioEffect's value texts: the short texts a host shows beside a parameter.
// Numbers are rendered in a field of eight characters with the fraction cut,
// not rounded. Every helper writes at most maxLen characters and a
// terminator, never before or past the caller's buffer, whatever the value.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Helpers/Assert.h"
#include "vst/AudioEffect.h"
#include "vst/VstText.h"

namespace {

constexpr int kField = 8;  // characters of a rendered number
const char kHuge[] = "Huge!";

// Renders v into field (kField characters and a terminator).
void RenderEightCharacters(double v, char* field) {
  // A NaN renders as 0 (its digits would be undefined); -0 has no sign.
  if (std::isnan(v)) v = 0.0;
  const bool negative = v < 0.0;
  if (negative) v = -v;
  if (v > (negative ? 9999999.0 : 99999999.0)) {
    std::strcpy(field, kHuge);
    return;
  }
  // Integer digits, most significant first. The range test above bounds the
  // integer part to eight digits, so it is exact in 64 bits.
  const int64_t whole = static_cast<int64_t>(std::floor(v));
  char digits[16];
  int nDigits = 0;
  for (int64_t n = whole;; n /= 10) {
    digits[nDigits++] = static_cast<char>('0' + n % 10);
    if (n < 10) break;
  }
  int pos = 0;
  if (negative) field[pos++] = '-';
  // The range test leaves at most kField characters; the bound in the loop
  // states that to the compiler.
  for (int i = nDigits - 1; i >= 0 && pos < kField; --i) field[pos++] = digits[i];
  if (pos >= kField) {
    // Sign and digits fill the field: no room for the point. Shown whole
    // rather than losing leading digits.
    field[pos] = 0;
    return;
  }
  field[pos++] = '.';
  // Fraction: the leading decimal digits of the exact value, cut.
  const int k = kField - pos;
  static const double kPow10[kField] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  const double m = std::fmod(v, 1.0) * kPow10[k];
  int64_t fraction = m > 0.0 ? static_cast<int64_t>(m) : 0;
  for (int i = k - 1; i >= 0; --i) {
    field[pos + i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  field[pos + k] = 0;
}

void CopyCut(char* text, const char* source, VstInt32 maxLen) { vsttext::CopyText(text, source, maxLen); }

}  // namespace

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
  XR_TRY
  if (!text || maxLen < 0) return;
  char field[kField + 1];
  RenderEightCharacters(static_cast<double>(value), field);
  CopyCut(text, field, maxLen);
  XR_CATCH_VOID
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
  XR_TRY
  if (!text || maxLen < 0) return;
  if (value <= 0.0f) {
    CopyCut(text, "-oo", maxLen);
    return;
  }
  float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text, maxLen);
  XR_CATCH_VOID
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
  XR_TRY
  if (!text || maxLen < 0) return;
  if (samples == 0.0f) {
    float2string(0.0f, text, maxLen);
    return;
  }
  float2string(getSampleRate() / samples, text, maxLen);
  XR_CATCH_VOID
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
  XR_TRY
  if (!text || maxLen < 0) return;
  float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 / getSampleRate()), text, maxLen);
  XR_CATCH_VOID
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
  XR_TRY
  if (!text || maxLen < 0) return;
  if (value >= 100000000) {
    CopyCut(text, kHuge, maxLen);
    return;
  }
  // The magnitude is taken in 64 bits: INT32_MIN has no 32-bit magnitude.
  int64_t magnitude = value;
  char buffer[16];
  int pos = 0;
  if (magnitude < 0) {
    magnitude = -magnitude;
    buffer[pos++] = '-';
    if (magnitude >= 1000000000) {
      // Ten digits: more than the nine-digit field holds.
      CopyCut(text, "-Huge!", maxLen);
      return;
    }
  }
  bool started = false;
  for (int64_t divisor = 100000000; divisor >= 1; divisor /= 10) {
    const int64_t digit = magnitude / divisor;
    magnitude %= divisor;
    if (digit > 0) started = true;
    if (started || divisor == 1) buffer[pos++] = static_cast<char>('0' + digit);
  }
  buffer[pos] = 0;
  CopyCut(text, buffer, maxLen);
  XR_CATCH_VOID
}
