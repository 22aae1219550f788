#include "Helpers/XREffect.h"

#include <cmath>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/ColorModel.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/HostInfo.h"
#include "Helpers/PersistantStorage.h"
#include "Helpers/ScopedValue.h"
#include "Helpers/XREffectDetail.h"
#include "vst/AEffEditor.h"

XR_REGISTER_SOURCE_FILE("Helpers/XREffect");

namespace {

constexpr VstInt32 FourCC(char a, char b, char c, char d) {
  return static_cast<VstInt32>((static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(b) << 16) |
                               (static_cast<uint32_t>(c) << 8) | static_cast<uint32_t>(d));
}
constexpr VstInt32 kWheelVendor = FourCC('s', 't', 'C', 'A');
constexpr VstInt32 kWheelMessage = FourCC('W', 'h', 'e', 'e');

// The B copies mirror the first settings, and everything fits one program.
int ClampNumParams(int nParams) { return nParams < 0 ? 0 : (nParams > kXrMaxParams ? kXrMaxParams : nParams); }
int ClampNumABParams(int nParams, int nABParams) {
  const int n = ClampNumParams(nParams);
  const int maxAB = n < kXrMaxParams - n ? n : kXrMaxParams - n;
  return nABParams < 0 ? 0 : (nABParams > maxAB ? maxAB : nABParams);
}

void CopyName(char* dest, const char* src) {
  std::strncpy(dest, src, kXrProgramNameLen);
  dest[kXrProgramNameLen] = '\0';
}

}  // namespace

ProgramRecord::ProgramRecord() : name{} {
  for (auto& v : values) v.store(0.0f, std::memory_order_relaxed);
}

void ProgramRecord::CopyFrom(const ProgramRecord& other) {
  if (&other == this) return;
  std::memcpy(name, other.name, sizeof name);
  for (int i = 0; i < kXrMaxParams; ++i) values[i].store(other.values[i].load());
}

XREffect::XREffect(audioMasterCallback audioMaster, int nParams, int nABParams)
    : AudioEffectX(audioMaster, kXrNumPrograms, ClampNumParams(nParams) + ClampNumABParams(nParams, nABParams)),
      m_pszPersistantParamName{},
      m_fPersistantParamDefault{},
      m_nNumParams(ClampNumParams(nParams)),
      m_nNumABParams(ClampNumABParams(nParams, nABParams)) {
  XR_TRY
  for (auto& ring : m_UndoEntries)
    for (auto& e : ring) e = UndoEntry{kXrEmptyUndoEntry, 0.0f};
  for (auto& v : m_fPersistantParam) v.store(0.0f, std::memory_order_relaxed);
  canProcessReplacing(true);
  CopyName(m_DefaultProgram.name, "Default");
  // The host creates the effect on its user-interface thread, as a rule;
  // its open and idle calls say so again.
  m_Judge.NoteUserInterfaceThread();
  CForkGate::Install();
  XR_CATCH_VOID
}

void XREffect::open() {
  XR_TRY
  // Not in the entry: the host has no record then, and gets no call but the
  // version (and the current id) before it has one.
  GetHostInfo(audioMaster);
  // After the host's own idle settings, which it overrides.
  int limitFramerate = 0;
  if (CPersistantStorage::QueryStoredPluginInt("LimitFramerate", &limitFramerate) && limitFramerate != 0)
    g_kIdleRate.store(100);
  XR_CATCH_VOID
}

XREffect::~XREffect() = default;

XREditorHooks* XREffect::GetEditorHooks() {
  if (m_EditorProcess.IsForkedChild()) return nullptr;
  return dynamic_cast<XREditorHooks*>(getEditor());
}

bool XREffect::IsPersistantParam(int index) const {
  const int n = m_nNumPersistantParams < kXrMaxPersistantParams ? m_nNumPersistantParams : kXrMaxPersistantParams;
  return index >= kXrFirstPersistantParam && index < kXrFirstPersistantParam + n;
}

std::atomic<float>* XREffect::Param(int index) {
  if (index < 0 || index >= kXrMaxParams) {
    m_fOutOfRangeParam.store(0.0f, std::memory_order_relaxed);
    return &m_fOutOfRangeParam;
  }
  int program = m_nCurProgram.load(std::memory_order_acquire);
  if (program < 0 || program >= kXrNumPrograms) program = 0;
  return &m_Programs[program].values[index];
}

void XREffect::StoreHostParam(int index, float value) {
  std::atomic<float>& slot = *Param(index);
  const float old = slot.load();
  if (value != old && ParamShouldUndo(index)) StoreUndoPoint(index, old);
  m_PreviousValues.values[index].store(old);
  slot.store(value);
}

