// The test plug-in's factory, built three ways: the normal effect; with
// QVX_TEST_NO_RECORD a module whose factory creates nothing; with
// QVX_TEST_ABORT_ON_VENDOR_CALL an effect that aborts on one odd vendor
// request, so that the host's crash reporting can be seen.
#include <climits>
#include <cstdlib>

#include "Helpers/HostInfo.h"
#include "tests/vst/PassThroughEffect.h"

#ifdef QVX_TEST_ABORT_ON_VENDOR_CALL
namespace {
class AbortingEffect : public PassThroughEffect {
 public:
  using PassThroughEffect::PassThroughEffect;
  VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
    if (index == INT_MIN) std::abort();
    return PassThroughEffect::vendorSpecific(index, value, ptr, opt);
  }
};
}  // namespace
#endif

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
#if defined(QVX_TEST_NO_RECORD)
  (void)audioMaster;
  return nullptr;
#elif defined(QVX_TEST_ABORT_ON_VENDOR_CALL)
  GetHostInfo(audioMaster);
  return new AbortingEffect(audioMaster);
#else
  GetHostInfo(audioMaster);
  return new PassThroughEffect(audioMaster);
#endif
}
