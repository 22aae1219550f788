// The framework's effect base. It sits between the VST 2.4 layer and the
// product effect and owns what every product shares: 20 programs of parameter
// values with an A and a B copy of the settings, the previous-value snapshot
// that tells the product which parameters really changed, machine-wide
// persistent parameters kept in the user's preferences, the writing road of
// every parameter change, and one undo/redo history per settings bank.
//
// Threads. Parameter writes come from the host's user-interface thread
// (editor, dispatcher, idle) and, for automation, from any thread the host
// chooses, possibly its audio thread; the audio thread reads values through
// Param(). Every value is therefore a std::atomic<float>, and every flag that
// more than one thread touches is atomic. The undo rings are guarded by
// m_UndoMutex, held only for the ring operations themselves: undo and redo
// collect their writes under it and apply them after releasing it, so no
// thread waits on it while the effect calls its product, its editor or the
// host. Program changes, A/B switches, program names and edit brackets belong
// to the user-interface thread.
//
// The editor is reached only through XREditorHooks (Helpers/EditorHooks.h),
// found on the VST editor object; with no editor these calls are skipped.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "vst/AudioEffectX.h"

class XREditorHooks;

// A gain in decibels becomes a linear factor as exp(dB * kfDbLogScaleFactor).
constexpr double kfDbLogScaleFactor = 0.11512925464970229;  // ln(10) / 20

constexpr int kXrNumPrograms = 20;
constexpr int kXrMaxParams = 3000;              // value slots per program
constexpr int kXrProgramNameLen = 24;           // characters, without terminator
constexpr int kXrFirstPersistantParam = 9000;
constexpr int kXrMaxPersistantParams = 100;
constexpr int kXrPersistantScale = 1048576;     // stored integer per 1.0
constexpr int kXrUndoRingSize = 10000;
constexpr int kXrUndoRequest = 10001;           // beginEdit argument: undo
constexpr int kXrRedoRequest = 10002;           // beginEdit argument: redo
constexpr int kXrUndoGroupStart = 10003;        // undo history markers
constexpr int kXrUndoGroupEnd = 10004;
constexpr int kXrEmptyUndoEntry = -1;

// One program: a name and the value of parameter i at position i.
struct ProgramRecord {
  ProgramRecord();
  ProgramRecord(const ProgramRecord&) = delete;
  ProgramRecord& operator=(const ProgramRecord&) = delete;
  // Copies name and values (each value atomically, not the record as a whole).
  void CopyFrom(const ProgramRecord& other);

  char name[kXrProgramNameLen + 1];
  std::atomic<float> values[kXrMaxParams];
};

// A parameter index with the value to restore, or a marker.
struct UndoEntry {
  int32_t nIndex;  // parameter, kXrUndoGroupStart/End, or kXrEmptyUndoEntry
  float fValue;
};

class XREffect : public AudioEffectX {
 public:
  // A list of (index, value) pairs ended by index -1, with a program name.
  struct PresetStreamEntry {
    int32_t nIndex;
    float fValue;
  };
  struct PresetStream {
    const char* pszName;
    const PresetStreamEntry* pEntries;
  };

  // nParams: the A settings and the settings without a B copy; nABParams: the
  // B copies, parameter i < nABParams having its copy at nParams + i. The
  // host sees nParams + nABParams parameters (limited to kXrMaxParams).
  XREffect(audioMasterCallback audioMaster, int nParams, int nABParams);
  ~XREffect() override;

  // --- overrides of the VST layer ------------------------------------------
  // Any thread. Host indexes outside the parameter count and the persistent
  // range are ignored.
  void setParameter(VstInt32 index, float value) override;
  float getParameter(VstInt32 index) override;
  // True only for indexes the host knows: 0 .. parameter count - 1.
  bool getIsIndexValidForEditing(VstInt32 index) override;
  VstInt32 getProgram() override;
  // UI thread. Programs outside 0..19 are ignored.
  void setProgram(VstInt32 program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  // Edit brackets, undo (10001) and redo (10002) requests. UI thread.
  bool beginEdit(VstInt32 index) override;
  bool endEdit(VstInt32 index) override;
  bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
  bool beginSetProgram() override;
  bool endSetProgram() override;
  bool getVendorString(char* text) override;
  VstInt32 getVendorVersion() override;
  // The host's mouse-wheel message goes to the editor's onWheel.
  VstIntPtr vendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) override;
  VstInt32 getPlugCategory() override;

  // --- operations for the product ------------------------------------------
  virtual bool InitPresetsFromPresetStream();
  // Re-applies every parameter of the current program against the snapshot,
  // then every persistent parameter. UI thread.
  virtual void RefreshAllParameters();
  // Told after every write of a parameter (persistent ones included), on the
  // writer's thread.
  virtual void ParameterChanged(int index) = 0;
  virtual void ClearUndos();
  // Take back or redo one entry, or one whole group. Callers pass false; true
  // continues inside a group. UI thread.
  virtual void Undo(bool bInGroup);
  virtual void Redo(bool bInGroup);
  // Records the value to restore for a parameter, or a group marker. Any
  // thread; the ring is guarded.
  virtual void StoreUndoPoint(int index, float value);
  virtual bool ParamShouldUndo(int index);
  virtual void SwitchABProgram();
  virtual void CopyAtoB();
  virtual void Init();
  virtual void InitAfterProgramsSet();
  virtual void InitAfterParametersSet();
  virtual void Cleanup();

