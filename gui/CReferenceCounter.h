// Base of the shared toolkit objects (views, bitmaps, drawing contexts, drag
// containers). The creator holds the first reference; every holder that keeps
// a pointer calls remember() and later forget(). The object deletes itself
// when the last reference is forgotten. Not thread-safe: counts change on the
// user-interface thread only.
#pragma once

class CReferenceCounter {
 public:
  CReferenceCounter() = default;
  virtual ~CReferenceCounter() = default;
  CReferenceCounter(const CReferenceCounter&) = delete;
  CReferenceCounter& operator=(const CReferenceCounter&) = delete;

  // Count - 1; at 0 the object deletes itself.
  virtual void forget();
  // Count + 1.
  virtual void remember();

  long getNbReference() const { return nbReference; }

 private:
  long nbReference = 1;
};

// Makes `holder` hold `object` (null for none) in place of what it held: the
// new object is remembered before the old one is forgotten, so that setting
// the object already held never frees it.
template <typename T>
void ReplaceHeld(T*& holder, T* object) {
  if (object) object->remember();
  if (holder) holder->forget();
  holder = object;
}

// Holds one reference for a scope, so that the object outlives a call that
// may drop every other reference to it (a view removed by its own handler).
// A null object is allowed and held by nobody.
class CRememberScope {
 public:
  explicit CRememberScope(CReferenceCounter* object) : m_pObject(object) {
    if (m_pObject) m_pObject->remember();
  }
  ~CRememberScope() {
    if (m_pObject) m_pObject->forget();
  }
  CRememberScope(const CRememberScope&) = delete;
  CRememberScope& operator=(const CRememberScope&) = delete;

 private:
  CReferenceCounter* m_pObject;
};
