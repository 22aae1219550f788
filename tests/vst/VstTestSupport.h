// Test doubles for the effect layer: a host that records every request and
// answers through a test-supplied function, an effect that records which
// operation each request reached, and an editor that counts its life.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "vst/AEffEditor.h"
#include "vst/AudioEffectX.h"

// 2^32: a value that a cut to 32 bits would turn into 0.
constexpr VstIntPtr k2Pow32 = VstIntPtr{1} << 32;

// A request sent through the record's dispatcher, as the host sends it.
inline VstIntPtr Dispatch(AudioEffect& effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                          void* ptr = nullptr, float opt = 0.0f) {
  AEffect* e = effect.getAeffect();
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// A host callback that records requests. One is current at a time.
class FakeHost {
 public:
  struct Call {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
  };

  FakeHost() { s_pCurrent = this; }
  ~FakeHost() { s_pCurrent = nullptr; }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt) {
    FakeHost* host = s_pCurrent;
    if (!host) return 0;
    const Call call{effect, opcode, index, value, ptr, opt};
    host->calls.push_back(call);
    return host->answer ? host->answer(call) : 0;
  }

  std::vector<Call> CallsOf(VstInt32 opcode) const {
    std::vector<Call> found;
    for (const Call& c : calls)
      if (c.opcode == opcode) found.push_back(c);
    return found;
  }

  std::vector<Call> calls;
  std::function<VstIntPtr(const Call&)> answer;

 private:
  static inline FakeHost* s_pCurrent = nullptr;
};

// Counts constructions and destructions so tests can see an editor die with
// its effect.
class CountingEditor : public AEffEditor {
 public:
  explicit CountingEditor(AudioEffect* effect, int* destroyed) : AEffEditor(effect), m_pDestroyed(destroyed) {}
  ~CountingEditor() override { ++*m_pDestroyed; }
  bool getRect(ERect** rect) override {
    *rect = &m_Rect;
    return true;
  }
  bool onKeyDown(VstKeyCode& key) override {
    lastKey = key;
    ++keysDown;
    return true;
  }
  bool onKeyUp(VstKeyCode& key) override {
    lastKey = key;
    return false;
  }
  VstInt32 mouse(VstInt32 x, VstInt32 y) override { return x * 1000 + y; }

  VstKeyCode lastKey{};
  int keysDown = 0;

 private:
  int* m_pDestroyed;
  ERect m_Rect{1, 2, 300, 400};
};

// Records, as text, each operation a request reached and with which
// arguments; returns what the test sets.
class ProbeEffect : public AudioEffectX {
 public:
  static constexpr VstInt32 kPrograms = 8;
  static constexpr VstInt32 kParams = 6;

  explicit ProbeEffect(audioMasterCallback host = nullptr, int* destroyed = nullptr)
      : AudioEffectX(host, kPrograms, kParams), m_pDestroyed(destroyed) {}
  ~ProbeEffect() override {
    if (m_pDestroyed) ++*m_pDestroyed;
  }

  void processReplacing(float**, float**, VstInt32 frames) override { Note("processReplacing", frames); }
  void processDoubleReplacing(double**, double**, VstInt32 frames) override {
    Note("processDoubleReplacing", frames);
  }
  void process(float**, float**, VstInt32 frames) override { Note("process", frames); }
  void open() override { Note("open"); }
  void close() override { Note("close"); }
  void suspend() override { Note("suspend"); }
  void resume() override { Note("resume"); }
  void setSampleRate(float rate) override {
    Note("setSampleRate", static_cast<double>(rate));
    AudioEffectX::setSampleRate(rate);
  }
  void setBlockSize(VstInt32 size) override {
    Note("setBlockSize", size);
    AudioEffectX::setBlockSize(size);
  }
  void setProgram(VstInt32 program) override {
    Note("setProgram", program);
    AudioEffectX::setProgram(program);
  }
  void setParameter(VstInt32 index, float value) override { Note("setParameter", index, static_cast<double>(value)); }
  float getParameter(VstInt32 index) override {
    Note("getParameter", index);
    return 0.25f;
  }
  bool getIsIndexValidForEditing(VstInt32 index) override { return index != 3; }
  void setProgramName(char* name) override { received = name; }
  void getProgramName(char* name) override { Fill(name); }
  void getParameterLabel(VstInt32 index, char* label) override {
    Note("getParameterLabel", index);
    if (!leaveLabel) Fill(label);
  }
  void getParameterDisplay(VstInt32 index, char* text) override {
    Note("getParameterDisplay", index);
    Fill(text);
  }
  void getParameterName(VstInt32 index, char* text) override {
    Note("getParameterName", index);
    Fill(text);
  }
  VstInt32 getChunk(void** data, bool isPreset) override {
    *data = this;
    Note("getChunk", isPreset);
    return 77;
  }
  VstInt32 setChunk(void*, VstInt32 size, bool isPreset) override {
    Note("setChunk", size, isPreset);
    return 1;
  }
  float getVu() override { return vu; }

