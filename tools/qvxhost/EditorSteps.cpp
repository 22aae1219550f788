// The editor mode's script thread: it opens and closes the editors, plays
// the steps as a user would and measures.
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/qvxhost/EditorSessionImpl.h"

namespace editorsession {

namespace {

// How long an opening may take to show a drawing.
constexpr double kDrawTimeoutMs = 10000.0;
// An idle pass under way this long is held by the editor. A busy machine or
// a sanitizer build stretches a pass to a few hundred milliseconds, and an
// event sent meanwhile must still wait for a pass of its own: taken for
// held, the next events would pile up behind it, and a close after the last
// one would cut the drag short.
constexpr double kHeldPassMs = 1000.0;

ProcessFigures ReadProcessFigures() {
  ProcessFigures f;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (const dirent* entry = ::readdir(dir)) f.fds += entry->d_name[0] != '.';
    ::closedir(dir);
    f.fds -= 1;  // the listing's own descriptor
  }
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Threads:", 0) == 0) f.threads = std::atoi(line.c_str() + 8);
    if (line.rfind("VmRSS:", 0) == 0) f.residentKb = std::atol(line.c_str() + 6);
  }
  return f;
}

void SayFigures(const std::string& when, const ProcessFigures& f) {
  Say("process %s: %d file descriptors, %d threads, %ld kB resident", when.c_str(), f.fds, f.threads, f.residentKb);
}

}  // namespace

void Session::Script() {
  std::string error;
  m_Before = ReadProcessFigures();
  for (int cycle = 1; error.empty() && cycle <= m_Options.cycles; ++cycle) {
    if (m_Options.cycles > 1) Say("cycle %d", cycle);
    for (const auto& i : m_Instances)
      if (error.empty()) Open(*i, error);
    m_nCurrent = 0;
    for (size_t s = 0; error.empty() && s < m_Steps.size(); ++s) Step(m_Steps[s], s + 1, error);
    ReleaseHeld();
    for (const auto& i : m_Instances)
      if (i->window.load()) Close(*i);
    // Two idle passes for what an editor tears down after its close.
    std::string ignored;
    WaitForPasses(2, ignored);
    (cycle == 1 ? m_AfterFirst : m_AfterLast) = ReadProcessFigures();
  }
  if (error.empty()) ReportCycles();
  m_Error = error;
  {
    std::lock_guard<std::mutex> guard(m_QueueMutex);
    m_bScriptDone = true;
  }
  m_Wake.notify_one();
}

void Session::ReportCycles() {
  if (m_DrawMs.size() > 1) {
    std::vector<double> ms = m_DrawMs;
    std::sort(ms.begin(), ms.end());
    Say("first drawing over %zu openings: min %.1f ms, median %.1f ms, max %.1f ms", ms.size(), ms.front(),
        ms[ms.size() / 2], ms.back());
  }
  SayFigures("before the first opening", m_Before);
  SayFigures("after cycle 1", m_AfterFirst);
  if (m_Options.cycles < 2) return;
  SayFigures("after cycle " + std::to_string(m_Options.cycles), m_AfterLast);
  Say("growth from cycle 1 to cycle %d: %+d file descriptors, %+d threads, %+ld kB resident", m_Options.cycles,
      m_AfterLast.fds - m_AfterFirst.fds, m_AfterLast.threads - m_AfterFirst.threads,
      m_AfterLast.residentKb - m_AfterFirst.residentKb);
}

bool Session::Open(Instance& instance, std::string& error) {
  Opening o;
  OnUiThread([&] { o = OpenEditor(instance); });
  if (!o.window) {
    error = "cannot create a window for instance " + std::to_string(instance.number);
    return false;
  }
  // The first drawing: the first capture that holds more than one colour
  // (the window and the editor's own window start blank). The time is taken
  // when the capture is asked for.
  HostImage image;
  double drawnMs = -1.0;
  for (;;) {
    const double asked = HostClockMs();
    if (m_User.Capture(o.window, image) && !image.IsUniform()) {
      drawnMs = asked - o.startMs;
      break;
    }
    if (asked - o.startMs > kDrawTimeoutMs) break;
    SleepMs(1.0);
  }
  char drawn[64];
  if (drawnMs >= 0.0) {
    m_DrawMs.push_back(drawnMs);
    std::snprintf(drawn, sizeof drawn, "first drawing after %.1f ms", drawnMs);
  } else {
    std::snprintf(drawn, sizeof drawn, "no drawing within %.0f ms", kDrawTimeoutMs);
  }
  Say("instance %d: editor open in a %dx%d window (effEditOpen answered %lld); %s", instance.number, o.width,
      o.height, static_cast<long long>(o.answer), drawn);
  if (!m_Options.windowManager.empty())
    Say("instance %d: the host's window is %s", instance.number,
        m_User.IsReparented(o.window) ? "in the window manager's frame" : "not framed by the window manager");
  const std::vector<unsigned long> inside = m_User.Children(o.window);
  instance.editor = inside.empty() ? 0 : inside.front();
  if (m_bRecording && instance.editor) {
    m_Recorder.Watch(instance.editor, o.width, o.height);
    instance.counted = m_Recorder.DrawsOn(instance.editor);
    instance.countedMs = HostClockMs();
    instance.errorsAwaited = 0;
  }
  return true;
}

