// Undo and redo: one ring of entries per settings bank. The entries before
// the head are the undo history (newest just before it), the entry at the head
// and those after it up to the first empty one are the redo chain. Edit
// brackets store group markers so that one undo takes back a whole gesture.
#include <utility>
#include <vector>

#include "Helpers/Assert.h"
#include "Helpers/EditorHooks.h"
#include "Helpers/XREffect.h"
#include "Helpers/XREffectDetail.h"

using xr_detail::Wrap;

namespace {
constexpr int kMaxUndoableIndex = 9998;
}

bool XREffect::ShouldSkipUndoStore() const {
  return m_bDontStoreUndo.load() && m_nDontStoreUndoThread.load() == ThisThreadSerial();
}

bool XREffect::UpdateCanUndoRedoLocked() {
  const int bank = m_nUndoBank.load();
  const int head = m_nUndoHead[bank];
  const bool canUndo = m_UndoEntries[bank][Wrap(head - 1)].nIndex != kXrEmptyUndoEntry;
  const bool canRedo = m_UndoEntries[bank][head].nIndex != kXrEmptyUndoEntry;
  const bool undoChanged = m_bCanUndo.exchange(canUndo) != canUndo;
  const bool redoChanged = m_bCanRedo.exchange(canRedo) != canRedo;
  return undoChanged || redoChanged;
}

void XREffect::TellEditorUndoRedoChanged() {
  if (XREditorHooks* editor = GetEditorHooks()) editor->UpdateUndoRedoControls();
}

void XREffect::CheckForChangeCanUndoOrRedo() {
  XR_TRY
  bool changed = false;
  {
    std::unique_lock<std::mutex> lock(m_UndoMutex, std::defer_lock);
    if (!Acquire(lock)) return;
    StoreDeferredUndoPointsLocked();
    changed = UpdateCanUndoRedoLocked();
  }
  if (changed) TellEditorUndoRedoChanged();
  XR_CATCH_VOID
}

void XREffect::ClearUndos() {
  XR_TRY
  {
    std::unique_lock<std::mutex> lock(m_UndoMutex, std::defer_lock);
    if (!Acquire(lock)) return;
    // Points deferred before the clear belong to the history it drops.
    UndoEntry dropped;
    while (m_DeferredUndoPoints.Pop(dropped)) {
    }
    for (auto& ring : m_UndoEntries)
      for (auto& e : ring) e = UndoEntry{kXrEmptyUndoEntry, 0.0f};
    m_nUndoHead[0] = 0;
    m_nUndoHead[1] = 0;
    m_bCanUndo.store(false);
    m_bCanRedo.store(false);
  }
  TellEditorUndoRedoChanged();
  XR_CATCH_VOID
}

void XREffect::StoreUndoPoint(int index, float value) {
  XR_TRY
  if (ShouldSkipUndoStore()) return;
  if (index < 0 || (index > kMaxUndoableIndex && index != kXrUndoGroupStart && index != kXrUndoGroupEnd)) return;
  bool changed = false;
  {
    std::unique_lock<std::mutex> lock(m_UndoMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
      // The audio thread never waits for the user-interface side's undo or
      // redo, nor a forked child for a holder it may not have: the point
      // waits for the next holder of the lock instead.
      if (IsAudioThread() || !Acquire(lock)) {
        m_DeferredUndoPoints.Push(UndoEntry{index, value});
        return;
      }
    }
    StoreDeferredUndoPointsLocked();
    StoreUndoPointLocked(index, value);
    changed = UpdateCanUndoRedoLocked();
  }
  if (changed) TellEditorUndoRedoChanged();
  XR_CATCH_VOID
}

void XREffect::StoreDeferredUndoPointsLocked() {
  UndoEntry e;
  while (m_DeferredUndoPoints.Pop(e)) StoreUndoPointLocked(e.nIndex, e.fValue);
}

void XREffect::StoreUndoPointLocked(int index, float value) {
  const int bank = m_nUndoBank.load();
  UndoEntry* ring = m_UndoEntries[bank];
  int& head = m_nUndoHead[bank];
  bool store = true;
  if (m_bInEditGroup.load()) {
    // Within one gesture only the first old value of each parameter counts.
    int startAt = 0;  // distance back to the open group's start marker
    for (int k = 1; k < kXrUndoRingSize; ++k) {
      const int found = ring[Wrap(head - k)].nIndex;
      if (found == kXrEmptyUndoEntry) break;
      if (found == index) {
        store = false;
        break;
      }
      if (found == kXrUndoGroupStart) {
        startAt = k;
        break;
      }
    }
    if (store && index == kXrUndoGroupEnd) {
      const int newest = Wrap(head - 1);
      if (startAt == 0) {
        // The group's start is gone (dropped by an A/B switch, or overwritten
        // in a full ring): an end marker would make one undo run on into
        // unrelated history.
        store = false;
      } else if (startAt == 1) {
        ring[newest] = UndoEntry{kXrEmptyUndoEntry, 0.0f};
        head = newest;
        store = false;
      } else if (startAt == 2) {
        ring[Wrap(head - 2)] = ring[newest];
        ring[newest] = UndoEntry{kXrEmptyUndoEntry, 0.0f};
        head = newest;
        store = false;
      }
    }
  } else if (index == kXrUndoGroupEnd) {
    store = false;  // no open group: a stray end stores nothing
  }
  if (store) {
    ring[head] = UndoEntry{index, value};
    head = Wrap(head + 1);
    ring[head] = UndoEntry{kXrEmptyUndoEntry, 0.0f};
  }
}

