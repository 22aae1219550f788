#include "tests/vst/PassThroughEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Helpers/HostInfo.h"
#include "vst/VstText.h"

const char* const PassThroughEffect::kLongName =
    "Transport as seen by the effect in its last process call, a name far past any host limit";

PassThroughEffect::PassThroughEffect(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
  setUniqueID(VstFourCC('Q', 'v', 'P', 'T'));
  setNumInputs(2);
  setNumOutputs(2);
  canProcessReplacing(true);
  for (int p = 0; p < kNumPrograms; ++p) std::snprintf(m_szProgramNames[p], sizeof m_szProgramNames[p], "Pass %02d", p + 1);
  for (auto& ring : m_Ring) ring.assign(kMaxDelay + 1, 0.0f);
}

PassThroughEffect::~PassThroughEffect() {}

void PassThroughEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  if (VstTimeInfo* time = getTimeInfo(0))
    m_nTransportSeen.store((time->flags & kVstTransportPlaying) ? 1 : 0, std::memory_order_relaxed);
  else
    m_nTransportSeen.store(-1, std::memory_order_relaxed);
  const float gain = m_fGain.load(std::memory_order_relaxed);
  const int delay = m_nDelay.load(std::memory_order_relaxed);
  const int size = kMaxDelay + 1;
  int pos = m_nRingPos;
  for (VstInt32 i = 0; i < sampleFrames; ++i) {
    // Read both inputs before writing: the host may process in place.
    const float in[2] = {inputs[0][i], inputs[1][i]};
    const int readPos = (pos - delay + size) % size;
    for (int c = 0; c < 2; ++c) {
      m_Ring[c][pos] = in[c];
      outputs[c][i] = m_Ring[c][readPos] * gain;
    }
    pos = (pos + 1) % size;
  }
  m_nRingPos = pos;
}

void PassThroughEffect::resume() {
  for (auto& ring : m_Ring) std::fill(ring.begin(), ring.end(), 0.0f);
  m_nRingPos = 0;
}

void PassThroughEffect::setParameter(VstInt32 index, float value) {
  if (index < 0 || index >= kNumParams) return;
  switch (index) {
    case kGain:
      m_fValues[index] = value;
      m_fGain = value * 2.0f;
      break;
    case kDelay: {
      m_fValues[index] = value;
      const int delay = static_cast<int>(std::lround(value * kMaxDelay));
      if (delay != m_nDelay.load()) {
        m_nDelay = delay;
        setInitialDelay(delay);
        ioChanged();
      }
      break;
    }
    case kEdits:
      m_fValues[index] = value;
      if (value == 1.0f) ReportEditBurst();
      break;
    default:
      break;
  }
}

void PassThroughEffect::ReportEditBurst() {
  setParameterAutomated(kGain, m_fValues[kGain]);
  beginEdit(kGain);
  endEdit(kGain);
  // None of these may reach the host.
  beginEdit(-1);
  endEdit(kNumParams);
  beginEdit(9000);
  endEdit(10001);
  setParameterAutomated(kNumParams, 0.25f);
  setParameterAutomated(9000, 0.25f);
  setParameterAutomated(-5, 0.25f);
}

float PassThroughEffect::getParameter(VstInt32 index) {
  return (index >= 0 && index < kNumParams) ? m_fValues[index] : 0.0f;
}

bool PassThroughEffect::getIsIndexValidForEditing(VstInt32 index) { return index >= 0 && index < 3000; }

void PassThroughEffect::setProgram(VstInt32 program) {
  if (program >= 0 && program < kNumPrograms) curProgram = program;
}

void PassThroughEffect::setProgramName(char* name) {
  vsttext::CopyText(m_szProgramNames[curProgram], name, kVstMaxProgNameLen);
}

void PassThroughEffect::getProgramName(char* name) { std::strcpy(name, m_szProgramNames[curProgram]); }

bool PassThroughEffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
  if (index < 0 || index >= kNumPrograms) return false;
  std::strcpy(text, m_szProgramNames[index]);
  return true;
}

void PassThroughEffect::getParameterLabel(VstInt32 index, char* label) {
  static const char* const kLabels[kNumParams] = {"dB", "smp", "", "", ""};
  if (index >= 0 && index < kNumParams) std::strcpy(label, kLabels[index]);
}

void PassThroughEffect::getParameterDisplay(VstInt32 index, char* text) {
  switch (index) {
    case kGain:
      dB2string(m_fGain, text, kVstMaxParamStrLen);
      break;
    case kDelay:
      int2string(m_nDelay, text, kVstMaxParamStrLen);
      break;
    case kHost:
      std::snprintf(text, kVstMaxParamStrLen + 1, "%d/%d", g_eRecognisedHost.load(), g_kIdleRate.load());
      break;
    case kTransport: {
      const int seen = m_nTransportSeen.load(std::memory_order_relaxed);
      std::strcpy(text, seen < 0 ? "none" : (seen ? "playing" : "stopped"));
      break;
    }
    case kEdits:
      std::strcpy(text, m_fValues[kEdits] == 1.0f ? "sent" : "-");
      break;
    default:
      text[0] = 0;
      break;
  }
}

void PassThroughEffect::getParameterName(VstInt32 index, char* text) {
  static const char* const kNames[kNumParams] = {"Gain", "Delay", "Host", kLongName, "Edits"};
  // Written whole: the layer cuts it for the host.
  if (index >= 0 && index < kNumParams) std::strcpy(text, kNames[index]);
}

bool PassThroughEffect::getEffectName(char* name) {
  std::strcpy(name, "QVX Pass-Through Test");
  return true;
}

bool PassThroughEffect::getVendorString(char* text) {
  std::strcpy(text, "QVX Test");
  return true;
}

bool PassThroughEffect::getProductString(char* text) {
  std::strcpy(text, "QVX Pass-Through");
  return true;
}

VstInt32 PassThroughEffect::getVendorVersion() { return 1; }
VstInt32 PassThroughEffect::getPlugCategory() { return kPlugCategEffect; }
VstInt32 PassThroughEffect::fxIdle() { return 1; }
