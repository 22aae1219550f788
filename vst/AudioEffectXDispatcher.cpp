// AudioEffectX::dispatcher: requests 25..79. Every pointer, index and text
// from the host is checked here before a virtual operation sees it; a request
// whose arguments cannot be used answers 0.
#include <cmath>

#include "Helpers/Assert.h"
#include "vst/AEffEditor.h"
#include "vst/AudioEffectX.h"
#include "vst/VstArgs.h"
#include "vst/VstText.h"

namespace {

// Longest text accepted from the host for a can-do query or a parameter
// string.
constexpr int kHostQueryLen = vsttext::kScratchSize - 1;

VstIntPtr Bool(bool b) { return b ? 1 : 0; }

VstIntPtr PointerAnswer(const void* p) { return reinterpret_cast<VstIntPtr>(p); }

}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  XR_TRY
  using vstargs::AsInt32;
  VstInt32 v = 0;
  switch (opcode) {
    case effProcessEvents:
      return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
      return isHostParameterIndex(index) ? Bool(canParameterBeAutomated(index)) : 0;
    case effString2Parameter: {
      if (!isHostParameterIndex(index)) return 0;
      if (!ptr) return Bool(string2parameter(index, nullptr));
      char text[kHostQueryLen + 1];
      vsttext::ReadHostText(text, ptr, kHostQueryLen);
      return Bool(string2parameter(index, text));
    }
    case effGetNumProgramCategories:
      return getNumCategories();
    case effGetProgramNameIndexed: {
      if (!ptr || index < 0 || index >= numPrograms || !AsInt32(value, v)) return 0;
      bool answer = false;
      vsttext::GetTextForHost(ptr, kVstMaxProgNameLen,
                              [&](char* t) { answer = getProgramNameIndexed(v, index, t); });
      return Bool(answer);
    }
    case effCopyProgram:
      return (index >= 0 && index < numPrograms) ? Bool(copyProgram(index)) : 0;
    case effConnectInput:
      inputConnected(index, value != 0);
      return 1;
    case effConnectOutput:
      outputConnected(index, value != 0);
      return 1;
    case effGetInputProperties:
      if (!ptr || index < 0 || index >= cEffect.numInputs) return 0;
      return Bool(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
      if (!ptr || index < 0 || index >= cEffect.numOutputs) return 0;
      return Bool(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
      return getPlugCategory();
    case effGetCurrentPosition:
      return reportCurrentPosition();
    case effGetDestinationBuffer:
      return PointerAnswer(reportDestinationBuffer());
    case effOfflineNotify:
      if (!ptr || !AsInt32(value, v)) return 0;
      return Bool(offlineNotify(static_cast<VstAudioFile*>(ptr), v, index != 0));
    case effOfflinePrepare:
      if (!ptr || !AsInt32(value, v)) return 0;
      return Bool(offlinePrepare(static_cast<VstOfflineTask*>(ptr), v));
    case effOfflineRun:
      if (!ptr || !AsInt32(value, v)) return 0;
      return Bool(offlineRun(static_cast<VstOfflineTask*>(ptr), v));
    case effProcessVarIo:
      return ptr ? Bool(processVariableIo(static_cast<VstVariableIo*>(ptr))) : 0;
    case effSetSpeakerArrangement:
      // The input arrangement's address travels in the 64-bit value.
      if (value == 0 || !ptr) return 0;
      return Bool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                        static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
      if (!AsInt32(value, v) || v <= 0 || !isUsableSampleRate(opt)) return 0;
      setBlockSizeAndSampleRate(v, opt);
      return 1;
    case effSetBypass:
      return Bool(setBypass(value != 0));
    case effGetEffectName: {
      bool answer = false;
      vsttext::GetTextForHost(ptr, kVstMaxEffectNameLen, [&](char* t) { answer = getEffectName(t); });
      return ptr ? Bool(answer) : 0;
    }
    case effGetErrorText: {
      bool answer = false;
      vsttext::GetTextForHost(ptr, kVstMaxNameLen - 1, [&](char* t) { answer = getErrorText(t); });
      return ptr ? Bool(answer) : 0;
    }
    case effGetVendorString: {
      bool answer = false;
      vsttext::GetTextForHost(ptr, kVstMaxVendorStrLen, [&](char* t) { answer = getVendorString(t); });
      return ptr ? Bool(answer) : 0;
    }
    case effGetProductString: {
      bool answer = false;
      vsttext::GetTextForHost(ptr, kVstMaxProductStrLen, [&](char* t) { answer = getProductString(t); });
      return ptr ? Bool(answer) : 0;
    }
    case effGetVendorVersion:
      return getVendorVersion();
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effCanDo: {
      if (!ptr) return 0;
      char text[kHostQueryLen + 1];
      vsttext::ReadHostText(text, ptr, kHostQueryLen);
      return canDo(text);
    }
    case effGetTailSize:
      return getGetTailSize();
    case effIdle:
      return fxIdle();
    case effGetIcon:
      return PointerAnswer(getIcon());
    case effSetViewPosition:
      if (!AsInt32(value, v)) return 0;
      return Bool(setViewPosition(index, v));
    case effGetParameterProperties:
      if (!ptr || !isHostParameterIndex(index)) return 0;
      return Bool(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
      return keysRequired() ? 0 : 1;
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!editor) return 0;
      VstKeyCode key;
      key.character = index;
      key.virt = static_cast<unsigned char>(value & 0xFF);
      key.modifier = static_cast<unsigned char>(vstargs::SaturatingInt32(opt) & 0xFF);
      return Bool(opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key));
    }
    case effSetEditKnobMode:
      if (!editor || !AsInt32(value, v)) return 0;
      return Bool(editor->setKnobMode(v));
    case effGetMidiProgramName:
      return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
    case effGetCurrentMidiProgram:
      return ptr ? getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr)) : -1;
    case effGetMidiProgramCategory:
      return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
    case effHasMidiProgramsChanged:
      return Bool(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
      return ptr ? Bool(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr))) : 0;
    case effBeginSetProgram:
      return Bool(beginSetProgram());
    case effEndSetProgram:
      return Bool(endSetProgram());
    case effGetSpeakerArrangement:
      // The address of the input arrangement pointer travels in the value.
      if (value == 0 || !ptr) return 0;
      return Bool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                        static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin: {
      if (!ptr) return 0;
      VstInt32 id = 0;
      vsttext::GetTextForHost(ptr, kVstMaxProductStrLen, [&](char* t) { id = getNextShellPlugin(t); });
      return id;
    }
    case effStartProcess:
      return startProcess();
    case effStopProcess:
      return stopProcess();
    case effSetTotalSampleToProcess:
      return AsInt32(value, v) ? setTotalSampleToProcess(v) : 0;
    case effSetPanLaw:
      if (!AsInt32(value, v)) return 0;
      return Bool(setPanLaw(v, opt));
    case effBeginLoadBank:
      return ptr ? beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    case effBeginLoadProgram:
      return ptr ? beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
    case effSetProcessPrecision:
      if (!AsInt32(value, v)) return 0;
      return Bool(setProcessPrecision(v));
    case effGetNumMidiInputChannels:
      return getNumMidiInputChannels();
    case effGetNumMidiOutputChannels:
      return getNumMidiOutputChannels();
    default:
      return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
  XR_CATCH(0)
}
