// Sine/cosine oscillator: a rotation by a fixed step, applied in the
// arithmetic of T. The FFT passes whose half-block exceeds the cosine table
// take their twiddles from one of these, restarted at (1, 0) for every block.
//
// Thread contract: one object belongs to one FFT object and is used only by
// the caller that currently holds that object.
#pragma once

#include <cmath>

template <typename T>
class OscSinCos {
 public:
  OscSinCos() = default;

  // Step angle in radians; cosine and sine are formed in double, then rounded
  // to T, so every object of a type steps by the same values.
  void set_step(double angle) {
    m_step_cos = static_cast<T>(std::cos(angle));
    m_step_sin = static_cast<T>(std::sin(angle));
  }

  T get_cos() const { return m_pos_cos; }
  T get_sin() const { return m_pos_sin; }

  // Rotates the current point by one step; each product and the sum or
  // difference is rounded to T as it is formed.
  void step() {
    const T old_cos = m_pos_cos;
    const T old_sin = m_pos_sin;
    m_pos_cos = old_cos * m_step_cos - old_sin * m_step_sin;
    m_pos_sin = old_cos * m_step_sin + old_sin * m_step_cos;
  }

  // Back to angle 0.
  void clear_buffers() {
    m_pos_cos = static_cast<T>(1);
    m_pos_sin = static_cast<T>(0);
  }

 private:
  T m_pos_cos = static_cast<T>(1);
  T m_pos_sin = static_cast<T>(0);
  T m_step_cos = static_cast<T>(1);
  T m_step_sin = static_cast<T>(0);
};
