#include "vst/AudioEffect.h"

#include <cmath>
#include <cstring>

#include "Helpers/Assert.h"
#include "vst/AEffEditor.h"
#include "vst/VstArgs.h"
#include "vst/VstText.h"

namespace {

constexpr VstInt32 kNoEffectId = VstFourCC('N', 'o', 'E', 'f');
constexpr VstInt32 kIdentifyAnswer = VstFourCC('N', 'v', 'E', 'f');

AudioEffect* EffectOf(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0) {
  std::memset(&cEffect, 0, sizeof cEffect);
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = &AudioEffect::dispatchEffectClass;
  cEffect.process = &AudioEffect::processClass;
  cEffect.setParameter = &AudioEffect::setParameterClass;
  cEffect.getParameter = &AudioEffect::getParameterClass;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = effFlagsCanReplacing;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = kNoEffectId;
  cEffect.version = 1;
  cEffect.processReplacing = &AudioEffect::processClassReplacing;
  cEffect.processDoubleReplacing = &AudioEffect::processClassDoubleReplacing;
}

AudioEffect::~AudioEffect() {
  XR_TRY
  AEffEditor* e = editor;
  editor = nullptr;
  delete e;
  XR_CATCH_VOID
}

// ---- Record functions: the host boundary -------------------------------

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt) {
  AudioEffect* effect = EffectOf(e);
  if (!effect) return 0;
  if (opcode == effClose) {
    // The effect dies with the request even when its close handler throws:
    // the host makes no further call on this record.
    try {
      effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
      HandleException(__PRETTY_FUNCTION__);
    }
    try {
      delete effect;
    } catch (...) {
      HandleException(__PRETTY_FUNCTION__);
    }
    return 1;
  }
  XR_TRY
  return effect->dispatcher(opcode, index, value, ptr, opt);
  XR_CATCH(0)
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
  XR_TRY
  AudioEffect* effect = EffectOf(e);
  if (!effect || !effect->isHostParameterIndex(index)) return 0.0f;
  return effect->getParameter(index);
  XR_CATCH(0.0f)
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
  XR_TRY
  AudioEffect* effect = EffectOf(e);
  // Parameters are normalised to 0..1. A NaN is dropped rather than stored,
  // since later integer conversions of the value would be undefined.
  if (!effect || !effect->isHostParameterIndex(index) || std::isnan(value)) return;
  effect->setParameter(index, value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value));
  XR_CATCH_VOID
}

namespace {
// True when the buffers the host hands in are usable for the record's
// channel counts.
template <typename T>
bool BuffersUsable(const AEffect& r, T** inputs, T** outputs, VstInt32 sampleFrames) {
  if (sampleFrames < 0) return false;
  if (r.numInputs > 0) {
    if (!inputs) return false;
    for (VstInt32 i = 0; i < r.numInputs; ++i)
      if (!inputs[i]) return false;
  }
  if (r.numOutputs > 0) {
    if (!outputs) return false;
    for (VstInt32 i = 0; i < r.numOutputs; ++i)
      if (!outputs[i]) return false;
  }
  return true;
}
}  // namespace

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
  XR_TRY
  AudioEffect* effect = EffectOf(e);
  if (effect && BuffersUsable(*e, inputs, outputs, sampleFrames)) effect->process(inputs, outputs, sampleFrames);
  XR_CATCH_VOID
}

void AudioEffect::processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
  XR_TRY
  AudioEffect* effect = EffectOf(e);
  if (effect && BuffersUsable(*e, inputs, outputs, sampleFrames))
    effect->processReplacing(inputs, outputs, sampleFrames);
  XR_CATCH_VOID
}

void AudioEffect::processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 sampleFrames) {
  XR_TRY
  AudioEffect* effect = EffectOf(e);
  if (effect && BuffersUsable(*e, inputs, outputs, sampleFrames))
    effect->processDoubleReplacing(inputs, outputs, sampleFrames);
  XR_CATCH_VOID
}

// ---- Dispatcher for requests 0..24 -----------------------------------------

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  XR_TRY
  VstInt32 v = 0;
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effClose:
      close();
      return 0;
    case effSetProgram:
      // Compared in 64 bits: a value of 2^32 must not pass as program 0.
      if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
      return 0;
    case effGetProgram:
      return getProgram();
    case effSetProgramName: {
      if (!ptr) return 0;
      char name[kVstMaxProgNameLen + 1];
      vsttext::CopyText(name, static_cast<const char*>(ptr), kVstMaxProgNameLen);
      setProgramName(name);
      return 0;
    }
    case effGetProgramName:
      if (ptr) vsttext::GetTextForHost(ptr, kVstMaxProgNameLen, [&](char* t) { getProgramName(t); });
      return 0;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
      if (!ptr) return 0;
      if (!isHostParameterIndex(index)) {
        static_cast<char*>(ptr)[0] = 0;
        return 0;
      }
      // Names, labels and display texts run past the nominal 8 characters
      // (hosts show them whole), within the 24 bytes every host gives.
      if (opcode == effGetParamLabel)
        vsttext::GetTextForHost(ptr, vsttext::kParamTextLen, [&](char* t) { getParameterLabel(index, t); });
      else if (opcode == effGetParamDisplay)
        vsttext::GetTextForHost(ptr, vsttext::kParamTextLen, [&](char* t) { getParameterDisplay(index, t); });
      else
        vsttext::GetTextForHost(ptr, vsttext::kParamTextLen, [&](char* t) { getParameterName(index, t); });
      return 0;
    case effGetVu:
      return vstargs::SaturatingInt32(static_cast<double>(getVu()) * 32767.0);
    case effSetSampleRate:
      if (isUsableSampleRate(opt)) setSampleRate(opt);
      return 0;
    case effSetBlockSize:
      if (vstargs::AsInt32(value, v) && v > 0) setBlockSize(v);
      return 0;
    case effMainsChanged:
      if (value == 0)
        suspend();
      else
        resume();
      return 0;
    case effEditGetRect:
      if (!editor || !ptr) return 0;
      return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
      if (!editor || !ptr) return 0;
      return editor->open(ptr) ? 1 : 0;
    case effEditClose:
      if (editor) editor->close();
      return 0;
    case effEditDraw:
      if (editor) editor->draw(static_cast<ERect*>(ptr));
      return 0;
    case effEditMouse:
      if (!editor || !vstargs::AsInt32(value, v)) return 0;
      return editor->mouse(index, v);
    case effEditKey:
      if (!editor || !vstargs::AsInt32(value, v)) return 0;
      return editor->key(v);
    case effEditIdle:
      if (editor) editor->idle();
      return 0;
    case effEditTop:
      if (editor) editor->top();
      return 0;
    case effEditSleep:
      if (editor) editor->sleep();
      return 0;
    case effIdentify:
      return kIdentifyAnswer;
    case effGetChunk:
      if (!ptr) return 0;
      return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      if (!ptr || !vstargs::AsInt32(value, v) || v < 0) return 0;
      return setChunk(ptr, v, index != 0);
    default:
      return 0;
  }
  XR_CATCH(0)
}

