#include "tools/qvxhost/EditorScript.h"

#include <fstream>
#include <sstream>

#include "tools/qvxhost/HostX11.h"

namespace {

// Coordinates may lie outside the window (a drag past its edge).
constexpr long kMaxCoordinate = 100000;

bool ToPoint(const std::string& text, int& x, int& y) {
  const size_t comma = text.find(',');
  return comma != std::string::npos && ToInt(text.substr(0, comma), -kMaxCoordinate, kMaxCoordinate, x) &&
         ToInt(text.substr(comma + 1), -kMaxCoordinate, kMaxCoordinate, y);
}

// Each step's verb, its kind, and its usage for the error message.
const struct StepVerb {
  const char* verb;
  StepKind kind;
  const char* usage;
} kVerbs[] = {{"move", StepKind::Move, "move X,Y"},
              {"press", StepKind::Press, "press [BUTTON 1-9]"},
              {"release", StepKind::Release, "release [BUTTON 1-9]"},
              {"click", StepKind::Click, "click X,Y [BUTTON 1-9]"},
              {"drag", StepKind::Drag, "drag X1,Y1 X2,Y2 [STEPS 1-1000]"},
              {"wheel", StepKind::Wheel, "wheel X,Y up|down|left|right [COUNT 1-100]"},
              {"key", StepKind::Key, "key NAME"},
              {"keydown", StepKind::KeyDown, "keydown NAME"},
              {"keyup", StepKind::KeyUp, "keyup NAME"},
              {"wait", StepKind::Wait, "wait MS (0-600000)"},
              {"idle", StepKind::Idle, "idle N (1-100000)"},
              {"shot", StepKind::Shot, "shot FILE.png"},
              {"set", StepKind::Set, "set INDEX=VALUE (value 0-1)"},
              {"close", StepKind::Close, "close"},
              {"open", StepKind::Open, "open"},
              {"await", StepKind::Await,
               "await begin|automate|end|redraw|xerror [MS 1-600000], await key NAME [MS], "
               "await focus editor|host [MS], await change X1,Y1 X2,Y2 [MS]"},
              {"instance", StepKind::Instance, "instance N (from 1)"},
              {"type", StepKind::Type, "type TEXT (printable ASCII)"},
              {"hide", StepKind::Hide, "hide"},
              {"show", StepKind::Show, "show"},
              {"draws", StepKind::Draws, "draws"},
              {"dnd-enter-gone", StepKind::DndEnterGone, "dnd-enter-gone"},
              {"take-focus", StepKind::TakeFocus, "take-focus"},
              {"host-xerror", StepKind::HostXError, "host-xerror"},
              {"fatal-xerrors", StepKind::FatalXErrors, "fatal-xerrors"},
              {"destroy", StepKind::Destroy, "destroy"},
              {"calls", StepKind::Calls, "calls"}};

const StepVerb* FindVerb(const std::string& verb) {
  for (const StepVerb& v : kVerbs)
    if (verb == v.verb) return &v;
  return nullptr;
}

// The arguments of a step whose kind is set; false when they do not fit it.
bool ParseArguments(const std::vector<std::string>& w, ScriptStep& s) {
  const size_t n = w.size();
  auto optionalInt = [&](size_t at, long lo, long hi, int& out) { return n <= at || ToInt(w[at], lo, hi, out); };
  switch (s.kind) {
    case StepKind::Move:
      return n == 2 && ToPoint(w[1], s.x, s.y);
    case StepKind::Press:
    case StepKind::Release:
      return n <= 2 && optionalInt(1, 1, 9, s.button);
    case StepKind::Click:
      return (n == 2 || n == 3) && ToPoint(w[1], s.x, s.y) && optionalInt(2, 1, 9, s.button);
    case StepKind::Drag:
      s.count = 10;
      return (n == 3 || n == 4) && ToPoint(w[1], s.x, s.y) && ToPoint(w[2], s.x2, s.y2) &&
             optionalInt(3, 1, 1000, s.count);
    case StepKind::Wheel: {
      static const char* const kDirections[] = {"up", "down", "left", "right"};
      s.button = 0;
      for (int d = 0; d < 4 && n >= 3; ++d)
        if (w[2] == kDirections[d]) s.button = 4 + d;
      return (n == 3 || n == 4) && s.button && ToPoint(w[1], s.x, s.y) && optionalInt(3, 1, 100, s.count);
    }
    case StepKind::Key:
    case StepKind::KeyDown:
    case StepKind::KeyUp:
    case StepKind::Shot:
      if (n == 2) s.text = w[1];
      return n == 2;
    case StepKind::Wait:
      return n == 2 && ToDouble(w[1], s.ms) && s.ms >= 0.0 && s.ms <= 600000.0;
    case StepKind::Idle:
      return n == 2 && ToInt(w[1], 1, 100000, s.count);
    case StepKind::Set:
      return n == 2 && ToParameter(w[1], s.index, s.value);
    case StepKind::Await: {
      s.ms = 5000.0;
      if (n >= 4 && w[1] == "change") {
        s.await = AwaitKind::Change;
        return n <= 5 && ToPoint(w[2], s.x, s.y) && ToPoint(w[3], s.x2, s.y2) && s.x < s.x2 && s.y < s.y2 &&
               (n == 4 || (ToDouble(w[4], s.ms) && s.ms >= 1.0 && s.ms <= 600000.0));
      }
      static const char* const kKinds[] = {"begin", "automate", "end", "key", "focus", "redraw", "xerror"};
      size_t k = 0;
      while (k < 7 && (n < 2 || w[1] != kKinds[k])) ++k;
      if (k == 7) return false;
      s.await = static_cast<AwaitKind>(k);
      // Key and focus name what they wait for.
      size_t at = 2;
      if (s.await == AwaitKind::Key || s.await == AwaitKind::Focus) {
        if (n < 3) return false;
        s.text = w[at++];
        if (s.await == AwaitKind::Focus && s.text != "editor" && s.text != "host") return false;
      }
      return n == at || (n == at + 1 && ToDouble(w[at], s.ms) && s.ms >= 1.0 && s.ms <= 600000.0);
    }
    case StepKind::Type:
      if (n < 2) return false;
      s.text = w[1];
      for (size_t i = 2; i < n; ++i) s.text += " " + w[i];
      for (char c : s.text)
        if (c < 0x20 || c > 0x7E) return false;
      return true;
    case StepKind::Instance:
      return n == 2 && ToInt(w[1], 1, 64, s.count);
    default:  // close, open, hide, show, draws, dnd-enter-gone, take-focus, host-xerror, fatal-xerrors, destroy,
              // calls
      return n == 1;
  }
}

}  // namespace

