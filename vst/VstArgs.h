// Conversions of host arguments that must neither truncate nor invoke
// undefined behaviour: the dispatcher's 64-bit value read as an int, and
// floats from the host read as integers. [any thread]
#pragma once

#include <cmath>
#include <limits>

#include "vst/VstInterface.h"

namespace vstargs {

// True when the 64-bit value is an int32; stores it then.
inline bool AsInt32(VstIntPtr value, VstInt32& out) {
  if (value < std::numeric_limits<VstInt32>::min() || value > std::numeric_limits<VstInt32>::max())
    return false;
  out = static_cast<VstInt32>(value);
  return true;
}

// Truncates toward zero and saturates to the int32 range; NaN gives 0.
inline VstInt32 SaturatingInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<VstInt32>::max();
  if (value <= -2147483648.0) return std::numeric_limits<VstInt32>::min();
  return static_cast<VstInt32>(value);
}

}  // namespace vstargs
