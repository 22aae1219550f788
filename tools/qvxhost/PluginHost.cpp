#include "tools/qvxhost/PluginHost.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// The host whose effect is being created on this thread: effects call the
// host before their record exists, or before resvd1 points to the host.
thread_local PluginHost* t_pLoading = nullptr;
thread_local bool t_bAudioThread = false;
// The innermost dispatcher call under way on this thread: its host and its
// serial number there (0: none).
struct DispatchUnderWay {
  const PluginHost* host = nullptr;
  uint64_t serial = 0;
};
thread_local DispatchUnderWay t_Dispatch;
const std::chrono::steady_clock::time_point g_ProgramStart = std::chrono::steady_clock::now();

// Our own texts to the effect stay within 63 characters and a terminator,
// so that an effect with a 64-byte buffer is safe.
void CopyHostText(void* ptr, const std::string& text) {
  if (!ptr) return;
  const size_t n = std::min<size_t>(text.size(), 63);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = 0;
}

using EntryProc = AEffect* (*)(audioMasterCallback);

}  // namespace

std::string FourCCText(VstInt32 code) {
  char text[32];
  const auto u = static_cast<uint32_t>(code);
  const char c[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
                     static_cast<char>(u)};
  bool printable = true;
  for (char ch : c) printable = printable && ch >= 0x20 && ch < 0x7F;
  if (printable)
    std::snprintf(text, sizeof text, "'%c%c%c%c' (0x%08X)", c[0], c[1], c[2], c[3], u);
  else
    std::snprintf(text, sizeof text, "0x%08X", u);
  return text;
}

std::string FlagsText(VstInt32 flags) {
  static const struct {
    VstInt32 bit;
    const char* name;
  } kNames[] = {{effFlagsHasEditor, "HasEditor"},     {effFlagsHasClip, "HasClip"},
                {effFlagsHasVu, "HasVu"},             {effFlagsCanMono, "CanMono"},
                {effFlagsCanReplacing, "CanReplacing"}, {effFlagsProgramChunks, "ProgramChunks"},
                {effFlagsIsSynth, "IsSynth"},         {effFlagsNoSoundInStop, "NoSoundInStop"},
                {effFlagsExtIsAsync, "ExtIsAsync"},   {effFlagsExtHasBuffer, "ExtHasBuffer"},
                {effFlagsCanDoubleReplacing, "CanDoubleReplacing"}};
  std::string text;
  VstInt32 rest = flags;
  for (const auto& n : kNames) {
    if (flags & n.bit) {
      if (!text.empty()) text += ' ';
      text += n.name;
      rest &= ~n.bit;
    }
  }
  if (rest) {
    char other[32];
    std::snprintf(other, sizeof other, "%s0x%X", text.empty() ? "" : " ", static_cast<unsigned>(rest));
    text += other;
  }
  return text;
}

double HostClockMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_ProgramStart).count();
}

const char* HostThreadName(HostThread thread) {
  switch (thread) {
    case HostThread::UserInterface:
      return "ui";
    case HostThread::Audio:
      return "audio";
    default:
      return "other";
  }
}

std::string DescribeHostCall(const HostCall& call) {
  char text[160];
  switch (call.opcode) {
    case audioMasterAutomate:
      std::snprintf(text, sizeof text, "automate index=%d value=%g", call.index, static_cast<double>(call.opt));
      break;
    case audioMasterBeginEdit:
      std::snprintf(text, sizeof text, "beginEdit index=%d", call.index);
      break;
    case audioMasterEndEdit:
      std::snprintf(text, sizeof text, "endEdit index=%d", call.index);
      break;
    case audioMasterIOChanged:
      std::snprintf(text, sizeof text, "ioChanged latency %d -> %d", call.latencyBefore, call.latencyAfter);
      break;
    case audioMasterUpdateDisplay:
      std::snprintf(text, sizeof text, "updateDisplay");
      break;
    case audioMasterSizeWindow:
      std::snprintf(text, sizeof text, "sizeWindow %dx%lld", call.index, static_cast<long long>(call.value));
      break;
    default:
      std::snprintf(text, sizeof text, "opcode %d index=%d value=%lld", call.opcode, call.index,
                    static_cast<long long>(call.value));
      break;
  }
  return text;
}

PluginHost::PluginHost(HostConfig config) : m_Config(std::move(config)) {}

PluginHost::~PluginHost() { Close(); }

