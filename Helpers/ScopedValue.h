// Settings of a value for a scope, undone on every way out, exceptions
// included: a flag left set would hold off for good whatever it guards.
#pragma once

#include <atomic>

// Sets a flag (bool or std::atomic<bool>) for a scope and clears it at the
// end, whatever other threads or nested scopes wrote meanwhile.
template <typename Flag>
class CFlagScope {
 public:
  explicit CFlagScope(Flag& flag) : m_Flag(flag) { m_Flag = true; }
  ~CFlagScope() { m_Flag = false; }
  CFlagScope(const CFlagScope&) = delete;
  CFlagScope& operator=(const CFlagScope&) = delete;

 private:
  Flag& m_Flag;
};

// Sets a value for a scope and restores the previous one at the end, so
// nested scopes leave the outer one's value.
template <typename T>
class CScopedValue {
 public:
  CScopedValue(T& field, T value) : m_Field(field), m_Old(field) { m_Field = value; }
  ~CScopedValue() { m_Field = m_Old; }
  CScopedValue(const CScopedValue&) = delete;
  CScopedValue& operator=(const CScopedValue&) = delete;

 private:
  T& m_Field;
  T m_Old;
};

// The same for a value other threads read while the scope lasts: its one
// writer sets it and puts the previous value back.
template <typename T>
class CScopedValue<std::atomic<T>> {
 public:
  CScopedValue(std::atomic<T>& field, T value) : m_Field(field), m_Old(field.load()) { m_Field.store(value); }
  ~CScopedValue() { m_Field.store(m_Old); }
  CScopedValue(const CScopedValue&) = delete;
  CScopedValue& operator=(const CScopedValue&) = delete;

 private:
  std::atomic<T>& m_Field;
  T m_Old;
};