  // The address of a parameter's value in the current program. Indexes
  // outside 0..kXrMaxParams-1 get a scratch slot that always reads 0, so a bad
  // index can never reach past a program. Any thread.
  std::atomic<float>* Param(int index);

  // setParameter, then the host is told of the new value (indexes the host
  // knows only). Editor edits, undo, redo and quality settings come this way.
  void SetParamAndForceHostUpdate(int index, float value);
  // For the product's ParameterChanged: whether the value differs from the
  // snapshot (NaN counts as a change). Persistent indexes always changed;
  // indexes outside the program and the persistent range never.
  bool DidParameterActuallyChange(int index);
  void SetParamAsFiniteState(int index, int state, int nStates);
  // The state 0..nStates-1 of a parameter holding state s as s/(nStates-1).
  // Values outside 0..1 clamp to the end states; NaN reads as state 0.
  int GetParamAsFiniteState(int index, int nStates);

  // Persistent parameters 9000 + k, shared through the preferences; values
  // are kept within 0..1.
  void InitPersistantParam(int index, float defaultValue);
  float GetPersistantParam(int index);
  void SetPersistantParam(int index, float value);

  // Recomputes m_bCanUndo/m_bCanRedo and tells the editor when either
  // changed.
  void CheckForChangeCanUndoOrRedo();

  // Fills a program from the "Default" record and a preset stream.
  void UsePresetStream(int program, const PresetStream& stream);

  // Host parameter count (A, unshared and B settings).
  int GetNumHostParams() const { return m_nNumParams + m_nNumABParams; }

 protected:
  // The editor's hooks, or null when there is no editor.
  XREditorHooks* GetEditorHooks();

  // --- undo state: rings and heads under m_UndoMutex ------------------------
  UndoEntry m_UndoEntries[2][kXrUndoRingSize];
  int m_nUndoHead[2];
  // Set while this effect re-applies values for undo, redo or an A/B switch;
  // only writes made on m_DontStoreUndoThread skip their undo point, so
  // automation from another thread meanwhile is still recorded.
  std::atomic<bool> m_bDontStoreUndo{false};
  std::atomic<std::thread::id> m_DontStoreUndoThread{};
  // Written under m_UndoMutex; read by the editor.
  std::atomic<bool> m_bCanUndo{false};
  std::atomic<bool> m_bCanRedo{false};
  // Written by beginEdit/endEdit (UI thread); read by the editor, the undo
  // ring and the quality rebuild.
  std::atomic<bool> m_bInEditGroup{false};
  std::atomic<bool> m_bInUndoRedoEdit{false};
  // 0 while the A settings are active, 1 while B. Written by SwitchABProgram
  // under m_UndoMutex; read by the editor.
  std::atomic<int> m_nUndoBank{0};
  // True during SwitchABProgram (UI thread); read by the product editor.
  std::atomic<bool> m_bSwitchingAB{false};

  // --- parameter store -------------------------------------------------------
  int m_nNumPersistantParams = 0;  // set by the product's constructor
  ProgramRecord m_DefaultProgram;
  ProgramRecord m_PreviousValues;
  const char* m_pszPersistantParamName[kXrMaxPersistantParams];
  float m_fPersistantParamDefault[kXrMaxPersistantParams];
  std::atomic<float> m_fPersistantParam[kXrMaxPersistantParams];
  // Written by setProgram (UI thread); read by Param on every thread.
  std::atomic<int> m_nCurProgram{0};
  ProgramRecord m_Programs[kXrNumPrograms];
  int m_nNumParams = 0;
  int m_nNumABParams = 0;

  std::mutex m_UndoMutex;

 private:
  bool IsHostParam(int index) const { return index >= 0 && index < GetNumHostParams(); }
  bool IsPersistantParam(int index) const;
  bool ShouldSkipUndoStore() const;
  // Recomputes the can-undo/can-redo flags; true when either changed. Caller
  // holds m_UndoMutex.
  bool UpdateCanUndoRedoLocked();
  void TellEditorUndoRedoChanged();
  float CurrentValueForUndo(int index);
  void RunUndoOrRedo(bool bRedo, bool bInGroup);
  // audioMasterAutomate for an index the host knows.
  void HostAutomate(int index, float value);

  // Reads as 0 for any index outside the program.
  std::atomic<float> m_fOutOfRangeParam{0.0f};

  friend class CDontStoreUndoScope;
};

// Calls the effect's RefreshAllParameters / SetParamAndForceHostUpdate with
// the held value, for effects built on XREffect.
void RefreshAllParameters(AudioEffect* effect);
void ForceHostUpdateParameter(AudioEffect* effect, int index);
