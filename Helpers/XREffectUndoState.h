// The effect base's undo history (see XREffectUndo.cpp), a section of
// XREffect's state: one ring of entries per settings bank with its head,
// guarded by m_UndoMutex, the audio thread's points that found the mutex
// held, and the flags the editor reads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "Helpers/AudioThread.h"
#include "Helpers/XREffectTypes.h"

struct CXrUndoState {
  // Rings and heads, under m_UndoMutex.
  UndoEntry m_UndoEntries[2][kXrUndoRingSize];
  int m_nUndoHead[2] = {0, 0};
  // Set while this effect re-applies values for undo, redo or an A/B switch;
  // only writes made on m_nDontStoreUndoThread skip their undo point, so
  // automation from another thread meanwhile is still recorded.
  std::atomic<bool> m_bDontStoreUndo{false};
  std::atomic<uint64_t> m_nDontStoreUndoThread{0};  // ThisThreadSerial
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

  std::mutex m_UndoMutex;
  // Undo points of the audio thread that found m_UndoMutex held; pushed
  // without waiting, recorded by the next thread that holds the mutex.
  CAudioThreadQueue<UndoEntry, 256> m_DeferredUndoPoints;
};
