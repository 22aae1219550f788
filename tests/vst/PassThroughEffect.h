// A small effect that gives the VST layer and the command-line host
// something to load: stereo pass-through with a gain, a latency-reporting
// delay, and read-only displays that show what the effect sees of its host.
//
// Parameters:
//   0 "Gain"    output gain 0..2 (value x 2; 0.5 is unity), shown in dB
//   1 "Delay"   delay and reported latency, value x 4096 samples; a change
//               updates the record's initial delay and calls ioChanged
//   2 "Host"    display only: recognised host id and editor idle rate "id/ms"
//   3 long name display only: the transport as seen in the last process call
//   4 "Edits"   writing 1 makes the effect report a burst of edits to the
//               host, among them indexes the layer must not pass on
#pragma once

#include <atomic>
#include <vector>

#include "vst/AudioEffectX.h"

class PassThroughEffect : public AudioEffectX {
 public:
  enum { kGain, kDelay, kHost, kTransport, kEdits, kNumParams };
  static constexpr VstInt32 kNumPrograms = 20;
  static constexpr VstInt32 kMaxDelay = 4096;
  // The transport parameter's name, longer than the host's name length so
  // that the cut can be seen.
  static const char* const kLongName;

  explicit PassThroughEffect(audioMasterCallback audioMaster);
  ~PassThroughEffect() override;

  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void resume() override;
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  bool getIsIndexValidForEditing(VstInt32 index) override;
  void setProgram(VstInt32 program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  void getParameterLabel(VstInt32 index, char* label) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  void getParameterName(VstInt32 index, char* text) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  VstInt32 getVendorVersion() override;
  VstInt32 getPlugCategory() override;
  VstInt32 fxIdle() override;

 private:
  void ReportEditBurst();

  float m_fValues[kNumParams] = {0.5f, 0.0f, 0.0f, 0.0f, 0.0f};
  char m_szProgramNames[kNumPrograms][kVstMaxProgNameLen + 1] = {};
  std::atomic<float> m_fGain{1.0f};       // written: UI thread; read: audio
  std::atomic<int> m_nDelay{0};           // written: UI thread; read: audio
  std::atomic<int> m_nTransportSeen{-1};  // written: audio; read: UI (-1 none, 0 stopped, 1 playing)
  std::vector<float> m_Ring[2];           // delay lines, kMaxDelay + 1 samples each
  int m_nRingPos = 0;                     // audio thread only
};
