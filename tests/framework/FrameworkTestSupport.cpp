#include "framework/FrameworkTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"

namespace fxtest {

HostLog& HostLog::Get() {
  static HostLog log;
  return log;
}

void HostLog::Reset() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Calls.clear();
  m_bAcceptIOChanges.store(true);
  m_eTransport.store(Transport::kStopped);
  m_nProcessLevel.store(kVstProcessLevelUnknown);
  m_OnIdle = nullptr;
}

std::vector<HostCall> HostLog::Calls() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Calls;
}

std::vector<HostCall> HostLog::CallsOf(VstInt32 opcode) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::vector<HostCall> out;
  for (const HostCall& c : m_Calls)
    if (c.nOpcode == opcode) out.push_back(c);
  return out;
}

void HostLog::Record(const HostCall& call) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Calls.push_back(call);
}

VstIntPtr RecordingHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  // The effect may set its delay on another thread meanwhile.
  HostCall call{opcode, index, value, opt, std::string(),
                effect ? __atomic_load_n(&effect->initialDelay, __ATOMIC_RELAXED) : 0};
  if (opcode == audioMasterCanDo && ptr) call.szText = static_cast<const char*>(ptr);
  if (opcode != audioMasterGetTime) HostLog::Get().Record(call);
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterIdle: {
      thread_local bool t_bInHook = false;
      if (HostLog::Get().m_OnIdle && !t_bInHook) {
        t_bInHook = true;
        HostLog::Get().m_OnIdle();
        t_bInHook = false;
      }
      return 0;
    }
    case audioMasterGetCurrentProcessLevel:
      return HostLog::Get().m_nProcessLevel.load();
    case audioMasterCanDo:
      return call.szText == "acceptIOChanges" && HostLog::Get().m_bAcceptIOChanges.load() ? 1 : 0;
    case audioMasterGetTime: {
      thread_local VstTimeInfo info;
      const Transport transport = HostLog::Get().m_eTransport.load();
      if (transport == Transport::kNone) return 0;
      info = VstTimeInfo{};
      info.sampleRate = 44100.0;
      info.flags = transport == Transport::kPlaying ? kVstTransportPlaying : 0;
      return reinterpret_cast<VstIntPtr>(&info);
    }
    default:
      return 0;
  }
}

const char* TestEffect::PersistantKey(int k) {
  static const char* const kKeys[kPersistant] = {"TestP0", "TestP1", "TestP2", "TestP3", "TestP4", "TestP5",
                                                 "TestP6", "TestP7", "TestP8", "TestP9", "TestP10"};
  return k >= 0 && k < kPersistant ? kKeys[k] : nullptr;
}

TestEffect::TestEffect(audioMasterCallback host, bool withEditor) : TestEffect(host, withEditor, DeferStartup{}) {
  RunProductStartup();
}

TestEffect::TestEffect(audioMasterCallback host, bool withEditor, DeferStartup) : XREffect(host, kParams, kABParams) {
  setNumInputs(2);
  setNumOutputs(2);
  if (withEditor) setEditor(new FakeEditor(this));
}

void TestEffect::RunProductStartup() {
  m_nNumPersistantParams = kPersistant;
  for (int i = 0; i < kHostParams; ++i) m_DefaultProgram.values[i].store(DefaultValue(i));
  FillDefaults();
  for (int k = 0; k < kPersistant; ++k) {
    m_pszPersistantParamName[k] = PersistantKey(k);
    m_fPersistantParamDefault[k] = PersistantDefault(k);
    InitPersistantParam(kXrFirstPersistantParam + k, PersistantDefault(k));
  }
  Init();
  for (int p = 0; p < kXrNumPrograms; ++p) {
    m_Programs[p].CopyFrom(m_DefaultProgram);
    std::snprintf(m_Programs[p].name, sizeof m_Programs[p].name, "Program %d", p + 1);
  }
  m_PreviousValues.CopyFrom(m_DefaultProgram);
  InitAfterProgramsSet();
  for (int i = 0; i < kHostParams; ++i) setParameter(i, Param(i)->load());
  for (int k = 0; k < kPersistant; ++k)
    setParameter(kXrFirstPersistantParam + k, GetPersistantParam(kXrFirstPersistantParam + k));
  InitAfterParametersSet();
  ClearChanges();
  if (FakeEditor* editor = Editor()) editor->ClearCalls();
}

void TestEffect::ParameterChanged(int index) {
  const bool changed = DidParameterActuallyChange(index);
  std::lock_guard<std::mutex> lock(m_ChangesMutex);
  m_Changes.push_back(Change{index, changed});
}

std::vector<TestEffect::Change> TestEffect::Changes() {
  std::lock_guard<std::mutex> lock(m_ChangesMutex);
  return m_Changes;
}

void TestEffect::ClearChanges() {
  std::lock_guard<std::mutex> lock(m_ChangesMutex);
  m_Changes.clear();
}

int InForkedChild(const std::function<int()>& body, unsigned limitSeconds) {
  const pid_t child = ::fork();
  if (child < 0) return -2;
  if (child == 0) {
    ::alarm(limitSeconds);
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = -1;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

unsigned int FakeClockStart() {
  constexpr unsigned int kBehindMachineMs = 60000;
  const unsigned int machine = GetTickCount();
  return machine > kBehindMachineMs ? machine - kBehindMachineMs : 1;
}

}  // namespace fxtest
