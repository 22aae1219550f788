#include "tools/qvxhost/EditorSession.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tools/qvxhost/EditorSessionImpl.h"
#include "tools/qvxhost/Render.h"

namespace editorsession {

namespace {

using Clock = std::chrono::steady_clock;

// The window's size until an editor without a rectangle tells its own.
constexpr int kFallbackWidth = 400, kFallbackHeight = 300;

std::mutex g_PrintMutex;

// The editor's rectangle; false when the effect gives none or an empty one.
bool EditorRect(PluginHost& host, int& width, int& height) {
  ERect* rect = nullptr;
  host.Dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect) return false;
  width = rect->right - rect->left;
  height = rect->bottom - rect->top;
  return width > 0 && height > 0;
}

}  // namespace

void Say(const char* format, ...) {
  std::lock_guard<std::mutex> guard(g_PrintMutex);
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void SleepMs(double ms) { std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms)); }

bool Session::Run(const AudioBuffer& input, std::string& error) {
  for (const auto& instance : m_Instances) {
    const AEffect* e = instance->host->Effect();
    if (!(e->flags & effFlagsHasEditor)) {
      error = m_Options.pluginPath + " has no editor (its flags lack HasEditor)";
      return false;
    }
    if (e->numOutputs <= 0) {
      error = "the effect has no outputs";
      return false;
    }
  }
  if (!m_Ui.Open(error) || !m_User.Open(error)) return false;
  if (!m_Options.windowManager.empty()) {
    if (!m_WindowManager.Start(m_Options.windowManager, m_Ui, error)) return false;
    Say("window manager: %s", m_WindowManager.Description().c_str());
  }
  m_bRecording = std::any_of(m_Steps.begin(), m_Steps.end(), IsRecordingStep);
  if (m_bRecording && !m_Recorder.Start(error)) return false;
  if (std::any_of(m_Steps.begin(), m_Steps.end(), [](const ScriptStep& s) { return IsInputStep(s.kind); }) &&
      !m_User.HasXTest()) {
    error = "the X server has no XTEST extension: the script's input cannot be played";
    return false;
  }
  for (const auto& instance : m_Instances) {
    Instance* i = instance.get();
    i->host->SetSizeWindowHandler([this, i](int width, int height) {
      const unsigned long window = i->window.load();
      if (window) m_Ui.ResizeWindow(window, width, height);
      return window != 0;
    });
  }
  std::vector<PluginHost*> hosts;
  for (const auto& instance : m_Instances) hosts.push_back(instance->host);
  RealtimeAudio audio(hosts, input, m_Options.render, nullptr, true);
  audio.Start();
  std::thread script([this] { Script(); });
  MainLoop();
  script.join();
  audio.Stop();
  for (const auto& instance : m_Instances) instance->host->SetSizeWindowHandler(nullptr);

  const RenderStats& stats = audio.Stats();
  Say("audio: %lld frames in %lld blocks in real time, worst block %.1f us", static_cast<long long>(stats.frames),
      static_cast<long long>(stats.blocks), stats.worstBlockUs);
  const XErrorReport x = m_Ui.ErrorReport();
  Say("X errors reaching the host's handler: %ld from the plug-in's connections, %ld from the host's own",
      x.fromPlugin, x.fromHost);
  if (!x.first.empty()) Say("first X error: %s", x.first.c_str());
  if (x.replaced) Say("the host's X error handler had been replaced; it is back in place");
  error = m_Error;
  return error.empty();
}

void Session::MainLoop() {
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(m_Options.render.idleIntervalMs));
  auto nextIdle = Clock::now() + period;
  const auto note = [this](unsigned long window, const std::string& what) {
    static const std::string kPress = "key press ";
    for (const auto& i : m_Instances) {
      if (i->window.load() != window) continue;
      Say("instance %d: the host's window got %s", i->number, what.c_str());
      if (what.compare(0, kPress.size(), kPress) != 0) continue;
      std::lock_guard<std::mutex> guard(i->keyMutex);
      i->keys.push_back(what.substr(kPress.size()));
    }
  };
  for (;;) {
    std::deque<std::packaged_task<void()>> jobs;
    {
      std::unique_lock<std::mutex> lock(m_QueueMutex);
      m_Wake.wait_until(lock, nextIdle, [&] { return !m_Queue.empty() || m_bScriptDone; });
      if (m_Queue.empty() && m_bScriptDone) return;
      jobs.swap(m_Queue);
    }
    for (auto& job : jobs) job();
    const auto now = Clock::now();
    if (now >= nextIdle) {
      IdlePass();
      nextIdle = std::max(nextIdle + period, now);
    }
    m_Ui.Pump(note);
  }
}

