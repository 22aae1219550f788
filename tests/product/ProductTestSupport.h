// Test doubles for the equaliser effect: a host that records automation, an
// editor that mirrors band and pass-filter edits between channels the way the
// equaliser editor does, and an effect subclass that opens the protected state
// the tests check.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Helpers/EditorHooks.h"
#include "Helpers/Lock.h"
#include "QVX2/QVX2.h"
#include "prefs/TempConfigFolder.h"
#include "vst/AEffEditor.h"

namespace qvx2test {

// Holds a fresh preference folder for one effect's life, so that no test
// reads the user's settings or another test's linked quality settings.
struct TemporaryPreferences {
  TempConfigFolder m_Folder;
};

struct AutomateCall {
  int nIndex;
  float fValue;
};

// The host: answers its version, records automation (opcode 0) and edit
// brackets (43, 44). One host per process; tests reset it.
VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
std::vector<AutomateCall>& AutomateLog();
int& EditBracketBalance();  // +1 per begin, -1 per end
void ResetHost();

class TestableQvx2 : private TemporaryPreferences, public AQVX2 {
 public:
  TestableQvx2();

  // Throws from the n-th parameter undo point from now on (0: never).
  void FailAtUndoPoint(int n) { m_nFailAt = n; }
  void StoreUndoPoint(int index, float value) override;

  bool InEditGroup() const { return m_bInEditGroup.load(); }
  void ClearFiltersNeedUpdating() { m_bFiltersNeedUpdating.store(false); }
  void SetResponseArrays(int fftSize);
  const double* Response(int channel) const { return m_pfResponse[channel].get(); }
  const CQVX2ResponseModel& Model() const { return m_Model; }
  // Every band gain of a channel (135 values).
  std::vector<float> Gains(int channel);
  void SetQuietly(int index, float value) { Param(index)->store(value); }

 private:
  int m_nFailAt = 0;
};

// The editor as the effect sees it. While bChangeFromGui is set, its
// setParameter mirrors a band-gain or pass-filter change to the other channel
// according to Control Mode: Snap the same value, Linked the value plus the
// linked-mode delta (held to 0..1), Seperate nothing; the copy goes through
// SetParamAndForceHostUpdate. Edit brackets go to the effect.
class MirroringEditor : public AEffEditor, public XREditorHooks {
 public:
  explicit MirroringEditor(AQVX2* effect) : AEffEditor(effect), m_pEffect(effect) {}

  // An edit from the editor's own controls.
  void EditFromGui(int index, float value);

  void setParameter(long index, float value) override;
  void SetRefreshControls() override { ++nRefreshControls; }
  bool IsOpen() const override { return true; }
  bool IsBuildingViews() const override { return false; }
  bool IsChangeFromGui() const override { return bChangeFromGui; }
  void RemoveAllControls() override {}
  void RefreshFrontOrBack() override {}
  void UpdateUndoRedoControls() override {}
  void UpdateQMControls() override {}
  bool beginEdit(int index) override {
    ++nBeginEdit;
    return m_pEffect->beginEdit(index);
  }
  bool endEdit(int index) override {
    ++nEndEdit;
    return m_pEffect->endEdit(index);
  }
  Lock& GetLockA() override { return m_LockA; }

  bool bChangeFromGui = false;
  int nBeginEdit = 0;
  int nEndEdit = 0;
  int nRefreshControls = 0;
  int nMirrored = 0;

 private:
  AQVX2* m_pEffect;
  Lock m_LockA;
};

// The channel twin of a band-gain or pass-filter parameter; -1 for others.
int MirrorOf(int index);

}  // namespace qvx2test
