// The plug-in's exported entry. Built into every plug-in module (see
// qvx_add_plugin); the module's version script exports VSTPluginMain, and
// main_macho as well for the standard edition, and nothing else.
#include "Helpers/Assert.h"
#include "vst/AudioEffect.h"

#define QVX_EXPORT extern "C" __attribute__((visibility("default")))

// Called by the host with its callback; answers the record of a new effect,
// or null when the host is too old (its version answer is 0), when there is
// no callback, or when the effect cannot be created. No exception reaches
// the host.
QVX_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  XR_TRY
  if (!audioMaster) return nullptr;
  if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  AudioEffect* effect = createEffectInstance(audioMaster);
  return effect ? effect->getAeffect() : nullptr;
  XR_CATCH(nullptr)
}

// The standard edition's second entry name.
QVX_EXPORT AEffect* main_macho(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
