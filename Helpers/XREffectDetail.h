// Small helpers shared by the effect base's source files; not for products.
#pragma once

#include <atomic>
#include <cmath>
#include <thread>
#include <utility>

#include "Helpers/XREffect.h"

namespace xr_detail {

// 0..1; NaN reads as 0.
inline float ClampUnit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// The state 0..nStates-1 stored in a value as state / (nStates - 1).
inline int FiniteState(float value, int nStates) {
  if (nStates <= 1 || !(value > 0.0f)) return 0;
  const double s = std::floor(static_cast<double>(nStates - 1) * value + 0.5);
  return s >= nStates - 1 ? nStates - 1 : static_cast<int>(s);
}

inline int Wrap(int pos) { return (pos % kXrUndoRingSize + kXrUndoRingSize) % kXrUndoRingSize; }

// Runs a callable when the scope ends, whichever way it ends.
template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : m_F(std::move(f)) {}
  ~ScopeExit() { m_F(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F m_F;
};

}  // namespace xr_detail

// While it lives, writes made by this thread on the effect store no undo
// point; other threads' writes still do.
class CDontStoreUndoScope {
 public:
  explicit CDontStoreUndoScope(XREffect* effect)
      : m_pEffect(effect),
        m_bWasSet(effect->m_bDontStoreUndo.load()),
        m_nPreviousThread(effect->m_nDontStoreUndoThread.load()) {
    m_pEffect->m_nDontStoreUndoThread.store(ThisThreadSerial());
    m_pEffect->m_bDontStoreUndo.store(true);
  }
  ~CDontStoreUndoScope() {
    m_pEffect->m_bDontStoreUndo.store(m_bWasSet);
    m_pEffect->m_nDontStoreUndoThread.store(m_nPreviousThread);
  }
  CDontStoreUndoScope(const CDontStoreUndoScope&) = delete;
  CDontStoreUndoScope& operator=(const CDontStoreUndoScope&) = delete;

 private:
  XREffect* m_pEffect;
  bool m_bWasSet;
  uint64_t m_nPreviousThread;
};