// ---- Defaults of the virtual operations ------------------------------------

void AudioEffect::setSampleRate(float rate) { sampleRate = rate; }
void AudioEffect::setBlockSize(VstInt32 size) { blockSize = size; }

void AudioEffect::processDoubleReplacing(double**, double**, VstInt32) {}

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) { return 0.0f; }

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
  XR_TRY
  setParameter(index, value);
  if (getIsIndexValidForEditing(index)) sendAutomationToHost(index, value);
  XR_CATCH_VOID
}

bool AudioEffect::getIsIndexValidForEditing(VstInt32) { return true; }

VstInt32 AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(VstInt32 program) {
  if (program >= 0 && program < numPrograms) curProgram = program;
}
void AudioEffect::setProgramName(char*) {}
void AudioEffect::getProgramName(char* name) {
  if (name) name[0] = 0;
}
void AudioEffect::getParameterLabel(VstInt32, char* label) {
  if (label) label[0] = 0;
}
void AudioEffect::getParameterDisplay(VstInt32, char* text) {
  if (text) text[0] = 0;
}
void AudioEffect::getParameterName(VstInt32, char* text) {
  if (text) text[0] = 0;
}

VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

void AudioEffect::setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
void AudioEffect::setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
void AudioEffect::setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
void AudioEffect::setInitialDelay(VstInt32 delay) {
  // Hosts read the record's delay on threads of their own, at any time.
  __atomic_store_n(&cEffect.initialDelay, delay, __ATOMIC_RELAXED);
}

AEffEditor* AudioEffect::getEditor() { return editor; }
void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  setFlag(effFlagsHasEditor, newEditor != nullptr);
}
AEffect* AudioEffect::getAeffect() { return &cEffect; }
float AudioEffect::getSampleRate() { return sampleRate; }
VstInt32 AudioEffect::getBlockSize() { return blockSize; }

void AudioEffect::process(float**, float**, VstInt32) {}
float AudioEffect::getVu() { return 0.0f; }

void AudioEffect::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void AudioEffect::setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
void AudioEffect::setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }

void AudioEffect::setFlag(VstInt32 flag, bool state) {
  if (state)
    cEffect.flags |= flag;
  else
    cEffect.flags &= ~flag;
}

// ---- Host calls of this class ----------------------------------------------

namespace {
// The audio thread calls the host too (the process level): initial-exec, as
// the audio thread's mark (Helpers/AudioThread.h), so that its first call on
// a host thread older than the module takes no loader lock and allocates
// nothing.
__attribute__((tls_model("initial-exec"))) thread_local int t_nHostCallDepth = 0;
}  // namespace

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  XR_TRY
  if (!audioMaster) return 0;
  struct Depth {
    Depth() { ++t_nHostCallDepth; }
    ~Depth() { --t_nHostCallDepth; }
  } inside;
  return audioMaster(&cEffect, opcode, index, value, ptr, opt);
  XR_CATCH(0)
}

bool AudioEffect::isInsideHostCall() { return t_nHostCallDepth > 0; }

bool AudioEffect::sendAutomationToHost(VstInt32 index, float value) {
  XR_TRY
  if (!audioMaster || !isHostParameterIndex(index)) return false;
  callHost(audioMasterAutomate, index, 0, nullptr, value);
  return true;
  XR_CATCH(false)
}

VstInt32 AudioEffect::getMasterVersion() {
  XR_TRY
  if (!audioMaster) return 1;
  const VstIntPtr answer = callHost(audioMasterVersion);
  VstInt32 version = 0;
  if (!vstargs::AsInt32(answer, version) || version == 0) return 1;
  return version;
  XR_CATCH(1)
}

VstInt32 AudioEffect::getCurrentUniqueId() {
  XR_TRY
  return static_cast<VstInt32>(callHost(audioMasterCurrentId));
  XR_CATCH(0)
}

void AudioEffect::masterIdle() {
  XR_TRY
  callHost(audioMasterIdle);
  XR_CATCH_VOID
}

bool AudioEffect::isInputConnected(VstInt32 input) {
  XR_TRY
  if (!audioMaster) return true;
  return callHost(audioMasterPinConnected, input, 0) == 0;
  XR_CATCH(true)
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
  XR_TRY
  if (!audioMaster) return true;
  return callHost(audioMasterPinConnected, output, 1) == 0;
  XR_CATCH(true)
}
