// Test doubles for the equaliser effect, on those of the effect base (the
// recording host, the editor): an editor that mirrors band and pass-filter
// edits between channels the way the equaliser editor does, and an effect
// subclass that opens the protected state the tests check.
#pragma once

#include <memory>
#include <vector>

#include "QVX2/QVX2.h"
#include "framework/FrameworkTestSupport.h"
#include "prefs/TempConfigFolder.h"

namespace qvx2test {

// Holds a fresh preference folder for one effect's life, so that no test
// reads the user's settings or another test's linked quality settings.
struct TemporaryPreferences {
  TempConfigFolder m_Folder;
};

class TestableQvx2 : private TemporaryPreferences, public AQVX2 {
 public:
  TestableQvx2();

  // Throws from the n-th parameter undo point from now on (0: never).
  void FailAtUndoPoint(int n) { m_nFailAt = n; }
  void StoreUndoPoint(int index, float value) override;

  bool InEditGroup() const { return m_bInEditGroup.load(); }
  void ClearFiltersNeedUpdating() { m_KernelUpdate.ClearMark(); }
  void SetResponseArrays(int fftSize);
  const double* Response(int channel) const { return m_pfResponse[channel].get(); }
  const CQVX2ResponseModel& Model() const { return m_Model; }
  // Every band gain of a channel (135 values).
  std::vector<float> Gains(int channel);
  void SetQuietly(int index, float value) { Param(index)->store(value); }

 private:
  int m_nFailAt = 0;
};

// The editor as the effect sees it, open. While bChangeFromGui is set, its
// setParameter mirrors a band-gain or pass-filter change to the other channel
// according to Control Mode: Snap the same value, Linked the value plus the
// linked-mode delta (held to 0..1), Seperate nothing; the copy goes through
// SetParamAndForceHostUpdate. Edit brackets go to the effect.
class MirroringEditor : public fxtest::FakeEditor {
 public:
  explicit MirroringEditor(AQVX2* effect) : FakeEditor(effect), m_pEffect(effect) { m_bOpen = true; }

  // An edit from the editor's own controls.
  void EditFromGui(int index, float value);

  void setParameter(long index, float value) override;
  bool IsChangeFromGui() const override { return bChangeFromGui; }
  bool beginEdit(int index) override {
    ++nBeginEdit;
    return m_pEffect->beginEdit(index);
  }
  bool endEdit(int index) override {
    ++nEndEdit;
    return m_pEffect->endEdit(index);
  }

  bool bChangeFromGui = false;
  int nBeginEdit = 0;
  int nEndEdit = 0;

 private:
  AQVX2* m_pEffect;
};

// The channel twin of a band-gain or pass-filter parameter; -1 for others.
int MirrorOf(int index);

}  // namespace qvx2test
