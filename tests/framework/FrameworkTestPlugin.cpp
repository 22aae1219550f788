// The framework's test effect as a real plug-in module, for the command-line
// host. Its idle plays the part of an editor: edits, gestures, undo and redo,
// persistent settings and stray indexes, all of which reach the host only
// through the effect base's rules.
#include "Helpers/HostInfo.h"
#include "framework/FrameworkTestSupport.h"

namespace {

class ScriptedTestEffect : public fxtest::TestEffect {
 public:
  explicit ScriptedTestEffect(audioMasterCallback audioMaster) : TestEffect(audioMaster, false) {}

  VstInt32 fxIdle() override {
    if (m_bScriptDone) return 0;
    m_bScriptDone = true;
    const int last = kHostParams - 1;
    SetParamAndForceHostUpdate(0, 0.25f);
    beginEdit(last);
    SetParamAndForceHostUpdate(last, 0.5f);
    SetParamAndForceHostUpdate(last, 0.75f);
    endEdit(last);
    SetParamAndForceHostUpdate(kXrFirstPersistantParam, 0.5f);
    beginEdit(kXrFirstPersistantParam);
    endEdit(kXrFirstPersistantParam);
    beginEdit(kXrUndoRequest);
    endEdit(kXrUndoRequest);
    beginEdit(kXrRedoRequest);
    endEdit(kXrRedoRequest);
    beginEdit(kHostParams);
    endEdit(kHostParams);
    setParameterAutomated(kHostParams, 0.5f);
    setParameterAutomated(kXrFirstPersistantParam + 1, 0.5f);
    endEdit(kXrUndoGroupEnd);
    return 0;
  }

 private:
  bool m_bScriptDone = false;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  GetHostInfo(audioMaster);
  return new ScriptedTestEffect(audioMaster);
}
