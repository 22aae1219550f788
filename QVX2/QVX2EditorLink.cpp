// Where the effect meets its editor: the level-meter feed from the audio
// thread, the editor's guarded reads of the response, the host's edit
// brackets of the editor's writes and the curve-cache requests of the filter
// update.
#include <mutex>

#include "Helpers/Assert.h"
#include "Helpers/Lock.h"
#include "Helpers/OwnerDrawControlsLevelMeter.h"
#include "QVX2/QVX2.h"
#include "QVX2/QVX2Editor.h"

XR_REGISTER_SOURCE_FILE("QVX2/QVX2EditorLink");

AQVX2::CEditorReadScope::CEditorReadScope(AQVX2& fx) : m_Fx(fx), m_bHeld(fx.m_IdleMutex.try_lock()) {}

AQVX2::CEditorReadScope::~CEditorReadScope() {
  if (m_bHeld) m_Fx.m_IdleMutex.unlock();
}

int AQVX2::CEditorReadScope::FftSize() const {
  return m_bHeld && m_Fx.m_pEngine ? m_Fx.m_pEngine->nFftSize : 0;
}

const Complex<double>* AQVX2::CEditorReadScope::CommittedResponse(int channel) const {
  if (!m_bHeld || !m_Fx.m_pEngine || (channel != 0 && channel != 1)) return nullptr;
  const FftQVX2* kernel = m_Fx.m_pEngine->pKernel[channel].get();
  if (!kernel || !kernel->m_bHasResponse.load() || kernel->m_nFftSize != m_Fx.m_pEngine->nFftSize) return nullptr;
  return kernel->m_pResponse;
}

bool AQVX2::HostBeginEdit(int index) {
  XR_TRY
  return AudioEffectX::beginEdit(index);
  XR_CATCH(false)
}

bool AQVX2::HostEndEdit(int index) {
  XR_TRY
  return AudioEffectX::endEdit(index);
  XR_CATCH(false)
}

void AQVX2::FeedEditorMeter(float* const* outputs, int sampleFrames) noexcept {
  auto* editor = dynamic_cast<QVX2Editor*>(getEditor());
  if (!editor || !editor->IsOpen()) return;
  const CScopedTryLock holdA(editor->GetLockA());
  if (!holdA.Held()) return;
  try {
    if (CLevelMeter* meter = editor->LevelMeterForAudio()) meter->StoreValues(outputs[0], outputs[1], sampleFrames);
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
}

void AQVX2::AnnounceEditorWrite(int index) {
  XR_TRY
  if (auto* editor = dynamic_cast<QVX2Editor*>(getEditor())) editor->AnnounceWrite(index);
  XR_CATCH_VOID
}

void AQVX2::MarkEditorCurveStale() {
  XR_TRY
  if (auto* editor = dynamic_cast<QVX2Editor*>(getEditor())) editor->MarkCurveStale();
  XR_CATCH_VOID
}

void AQVX2::UpdateFiltersIfIdle(bool bTakeAudioBusy) {
  XR_TRY
  // Nothing to do, or an offline render's blocks do it.
  if (!IsIdleWorkPending()) return;
  std::unique_lock<std::recursive_mutex> idle(m_IdleMutex, std::try_to_lock);
  if (idle.owns_lock()) UpdateFilters(bTakeAudioBusy);
  XR_CATCH_VOID
}