void Session::Close(Instance& instance) {
  OnUiThread([&] { CloseEditor(instance); });
  instance.editor = 0;
  Say("instance %d: editor closed%s", instance.number,
      m_Options.destroyWindowFirst ? " (the host's window destroyed first)" : "");
}

bool Session::Step(const ScriptStep& step, size_t number, std::string& error) {
  Say("step %zu at %.1f ms: %s", number, HostClockMs(), step.source.c_str());
  Instance& instance = *m_Instances[m_nCurrent];
  std::string why;
  const auto fail = [&](const std::string& reason) {
    error = "step " + std::to_string(number) + " (" + step.source + "): " + reason;
    return false;
  };
  const unsigned long window = instance.window.load();
  const std::string closed = "the editor of instance " + std::to_string(instance.number) + " is closed";
  static const StepKind kOnTheWindow[] = {StepKind::Shot,  StepKind::Close,        StepKind::Hide,
                                          StepKind::Show,  StepKind::Draws,        StepKind::DndEnterGone,
                                          StepKind::TakeFocus, StepKind::Destroy};
  if ((IsInputStep(step.kind) || std::count(std::begin(kOnTheWindow), std::end(kOnTheWindow), step.kind)) && !window)
    return fail(closed);
  switch (step.kind) {
    case StepKind::Wait:
      SleepMs(step.ms);
      return true;
    case StepKind::Idle:
      return WaitForPasses(step.count, why) || fail(why);
    case StepKind::Shot: {
      HostImage image;
      if (!m_User.Capture(window, image)) return fail("the window's pixels cannot be read");
      if (!image.WritePng(step.text, why)) return fail(why);
      Say("  %dx%d saved to %s", image.width, image.height, step.text.c_str());
      instance.lastShot = std::move(image);
      return true;
    }
    case StepKind::Set: {
      bool set = false;
      OnUiThread([&] { set = instance.host->SetParameter(step.index, step.value); });
      return set || fail("parameter " + std::to_string(step.index) + " is outside the effect's " +
                         std::to_string(instance.host->Effect()->numParams) + " parameters");
    }
    case StepKind::Close:
      Close(instance);
      return true;
    case StepKind::Open:
      if (window) return fail("the editor of instance " + std::to_string(instance.number) + " is open");
      return Open(instance, why) || fail(why);
    case StepKind::Await:
      return Await(step, instance, why) || fail(why);
    case StepKind::Hide:
    case StepKind::Show: {
      bool done = false;
      OnUiThread([&] { done = step.kind == StepKind::Hide ? m_Ui.HideWindow(window) : m_Ui.ShowWindow(window); });
      return done || fail(step.kind == StepKind::Hide ? "the host's window stays viewable"
                                                      : "the host's window does not show again");
    }
    case StepKind::Draws:
    case StepKind::DndEnterGone:
      return Recorded(step, instance, why) || fail(why);
    case StepKind::TakeFocus:
      if (instance.windowGone) return fail("the host's window is destroyed");
      OnUiThread([&] { m_Ui.FocusWindow(window); });
      return true;
    case StepKind::HostXError: {
      long heard = 0;
      OnUiThread([&] { heard = m_Ui.FailOneRequest(); });
      Say("  the host's error handler heard of its failed request %ld time%s", heard, heard == 1 ? "" : "s");
      return heard == 1 || fail("the host's error handler heard of its failed request " + std::to_string(heard) +
                                " times, not once");
    }
    case StepKind::FatalXErrors:
      OnUiThread([] { InstallFatalHostErrorHandler(); });
      return true;
    case StepKind::Destroy:
      if (instance.windowGone) return fail("the host's window is destroyed already");
      OnUiThread([&] { m_Ui.DestroyWindow(window); });
      instance.windowGone = true;
      return true;
    case StepKind::Calls: {
      const CallFigures f = instance.host->TakeCallFigures();
      Say("  instance %d: longest host call %.1f ms (opcode %d), longest wait of the audio thread for the host's "
          "lock %.1f ms, %d audioMasterIdle requests, %d audio blocks, %d automation requests in %d host calls",
          instance.number, f.longestCallMs, f.longestOpcode, f.longestWaitMs, f.masterIdles, f.blocks, f.automations,
          f.automatingCalls);
      return true;
    }
    case StepKind::Instance: {
      if (step.count > static_cast<int>(m_Instances.size()))
        return fail("there are " + std::to_string(m_Instances.size()) + " instances");
      m_nCurrent = static_cast<size_t>(step.count - 1);
      const unsigned long raised = m_Instances[m_nCurrent]->window.load();
      if (raised) OnUiThread([&] { m_Ui.RaiseWindow(raised); });
      return true;
    }
    default:
      return Input(step, window, why) || fail(why);
  }
}

