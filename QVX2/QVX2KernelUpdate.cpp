// The equaliser's kernel update.
#include "QVX2/QVX2KernelUpdate.h"

#include <thread>

XR_REGISTER_SOURCE_FILE("QVX2/QVX2KernelUpdate");

void CQVX2KernelUpdate::Suspend() {
  m_bSuspended.store(true);
  // A step that read the flag before it was set ends within its time slice
  // and one kernel design; every later step sees the flag.
  while (m_bStepping.load()) std::this_thread::yield();
}

void CQVX2KernelUpdate::Step(CClient& client, unsigned budgetMs) {
  m_bStepping.store(true);
  if (!m_bSuspended.load()) StepStates(client, budgetMs);
  m_bStepping.store(false);
}

void CQVX2KernelUpdate::StepStates(CClient& client, unsigned budgetMs) {
  XR_TRY
  if (m_nState.load() == kIdle) {
    m_nState.store(kStart);
    m_bMarked.store(false);
    client.RestartResponse();
  }
  if (m_nState.load() == kStart) {
    m_nState.store(kResponse);
    client.UpdateCalcCache();
    if (!client.IsWysiwyg()) client.MarkCurveStale();
  }
  const unsigned int start = m_Clock();
  while (StepOnce(client))
    if (MsReached(m_Clock(), start + budgetMs)) return;
  XR_CATCH_VOID
}

bool CQVX2KernelUpdate::StepOnce(CClient& client) {
  switch (m_nState.load()) {
    case kResponse:
      if (client.ComputeResponseSlice(kSliceBins)) {
        m_nState.store(kKernels);
        m_nDesigned = 0;
      }
      return true;
    case kKernels: {
      Kernel* kernels[2] = {client.KernelToDesign(0), client.KernelToDesign(1)};
      if (kernels[0] == nullptr || kernels[1] == nullptr) {
        m_nState.store(kFinish);
        return false;
      }
      Kernel* kernel = kernels[m_nDesigned];
      // Counted before the design: one that throws is not tried again, and
      // the update ends without a commit.
      if (++m_nDesigned == 2) m_nState.store(kFinish);
      kernel->m_fSampleRate = client.DesignSampleRate();
      kernel->m_bNeedsSetup = true;
      kernel->Setup(true);
      if (m_nDesigned < 2) return true;
      if (kernels[0]->m_bSetupReady && kernels[1]->m_bSetupReady) client.CommitTogether(*kernels[0], *kernels[1]);
      break;
    }
    case kFinish:
      break;
    default:
      return false;
  }
  m_nState.store(kIdle);
  if (client.IsWysiwyg()) client.MarkCurveStale();
  return false;
}