bool PluginHost::Load(const std::string& path) {
  Close();
  m_Error.clear();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    m_Error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    m_Error = path + " is not a file";
    return false;
  }
  // A path without a slash would make dlopen search the library path.
  const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
  m_pModule = ::dlopen(openPath.c_str(), RTLD_NOW | (m_Config.loadGlobal ? RTLD_GLOBAL : RTLD_LOCAL));
  if (!m_pModule) {
    const char* why = ::dlerror();
    m_Error = path + " is not a loadable library: " + (why ? why : "unknown error");
    return false;
  }
  auto entry = reinterpret_cast<EntryProc>(::dlsym(m_pModule, "VSTPluginMain"));
  if (!entry) {
    m_Error = path + " is not a VST 2.4 plug-in: it has no VSTPluginMain";
    Close();
    return false;
  }
  m_UiThread = std::this_thread::get_id();
  t_pLoading = this;
  AEffect* effect = nullptr;
  try {
    effect = entry(&PluginHost::HostCallback);
  } catch (...) {
    effect = nullptr;
  }
  t_pLoading = nullptr;
  if (!effect) {
    m_Error = path + ": the plug-in returned no effect record";
    if (m_Config.versionAnswer == 0) m_Error += " (the host answered version 0)";
    Close();
    return false;
  }
  if (effect->magic != kEffectMagic || !effect->dispatcher) {
    m_Error = path + ": the record has no VST magic";
    Close();  // the record is not usable: the module is unloaded without effClose
    return false;
  }
  effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
  m_pEffect = effect;
  m_nLatency = effect->initialDelay;
  return true;
}

void PluginHost::Close() {
  if (m_pEffect) {
    AEffect* effect = m_pEffect;
    m_pEffect = nullptr;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  if (m_pModule) {
    ::dlclose(m_pModule);
    m_pModule = nullptr;
  }
}

void PluginHost::Start(double sampleRate, int maxBlockSize) {
  m_fSampleRate = sampleRate;
  m_nMaxBlock = maxBlockSize;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, maxBlockSize);
  Dispatch(effMainsChanged, 0, 1);
  if (m_pEffect) m_nLatency = m_pEffect->initialDelay;
}

VstIntPtr PluginHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  if (!m_pEffect) return 0;
  if (opcode == effIdle) ++m_nIdleCalls;
  std::unique_lock<std::recursive_mutex> serialised(m_OneLock, std::defer_lock);
  if (m_Config.oneLock) serialised.lock();
  const double start = HostClockMs();
  const DispatchUnderWay outer = t_Dispatch;
  {
    std::lock_guard<std::mutex> guard(m_FiguresMutex);
    m_CallsUnderWay.push_back({opcode, start});
    t_Dispatch = {this, ++m_nCallSerial};
  }
  const VstIntPtr answer = m_pEffect->dispatcher(m_pEffect, opcode, index, value, ptr, opt);
  const double ms = HostClockMs() - start;
  t_Dispatch = outer;
  std::lock_guard<std::mutex> guard(m_FiguresMutex);
  m_CallsUnderWay.pop_back();
  NoteCallLocked(opcode, ms);
  return answer;
}

void PluginHost::NoteCallLocked(VstInt32 opcode, double ms) {
  if (ms <= m_Figures.longestCallMs) return;
  m_Figures.longestCallMs = ms;
  m_Figures.longestOpcode = opcode;
}

CallFigures PluginHost::TakeCallFigures() {
  std::lock_guard<std::mutex> guard(m_FiguresMutex);
  // A call or a wait under way counts for as long as it has lasted so far.
  const double now = HostClockMs();
  for (const CallUnderWay& call : m_CallsUnderWay) NoteCallLocked(call.opcode, now - call.startMs);
  CallFigures figures = m_Figures;
  const double waitStart = m_fWaitStartMs.load();
  figures.longestWaitMs = std::max(m_fLongestWaitMs.exchange(0.0), waitStart >= 0.0 ? now - waitStart : 0.0);
  const int idles = m_nMasterIdleCalls.load();
  figures.masterIdles = idles - m_nMasterIdlesTaken;
  m_nMasterIdlesTaken = idles;
  const int blocks = m_nBlocks.load();
  figures.blocks = blocks - m_nBlocksTaken;
  m_nBlocksTaken = blocks;
  m_Figures = CallFigures();
  return figures;
}

std::string PluginHost::DispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
  // Far larger than any published length: effects often write more.
  char text[1024];
  std::memset(text, 0, sizeof text);
  Dispatch(opcode, index, value, text);
  text[sizeof text - 1] = 0;
  return text;
}

