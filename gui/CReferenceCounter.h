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