void XREffect::setParameter(VstInt32 index, float value) {
  XR_TRY
  // Automation from any thread but the host's user-interface thread (its
  // audio threads between blocks, a pool thread before its first block, a
  // thread of its own) is the audio thread's: it never waits, calls the host
  // or rebuilds. A write of the editor's own handler never is, nor one of
  // the effect's own idle worker (in a host with one thread all of these may
  // be the same thread).
  const CAudioThreadScope audio(!IsUserInterfaceThread() && !IsEditorWritingOnThisThread() && !IsOnIdleWorker());
  if (IsHostParam(index)) {
    StoreHostParam(index, value);
  } else if (IsPersistantParam(index)) {
    SetPersistantParam(index, value);
  } else {
    return;
  }
  ApplyQualityParameter(index, value);
  ParameterChanged(index);
  if (XREditorHooks* editor = GetEditorHooks()) {
    editor->setParameter(index, value);
    editor->SetRefreshControls();
  }
  RunHostThreadWorkForQualitySetting(index);
  XR_CATCH_VOID
}

float XREffect::getParameter(VstInt32 index) {
  XR_TRY
  return IsHostParam(index) ? Param(index)->load() : 0.0f;
  XR_CATCH(0.0f)
}

bool XREffect::getIsIndexValidForEditing(VstInt32 index) {
  XR_TRY
  return IsHostParam(index);
  XR_CATCH(false)
}

void XREffect::SetParamAndForceHostUpdate(int index, float value) {
  XR_TRY
  setParameter(index, value);
  // Persistent parameters and markers have no host index: never report them.
  if (getIsIndexValidForEditing(index)) HostAutomate(index, value);
  XR_CATCH_VOID
}

bool XREffect::DidParameterActuallyChange(int index) {
  XR_TRY
  if (index >= kXrFirstPersistantParam) return true;
  if (index < 0 || index >= kXrMaxParams) return false;
  const float now = Param(index)->load();
  const float before = m_PreviousValues.values[index].load();
  return now != before || std::isnan(now) || std::isnan(before);
  XR_CATCH(false)
}

void XREffect::SetParamAsFiniteState(int index, int state, int nStates) {
  XR_TRY
  const float value = nStates > 1 ? static_cast<float>(state) / static_cast<float>(nStates - 1) : 0.0f;
  SetParamAndForceHostUpdate(index, value);
  XR_CATCH_VOID
}

int XREffect::GetParamAsFiniteState(int index, int nStates) {
  XR_TRY
  return xr_detail::FiniteState(Param(index)->load(), nStates);
  XR_CATCH(0)
}

CColor XREffect::GetParamAsColor(int index) {
  XR_TRY
  const float value = IsPersistantParam(index) ? GetPersistantParam(index) : Param(index)->load();
  return CLookupColorUser::GetLookupColor(value);
  XR_CATCH(kBlackCColor)
}

// --- the audio thread and teardown ------------------------------------------

XREffect::CProcessCallScope::CProcessCallScope(XREffect* effect, int sampleFrames)
    : m_pEffect(effect), m_Verdict(effect->JudgeBlock(sampleFrames)) {}

XREffect::CProcessCallScope::~CProcessCallScope() { m_pEffect->m_Judge.EndBlock(); }

CRenderJudge::CVerdict XREffect::JudgeBlock(int sampleFrames) {
  CRenderJudge::CBlockFacts facts;
  // The host's word on every block: hosts answer on their audio thread, and
  // one thread may play in real time and then render offline (freewheel).
  switch (getCurrentProcessLevel()) {
    case kVstProcessLevelOffline:
      facts.word = CRenderJudge::EHostWord::kOffline;
      break;
    case kVstProcessLevelRealtime:
    case kVstProcessLevelPrefetch:
      facts.word = CRenderJudge::EHostWord::kRealTime;
      break;
    default:
      // "User thread" says nothing of the render: some hosts give that
      // answer from their real-time audio thread as well.
      break;
  }
  facts.offlineRender = m_bOfflineRender.load();
  if (const VstTimeInfo* info = getTimeInfo(kVstTransportPlaying)) {
    facts.transportKnown = true;
    facts.transportPlaying = (info->flags & kVstTransportPlaying) != 0;
    facts.transportPosition = info->samplePos;
  }
  facts.frames = sampleFrames;
  facts.sampleRate = getSampleRate();
  facts.blockSize = getBlockSize();
  return m_Judge.BeginBlock(facts);
}

bool XREffect::IsEditorWritingOnThisThread() {
  XREditorHooks* editor = GetEditorHooks();
  return editor && editor->IsChangeFromGuiOnThisThread();
}