EffectInfo PluginHost::QueryInfo() {
  EffectInfo info;
  if (!m_pEffect) return info;
  const AEffect& e = *m_pEffect;
  info.magic = e.magic;
  info.effectName = DispatchText(effGetEffectName);
  info.vendor = DispatchText(effGetVendorString);
  info.product = DispatchText(effGetProductString);
  info.vendorVersion = static_cast<VstInt32>(Dispatch(effGetVendorVersion));
  info.vstVersion = static_cast<VstInt32>(Dispatch(effGetVstVersion));
  info.category = static_cast<VstInt32>(Dispatch(effGetPlugCategory));
  info.uniqueID = e.uniqueID;
  info.version = e.version;
  info.flags = e.flags;
  info.numPrograms = e.numPrograms;
  info.numParams = e.numParams;
  info.numInputs = e.numInputs;
  info.numOutputs = e.numOutputs;
  info.initialDelay = e.initialDelay;
  return info;
}

ParameterInfo PluginHost::QueryParameter(int index) {
  ParameterInfo p;
  p.index = index;
  p.name = DispatchText(effGetParamName, index);
  p.label = DispatchText(effGetParamLabel, index);
  p.display = DispatchText(effGetParamDisplay, index);
  p.value = GetParameter(index);
  return p;
}

std::vector<ParameterInfo> PluginHost::QueryParameters() {
  std::vector<ParameterInfo> params;
  if (!m_pEffect) return params;
  for (int i = 0; i < m_pEffect->numParams; ++i) params.push_back(QueryParameter(i));
  return params;
}

std::vector<std::string> PluginHost::QueryProgramNames() {
  std::vector<std::string> names;
  if (!m_pEffect) return names;
  for (int i = 0; i < m_pEffect->numPrograms; ++i) {
    std::string name = DispatchText(effGetProgramNameIndexed, i, 0);
    if (name.empty()) {
      // Effects without indexed names: select each program and ask.
      const VstIntPtr current = Dispatch(effGetProgram);
      Dispatch(effSetProgram, 0, i);
      name = DispatchText(effGetProgramName);
      Dispatch(effSetProgram, 0, current);
    }
    names.push_back(name);
  }
  return names;
}

bool PluginHost::SetParameter(int index, float value) {
  if (!m_pEffect || index < 0 || index >= m_pEffect->numParams || !(value >= 0.0f && value <= 1.0f)) return false;
  m_pEffect->setParameter(m_pEffect, index, value);
  return true;
}

float PluginHost::GetParameter(int index) {
  if (!m_pEffect || !m_pEffect->getParameter) return 0.0f;
  return m_pEffect->getParameter(m_pEffect, index);
}

bool PluginHost::SetProgram(int program) {
  if (!m_pEffect || program < 0 || program >= m_pEffect->numPrograms) return false;
  Dispatch(effSetProgram, 0, program);
  return true;
}

void PluginHost::Process(float** inputs, float** outputs, int frames) {
  if (!m_pEffect) return;
  std::unique_lock<std::recursive_mutex> serialised(m_OneLock, std::defer_lock);
  if (m_Config.oneLock) {
    const double asked = HostClockMs();
    m_fWaitStartMs = asked;
    serialised.lock();
    m_fWaitStartMs = -1.0;
    const double waited = HostClockMs() - asked;
    double longest = m_fLongestWaitMs.load();
    while (waited > longest && !m_fLongestWaitMs.compare_exchange_weak(longest, waited)) {
    }
  }
  if ((m_pEffect->flags & effFlagsCanReplacing) && m_pEffect->processReplacing) {
    m_pEffect->processReplacing(m_pEffect, inputs, outputs, frames);
  } else if (m_pEffect->process) {
    // The accumulating call adds to what the outputs hold.
    for (int c = 0; c < m_pEffect->numOutputs; ++c) std::memset(outputs[c], 0, sizeof(float) * frames);
    m_pEffect->process(m_pEffect, inputs, outputs, frames);
  }
  m_nSamplePos += frames;
  ++m_nBlocks;
}

void PluginHost::Idle() {
  Dispatch(effIdle);
  Dispatch(effEditIdle);
}

void PluginHost::IdleFor(double ms) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double, std::milli>(ms));
  do {
    Idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < end);
}

std::vector<HostCall> PluginHost::Log() const {
  std::lock_guard<std::mutex> guard(m_LogMutex);
  return m_Log;
}

void PluginHost::SetSizeWindowHandler(std::function<bool(int, int)> handler) {
  m_bSizeWindow = static_cast<bool>(handler);
  m_SizeWindow = std::move(handler);
}

void PluginHost::MarkAudioThread() { t_bAudioThread = true; }

void PluginHost::Record(const HostCall& call) {
  HostCall stamped = call;
  stamped.ms = HostClockMs();
  stamped.thread = t_bAudioThread                               ? HostThread::Audio
                   : std::this_thread::get_id() == m_UiThread ? HostThread::UserInterface
                                                                : HostThread::Other;
  std::lock_guard<std::mutex> guard(m_LogMutex);
  m_Log.push_back(stamped);
}

