#include "gui/GuiTypes.h"

#include <algorithm>
#include <utility>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/GuiTypes");

CRect& CRect::normalize() {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  return *this;
}

CRect& CRect::bound(const CRect& other) {
  left = std::max(left, other.left);
  top = std::max(top, other.top);
  right = std::min(right, other.right);
  bottom = std::min(bottom, other.bottom);
  right = std::max(right, left);
  bottom = std::max(bottom, top);
  return *this;
}
