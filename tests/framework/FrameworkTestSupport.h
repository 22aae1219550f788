// Test doubles for the effect base: a recording host callback, a fake editor
// that records what the effect calls on it, and a small effect built on
// XREffect the way a product builds on it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Helpers/EditorHooks.h"
#include "Helpers/Lock.h"
#include "Helpers/XREffect.h"
#include "vst/AEffEditor.h"

namespace fxtest {

// One call the effect made to the host.
struct HostCall {
  VstInt32 nOpcode;
  VstInt32 nIndex;
  VstIntPtr nValue;
  float fOpt;
  std::string szText;      // for audioMasterCanDo
  VstInt32 nInitialDelay;  // the record's initial delay when the call came
};

enum class Transport { kNone, kPlaying, kStopped };

// The host's side: every call is logged; a few requests get answers that a
// test may set.
class HostLog {
 public:
  static HostLog& Get();
  void Reset();
  std::vector<HostCall> Calls();
  std::vector<HostCall> CallsOf(VstInt32 opcode);
  void Record(const HostCall& call);

  std::atomic<bool> m_bAcceptIOChanges{true};  // answer to canDo "acceptIOChanges"
  std::atomic<Transport> m_eTransport{Transport::kStopped};  // answer to audioMasterGetTime
  std::atomic<VstInt32> m_nProcessLevel{kVstProcessLevelUnknown};  // answer to the process-level request
  // What the host does when the effect gives it an idle call (audioMasterIdle),
  // not re-entered from inside itself; set by the test thread.
  std::function<void()> m_OnIdle;

 private:
  std::mutex m_Mutex;
  std::vector<HostCall> m_Calls;
};

VstIntPtr RecordingHostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);

// Where a test's fake millisecond clock starts: a minute behind the
// machine's, so that a test handing over to the machine's clock moves time
// forward however long ago the machine started (1 on a machine up less than
// a minute: 0 marks "none" in some due times).
unsigned int FakeClockStart();

// Runs `body` in a forked child, which ends with the body's answer as its
// exit code (by _exit: nothing of the parent's runs at its exit), or by its
// alarm after `limitSeconds` when it hangs. The child's exit code once it
// has ended; -1 when a signal ended it, -2 when no child could be forked.
// Fork tests do not run under ThreadSanitizer, which ends a forked child
// that starts a thread.
int InForkedChild(const std::function<int()>& body, unsigned limitSeconds = 30);

// Ends the process when a test does not finish in time: a deadlock fails the
// run instead of hanging it.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : m_Thread([this, limit] {
          std::unique_lock<std::mutex> lock(m_Mutex);
          if (!m_Done.wait_for(lock, limit, [this] { return m_bDone; })) {
            std::fprintf(stderr, "watchdog: the test did not finish within %lld s (deadlock?)\n",
                         static_cast<long long>(limit.count()));
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_bDone = true;
    }
    m_Done.notify_all();
    m_Thread.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex m_Mutex;
  std::condition_variable m_Done;
  bool m_bDone = false;
  std::thread m_Thread;
};

class FakeEditor : public AEffEditor, public XREditorHooks {
 public:
  explicit FakeEditor(AudioEffect* effect) : AEffEditor(effect) {}

  bool onWheel(float distance) override {
    m_fLastWheel.store(distance);
    ++m_nWheelCalls;
    return m_bWheelAnswer.load();
  }

  void setParameter(long index, float value) override {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_SetParameterCalls.emplace_back(static_cast<int>(index), value);
  }
  void SetRefreshControls() override { ++m_nRefreshControls; }
  bool IsOpen() const override { return m_bOpen.load(); }
  bool IsBuildingViews() const override { return m_bBuildingViews.load(); }
  bool IsChangeFromGui() const override { return false; }
  bool TryRemoveAllControls() override {
    ++m_nRemoveAllControls;
    return true;
  }
  bool IsInUseOnThisThread() const override { return false; }
  void RefreshFrontOrBack() override { ++m_nRefreshFrontOrBack; }
  void UpdateUndoRedoControls() override { ++m_nUpdateUndoRedo; }
  void UpdateQMControls() override { ++m_nUpdateQM; }
  bool beginEdit(int) override { return false; }
  bool endEdit(int) override { return false; }
  Lock& GetLockA() override { return m_LockA; }

  std::vector<std::pair<int, float>> SetParameterCalls() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_SetParameterCalls;
  }
  void ClearCalls() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_SetParameterCalls.clear();
  }

  std::atomic<bool> m_bWheelAnswer{true};
  std::atomic<float> m_fLastWheel{0.0f};
  std::atomic<int> m_nWheelCalls{0};
  std::atomic<int> m_nRefreshControls{0};
  std::atomic<int> m_nRemoveAllControls{0};
  std::atomic<int> m_nRefreshFrontOrBack{0};
  std::atomic<int> m_nUpdateUndoRedo{0};
  std::atomic<int> m_nUpdateQM{0};
  std::atomic<bool> m_bOpen{false};
  std::atomic<bool> m_bBuildingViews{false};

 private:
  std::mutex m_Mutex;
  std::vector<std::pair<int, float>> m_SetParameterCalls;
  Lock m_LockA;
};

// Built like the product: 304 A and 295 B parameters, 11 persistent ones.
class TestEffect : public XREffect {
 public:
  static constexpr int kParams = 304;
  static constexpr int kABParams = 295;
  static constexpr int kHostParams = kParams + kABParams;
  static constexpr int kPersistant = 11;

  // Default of parameter i: a distinct value in 0..1.
  static float DefaultValue(int i) { return static_cast<float>((i * 37) % 101) / 100.0f; }
  static float PersistantDefault(int k) { return 0.25f + 0.05f * static_cast<float>(k); }
  static const char* PersistantKey(int k);

  explicit TestEffect(audioMasterCallback host = RecordingHostCallback, bool withEditor = false);

  void processReplacing(float**, float**, VstInt32) override {}
  void ParameterChanged(int index) override;

  struct Change {
    int nIndex;
    bool bActuallyChanged;
  };
  std::vector<Change> Changes();
  void ClearChanges();
  FakeEditor* Editor() { return dynamic_cast<FakeEditor*>(getEditor()); }

  // Views of the protected state for assertions.
  bool CanUndo() const { return m_bCanUndo.load(); }
  bool CanRedo() const { return m_bCanRedo.load(); }
  int UndoBank() const { return m_nUndoBank.load(); }
  int UndoHead() const { return m_nUndoHead[m_nUndoBank.load()]; }
  int UndoHeadOf(int bank) const { return m_nUndoHead[bank]; }
  UndoEntry UndoAt(int bank, int pos) const {
    return m_UndoEntries[bank][(pos % kXrUndoRingSize + kXrUndoRingSize) % kXrUndoRingSize];
  }

 protected:
  struct DeferStartup {};
  // For derived test effects: the start-up sequence runs from their own
  // constructor, once their overrides are in place.
  TestEffect(audioMasterCallback host, bool withEditor, DeferStartup);
  // What a product's constructor does after the base constructors.
  void RunProductStartup();
  // Lets a derived effect change the "Default" values before they are used.
  virtual void FillDefaults() {}

 private:
  std::mutex m_ChangesMutex;
  std::vector<Change> m_Changes;
};

}  // namespace fxtest
