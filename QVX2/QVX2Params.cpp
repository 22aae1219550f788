// Parameter set of the equaliser: compile-time checks of the index maps and
// the host text helper.
#include "QVX2/QVX2Params.h"

#include <cstring>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Params");

namespace {
constexpr bool TextEquals(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// The effect base pairs A index i with B index nParams + i for i < nABParams:
// every setting with a B copy must come before every setting without one.
constexpr bool BCopiesLeadTheABank() {
  for (int i = 0; i < kQvx2NumParams; ++i)
    if (kQvx2ParamTable[static_cast<std::size_t>(i)].info.bHasBCopy != (i < kQvx2NumABParams)) return false;
  return true;
}

constexpr bool BCopiesMirrorTheirA() {
  for (int i = 0; i < kQvx2NumABParams; ++i) {
    const auto& a = kQvx2ParamTable[static_cast<std::size_t>(i)];
    const auto& b = kQvx2ParamTable[static_cast<std::size_t>(kQvx2NumParams + i)];
    if (a.info.fDefault != b.info.fDefault || !TextEquals(a.info.szLabel, b.info.szLabel)) return false;
  }
  return true;
}
}  // namespace

static_assert(BCopiesLeadTheABank(), "settings with a B copy lead the A bank");
static_assert(BCopiesMirrorTheirA(), "a B copy has its A setting's label and default");
static_assert(kbQvx2StandardEdition ? (kQvx2NumParams == 300 && kQvx2NumABParams == 294)
                                    : (kQvx2NumParams == 304 && kQvx2NumABParams == 295),
              "the editions' parameter counts");
static_assert(kQvx2NumHostParams == (kbQvx2StandardEdition ? 594 : 599));
static_assert(TextEquals(kQvx2ParamTable[268].szName.data(), "Gain L1304"));
static_assert(TextEquals(kQvx2ParamTable[259].szName.data(), "Gain R129"));
static_assert(TextEquals(kQvx2ParamTable[kQvx2NumHostParams - 1].szName.data(),
                         kbQvx2StandardEdition ? "FFT Bands B" : "M/S Mode B"));
static_assert(kQvx2QualityRating == (kbQvx2StandardEdition ? 297 : 298));
static_assert(kbQvx2StandardEdition == (kQvx2MSMode < 0 && kQvx2DitherMode < 0 && kQvx2Wysiwyg < 0 &&
                                        kQvx2OfflineRender < 0));

void Qvx2CopyText(char* dst, const char* src, int size) {
  if (dst == nullptr || size <= 0) return;
  if (src == nullptr) src = "";
  const std::size_t n = strnlen(src, static_cast<std::size_t>(size - 1));
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}