void Session::IdlePass() {
  m_PassStartMs = HostClockMs();
  m_nPassStarts.fetch_add(1);
  for (const auto& i : m_Instances)
    if (i->window.load()) i->host->Idle();
  m_nPassEnds.fetch_add(1);
}

void Session::Place(const Instance& instance, int width, int height, int& x, int& y) {
  // Side by side while they fit on the screen, else stepped down and right.
  int screenWidth = 0, screenHeight = 0;
  m_Ui.ScreenSize(screenWidth, screenHeight);
  const int k = instance.number - 1;
  x = k * (width + 8);
  y = 0;
  if (x + width > screenWidth) {
    x = std::min(k * 40, std::max(0, screenWidth - width));
    y = std::min(k * 40, std::max(0, screenHeight - height));
  }
}

Session::Opening Session::OpenEditor(Instance& instance) {
  Opening o;
  PluginHost& host = *instance.host;
  if (!EditorRect(host, o.width, o.height)) {
    o.width = kFallbackWidth;
    o.height = kFallbackHeight;
  }
  int x = 0, y = 0;
  Place(instance, o.width, o.height, x, y);
  o.window = m_Ui.CreateWindow(
      x, y, o.width, o.height,
      "qvxhost: " + host.DispatchText(effGetEffectName) + " (instance " + std::to_string(instance.number) + ")");
  if (!o.window) return o;
  instance.window = o.window;  // a size request during the opening resizes it
  o.startMs = HostClockMs();
  o.answer = host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(o.window));
  // Editors that know their size only once open.
  int width = 0, height = 0;
  if (EditorRect(host, width, height) && (width != o.width || height != o.height)) {
    Place(instance, width, height, x, y);
    m_Ui.MoveResizeWindow(o.window, x, y, width, height);
    o.width = width;
    o.height = height;
  }
  return o;
}

void Session::CloseEditor(Instance& instance) {
  const unsigned long window = instance.window.exchange(0);
  PluginHost& host = *instance.host;
  if (instance.windowGone.exchange(false)) {
    // The script destroyed it: the editor closes at once.
    host.Dispatch(effEditClose);
    return;
  }
  if (!m_Options.destroyWindowFirst) {
    host.Dispatch(effEditClose);
    m_Ui.DestroyWindow(window);
    return;
  }
  // As a host whose window goes first and whose idle timer runs on for a
  // moment before it closes the editor.
  m_Ui.DestroyWindow(window);
  for (int i = 0; i < 2; ++i) {
    SleepMs(m_Options.render.idleIntervalMs);
    host.Idle();
  }
  host.Dispatch(effEditClose);
}

void Session::OnUiThread(const std::function<void()>& task) {
  std::packaged_task<void()> job(task);
  std::future<void> done = job.get_future();
  {
    std::lock_guard<std::mutex> guard(m_QueueMutex);
    m_Queue.push_back(std::move(job));
  }
  m_Wake.notify_one();
  if (done.wait_for(std::chrono::duration<double, std::milli>(kHostThreadTimeoutMs)) == std::future_status::timeout) {
    // The plug-in holds the host's thread: nothing can be closed in order.
    std::fflush(stdout);
    std::fprintf(stderr, "qvxhost: error: the plug-in has held the host's user-interface thread for %.0f s\n",
                 kHostThreadTimeoutMs / 1000.0);
    std::_Exit(1);
  }
  done.get();
}

}  // namespace editorsession

bool RunEditorSession(const HostOptions& options, const std::vector<PluginHost*>& hosts,
                      const std::vector<ScriptStep>& steps, const AudioBuffer& input, std::string& error) {
  editorsession::Session session(options, hosts, steps);
  return session.Run(input, error);
}
