// The command-line host's core: loads a LinuxVST 2.4 module, creates its
// effect, answers the effect's host requests, and records the requests a test
// needs to see (automation, edit brackets, I/O changes).
//
// Thread contract: Load, Close, Dispatch and the queries run on one "user
// interface" thread; Process may run on another (the audio thread) while
// the user-interface thread dispatches, as in a real host. The host callback
// may arrive on either. The log is guarded by a mutex (this host is a test
// tool; a real host would not take a lock on the audio thread). With
// oneLock the host plays one that serialises its calls: one lock is held
// around every dispatcher call and every process block, so a block waits for
// any dispatcher call under way, and the longest call and the audio
// thread's longest wait are measured. Whatever the lock, the host counts
// its blocks and the dispatcher calls that bring automation, so that a test
// can tell a call held for a whole gesture from a slow machine.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vst/VstInterface.h"

enum class HostTransport { Playing, Stopped, None };

// What the host answers to the effect.
struct HostConfig {
  VstIntPtr versionAnswer = 2400;  // audioMasterVersion; 0 makes effects refuse to load
  std::string vendor = "QVX";      // audioMasterGetVendorString
  std::string product = "qvxhost"; // audioMasterGetProductString
  VstInt32 vendorVersion = 1000;   // audioMasterGetVendorVersion
  VstIntPtr acceptIOChanges = 1;   // audioMasterCanDo "acceptIOChanges"
  HostTransport transport = HostTransport::Playing;
  double tempo = 120.0;            // beats per minute in the time info
  bool loadGlobal = false;         // load the module's symbols into the global scope, as some hosts do
  bool oneLock = false;            // one lock around every dispatcher call and every process block
};

// How the host's calls went since the last look (PluginHost::TakeCallFigures).
struct CallFigures {
  double longestCallMs = 0.0;  // one dispatcher call, from its entry to its return
  VstInt32 longestOpcode = 0;  // that call's opcode
  double longestWaitMs = 0.0;  // the audio thread's wait for the one lock before a block
  int masterIdles = 0;         // audioMasterIdle requests
  int blocks = 0;              // process blocks
  int automations = 0;         // audioMasterAutomate requests, on any thread
  int automatingCalls = 0;     // dispatcher calls within which at least one of them arrived
};

// The thread a request arrived on: the host's user-interface thread (the one
// that loaded the effect), its audio thread, or any other (the effect's own).
enum class HostThread { UserInterface, Audio, Other };

// One recorded host request.
struct HostCall {
  VstInt32 opcode = 0;
  VstInt32 index = 0;
  VstIntPtr value = 0;
  float opt = 0.0f;
  VstInt32 latencyBefore = 0;  // audioMasterIOChanged: initial delay before and after
  VstInt32 latencyAfter = 0;
  double ms = 0.0;  // HostClockMs() when it arrived
  HostThread thread = HostThread::Other;
};

std::string DescribeHostCall(const HostCall& call);
// "ui", "audio" or "other".
const char* HostThreadName(HostThread thread);
// Milliseconds of wall clock since the program started.
double HostClockMs();

struct EffectInfo {
  VstInt32 magic = 0;
  std::string effectName, vendor, product;
  VstInt32 vendorVersion = 0, vstVersion = 0, category = 0;
  VstInt32 uniqueID = 0, version = 0, flags = 0;
  VstInt32 numPrograms = 0, numParams = 0, numInputs = 0, numOutputs = 0;
  VstInt32 initialDelay = 0;
};

struct ParameterInfo {
  int index = 0;
  std::string name, label, display;
  float value = 0.0f;
};

class PluginHost {
 public:
  explicit PluginHost(HostConfig config = HostConfig());
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // Loads the module and creates its effect. False with Error() set when the
  // file is missing, is no loadable library, has no VSTPluginMain, returns no
  // record, or returns a record without the VST magic.
  bool Load(const std::string& path);
  // Closes the effect (effClose) and unloads the module. Safe to repeat.
  void Close();
  const std::string& Error() const { return m_Error; }
  AEffect* Effect() const { return m_pEffect; }