bool ParseEditorScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error) {
  std::string step;
  auto flush = [&]() {
    std::istringstream words(step);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    step.clear();
    if (w.empty()) return true;
    ScriptStep s;
    s.source = w[0];
    for (size_t i = 1; i < w.size(); ++i) s.source += " " + w[i];
    const StepVerb* verb = FindVerb(w[0]);
    if (verb) {
      s.kind = verb->kind;
      if (ParseArguments(w, s)) {
        steps.push_back(s);
        return true;
      }
    }
    error = "bad script step " + std::to_string(steps.size() + 1) + " '" + s.source + "'" +
            (verb ? std::string(" (expected ") + verb->usage + ")" : std::string(" (unknown step)"));
    return false;
  };
  bool comment = false;
  for (char c : text) {
    if (c == '\n' || c == ';') {
      // A ';' inside a comment ends neither the comment nor a step.
      if (comment && c == ';') continue;
      comment = false;
      if (!flush()) return false;
    } else if (c == '#') {
      comment = true;
    } else if (!comment) {
      step += c;
    }
  }
  return flush();
}

bool IsInputStep(StepKind kind) {
  switch (kind) {
    case StepKind::Move:
    case StepKind::Press:
    case StepKind::Release:
    case StepKind::Click:
    case StepKind::Drag:
    case StepKind::Wheel:
    case StepKind::Key:
    case StepKind::KeyDown:
    case StepKind::KeyUp:
    case StepKind::Type:
      return true;
    default:
      return false;
  }
}

bool IsRecordingStep(const ScriptStep& step) {
  return step.kind == StepKind::Draws ||
         (step.kind == StepKind::Await && (step.await == AwaitKind::Redraw || step.await == AwaitKind::XError));
}

bool LoadEditorScript(const HostOptions& options, std::vector<ScriptStep>& steps, std::string& error,
                      int& exitCode) {
  for (const HostOptions::ScriptSource& source : options.scripts) {
    std::string text = source.text;
    if (source.isFile) {
      std::ifstream in(source.text);
      if (!in) {
        error = "cannot read the script " + source.text;
        exitCode = 1;
        return false;
      }
      std::stringstream all;
      all << in.rdbuf();
      text = all.str();
    }
    if (!ParseEditorScript(text, steps, error)) {
      exitCode = 2;
      return false;
    }
  }
  for (size_t i = 0; i < steps.size(); ++i) {
    const ScriptStep& s = steps[i];
    std::string why;
    const bool keyName = s.kind == StepKind::Key || s.kind == StepKind::KeyDown || s.kind == StepKind::KeyUp ||
                         (s.kind == StepKind::Await && s.await == AwaitKind::Key);
    if (keyName && !IsKeyName(s.text))
      why = "unknown key name '" + s.text + "'";
    if (s.kind == StepKind::Instance && s.count > options.instances)
      why = "there are " + std::to_string(options.instances) + " instances";
    if (!why.empty()) {
      error = "bad script step " + std::to_string(i + 1) + " '" + s.source + "' (" + why + ")";
      exitCode = 2;
      return false;
    }
  }
  return true;
}
