// The effect layer's base class: owns the record handed to the host and turns
// every call the host makes through it into a call of a virtual operation.
//
// Thread contract:
// - dispatcher, setParameter, getParameter and the text getters: the host's
//   threads as it chooses (in practice the user-interface thread).
// - processReplacing, processDoubleReplacing, process: the host's audio thread.
// - The field setters and getters: construction and the user-interface thread.
// - The host-call wrappers run on the calling thread and hold no lock.
// - The value-text helpers write only into the caller's buffer: any thread.
//
// The record functions (dispatchEffectClass and friends) and the two
// dispatchers are the boundary to the host: they catch every exception,
// check what the host hands in (parameter and program indexes, pointers,
// buffers, text lengths, sample rate and block size, values wider than 32
// bits) before a virtual operation sees it, and answer 0 otherwise.
#pragma once

#include <atomic>

#include "vst/VstInterface.h"

class AEffEditor;

class AudioEffect {
 public:
  // Fills the record: numInputs 1, numOutputs 2, replacing processing, unique
  // id 'NoEf', version 1; the derived classes complete it.
  AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  // Deletes the editor, if any.
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  // Requests 0..24; every other opcode answers 0. Each request's index,
  // value, pointer and texts are checked here before a virtual operation
  // sees them.
  virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}

  virtual void setSampleRate(float sampleRate);
  virtual void setBlockSize(VstInt32 blockSize);

  // [audio thread] Every effect supplies it.
  virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
  // [audio thread]
  virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);

  virtual void setParameter(VstInt32 index, float value);
  virtual float getParameter(VstInt32 index);
  // setParameter, then reports the value to the host as automation when the
  // index is a host parameter and getIsIndexValidForEditing accepts it.
  virtual void setParameterAutomated(VstInt32 index, float value);
  // Whether an index may be reported to the host as an edit.
  virtual bool getIsIndexValidForEditing(VstInt32 index);

  virtual VstInt32 getProgram();
  virtual void setProgram(VstInt32 program);
  // `name` holds at most kVstMaxProgNameLen characters.
  virtual void setProgramName(char* name);
  // Text getters: the buffer holds room for 255 characters; the dispatcher
  // cuts the result to the published length before the host sees it.
  virtual void getProgramName(char* name);
  virtual void getParameterLabel(VstInt32 index, char* label);
  virtual void getParameterDisplay(VstInt32 index, char* text);
  virtual void getParameterName(VstInt32 index, char* text);

  virtual VstInt32 getChunk(void** data, bool isPreset);
  virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);

  virtual void setUniqueID(VstInt32 iD);
  virtual void setNumInputs(VstInt32 inputs);
  virtual void setNumOutputs(VstInt32 outputs);
  virtual void canProcessReplacing(bool state);
  virtual void canDoubleReplacing(bool state);
  virtual void programsAreChunks(bool state);
  virtual void setInitialDelay(VstInt32 delay);

  virtual AEffEditor* getEditor();
  // Stores the editor (owned from now on) and sets the has-editor flag
  // exactly when it is not null.
  virtual void setEditor(AEffEditor* editor);
  virtual AEffect* getAeffect();
  virtual float getSampleRate();
  virtual VstInt32 getBlockSize();

  // Host calls.
  virtual VstInt32 getMasterVersion();
  virtual VstInt32 getCurrentUniqueId();
  virtual void masterIdle();

  // Value texts: each writes at most maxLen characters and a terminator into
  // `text`, which holds at least maxLen + 1 bytes. Any value, NaN and
  // infinities included, gives a text.
  virtual void dB2string(float value, char* text, VstInt32 maxLen);
  virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
  virtual void ms2string(float samples, char* text, VstInt32 maxLen);
  virtual void float2string(float value, char* text, VstInt32 maxLen);
  virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);

  // [audio thread] The accumulating process call; nothing by default.
  virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);
  virtual float getVu();

  virtual void hasVu(bool state);
  virtual void hasClip(bool state);
  virtual void canMono(bool state);
  virtual void setRealtimeQualities(VstInt32 qualities);
  virtual void setOfflineQualities(VstInt32 qualities);

  virtual bool isInputConnected(VstInt32 input);
  virtual bool isOutputConnected(VstInt32 output);

  // The record functions the host calls. Each finds the effect through the
  // record's object field.
  static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void* ptr, float opt);
  static float getParameterClass(AEffect* e, VstInt32 index);
  static void setParameterClass(AEffect* e, VstInt32 index, float value);
  static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
  static void processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
  static void processClassDoubleReplacing(AEffect* e, double** inputs, double** outputs,
                                          VstInt32 sampleFrames);

 protected:
  // Calls the host when there is a callback; 0 otherwise. Exceptions are
  // caught here. [calling thread]
  VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // True while the calling thread is inside a callHost of any effect: a
  // request the host makes now is a nested one. [calling thread]
  static bool isInsideHostCall();
  // True for 0 <= index < the parameter count: the only indexes that may be
  // sent to the host in automation and edit brackets.
  bool isHostParameterIndex(VstInt32 index) const { return index >= 0 && index < numParams; }
  // Sample rates the effect accepts from the host: far wider than any audio
  // rate, narrow enough that sample counts derived from them stay finite.
  static bool isUsableSampleRate(double rate) { return rate >= 1000.0 && rate <= 10000000.0; }
  // Sends audioMasterAutomate for a host parameter; indexes outside the
  // host's range are never sent. True when sent.
  bool sendAutomationToHost(VstInt32 index, float value);
  void setFlag(VstInt32 flag, bool state);

  audioMasterCallback audioMaster;  // null when the host gave none
  AEffEditor* editor;               // owned
  // Written by the host's requests, read by the effect's other threads too
  // (an idle thread designs its kernels for the rate).
  std::atomic<float> sampleRate;     // Hz
  std::atomic<VstInt32> blockSize;   // sample frames
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 curProgram;
  AEffect cEffect;
};

// The factory each product supplies: creates one effect object, or answers
// null. Called by VSTPluginMain after the host has answered its version.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