void XREffect::NoteDispatcherThread(VstInt32 opcode, VstIntPtr value) {
  // A request made from inside a block (a host's event or automation call)
  // tells nothing of the thread.
  if (IsAudioThread()) return;
  switch (opcode) {
    case effMainsChanged:
      if (value == 0) m_Judge.NoteSuspended();
      break;
    case effOpen:
    case effIdle:
    case effEditOpen:
    case effEditIdle:
    case effEditMouse:
    case effEditKey:
    case effEditKeyDown:
    case effEditKeyUp:
      // The thread serves the host's user interface now: whatever it writes
      // until its next block is that side's.
      m_Judge.NoteUserInterfaceThread();
      break;
    default:
      break;
  }
}

void XREffect::LeaveEditorToParent() {
  // Marked first: from here on the editor is this process's, closed.
  m_EditorProcess.Mark();
  // In this process the close sets the parent's frame aside untouched.
  AEffEditor* editor = getEditor();
  if (editor && editor->isOpen()) editor->close();
}

void XREffect::CloseEditorForTeardown() {
  XR_TRY
  AEffEditor* editor = getEditor();
  if (editor && editor->isOpen()) editor->close();
  XR_CATCH_VOID
}

// --- persistent parameters ---------------------------------------------------

void XREffect::InitPersistantParam(int index, float defaultValue) {
  XR_TRY
  if (!IsPersistantParam(index)) return;
  const int k = index - kXrFirstPersistantParam;
  int stored = 0;
  const char* key = m_pszPersistantParamName[k];
  if (key && CPersistantStorage::QueryStoredPluginInt(key, &stored)) {
    m_fPersistantParam[k].store(static_cast<float>(stored) / kXrPersistantScale);
  } else {
    const float def = xr_detail::ClampUnit(defaultValue);
    m_fPersistantParam[k].store(static_cast<float>(static_cast<int>(def * kXrPersistantScale)) / kXrPersistantScale);
  }
  XR_CATCH_VOID
}

float XREffect::GetPersistantParam(int index) {
  XR_TRY
  if (!IsPersistantParam(index)) return 0.0f;
  return xr_detail::ClampUnit(m_fPersistantParam[index - kXrFirstPersistantParam].load());
  XR_CATCH(0.0f)
}

void XREffect::SetPersistantParam(int index, float value) {
  XR_TRY
  if (!IsPersistantParam(index)) return;
  const int k = index - kXrFirstPersistantParam;
  const float v = xr_detail::ClampUnit(value);
  if (m_fPersistantParam[k].exchange(v) == v) return;
  if (const char* key = m_pszPersistantParamName[k])
    CPersistantStorage::StorePluginInt(key, static_cast<int>(v * kXrPersistantScale));
  XR_CATCH_VOID
}

// --- programs ------------------------------------------------------------------

VstInt32 XREffect::getProgram() {
  XR_TRY
  return m_nCurProgram.load();
  XR_CATCH(0)
}

void XREffect::setProgram(VstInt32 program) {
  XR_TRY
  if (program < 0 || program >= kXrNumPrograms) return;
  m_PreviousValues.CopyFrom(m_Programs[m_nCurProgram.load()]);
  m_nCurProgram.store(program, std::memory_order_release);
  AudioEffectX::setProgram(program);
  RefreshAllParameters();
  ClearUndos();
  XR_CATCH_VOID
}

void XREffect::RefreshAllParameters() {
  XR_TRY
  // Each write goes from the snapshot's value to the program's, so the product
  // sees exactly the parameters that differ.
  for (int i = 0; i < GetNumHostParams(); ++i) {
    std::atomic<float>& slot = *Param(i);
    const float v = slot.load();
    slot.store(m_PreviousValues.values[i].load());
    setParameter(i, v);
  }
  const int n = m_nNumPersistantParams < kXrMaxPersistantParams ? m_nNumPersistantParams : kXrMaxPersistantParams;
  for (int k = 0; k < n; ++k)
    setParameter(kXrFirstPersistantParam + k, GetPersistantParam(kXrFirstPersistantParam + k));
  if (XREditorHooks* editor = GetEditorHooks()) editor->SetRefreshControls();
  XR_CATCH_VOID
}

void XREffect::setProgramName(char* name) {
  XR_TRY
  if (!name) return;
  CopyName(m_Programs[m_nCurProgram.load()].name, name);
  XR_CATCH_VOID
}

void XREffect::getProgramName(char* name) {
  XR_TRY
  if (!name) return;
  CopyName(name, m_Programs[m_nCurProgram.load()].name);
  XR_CATCH_VOID
}

bool XREffect::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
  XR_TRY
  if (index < 0 || index >= kXrNumPrograms || !text) return false;
  CopyName(text, m_Programs[index].name);
  return true;
  XR_CATCH(false)
}

bool XREffect::beginSetProgram() { return true; }
bool XREffect::endSetProgram() { return true; }