  bool string2parameter(VstInt32 index, char* text) override {
    received = text ? text : "(null)";
    Note("string2parameter", index);
    return true;
  }
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override {
    Note("getProgramNameIndexed", category, index);
    Fill(text);
    return true;
  }
  bool getEffectName(char* name) override { return Fill(name); }
  bool getErrorText(char* text) override { return Fill(text); }
  bool getVendorString(char* text) override { return Fill(text); }
  bool getProductString(char* text) override { return Fill(text); }
  VstInt32 getNextShellPlugin(char* name) override {
    Fill(name);
    return 4242;
  }
  VstInt32 canDo(const char* text) override {
    received = text;
    return canDoAnswer;
  }
  VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
    Note("vendorSpecific", index, static_cast<double>(value), opt);
    lastPtr = ptr;
    return value + 5;
  }
  void* getIcon() override { return reinterpret_cast<void*>(VstIntPtr{0x123456789A}); }
  float* reportDestinationBuffer() override { return reinterpret_cast<float*>(VstIntPtr{0x7777000011110}); }
  bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
    lastPtr = in;
    lastPtr2 = out;
    return true;
  }
  bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
    lastPtr = in;
    lastPtr2 = out;
    return AudioEffectX::getSpeakerArrangement(in, out);
  }
  void setBlockSizeAndSampleRate(VstInt32 size, float rate) override {
    Note("setBlockSizeAndSampleRate", size, static_cast<double>(rate));
    AudioEffectX::setBlockSizeAndSampleRate(size, rate);
  }
  bool setBypass(bool on) override {
    Note("setBypass", on);
    return true;
  }
  VstInt32 setTotalSampleToProcess(VstInt32 value) override {
    Note("setTotalSampleToProcess", value);
    return value;
  }
  bool canParameterBeAutomated(VstInt32 index) override {
    Note("canParameterBeAutomated", index);
    return true;
  }
  bool copyProgram(VstInt32 destination) override {
    Note("copyProgram", destination);
    return true;
  }
  bool getParameterProperties(VstInt32 index, VstParameterProperties*) override {
    Note("getParameterProperties", index);
    return true;
  }
  bool getInputProperties(VstInt32 index, VstPinProperties*) override {
    Note("getInputProperties", index);
    return true;
  }
  void inputConnected(VstInt32 index, bool state) override { Note("inputConnected", index, state); }
  bool setViewPosition(VstInt32 x, VstInt32 y) override {
    Note("setViewPosition", x, y);
    return true;
  }
  bool setPanLaw(VstInt32 type, float value) override {
    Note("setPanLaw", type, static_cast<double>(value));
    return true;
  }
  bool setProcessPrecision(VstInt32 precision) override {
    Note("setProcessPrecision", precision);
    return true;
  }
  VstInt32 processEvents(VstEvents*) override {
    Note("processEvents");
    return 1;
  }
  VstInt32 fxIdle() override {
    Note("fxIdle");
    return 1;
  }
  bool offlineNotify(VstAudioFile*, VstInt32 count, bool start) override {
    Note("offlineNotify", count, start);
    return true;
  }

  std::vector<std::string> notes;
  std::string received;
  std::string fillText = "T";
  bool leaveLabel = false;
  float vu = 0.0f;
  VstInt32 canDoAnswer = 0;
  void* lastPtr = nullptr;
  void* lastPtr2 = nullptr;

  std::string Last() const { return notes.empty() ? "" : notes.back(); }

 private:
  template <typename... A>
  void Note(const char* name, A... args) {
    std::string text = name;
    text += "(";
    bool first = true;
    ((text += (first ? "" : ","), text += Text(args), first = false), ...);
    text += ")";
    notes.push_back(text);
  }
  static std::string Text(bool b) { return b ? "true" : "false"; }
  static std::string Text(int v) { return std::to_string(v); }
  static std::string Text(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
  }
  static std::string Text(float v) { return Text(static_cast<double>(v)); }
  bool Fill(char* text) {
    // The getter's buffer holds 256 bytes; write what the test asks for.
    std::snprintf(text, 256, "%s", fillText.c_str());
    return true;
  }

  int* m_pDestroyed;
};
