// The editor mode's session, shared by the sources of its two threads:
// EditorSession.cpp (the host's user-interface thread: windows, effEditOpen,
// idle passes, effEditClose) and EditorSteps.cpp (the script's thread, which
// plays the user and measures).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tools/qvxhost/AudioIO.h"
#include "tools/qvxhost/EditorScript.h"
#include "tools/qvxhost/HostX11.h"
#include "tools/qvxhost/Options.h"
#include "tools/qvxhost/PluginHost.h"
#include "tools/qvxhost/WindowManager.h"
#include "tools/qvxhost/XRecorder.h"

namespace editorsession {

// How long the script's thread waits for the host's thread before it gives
// up on the process.
constexpr double kHostThreadTimeoutMs = 30000.0;

// One line of the report on standard output. [any thread]
__attribute__((format(printf, 1, 2))) void Say(const char* format, ...);
void SleepMs(double ms);

// What /proc/self tells of the process.
struct ProcessFigures {
  int fds = 0, threads = 0;
  long residentKb = 0;
};

struct Instance {
  PluginHost* host = nullptr;
  int number = 0;
  std::atomic<unsigned long> window{0};  // written: user-interface thread; 0 while closed
  std::atomic<bool> windowGone{false};   // the host destroyed it while the editor is open
  size_t awaitFrom[3] = {0, 0, 0};       // script thread: the log entries awaits have taken

  // Script thread: the editor's window inside the host's (0: none), the
  // drawing on it at the last count, and the X errors its connection had
  // at the last await of one.
  unsigned long editor = 0;
  XRecorder::Draws counted;
  double countedMs = 0.0;
  long errorsAwaited = 0;

  // The keys pressed on the host's own window, by name.
  std::mutex keyMutex;
  std::vector<std::string> keys;  // guarded by keyMutex
  size_t keysAwaited = 0;         // script thread

  HostImage lastShot;  // script thread: what an await of a change compares with
};

// One run of the editor mode: the instances' editors, the host's windows,
// the idle passes and the script.
class Session {
 public:
  Session(const HostOptions& options, const std::vector<PluginHost*>& hosts, const std::vector<ScriptStep>& steps)
      : m_Options(options), m_Steps(steps) {
    for (size_t i = 0; i < hosts.size(); ++i) {
      m_Instances.emplace_back(new Instance);
      m_Instances.back()->host = hosts[i];
      m_Instances.back()->number = static_cast<int>(i) + 1;
    }
  }
  // [user-interface thread] The whole run; false with `error` set.
  bool Run(const AudioBuffer& input, std::string& error);

 private:
  struct Opening {
    unsigned long window = 0;
    int width = 0, height = 0;
    VstIntPtr answer = 0;
    double startMs = 0.0;
  };

  // The host's user-interface thread.
  void MainLoop();
  void IdlePass();
  // Where an instance's window of this size goes on the screen.
  void Place(const Instance& instance, int width, int height, int& x, int& y);
  Opening OpenEditor(Instance& instance);
  void CloseEditor(Instance& instance);

  // The script's thread.
  void Script();
  // Runs `task` on the user-interface thread between idle passes and waits
  // for it; ends the process when the plug-in holds that thread too long.
  void OnUiThread(const std::function<void()>& task);
  bool Open(Instance& instance, std::string& error);
  void Close(Instance& instance);
  bool Step(const ScriptStep& step, size_t number, std::string& error);
  bool Input(const ScriptStep& step, unsigned long window, std::string& error);
  bool Await(const ScriptStep& step, Instance& instance, std::string& error);
  bool AwaitHostCall(const ScriptStep& step, Instance& instance, std::string& error);
  // Polls `done` every few ms until it holds or the step's time runs out,
  // then reports the wait with `found` (which `done` may fill in); false
  // with `error` set to `missing` and the time.
  bool AwaitCondition(const ScriptStep& step, const std::function<bool()>& done, const std::string& missing,
                      std::string& error, const std::string& found = "");
  bool Recorded(const ScriptStep& step, Instance& instance, std::string& error);
  bool Settle(std::string& error);
  bool WaitForPasses(int passes, std::string& error);
  void ReleaseHeld();
  void ReportCycles();

  const HostOptions& m_Options;
  const std::vector<ScriptStep>& m_Steps;
  std::vector<std::unique_ptr<Instance>> m_Instances;
  XConnection m_Ui;    // the host's windows: user-interface thread
  XConnection m_User;  // input and captures: script thread
  HostWindowManager m_WindowManager;  // user-interface thread
  XRecorder m_Recorder;               // started when the script reads it
  bool m_bRecording = false;

  std::mutex m_QueueMutex;
  std::condition_variable m_Wake;
  std::deque<std::packaged_task<void()>> m_Queue;  // guarded by m_QueueMutex
  bool m_bScriptDone = false;                      // guarded by m_QueueMutex
  std::string m_Error;                             // script thread; read after its join

  // Idle passes of the user-interface thread, for the script's pacing.
  std::atomic<uint64_t> m_nPassStarts{0}, m_nPassEnds{0};
  std::atomic<double> m_PassStartMs{0.0};

  // Script thread only.
  size_t m_nCurrent = 0;
  std::set<int> m_HeldButtons;
  std::set<std::string> m_HeldKeys;
  std::vector<double> m_DrawMs;
  ProcessFigures m_Before, m_AfterFirst, m_AfterLast;
};

}  // namespace editorsession
