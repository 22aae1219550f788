// The effect's side of the response model: the calc cache from the current
// parameters and the per-bin response of the current FFT size.
#include "Helpers/Assert.h"
#include "QVX2/QVX2.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2Response");

void AQVX2::UpdateFilterCalcCache() {
  XR_TRY
  float values[kQvx2NumHostParams];
  CopyCurrentValues(values);
  m_fTrimGain[0].store(Qvx2TrimGain(values[kQvx2TrimLeft]), std::memory_order_relaxed);
  m_fTrimGain[1].store(Qvx2TrimGain(values[kQvx2TrimRight]), std::memory_order_relaxed);
  m_Model.UpdateFilterCalcCache(values);
  XR_CATCH_VOID
}

double AQVX2::GetFilterResponseDb(float x, int channel) {
  XR_TRY
  const float contour = Qvx2SanitizedValue(Param(kQvx2Contour)->load(), Qvx2DefaultOf(kQvx2Contour));
  return m_Model.GetFilterResponseDb(x, channel, contour);
  XR_CATCH(0.0)
}

bool AQVX2::UpdateCachedIdealisedResponse(int count) {
  XR_TRY
  const float contour = Qvx2SanitizedValue(Param(kQvx2Contour)->load(), Qvx2DefaultOf(kQvx2Contour));
  return m_Model.UpdateCachedIdealisedResponse(m_pfResponse[0].get(), m_pfResponse[1].get(), m_nResponseFftSize,
                                               getSampleRate(), m_nResponseResume, count, contour);
  XR_CATCH(false)
}

const double* AQVX2::GetCachedResponse(int channel, int n) const {
  if (channel != 0 && channel != 1) return nullptr;
  if (n != m_nResponseFftSize) return nullptr;
  return m_pfResponse[channel].get();
}

void AQVX2::AllocateResponseArrays(int n) {
  XR_TRY
  m_pfResponse[0].reset();
  m_pfResponse[1].reset();
  m_nResponseFftSize = 0;
  m_nResponseResume = 0;
  if (n < 2) return;
  const std::size_t bins = static_cast<std::size_t>(n / 2 + 1);
  for (auto& r : m_pfResponse) {
    r.reset(new double[bins]);
    for (std::size_t k = 0; k < bins; ++k) r[k] = 1.0;
  }
  m_nResponseFftSize = n;
  XR_CATCH_VOID
}
