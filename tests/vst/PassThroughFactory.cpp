// The test plug-in's factory. Built two ways: the normal effect, and (with
// QVX_TEST_NO_RECORD) a module whose factory creates nothing.
#include "Helpers/HostInfo.h"
#include "tests/vst/PassThroughEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
#ifdef QVX_TEST_NO_RECORD
  (void)audioMaster;
  return nullptr;
#else
  GetHostInfo(audioMaster);
  return new PassThroughEffect(audioMaster);
#endif
}
