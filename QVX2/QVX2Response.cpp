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
  return m_Model.UpdateCachedIdealisedResponse(m_pfResponse[0].get(), m_pfResponse[1].get(), m_nFFTSize.load(),
                                               getSampleRate(), m_nResponseResume, count, contour);
  XR_CATCH(false)
}