void XREffect::UsePresetStream(int program, const PresetStream& stream) {
  XR_TRY
  if (program < 0 || program >= kXrNumPrograms) return;
  ProgramRecord& record = m_Programs[program];
  record.CopyFrom(m_DefaultProgram);
  if (stream.pszName) CopyName(record.name, stream.pszName);
  for (const PresetStreamEntry* e = stream.pEntries; e && e->nIndex != -1; ++e)
    if (e->nIndex >= 0 && e->nIndex < kXrMaxParams) record.values[e->nIndex].store(e->fValue);
  XR_CATCH_VOID
}

void RefreshAllParameters(AudioEffect* effect) {
  XR_TRY
  if (auto* xr = dynamic_cast<XREffect*>(effect)) xr->RefreshAllParameters();
  XR_CATCH_VOID
}

void ForceHostUpdateParameter(AudioEffect* effect, int index) {
  XR_TRY
  if (auto* xr = dynamic_cast<XREffect*>(effect)) xr->SetParamAndForceHostUpdate(index, xr->Param(index)->load());
  XR_CATCH_VOID
}

// --- A/B settings ----------------------------------------------------------------

void XREffect::SwitchABProgram() {
  XR_TRY
  CDontStoreUndoScope noUndo(this);
  const CFlagScope switching(m_bSwitchingAB);
  bool undoStateChanged = false;
  {
    std::unique_lock<std::mutex> lock(m_UndoMutex, std::defer_lock);
    if (!Acquire(lock)) return;
    // Waiting points of the audio thread belong to the bank they were made in.
    StoreDeferredUndoPointsLocked();
    // A gesture that opened a group just before the switch would leave a group
    // start without its end in this bank's history.
    const int bank = m_nUndoBank.load();
    int& head = m_nUndoHead[bank];
    const int before = (head + kXrUndoRingSize - 1) % kXrUndoRingSize;
    if (m_UndoEntries[bank][before].nIndex == kXrUndoGroupStart) {
      m_UndoEntries[bank][before] = UndoEntry{kXrEmptyUndoEntry, 0.0f};
      head = before;
    }
    m_nUndoBank.store(1 - bank);
    std::atomic<float>* values = Param(0);
    for (int i = 0; i < m_nNumABParams; ++i) {
      const float a = values[i].load();
      values[i].store(values[m_nNumParams + i].load());
      values[m_nNumParams + i].store(a);
    }
    // The undo and redo buttons now follow the other bank's history.
    undoStateChanged = UpdateCanUndoRedoLocked();
  }
  if (undoStateChanged) TellEditorUndoRedoChanged();
  // Re-apply so the snapshot, the product and the editor see each change.
  std::atomic<float>* values = Param(0);
  for (int i = 0; i < m_nNumABParams; ++i) {
    const float now = values[i].load();
    values[i].store(values[m_nNumParams + i].load());
    setParameter(i, now);
  }
  XR_CATCH_VOID
}

void XREffect::CopyAtoB() {
  XR_TRY
  std::unique_lock<std::mutex> lock(m_UndoMutex, std::defer_lock);
  if (!Acquire(lock)) return;
  StoreDeferredUndoPointsLocked();
  std::atomic<float>* values = Param(0);
  for (int i = 0; i < m_nNumABParams; ++i) values[m_nNumParams + i].store(values[i].load());
  const int bank = m_nUndoBank.load();
  std::memcpy(m_UndoEntries[1 - bank], m_UndoEntries[bank], sizeof m_UndoEntries[bank]);
  m_nUndoHead[1 - bank] = m_nUndoHead[bank];
  XR_CATCH_VOID
}

// --- identity and host queries ---------------------------------------------------

bool XREffect::getVendorString(char* text) {
  XR_TRY
  if (!text) return false;
  std::strncpy(text, "Sorvik Audio", kVstMaxVendorStrLen);
  text[kVstMaxVendorStrLen - 1] = '\0';
  return true;
  XR_CATCH(false)
}

VstInt32 XREffect::getVendorVersion() { return 1000; }

VstInt32 XREffect::getPlugCategory() { return kPlugCategEffect; }

VstIntPtr XREffect::vendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void*, float floatArg) {
  XR_TRY
  AEffEditor* editor = getEditor();
  if (editor && lArg1 == kWheelVendor && lArg2 == kWheelMessage) return editor->onWheel(floatArg) ? 1 : 0;
  return 0;
  XR_CATCH(0)
}

// --- hooks the product fills ----------------------------------------------------

bool XREffect::InitPresetsFromPresetStream() { return false; }
bool XREffect::ParamShouldUndo(int) { return true; }
void XREffect::Init() {}
void XREffect::InitAfterProgramsSet() {}
void XREffect::Cleanup() {}

void XREffect::HostAutomate(int index, float value) {
  if (m_bConstructing.load()) return;
  // The worker never calls the host: the next host thread reports the value.
  if (IsOnIdleWorker()) {
    DeferHostAutomation(index);
    return;
  }
  sendAutomationToHost(index, value);
}
