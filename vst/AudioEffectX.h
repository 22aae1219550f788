// The extended effect class: requests 25..79 of the dispatcher, the rest of
// the host-call wrappers, and the speaker-arrangement helpers. Adds no fields.
//
// Thread contract: as AudioEffect. getTimeInfo may be called on the audio
// thread (the host answers from its own storage); every other host call
// belongs to the user-interface or idle side. The host decides which of its
// callbacks are safe on which thread.
//
// Operations marked [host] call the host through its callback and answer the
// fallback given beside them when there is none.
#pragma once

#include "vst/AudioEffect.h"

class AudioEffectX : public AudioEffect {
 public:
  AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  ~AudioEffectX() override;

  // Requests 25..79; every other opcode goes to AudioEffect::dispatcher.
  VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
  // Asks the host for events when the effect is a synth or can receive MIDI.
  void resume() override;

  virtual bool canParameterBeAutomated(VstInt32 index);
  // `text` may be null: the host asks whether conversion is supported.
  virtual bool string2parameter(VstInt32 index, char* text);
  virtual bool getParameterProperties(VstInt32 index, VstParameterProperties* p);
  // [host] false without calling for an index that is no host parameter or
  // that getIsIndexValidForEditing rejects.
  virtual bool beginEdit(VstInt32 index);
  virtual bool endEdit(VstInt32 index);
  virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text);
  virtual bool beginSetProgram();
  virtual bool endSetProgram();
  virtual VstInt32 beginLoadBank(VstPatchChunkInfo* ptr);
  virtual VstInt32 beginLoadProgram(VstPatchChunkInfo* ptr);
  virtual bool ioChanged();                // [host] false
  virtual float updateSampleRate();        // [host] the sample rate
  virtual VstInt32 updateBlockSize();      // [host] the block size
  virtual VstInt32 getInputLatency();      // [host] 0
  virtual VstInt32 getOutputLatency();     // [host] 0
  virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties);
  virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties);
  virtual bool setSpeakerArrangement(VstSpeakerArrangement* pluginInput, VstSpeakerArrangement* pluginOutput);
  virtual bool getSpeakerArrangement(VstSpeakerArrangement** pluginInput, VstSpeakerArrangement** pluginOutput);
  virtual bool setBypass(bool onOff);
  virtual bool setPanLaw(VstInt32 type, float val);
  virtual bool setProcessPrecision(VstInt32 precision);
  virtual VstInt32 getNumMidiInputChannels();
  virtual VstInt32 getNumMidiOutputChannels();
  virtual VstTimeInfo* getTimeInfo(VstInt32 filter);  // [host] null
  virtual VstInt32 getCurrentProcessLevel();          // [host] 0
  virtual VstInt32 getAutomationState();              // [host] 0
  virtual VstInt32 processEvents(VstEvents* events);
  virtual VstInt32 startProcess();
  virtual VstInt32 stopProcess();
  virtual bool processVariableIo(VstVariableIo* varIo);
  virtual VstInt32 setTotalSampleToProcess(VstInt32 value);
  // [host] false. `text` receives at most kVstMaxVendorStrLen characters.
  virtual bool getHostVendorString(char* text);
  // [host] false. `text` receives at most kVstMaxProductStrLen characters.
  virtual bool getHostProductString(char* text);
  virtual VstInt32 getHostVendorVersion();                                        // [host] 0
  virtual VstIntPtr hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg);  // [host] 0
  // [host] false. Any answer but 0 counts as true.
  virtual bool canHostDo(const char* text);
  virtual VstInt32 getHostLanguage();  // [host] 0
  virtual void isSynth(bool state);
  virtual void noTail(bool state);
  virtual VstInt32 getGetTailSize();
  virtual void* getDirectory();  // [host] null
  // Identity texts: the buffer holds room for 255 characters; the dispatcher
  // cuts the result to the published length.
  virtual bool getEffectName(char* name);
  virtual bool getVendorString(char* text);
  virtual bool getProductString(char* text);
  virtual VstInt32 getVendorVersion();
  // Vendor messages; `value` may carry a pointer, hence its width.
  virtual VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg);
  // 1 yes, -1 no, 0 do not know. `text` is terminated.
  virtual VstInt32 canDo(const char* text);
  virtual VstInt32 getVstVersion();
  virtual VstInt32 getPlugCategory();
  virtual VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* midiProgramName);
  virtual VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* currentProgram);
  virtual VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* category);
  virtual bool hasMidiProgramsChanged(VstInt32 channel);
  virtual bool getMidiKeyName(VstInt32 channel, MidiKeyName* keyName);
  virtual bool updateDisplay();                            // [host] false
  virtual bool sizeWindow(VstInt32 width, VstInt32 height);  // [host] false
  virtual bool openFileSelector(VstFileSelect* ptr);       // [host] false; false for null
  virtual bool closeFileSelector(VstFileSelect* ptr);      // [host] false; false for null
  virtual VstInt32 getNextShellPlugin(char* name);
  // Speaker-arrangement helpers; they call nothing.
  virtual bool allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels);
  virtual bool deallocateArrangement(VstSpeakerArrangement** arrangement);
  virtual bool copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from);
  virtual bool matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);
  virtual bool offlineRead(VstOfflineTask* offline, VstOfflineOption option, bool readSource);  // [host] false
  virtual bool offlineWrite(VstOfflineTask* offline, VstOfflineOption option);                 // [host] false
  virtual bool offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles);  // [host] false
  virtual VstInt32 offlineGetCurrentPass();      // [host] 0
  virtual VstInt32 offlineGetCurrentMetaPass();  // [host] 0
  virtual bool offlineNotify(VstAudioFile* ptr, VstInt32 numAudioFiles, bool start);
  virtual bool offlinePrepare(VstOfflineTask* offline, VstInt32 count);
  virtual bool offlineRun(VstOfflineTask* offline, VstInt32 count);
  virtual VstInt32 offlineGetNumPasses();
  virtual VstInt32 offlineGetNumMetaPasses();
  virtual void wantEvents(VstInt32 filter);  // [host]
  virtual VstInt32 tempoAt(VstInt32 pos);    // [host] 0
  virtual VstInt32 getNumAutomatableParameters();  // [host] 0
  virtual VstInt32 getParameterQuantization();     // [host] 0
  virtual VstInt32 getNumCategories();
  virtual bool copyProgram(VstInt32 destination);
  virtual bool needIdle();                       // [host] false
  virtual AEffect* getPreviousPlug(VstInt32 input);  // [host] null
  virtual AEffect* getNextPlug(VstInt32 output);     // [host] null
  virtual void inputConnected(VstInt32 index, bool state);
  virtual void outputConnected(VstInt32 index, bool state);
  virtual VstInt32 willProcessReplacing();  // [host] 0
  virtual void wantAsyncOperation(bool state);
  virtual void hasExternalBuffer(bool state);
  virtual VstInt32 reportCurrentPosition();
  virtual float* reportDestinationBuffer();
  virtual void setOutputSamplerate(float samplerate);  // [host]
  virtual VstSpeakerArrangement* getInputSpeakerArrangement();   // [host] null
  virtual VstSpeakerArrangement* getOutputSpeakerArrangement();  // [host] null
  virtual void* openWindow(VstWindow* window);  // [host] null
  virtual bool closeWindow(VstWindow* window);  // [host] false
  virtual void setBlockSizeAndSampleRate(VstInt32 blockSize, float sampleRate);
  virtual bool getErrorText(char* text);
  virtual void* getIcon();
  virtual bool setViewPosition(VstInt32 x, VstInt32 y);
  virtual VstInt32 fxIdle();
  virtual bool keysRequired();
  virtual bool getChunkFile(void* nativePath);  // [host] false; false for null

  // [host] true only when the host answers 1. Not virtual.
  bool sendVstEventsToHost(VstEvents* events);
};