float XREffect::CurrentValueForUndo(int index) {
  if (IsPersistantParam(index)) return GetPersistantParam(index);
  return Param(index)->load();
}

void XREffect::Undo(bool bInGroup) {
  XR_TRY
  RunUndoOrRedo(false, bInGroup);
  XR_CATCH_VOID
}

void XREffect::Redo(bool bInGroup) {
  XR_TRY
  RunUndoOrRedo(true, bInGroup);
  XR_CATCH_VOID
}

// Walks the ring under the mutex, exchanging each entry's value with the value
// it replaces, and applies the collected writes after releasing it.
void XREffect::RunUndoOrRedo(bool bRedo, bool bInGroup) {
  std::vector<std::pair<int, float>> writes;
  // The value a parameter will hold once the earlier writes of this step are
  // applied, for a parameter that occurs twice in one group.
  std::vector<float> pending(kMaxUndoableIndex + 1);
  std::vector<unsigned char> hasPending(kMaxUndoableIndex + 1, 0);
  const int openMarker = bRedo ? kXrUndoGroupStart : kXrUndoGroupEnd;
  const int closeMarker = bRedo ? kXrUndoGroupEnd : kXrUndoGroupStart;
  bool changed = false;
  {
    std::unique_lock<std::mutex> lock(m_UndoMutex, std::defer_lock);
    if (!Acquire(lock)) return;
    StoreDeferredUndoPointsLocked();
    const int bank = m_nUndoBank.load();
    UndoEntry* ring = m_UndoEntries[bank];
    int& head = m_nUndoHead[bank];
    bool inGroup = bInGroup;
    for (int step = 0; step < kXrUndoRingSize; ++step) {
      const int pos = bRedo ? head : Wrap(head - 1);
      const int next = bRedo ? Wrap(head + 1) : pos;
      UndoEntry& e = ring[pos];
      if (e.nIndex == kXrEmptyUndoEntry) break;
      if (e.nIndex == openMarker) {
        head = next;
        inGroup = true;
        continue;
      }
      if (e.nIndex == closeMarker) {
        head = next;
        break;
      }
      const int p = e.nIndex;
      const float current = hasPending[p] ? pending[p] : CurrentValueForUndo(p);
      writes.emplace_back(p, e.fValue);
      pending[p] = e.fValue;
      hasPending[p] = 1;
      e.fValue = current;
      head = next;
      if (!inGroup) break;
    }
    changed = UpdateCanUndoRedoLocked();
  }
  {
    CDontStoreUndoScope noUndo(this);
    for (const auto& [p, v] : writes) SetParamAndForceHostUpdate(p, v);
  }
  if (changed) TellEditorUndoRedoChanged();
}

bool XREffect::beginEdit(VstInt32 index) {
  XR_TRY
  if (index == kXrUndoRequest || index == kXrRedoRequest) {
    m_bInUndoRedoEdit.store(true);
    if (index == kXrUndoRequest) Undo(false);
    else Redo(false);
  } else {
    StoreUndoPoint(kXrUndoGroupStart, 0.0f);
    m_bInEditGroup.store(true);
  }
  return AudioEffectX::beginEdit(index);
  XR_CATCH(false)
}

bool XREffect::endEdit(VstInt32 index) {
  XR_TRY
  if (index == kXrUndoRequest || index == kXrRedoRequest) {
    m_bInUndoRedoEdit.store(false);
  } else {
    StoreUndoPoint(kXrUndoGroupEnd, 0.0f);
    m_bInEditGroup.store(false);
  }
  return AudioEffectX::endEdit(index);
  XR_CATCH(false)
}

void XREffect::InitAfterParametersSet() {
  XR_TRY
  ClearUndos();
  // The first quality check after this always rebuilds.
  if (m_bInitialised.load()) {
    m_nFFTSize.store(-1);
    m_nKernelSize.store(-1);
    m_nPasses.store(-1);
  }
  XR_CATCH_VOID
}
