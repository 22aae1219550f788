// The test plug-in's factory, built four ways: the normal effect; with
// QVX_TEST_WITH_EDITOR the effect with its minimal editor; with
// QVX_TEST_NO_RECORD a module whose factory creates nothing; with
// QVX_TEST_ABORT_ON_VENDOR_CALL a misbehaving effect: it aborts on one odd
// vendor request and, asked for its tail size, reports an edit of a
// parameter it does not have straight to the host, past the layer's checks;
// the host's crash and index reporting can be seen with it.
#include <climits>
#include <cstdlib>

#include "Helpers/HostInfo.h"
#include "tests/vst/PassThroughEffect.h"
#ifdef QVX_TEST_WITH_EDITOR
#include "tests/vst/PassThroughEditor.h"
#endif

#ifdef QVX_TEST_ABORT_ON_VENDOR_CALL
namespace {
class AbortingEffect : public PassThroughEffect {
 public:
  using PassThroughEffect::PassThroughEffect;
  VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override {
    if (index == INT_MIN) std::abort();
    return PassThroughEffect::vendorSpecific(index, value, ptr, opt);
  }
  VstInt32 getGetTailSize() override {
    callHost(audioMasterAutomate, 9000, 0, nullptr, 0.5f);
    return 0;
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
#elif defined(QVX_TEST_WITH_EDITOR)
  GetHostInfo(audioMaster);
  auto* effect = new PassThroughEffect(audioMaster);
  new PassThroughEditor(effect);  // registers with the effect, which owns it
  return effect;
#else
  GetHostInfo(audioMaster);
  return new PassThroughEffect(audioMaster);
#endif
}
