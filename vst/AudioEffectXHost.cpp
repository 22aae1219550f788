// AudioEffectX: the wrappers that call the host, one opcode each, and the
// speaker-arrangement helpers. Without a host callback every wrapper answers
// its fallback and calls nothing (callHost answers 0).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Helpers/Assert.h"
#include "vst/AudioEffectX.h"
#include "vst/VstArgs.h"
#include "vst/VstText.h"

namespace {

template <typename T>
T* AsPointer(VstIntPtr answer) {
  return reinterpret_cast<T*>(answer);
}

VstInt32 AsInt(VstIntPtr answer) {
  VstInt32 v = 0;
  return vstargs::AsInt32(answer, v) ? v : 0;
}

}  // namespace

bool AudioEffectX::beginEdit(VstInt32 index) {
  XR_TRY
  if (!audioMaster || !isHostParameterIndex(index) || !getIsIndexValidForEditing(index)) return false;
  return callHost(audioMasterBeginEdit, index) != 0;
  XR_CATCH(false)
}

bool AudioEffectX::endEdit(VstInt32 index) {
  XR_TRY
  if (!audioMaster || !isHostParameterIndex(index) || !getIsIndexValidForEditing(index)) return false;
  return callHost(audioMasterEndEdit, index) != 0;
  XR_CATCH(false)
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

float AudioEffectX::updateSampleRate() {
  XR_TRY
  const VstIntPtr answer = callHost(audioMasterGetSampleRate);
  if (answer > 0 && isUsableSampleRate(static_cast<double>(answer))) sampleRate = static_cast<float>(answer);
  return sampleRate;
  XR_CATCH(sampleRate)
}

VstInt32 AudioEffectX::updateBlockSize() {
  XR_TRY
  VstInt32 answer = 0;
  if (vstargs::AsInt32(callHost(audioMasterGetBlockSize), answer) && answer > 0) blockSize = answer;
  return blockSize;
  XR_CATCH(blockSize)
}

VstInt32 AudioEffectX::getInputLatency() { return AsInt(callHost(audioMasterGetInputLatency)); }
VstInt32 AudioEffectX::getOutputLatency() { return AsInt(callHost(audioMasterGetOutputLatency)); }

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
  return AsPointer<VstTimeInfo>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() { return AsInt(callHost(audioMasterGetCurrentProcessLevel)); }
VstInt32 AudioEffectX::getAutomationState() { return AsInt(callHost(audioMasterGetAutomationState)); }


bool AudioEffectX::getHostVendorString(char* text) {
  XR_TRY
  if (!audioMaster || !text) return false;
  char scratch[vsttext::kScratchSize] = {};
  const bool answer = callHost(audioMasterGetVendorString, 0, 0, scratch) != 0;
  scratch[sizeof scratch - 1] = 0;
  vsttext::CopyText(text, scratch, kVstMaxVendorStrLen);
  return answer;
  XR_CATCH(false)
}

bool AudioEffectX::getHostProductString(char* text) {
  XR_TRY
  if (!audioMaster || !text) return false;
  char scratch[vsttext::kScratchSize] = {};
  const bool answer = callHost(audioMasterGetProductString, 0, 0, scratch) != 0;
  scratch[sizeof scratch - 1] = 0;
  vsttext::CopyText(text, scratch, kVstMaxProductStrLen);
  return answer;
  XR_CATCH(false)
}

VstInt32 AudioEffectX::getHostVendorVersion() { return AsInt(callHost(audioMasterGetVendorVersion)); }

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) {
  return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

bool AudioEffectX::canHostDo(const char* text) {
  XR_TRY
  if (!audioMaster || !text) return false;
  // Hosts read the text only; the interface's pointer is not const.
  return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0;
  XR_CATCH(false)
}

VstInt32 AudioEffectX::getHostLanguage() { return AsInt(callHost(audioMasterGetLanguage)); }
void* AudioEffectX::getDirectory() { return AsPointer<void>(callHost(audioMasterGetDirectory)); }
bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
  return ptr && callHost(audioMasterOpenFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr) {
  return ptr && callHost(audioMasterCloseFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource) {
  return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstOfflineOption option) {
  return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
  return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() { return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0; }
VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
  return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }
VstInt32 AudioEffectX::tempoAt(VstInt32 pos) { return AsInt(callHost(audioMasterTempoAt, 0, pos)); }
VstInt32 AudioEffectX::getNumAutomatableParameters() {
  return AsInt(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 AudioEffectX::getParameterQuantization() {
  return AsInt(callHost(audioMasterGetParameterQuantization));
}
bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle) != 0; }
AEffect* AudioEffectX::getPreviousPlug(VstInt32) { return AsPointer<AEffect>(callHost(audioMasterGetPreviousPlug)); }
AEffect* AudioEffectX::getNextPlug(VstInt32) { return AsPointer<AEffect>(callHost(audioMasterGetNextPlug)); }
VstInt32 AudioEffectX::willProcessReplacing() { return AsInt(callHost(audioMasterWillReplaceOrAccumulate)); }
void AudioEffectX::setOutputSamplerate(float samplerate) {
  callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}
VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
  return AsPointer<VstSpeakerArrangement>(callHost(audioMasterGetInputSpeakerArrangement));
}
VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
  return AsPointer<VstSpeakerArrangement>(callHost(audioMasterGetOutputSpeakerArrangement));
}
void* AudioEffectX::openWindow(VstWindow* window) {
  return AsPointer<void>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool AudioEffectX::closeWindow(VstWindow* window) { return callHost(audioMasterCloseWindow, 0, 0, window) != 0; }
bool AudioEffectX::getChunkFile(void* nativePath) {
  return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
  return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

// ---- Speaker arrangements --------------------------------------------------
// Arrangements are allocated here with calloc and must be freed with
// deallocateArrangement. Each allocation has room for at least the eight
// speakers the structure declares, so code that reads the declared array
// never runs past the block.

namespace {
// Speaker i of an arrangement that may hold more than the eight speakers the
// structure declares: addressed within the allocated block, not the array.
VstSpeakerProperties* SpeakerAt(VstSpeakerArrangement* arrangement, VstInt32 i) {
  auto* first = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) +
                                                        offsetof(VstSpeakerArrangement, speakers));
  return first + i;
}
}  // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels) {
  XR_TRY
  if (!arrangement || nbChannels < 0) return false;
  std::free(*arrangement);
  *arrangement = nullptr;
  const size_t needed = offsetof(VstSpeakerArrangement, speakers) +
                        static_cast<size_t>(nbChannels) * sizeof(VstSpeakerProperties);
  void* block = std::calloc(1, std::max(needed, sizeof(VstSpeakerArrangement)));
  if (!block) return false;
  *arrangement = static_cast<VstSpeakerArrangement*>(block);
  (*arrangement)->numChannels = nbChannels;
  return true;
  XR_CATCH(false)
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
  if (!arrangement) return false;
  std::free(*arrangement);
  *arrangement = nullptr;
  return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
  if (!to || !from) return false;
  vsttext::CopyText(to->name, from->name, kVstMaxNameLen - 1);
  to->type = from->type;
  to->azimuth = from->azimuth;
  to->elevation = from->elevation;
  to->radius = from->radius;
  to->reserved = from->reserved;
  std::memcpy(to->future, from->future, sizeof to->future);
  return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
  XR_TRY
  if (!from || !to) return false;
  if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) return false;
  (*to)->type = from->type;
  for (VstInt32 i = 0; i < from->numChannels; ++i)
    if (!copySpeaker(SpeakerAt(*to, i), SpeakerAt(from, i))) return false;
  return true;
  XR_CATCH(false)
}
