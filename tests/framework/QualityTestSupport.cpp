#include "framework/QualityTestSupport.h"
#include "framework/QualityTestFixture.h"

namespace fxtest {

QualityTestEffect::QualityTestEffect(audioMasterCallback host, bool withEditor)
    : TestEffect(host, withEditor, DeferStartup{}) {
  SetRenderClockForTesting(&TestClockUs);
  RunProductStartup();
}

QualityTestEffect::~QualityTestEffect() = default;

void QualityTestEffect::FillDefaults() {
  m_DefaultProgram.values[kLinkParam].store(0.0f);
  m_DefaultProgram.values[kRatingParam].store(30.0f / 999.0f);
  m_DefaultProgram.values[kDitherParam].store(0.25f);       // state 1: off
  m_DefaultProgram.values[kBitDepthParam].store(0.5f);      // state 1: 32 bit
  m_DefaultProgram.values[kReportLatencyParam].store(1.0f); // state 2: on
  m_DefaultProgram.values[kOfflineRenderParam].store(0.5f); // state 1: off
  m_DefaultProgram.values[kWysiwygParam].store(0.5f);       // state 1: off
}

void QualityTestEffect::Init() { m_bInitialised.store(true); }

void QualityTestEffect::InitAfterParametersSet() {
  TestEffect::InitAfterParametersSet();
  resume();  // the first quality-mode application
}

void QualityTestEffect::ApplyQualityModeSettings() {
  ++m_nApplyCount;
  if (!m_AudioBusy.IsHeld()) ++m_nApplyWithoutAudioBusy;
  if (m_bThrowInApply.load()) throw std::runtime_error("rebuild failed");
  m_pLeft = std::make_unique<TestLatencyFilter>(m_nFFTSize.load(), m_nKernelSize.load(), this);
  m_pRight = std::make_unique<TestLatencyFilter>(m_nFFTSize.load(), m_nKernelSize.load(), this);
  UpdateAllFFTSettings();
}

void QualityTestEffect::UpdateAllFFTSettings() {
  ++m_nUpdateAllCount;
  UpdateFFTSettings<float>(m_pLeft.get());
  UpdateFFTSettings<float>(m_pRight.get());
}

void QualityTestEffect::InPlaceApplyQualityModeSettings() {
  ++m_nInPlaceCount;
  InPlaceUpdateFFTSettings<float>(m_pLeft.get());
  InPlaceUpdateFFTSettings<float>(m_pRight.get());
}

void QualityTestEffect::ClearAllFFTFilters() {
  ++m_nClearAllCount;
  if (m_pLeft) m_pLeft->Clear();
  if (m_pRight) m_pRight->Clear();
}

void QualityTestEffect::fxIdleInner() {
  ++m_nIdleInnerCount;
  m_eIdleCalledFrom.store(m_eFxIdleCalledFrom.load());
}

void QualityTestEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
  const CProcessCallScope block(this, frames);
  CAudioBusyTry busy(this);
  if (!busy.Held()) return;
  for (int c = 0; c < 2; ++c)
    for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] = 0.5f * inputs[c][i];
}

}  // namespace fxtest