void PluginHost::NoteAutomation() {
  std::lock_guard<std::mutex> guard(m_FiguresMutex);
  ++m_Figures.automations;
  if (t_Dispatch.host != this || t_Dispatch.serial == m_nLastAutomatingCall) return;
  m_nLastAutomatingCall = t_Dispatch.serial;
  ++m_Figures.automatingCalls;
}

VstTimeInfo* PluginHost::FillTimeInfo() {
  // One per thread: the audio and the user-interface thread may both ask.
  thread_local VstTimeInfo info;
  std::memset(&info, 0, sizeof info);
  const double rate = m_fSampleRate.load();
  const bool playing = m_Config.transport == HostTransport::Playing;
  info.samplePos = playing ? static_cast<double>(m_nSamplePos.load()) : 0.0;
  info.sampleRate = rate;
  info.nanoSeconds = static_cast<double>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
  info.tempo = m_Config.tempo;
  info.ppqPos = info.samplePos / rate * m_Config.tempo / 60.0;
  info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  if (playing) info.flags |= kVstTransportPlaying;
  return &info;
}

VstIntPtr PluginHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
  PluginHost* host = (effect && effect->resvd1) ? reinterpret_cast<PluginHost*>(effect->resvd1) : t_pLoading;
  if (!host) return opcode == audioMasterVersion ? 2400 : 0;
  return host->Answer(effect, opcode, index, value, ptr, opt);
}

VstIntPtr PluginHost::Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  if (!t_bAudioThread && std::this_thread::get_id() != m_UiThread) ++m_nOtherThreadCalls;
  HostCall call;
  call.opcode = opcode;
  call.index = index;
  call.value = value;
  call.opt = opt;
  switch (opcode) {
    case audioMasterAutomate:
      NoteAutomation();
      Record(call);
      return 1;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterUpdateDisplay:
      Record(call);
      return 1;
    case audioMasterIOChanged: {
      if (m_Config.acceptIOChanges != 1) return 0;
      call.latencyBefore = m_nLatency.load();
      if (effect) m_nLatency = effect->initialDelay;
      call.latencyAfter = m_nLatency.load();
      Record(call);
      return 1;
    }
    case audioMasterSizeWindow: {
      Record(call);
      const bool onUi = std::this_thread::get_id() == m_UiThread;
      return (onUi && m_SizeWindow && index > 0 && value > 0 && value < 65536 && index < 65536 &&
              m_SizeWindow(index, static_cast<int>(value)))
                 ? 1
                 : 0;
    }
    case audioMasterVersion:
      return m_Config.versionAnswer;
    case audioMasterCurrentId:
      return effect ? effect->uniqueID : 0;
    case audioMasterPinConnected: {
      const VstInt32 pins = effect ? (value ? effect->numOutputs : effect->numInputs) : 2;
      return (index >= 0 && index < pins) ? 0 : 1;
    }
    case audioMasterGetTime:
      if (m_Config.transport == HostTransport::None) return 0;
      return reinterpret_cast<VstIntPtr>(FillTimeInfo());
    case audioMasterTempoAt:
      return static_cast<VstIntPtr>(m_Config.tempo * 10000.0);
    case audioMasterNeedIdle:
      return 1;
    case audioMasterIdle:
      ++m_nMasterIdleCalls;
      return 1;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(m_fSampleRate.load());
    case audioMasterGetBlockSize:
      return m_nMaxBlock.load();
    case audioMasterWillReplaceOrAccumulate:
      return 1;
    case audioMasterGetCurrentProcessLevel: {
      const VstInt32 level = m_nProcessLevel.load();
      if (level != kProcessLevelByThread) return level;
      // As hosts answer: their user-interface thread, or a process thread.
      return std::this_thread::get_id() == m_UiThread ? kVstProcessLevelUser : kVstProcessLevelRealtime;
    }
    case audioMasterGetAutomationState:
      return kVstAutomationOff;
    case audioMasterGetVendorString:
      CopyHostText(ptr, m_Config.vendor);
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      CopyHostText(ptr, m_Config.product);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return m_Config.vendorVersion;
    case audioMasterCanDo: {
      if (!ptr) return 0;
      char text[65];
      std::strncpy(text, static_cast<const char*>(ptr), 64);
      text[64] = 0;
      if (std::strcmp(text, "acceptIOChanges") == 0) return m_Config.acceptIOChanges;
      if (std::strcmp(text, "sendVstTimeInfo") == 0) return m_Config.transport == HostTransport::None ? -1 : 1;
      if (std::strcmp(text, "supplyIdle") == 0) return 1;
      if (std::strcmp(text, "sizeWindow") == 0) return m_bSizeWindow.load() ? 1 : 0;
      return 0;
    }
    case audioMasterGetLanguage:
      return 1;  // English
    default:
      return 0;
  }
}
