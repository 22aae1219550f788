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

void CQVX2KernelUpdate::Step(CClient& client) {
  m_bStepping.store(true);
  if (!m_bSuspended.load()) StepStates(client);
  m_bStepping.store(false);
}

void CQVX2KernelUpdate::StepStates(CClient& client) {
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
  if (m_nState.load() == kResponse) {
    const unsigned int start = m_Clock();
    while (!client.ComputeResponseSlice(kSliceBins))
      if (MsReached(m_Clock(), start + kSliceBudgetMs)) return;
    m_nState.store(kKernels);
  }
  if (m_nState.load() == kKernels) {
    m_nState.store(kFinish);
    Kernel* kernels[2] = {client.KernelToDesign(0), client.KernelToDesign(1)};
    if (kernels[0] == nullptr || kernels[1] == nullptr) return;
    const float rate = client.DesignSampleRate();
    for (Kernel* kernel : kernels) {
      kernel->m_fSampleRate = rate;
      kernel->m_bNeedsSetup = true;
      kernel->Setup(true);
    }
    if (kernels[0]->m_bSetupReady && kernels[1]->m_bSetupReady) client.CommitTogether(*kernels[0], *kernels[1]);
  }
  m_nState.store(kIdle);
  if (client.IsWysiwyg()) client.MarkCurveStale();
  XR_CATCH_VOID
}