bool Session::Input(const ScriptStep& s, unsigned long window, std::string& error) {
  const auto move = [&](int x, int y) {
    if (m_User.MovePointer(window, x, y)) return Settle(error);
    error = "the pointer cannot be moved onto the window";
    return false;
  };
  const auto button = [&](int b, bool press) {
    m_User.Button(b, press);
    if (press)
      m_HeldButtons.insert(b);
    else
      m_HeldButtons.erase(b);
    return Settle(error);
  };
  const auto key = [&](bool press) {
    if (!m_User.Key(s.text, press)) {
      error = "no key of the keyboard gives " + s.text;
      return false;
    }
    if (press)
      m_HeldKeys.insert(s.text);
    else
      m_HeldKeys.erase(s.text);
    return Settle(error);
  };
  switch (s.kind) {
    case StepKind::Move:
      return move(s.x, s.y);
    case StepKind::Press:
    case StepKind::Release:
      return button(s.button, s.kind == StepKind::Press);
    case StepKind::Click:
      return move(s.x, s.y) && button(s.button, true) && button(s.button, false);
    case StepKind::Drag:
      if (!move(s.x, s.y) || !button(1, true)) return false;
      for (int i = 1; i <= s.count; ++i)
        if (!move(s.x + (s.x2 - s.x) * i / s.count, s.y + (s.y2 - s.y) * i / s.count)) return false;
      return button(1, false);
    case StepKind::Wheel:
      if (!move(s.x, s.y)) return false;
      for (int i = 0; i < s.count; ++i)
        if (!button(s.button, true) || !button(s.button, false)) return false;
      return true;
    case StepKind::Key:
      return key(true) && key(false);
    case StepKind::Type:
      for (char c : s.text) {
        if (!m_User.TypeChar(c)) {
          error = std::string("no key of the keyboard gives '") + c + "'";
          return false;
        }
        if (!Settle(error)) return false;
      }
      return true;
    case StepKind::KeyDown:
    case StepKind::KeyUp:
      return key(s.kind == StepKind::KeyDown);
    default:
      return true;
  }
}

// Lets the editor take one injected event as a user's: until an idle pass
// that began after it has ended (each event of a drag comes in a pass of its
// own); while the editor holds an idle pass (an open pop-up menu that runs
// inside the call), once the pass has lasted kHeldPassMs.
bool Session::Settle(std::string& error) {
  const uint64_t pass = m_nPassStarts.load() + 1;
  const double period = m_Options.render.idleIntervalMs;
  const double held = std::max(kHeldPassMs, 2.0 * period);
  const double start = HostClockMs();
  for (;;) {
    if (m_nPassEnds.load() >= pass) return true;
    const double now = HostClockMs();
    if (m_nPassStarts.load() > m_nPassEnds.load() && now - m_PassStartMs.load() >= held && now - start >= period)
      return true;
    if (now - start > kHostThreadTimeoutMs) {
      error = "the host's user-interface thread made no idle pass";
      return false;
    }
    SleepMs(0.5);
  }
}

bool Session::WaitForPasses(int passes, std::string& error) {
  const uint64_t target = m_nPassEnds.load() + static_cast<uint64_t>(passes);
  const double start = HostClockMs();
  const double limit = kHostThreadTimeoutMs + 2.0 * passes * m_Options.render.idleIntervalMs;
  while (m_nPassEnds.load() < target) {
    if (HostClockMs() - start > limit) {
      error = "the host's user-interface thread is held by the editor";
      return false;
    }
    SleepMs(0.5);
  }
  return true;
}

