#include "ProductTestSupport.h"

#include <stdexcept>
#include <string>

namespace qvx2test {

TestableQvx2::TestableQvx2() : AQVX2(fxtest::RecordingHostCallback) {}

void TestableQvx2::StoreUndoPoint(int index, float value) {
  if (m_nFailAt > 0 && index < kQvx2FirstPersistantParam && --m_nFailAt == 0) throw std::runtime_error("undo store");
  AQVX2::StoreUndoPoint(index, value);
}

void TestableQvx2::SetResponseArrays(int fftSize) {
  m_nFFTSize.store(fftSize);
  AllocateResponseArrays(fftSize);
}

std::vector<float> TestableQvx2::Gains(int channel) {
  std::vector<float> g;
  for (int b = 0; b < kQvx2NumBands; ++b) g.push_back(Param(2 * b + channel)->load());
  return g;
}

int MirrorOf(int index) {
  if (index >= 0 && index < kQvx2NumGainParams) return index ^ 1;
  const int pairs[][2] = {{kQvx2Hpf0, kQvx2Hpf1}, {kQvx2Hpf0Freq, kQvx2Hpf1Freq}, {kQvx2Lpf0, kQvx2Lpf1},
                          {kQvx2Lpf0Freq, kQvx2Lpf1Freq}};
  for (const auto& p : pairs) {
    if (index == p[0]) return p[1];
    if (index == p[1]) return p[0];
  }
  return -1;
}

void MirroringEditor::EditFromGui(int index, float value) {
  bChangeFromGui = true;
  m_pEffect->SetParamAndForceHostUpdate(index, value);
  bChangeFromGui = false;
}

void MirroringEditor::setParameter(long index, float value) {
  const int i = static_cast<int>(index);
  const int other = MirrorOf(i);
  if (!bChangeFromGui || other < 0 || !m_pEffect->DidParameterActuallyChange(i)) return;
  const int mode = m_pEffect->GetParamAsFiniteState(kQvx2ControlMode, 3);
  if (mode == kQvx2ControlModeSeparate) return;
  float copy = value;
  if (mode == kQvx2ControlModeLinked) {
    copy = value + m_pEffect->LinkParamDelta(other, i);
    copy = copy < 0.0f ? 0.0f : (copy > 1.0f ? 1.0f : copy);
  }
  m_pEffect->SetParamAndForceHostUpdate(other, copy);
}

}  // namespace qvx2test
