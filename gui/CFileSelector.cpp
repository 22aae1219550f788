#include "gui/CFileSelector.h"

#include "Helpers/Assert.h"
#include "vst/AudioEffectX.h"

XR_REGISTER_SOURCE_FILE("gui/CFileSelector.cpp");

CFileSelector::CFileSelector(void* effect) : ptr(effect) {}

CFileSelector::~CFileSelector() {
  if (hostFilled && vstFileSelect && ptr) static_cast<AudioEffectX*>(ptr)->closeFileSelector(vstFileSelect);
}

long CFileSelector::run(VstFileSelect* record) {
  // A record the host filled before goes back to it before it is reused.
  if (hostFilled && vstFileSelect && ptr) static_cast<AudioEffectX*>(ptr)->closeFileSelector(vstFileSelect);
  hostFilled = false;
  vstFileSelect = record;
  if (!record) return 0;
  record->nbReturnPath = 0;
  if (record->returnPath && record->sizeReturnPath > 0) record->returnPath[0] = 0;

  AudioEffectX* effect = static_cast<AudioEffectX*>(ptr);
  if (!effect || !effect->canHostDo("openFileSelector") || !effect->canHostDo("closeFileSelector")) return 0;
  if (!effect->openFileSelector(record)) return 0;
  hostFilled = true;
  return record->nbReturnPath;
}
