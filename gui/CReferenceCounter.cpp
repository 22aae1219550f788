#include "gui/CReferenceCounter.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/CReferenceCounter");

void CReferenceCounter::forget() {
  if (--nbReference == 0) delete this;
}

void CReferenceCounter::remember() { ++nbReference; }