bool Session::Await(const ScriptStep& step, Instance& instance, std::string& error) {
  switch (step.await) {
    case AwaitKind::Begin:
    case AwaitKind::Automate:
    case AwaitKind::End:
      return AwaitHostCall(step, instance, error);
    case AwaitKind::Key:
      return AwaitCondition(
          step,
          [&] {
            std::lock_guard<std::mutex> guard(instance.keyMutex);
            for (size_t i = instance.keysAwaited; i < instance.keys.size(); ++i) {
              if (instance.keys[i] != step.text) continue;
              instance.keysAwaited = i + 1;
              return true;
            }
            return false;
          },
          "no press of " + step.text + " on the host's window", error);
    case AwaitKind::Focus: {
      const unsigned long window = instance.window.load();
      std::string place;
      const bool ok = AwaitCondition(
          step, [&] { return window && (place = m_User.FocusPlace(window)) == step.text; },
          "no keyboard focus on the " + step.text + "'s window", error);
      if (!ok)
        error += place == "host"     ? " (it is on the host's window)"
                 : place == "editor" ? " (it is in the editor's window)"
                 : place == "frame"  ? " (it is on the window manager's frame)"
                                     : " (it is elsewhere)";
      return ok;
    }
    case AwaitKind::Change: {
      const unsigned long window = instance.window.load();
      if (instance.lastShot.pixels.empty()) {
        error = "instance " + std::to_string(instance.number) + " has no shot to compare with";
        return false;
      }
      HostImage image;
      return AwaitCondition(
          step,
          [&] {
            return window && m_User.Capture(window, image) &&
                   image.DiffersIn(instance.lastShot, step.x, step.y, step.x2, step.y2);
          },
          "no change of the area from the last shot", error);
    }
    default:
      return Recorded(step, instance, error);
  }
}

bool Session::AwaitCondition(const ScriptStep& step, const std::function<bool()>& done, const std::string& missing,
                             std::string& error, const std::string& found) {
  const double start = HostClockMs();
  for (;;) {
    if (done()) {
      Say("  after %.1f ms%s", HostClockMs() - start, found.c_str());
      return true;
    }
    if (HostClockMs() - start > step.ms) {
      char text[64];
      std::snprintf(text, sizeof text, " within %.0f ms", step.ms);
      error = missing + text;
      return false;
    }
    SleepMs(2.0);
  }
}

bool Session::Recorded(const ScriptStep& step, Instance& instance, std::string& error) {
  if (!instance.editor) {
    error = "the plug-in has no window inside the host's";
    return false;
  }
  switch (step.kind) {
    case StepKind::Draws: {
      if (!m_Recorder.CatchUp(static_cast<int>(kHostThreadTimeoutMs))) {
        error = "the X server's records of the drawing did not come";
        return false;
      }
      const XRecorder::Draws now = m_Recorder.DrawsOn(instance.editor);
      const double nowMs = HostClockMs();
      Say("  instance %d: %ld drawing requests on the editor's window (%ld of all of it) in %.1f ms",
          instance.number, now.requests - instance.counted.requests, now.whole - instance.counted.whole,
          nowMs - instance.countedMs);
      instance.counted = now;
      instance.countedMs = nowMs;
      return true;
    }
    case StepKind::DndEnterGone:
      m_User.DndEnterFromGoneSource(instance.editor);
      return true;
    default:
      break;
  }
  if (step.await == AwaitKind::Redraw)
    return AwaitCondition(
        step, [&] { return m_Recorder.DrawsOn(instance.editor).whole > instance.counted.whole; },
        "no drawing of the editor's whole window", error);
  const auto errors = [&] { return m_Recorder.ErrorsToDrawerOf(instance.editor); };
  if (!AwaitCondition(
          step, [&] { return errors() > instance.errorsAwaited; }, "no X error for the editor's connection", error))
    return false;
  instance.errorsAwaited = errors();
  Say("  instance %d: %ld X errors sent to the editor's connection so far", instance.number,
      instance.errorsAwaited);
  return true;
}

bool Session::AwaitHostCall(const ScriptStep& step, Instance& instance, std::string& error) {
  static const VstInt32 kOpcodes[] = {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
  static const char* const kNames[] = {"begin-edit", "automation", "end-edit"};
  const int k = static_cast<int>(step.await);
  std::string call;
  return AwaitCondition(
      step,
      [&] {
        const std::vector<HostCall> log = instance.host->Log();
        for (size_t i = instance.awaitFrom[k]; i < log.size(); ++i) {
          if (log[i].opcode != kOpcodes[k]) continue;
          instance.awaitFrom[k] = i + 1;
          call = ": " + DescribeHostCall(log[i]) + " (" + HostThreadName(log[i].thread) + " thread)";
          return true;
        }
        return false;
      },
      std::string("the plug-in made no ") + kNames[k] + " call", error, call);
}

void Session::ReleaseHeld() {
  const unsigned long window = m_Instances[m_nCurrent]->window.load();
  for (int b : m_HeldButtons) m_User.Button(b, false);
  for (const std::string& k : m_HeldKeys) m_User.Key(k, false);
  if (window && !(m_HeldButtons.empty() && m_HeldKeys.empty())) {
    std::string ignored;
    Settle(ignored);
  }
  m_HeldButtons.clear();
  m_HeldKeys.clear();
}

}  // namespace editorsession