  // effOpen, sample rate, block size, resume.
  void Start(double sampleRate, int maxBlockSize);
  double SampleRate() const { return m_fSampleRate.load(); }
  int MaxBlockSize() const { return m_nMaxBlock.load(); }

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f);
  // A text request, read into a generous buffer.
  std::string DispatchText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

  EffectInfo QueryInfo();
  std::vector<ParameterInfo> QueryParameters();
  ParameterInfo QueryParameter(int index);
  std::vector<std::string> QueryProgramNames();

  // Through the record's set-parameter function; false for an index outside
  // the effect's range or a value outside 0..1.
  bool SetParameter(int index, float value);
  float GetParameter(int index);
  // effSetProgram; false for a program outside the effect's range.
  bool SetProgram(int program);

  // [audio thread] One block through processReplacing (or the accumulating
  // process call when the effect cannot replace); advances the transport.
  void Process(float** inputs, float** outputs, int frames);
  // effIdle and effEditIdle, as a host's idle timer would.
  void Idle();
  // Idles every 10 ms of wall clock for `ms` (at least once), as a host's
  // idle timer does between loading an effect and starting playback; work an
  // effect defers to its idle (a new quality mode) is then done.
  void IdleFor(double ms);
  // What the host answers to the process-level request from now on; by
  // default (kProcessLevelByThread) "user" on the user-interface thread and
  // "real time" on any other.
  static constexpr VstInt32 kProcessLevelByThread = -1;
  void SetProcessLevel(VstInt32 level) { m_nProcessLevel = level; }

  // Latency as last read from the record: at load, at Start and after every
  // audioMasterIOChanged.
  VstInt32 Latency() const { return m_nLatency.load(); }

  std::vector<HostCall> Log() const;
  // effIdle requests this host has made so far.
  int IdleCalls() const { return m_nIdleCalls.load(); }
  // audioMasterIdle requests the effect has made (its editor makes none).
  int MasterIdleCalls() const { return m_nMasterIdleCalls.load(); }
  // The figures since the last call (or the load), a call or wait under
  // way counted for as long as it has lasted, and a fresh start. [any
  // thread]
  CallFigures TakeCallFigures();
  // Requests of any kind the effect made from a thread that is neither the
  // user-interface thread nor a marked audio thread (its own threads).
  int CallsFromOtherThreads() const { return m_nOtherThreadCalls.load(); }

  // [user-interface thread] What the host does when the effect asks for a
  // new editor size (audioMasterSizeWindow, index width, value height) on
  // the user-interface thread; without a handler the request is refused.
  void SetSizeWindowHandler(std::function<bool(int width, int height)> handler);
  // [audio thread] Marks the calling thread as the host's audio thread for
  // the log.
  static void MarkAudioThread();

  // The host callback handed to every effect.
  static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt);

 private:
  VstIntPtr Answer(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  void Record(const HostCall& call);
  // Counts an automation request and the dispatcher call it came in.
  void NoteAutomation();
  VstTimeInfo* FillTimeInfo();

  HostConfig m_Config;
  void* m_pModule = nullptr;
  AEffect* m_pEffect = nullptr;
  std::string m_Error;
  std::atomic<double> m_fSampleRate{44100.0};
  std::atomic<int> m_nMaxBlock{1024};
  std::atomic<int64_t> m_nSamplePos{0};   // written: audio; read: any
  std::atomic<VstInt32> m_nLatency{0};     // written: any thread on ioChanged
  std::atomic<VstInt32> m_nProcessLevel{kProcessLevelByThread};
  std::atomic<int> m_nIdleCalls{0};
  std::atomic<int> m_nMasterIdleCalls{0};
  std::atomic<int> m_nOtherThreadCalls{0};
  std::atomic<int> m_nBlocks{0};  // written: audio thread
  std::thread::id m_UiThread;  // the thread that loaded the effect
  std::function<bool(int, int)> m_SizeWindow;  // user-interface thread only
  std::atomic<bool> m_bSizeWindow{false};      // a handler is set; read by canDo on any thread
  mutable std::mutex m_LogMutex;
  std::vector<HostCall> m_Log;  // guarded by m_LogMutex
  std::recursive_mutex m_OneLock;  // with oneLock: held by every dispatcher call and block
  std::mutex m_FiguresMutex;
  struct CallUnderWay {
    VstInt32 opcode;
    double startMs;
  };
  // The longest call so far (guarded by m_FiguresMutex).
  void NoteCallLocked(VstInt32 opcode, double ms);
  CallFigures m_Figures;                      // its longest call; guarded by m_FiguresMutex
  std::vector<CallUnderWay> m_CallsUnderWay;  // innermost last; guarded by m_FiguresMutex
  int m_nMasterIdlesTaken = 0;                // guarded by m_FiguresMutex
  int m_nBlocksTaken = 0;                     // guarded by m_FiguresMutex
  uint64_t m_nCallSerial = 0;                 // dispatcher calls so far; guarded by m_FiguresMutex
  uint64_t m_nLastAutomatingCall = 0;         // the last one that brought automation; guarded by m_FiguresMutex
  std::atomic<double> m_fLongestWaitMs{0.0};  // written: audio thread
  std::atomic<double> m_fWaitStartMs{-1.0};   // of the audio thread's wait under way; written: audio thread
};

// "VstP", or the hexadecimal value when the code is not printable.
std::string FourCCText(VstInt32 code);
// Names of the set bits of an effect's flags.
std::string FlagsText(VstInt32 flags);
