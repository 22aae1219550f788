#include "tools/qvxhost/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool ToInt(const std::string& text, long lo, long hi, int& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || !end || *end || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

bool ToDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !errno && end && !*end && std::isfinite(out);
}

bool ToParameter(const std::string& text, int& index, float& value) {
  const size_t eq = text.find('=');
  double v = 0.0;
  if (eq == std::string::npos || !ToInt(text.substr(0, eq), 0, 2147483647L, index) ||
      !ToDouble(text.substr(eq + 1), v) || v < 0.0 || v > 1.0)
    return false;
  value = static_cast<float>(v);
  return true;
}

const char* HostUsage() {
  return "usage: qvxhost [options] PLUGIN.so\n"
         "Loads a LinuxVST 2.4 plug-in and inspects, drives, renders, benchmarks or sweeps it.\n"
         "Information (--info is the default when nothing else is asked):\n"
         "  --info                 identity, flags, counts, unique id, latency\n"
         "  --params               every parameter: index, name, label, display text, value\n"
         "                         (with --editor: after the editors close)\n"
         "  --programs             program names\n"
         "  --log                  host requests the effect made (automation, edits, I/O changes)\n"
         "Settings, applied in the order given:\n"
         "  --program N            select program N\n"
         "  --set INDEX=VALUE      set a parameter (value 0..1); repeatable\n"
         "  --settle MS            after the settings, idle the effect every 10 ms for MS ms of\n"
         "                         wall clock, so that work it defers to idle time is done\n"
         "Rendering:\n"
         "  --input FILE           audio file to process (its sample rate is used)\n"
         "  --signal KIND          built-in test signal: sweep[:F0-F1] (default), sine[:HZ],\n"
         "                         noise[:SEED], impulse[:MS], silence\n"
         "  --seconds S            length of the test signal (default 5)\n"
         "  --rate HZ              sample rate of the test signal (default 44100)\n"
         "  --blocks SIZES         block sizes per call: N, N,N,... cycled, or random:MIN-MAX[:SEED]\n"
         "                         (default 512)\n"
         "  --output FILE          write the processed audio as a 32-bit float WAV file\n"
         "  --compensate           remove the reported latency from the output\n"
         "  --in-place             process with the outputs in the input buffers\n"
         "  --idle-every N         idle the effect after every N blocks (default 1); 0: no idle\n"
         "                         calls at all while rendering, offline or with --realtime\n"
         "  --render               render even without --output\n"
         "Benchmarks:\n"
         "  --bench                report real-time factor, mean and worst block time\n"
         "  --repeat N             render N times (default 1)\n"
         "  --realtime             pace the process calls in real time on an audio thread while\n"
         "                         this thread idles the effect every --idle-ms (unless\n"
         "                         --idle-every 0) and applies edits\n"
         "  --idle-ms MS           idle period in real time (default 10; 20 with --editor)\n"
         "  --edit INDEX=VALUE@S   set a parameter S seconds into the render; repeatable\n"
         "  --measure-edit         time from the first --edit to the first changed output sample\n"
         "                         (real time, against a render without the edit)\n"
         "  --threshold X          smallest difference that counts as a change (default 1e-4)\n"
         "Editor (needs an X server; the signal plays in real time, looped, meanwhile):\n"
         "  --editor               open the plug-in's editor in a window of the host, idle it every\n"
         "                         --idle-ms, run the script, close it; prints the time from\n"
         "                         effEditOpen to the window's first drawing\n"
         "  --script STEPS         steps separated by ';' or new lines (see below); repeatable\n"
         "  --script-file FILE     steps from a file ('#' starts a comment)\n"
         "  --cycles N             open, script, close N times (default 1); reports file\n"
         "                         descriptors, threads and resident memory before and after\n"
         "  --instances N          N instances of the plug-in, each with its editor open (default 1)\n"
         "  --destroy-window-first destroy the host's window before effEditClose\n"
         "  --wm PROGRAM|auto      run under a window manager: start PROGRAM (stopped at the end), or\n"
         "                         with auto take the one that runs or start openbox\n"
         "  Steps (coordinates relative to the editor's window):\n"
         "    move X,Y | press [B] | release [B] | click X,Y [B] | drag X1,Y1 X2,Y2 [STEPS]\n"
         "    wheel X,Y up|down|left|right [N] | key NAME | keydown NAME | keyup NAME\n"
         "    wait MS | idle N | shot FILE.png | set INDEX=VALUE | close | open\n"
         "    type TEXT | hide | show | draws | dnd-enter-gone | destroy\n"
         "    take-focus | host-xerror | fatal-xerrors  (the host's keyboard focus and X errors)\n"
         "    await begin|automate|end [MS]  (waits for such a call from the plug-in)\n"
         "    await key NAME [MS] | await focus editor|host [MS] | await redraw [MS] | await xerror [MS]\n"
         "    await change X1,Y1 X2,Y2 [MS]  (waits until that area differs from the last shot)\n"
         "    instance N  (later steps act on instance N)\n"
         "    calls  (the longest host call, the audio thread's longest wait for the one lock, the\n"
         "           audioMasterIdle requests, the audio blocks and the automation requests with\n"
         "           the host calls they came in, since the last calls step or the start)\n"
         "Robustness:\n"
         "  --sweep                call every opcode from -1000 to 1000 with odd arguments, then\n"
         "                         parameter calls with bad indexes and non-finite values\n"
         "  --sweep-range A:B      opcode range of the sweep\n"
         "Host answers:\n"
         "  --host-version N       answer to the version request (default 2400)\n"
         "  --host-vendor TEXT     vendor string (default QVX)\n"
         "  --host-product TEXT    product string (default qvxhost)\n"
         "  --host-vendor-version N\n"
         "  --accept-io-changes N  answer to canDo(\"acceptIOChanges\") (default 1)\n"
         "  --transport MODE       playing (default), stopped, or none (no time information)\n"
         "  --one-lock             serialise as some hosts do: one lock held around every dispatcher\n"
         "                         call and every process block (see the step calls)\n";
}

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& o, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option " + a + " needs an argument";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto bad = [&](const std::string& value, const char* expected) {
      error = "bad value '" + value + "' for " + a + " (expected " + expected + ")";
      return false;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--info") {
      o.info = true;
    } else if (a == "--params") {
      o.params = true;
    } else if (a == "--programs") {
      o.programs = true;
    } else if (a == "--log") {
      o.log = true;
    } else if (a == "--program") {
      HostOptions::Setting s;
      s.isProgram = true;
      if (!next(v)) return false;
      if (!ToInt(v, 0, 2147483647L, s.index)) return bad(v, "a program number from 0");
      o.settings.push_back(s);
    } else if (a == "--set") {
      HostOptions::Setting s;
      if (!next(v)) return false;
      if (!ToParameter(v, s.index, s.value)) return bad(v, "INDEX=VALUE with VALUE from 0 to 1");
      o.settings.push_back(s);
    } else if (a == "--settle") {
      if (!next(v)) return false;
      if (!ToDouble(v, o.settleMs) || o.settleMs < 0.0 || o.settleMs > 600000.0) return bad(v, "0 to 600000 ms");
    } else if (a == "--input") {
      if (!next(o.inputPath)) return false;
      o.renderAsked = true;
    } else if (a == "--signal") {
      if (!next(o.signal)) return false;
      o.renderAsked = true;
    } else if (a == "--seconds") {
      if (!next(v)) return false;
      if (!ToDouble(v, o.seconds) || o.seconds <= 0.0 || o.seconds > 3600.0) return bad(v, "0 to 3600 seconds");
    } else if (a == "--rate") {
      if (!next(v)) return false;
      if (!ToDouble(v, o.sampleRate) || o.sampleRate < 1000.0 || o.sampleRate > 1536000.0)
        return bad(v, "a sample rate from 1000 to 1536000 Hz");
      o.rateGiven = true;
    } else if (a == "--blocks") {
      if (!next(v)) return false;
      std::string why;
      if (!o.render.blocks.Parse(v, why)) {
        error = why;
        return false;
      }
    } else if (a == "--output") {
      if (!next(o.outputPath)) return false;
      o.renderAsked = true;
    } else if (a == "--compensate") {
      o.render.compensateLatency = true;
    } else if (a == "--in-place") {
      o.render.inPlace = true;
    } else if (a == "--idle-every") {
      if (!next(v)) return false;
      if (!ToInt(v, 0, 1000000L, o.render.idleEveryBlocks)) return bad(v, "a block count from 0");
    } else if (a == "--render") {
      o.renderAsked = true;
    } else if (a == "--bench") {
      o.bench = true;
      o.renderAsked = true;
    } else if (a == "--repeat") {
      if (!next(v)) return false;
      if (!ToInt(v, 1, 10000L, o.repeat)) return bad(v, "1 to 10000");
    } else if (a == "--realtime") {
      o.realtime = true;
      o.renderAsked = true;
    } else if (a == "--idle-ms") {
      if (!next(v)) return false;
      if (!ToDouble(v, o.render.idleIntervalMs) || o.render.idleIntervalMs < 0.1 || o.render.idleIntervalMs > 10000.0)
        return bad(v, "0.1 to 10000 ms");
      o.idleGiven = true;
    } else if (a == "--edit") {
      if (!next(v)) return false;
      const size_t at = v.find('@');
      ScheduledEdit edit;
      if (at == std::string::npos || !ToParameter(v.substr(0, at), edit.index, edit.value) ||
          !ToDouble(v.substr(at + 1), edit.atSeconds) || edit.atSeconds < 0.0)
        return bad(v, "INDEX=VALUE@SECONDS");
      o.render.edits.push_back(edit);
      o.renderAsked = true;
    } else if (a == "--measure-edit") {
      o.measureEdit = true;
    } else if (a == "--threshold") {
      if (!next(v)) return false;
      double t = 0.0;
      if (!ToDouble(v, t) || t <= 0.0) return bad(v, "a positive number");
      o.threshold = static_cast<float>(t);
    } else if (a == "--editor") {
      o.editor = true;
    } else if (a == "--script" || a == "--script-file") {
      HostOptions::ScriptSource source;
      source.isFile = a == "--script-file";
      if (!next(source.text)) return false;
      o.scripts.push_back(source);
    } else if (a == "--cycles") {
      if (!next(v)) return false;
      if (!ToInt(v, 1, 100000L, o.cycles)) return bad(v, "1 to 100000");
    } else if (a == "--instances") {
      if (!next(v)) return false;
      if (!ToInt(v, 1, 16, o.instances)) return bad(v, "1 to 16");
    } else if (a == "--destroy-window-first") {
      o.destroyWindowFirst = true;
    } else if (a == "--wm") {
      if (!next(o.windowManager)) return false;
      if (o.windowManager.empty()) return bad(o.windowManager, "a program or auto");
    } else if (a == "--sweep") {
      o.sweep = true;
    } else if (a == "--sweep-range") {
      if (!next(v)) return false;
      const size_t colon = v.find(':', 1);
      if (colon == std::string::npos || !ToInt(v.substr(0, colon), -100000L, 100000L, o.sweepFrom) ||
          !ToInt(v.substr(colon + 1), -100000L, 100000L, o.sweepTo) || o.sweepFrom > o.sweepTo)
        return bad(v, "FROM:TO within -100000..100000");
      o.sweep = true;
    } else if (a == "--host-version") {
      if (!next(v)) return false;
      int n = 0;
      if (!ToInt(v, 0, 2147483647L, n)) return bad(v, "a version number from 0");
      o.host.versionAnswer = n;
    } else if (a == "--host-vendor") {
      if (!next(o.host.vendor)) return false;
    } else if (a == "--host-product") {
      if (!next(o.host.product)) return false;
    } else if (a == "--host-vendor-version") {
      if (!next(v)) return false;
      if (!ToInt(v, -2147483647L, 2147483647L, o.host.vendorVersion)) return bad(v, "an integer");
    } else if (a == "--accept-io-changes") {
      if (!next(v)) return false;
      int n = 0;
      if (!ToInt(v, -1, 1, n)) return bad(v, "1, 0 or -1");
      o.host.acceptIOChanges = n;
    } else if (a == "--one-lock") {
      o.host.oneLock = true;
    } else if (a == "--transport") {
      if (!next(v)) return false;
      if (v == "playing")
        o.host.transport = HostTransport::Playing;
      else if (v == "stopped")
        o.host.transport = HostTransport::Stopped;
      else if (v == "none")
        o.host.transport = HostTransport::None;
      else
        return bad(v, "playing, stopped or none");
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (o.pluginPath.empty()) {
      o.pluginPath = a;
    } else {
      error = "more than one plug-in given ('" + o.pluginPath + "' and '" + a + "')";
      return false;
    }
  }
  if (o.help) return true;
  if (o.pluginPath.empty()) {
    error = "no plug-in given (try --help)";
    return false;
  }
  if (!o.inputPath.empty() && o.rateGiven) {
    error = "--rate cannot be combined with --input: the file's sample rate is used";
    return false;
  }
  if (o.measureEdit && o.render.edits.empty()) {
    error = "--measure-edit needs an --edit";
    return false;
  }
  if (!o.editor && (!o.scripts.empty() || o.cycles != 1 || o.instances != 1 || o.destroyWindowFirst ||
                    !o.windowManager.empty())) {
    error = "--script, --script-file, --cycles, --instances, --destroy-window-first and --wm need --editor";
    return false;
  }
  if (o.editor) {
    const char* other = !o.outputPath.empty() ? "--output"
                        : o.bench         ? "--bench"
                        : o.realtime      ? "--realtime"
                        : o.measureEdit   ? "--measure-edit"
                        : o.sweep         ? "--sweep"
                        : !o.render.edits.empty() ? "--edit"
                                                  : nullptr;
    if (other) {
      error = std::string("--editor cannot be combined with ") + other;
      return false;
    }
    if (!o.idleGiven) o.render.idleIntervalMs = 20.0;
  }
  if (!o.info && !o.params && !o.programs && !o.log && !o.sweep && !o.renderAsked && !o.measureEdit && !o.editor)
    o.info = true;
  return true;
}
