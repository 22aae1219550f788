// The framework's test effect, with the quality settings and stand-in filters,
// as a real plug-in module for the command-line host. Its first idle plays the
// part of an editor: edits, gestures, undo and redo,
// persistent settings and stray indexes, all of which reach the host only
// through the effect base's rules.
#include "Helpers/HostInfo.h"
#include "framework/QualityTestSupport.h"

namespace {

class ScriptedTestEffect : public fxtest::QualityTestEffect {
 public:
  explicit ScriptedTestEffect(audioMasterCallback audioMaster) : QualityTestEffect(audioMaster, false) {}

  void fxIdleInner() override {
    QualityTestEffect::fxIdleInner();
    if (m_bScriptDone) return;
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
  }

 private:
  bool m_bScriptDone = false;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  GetHostInfo(audioMaster);
  return new ScriptedTestEffect(audioMaster);
}
