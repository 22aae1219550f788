#include "tools/qvxhost/Sweep.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>

namespace {

// Larger than every structure an opcode may write; zeroed before each call
// so that what one call wrote is never read as a structure by the next.
constexpr size_t kScratchBytes = 64 * 1024;
constexpr size_t kScratchClear = 4096;

bool ValueIsPointer(VstInt32 opcode) { return opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement; }

}  // namespace

std::string DescribeSweepProgress(const SweepProgress& p) {
  char text[200];
  switch (p.phase) {
    case 1:
      std::snprintf(text, sizeof text, "dispatcher opcode %d, index %d, value %lld, %s pointer, opt %g", p.opcode,
                    p.index, static_cast<long long>(p.value), p.hasPtr ? "valid" : "null", static_cast<double>(p.opt));
      break;
    case 2:
      if (p.opcode == -1)
        std::snprintf(text, sizeof text, "set-parameter index %d, value %g", p.index, static_cast<double>(p.opt));
      else if (p.opcode == -2)
        std::snprintf(text, sizeof text, "get-parameter index %d", p.index);
      else
        std::snprintf(text, sizeof text, "parameter text request opcode %d, index %d", p.opcode, p.index);
      break;
    case 3:
      std::snprintf(text, sizeof text, "restoring the effect's state");
      break;
    default:
      std::snprintf(text, sizeof text, "sweep phase %d", p.phase);
      break;
  }
  return text;
}

bool SweepOpcodes(PluginHost& host, int fromOpcode, int toOpcode, SweepReport& report, std::string& error,
                  SweepProgress* progress) {
  SweepProgress unused;
  SweepProgress& note = progress ? *progress : unused;
  report = SweepReport();
  AEffect* e = host.Effect();
  if (!e) {
    error = "no effect loaded";
    return false;
  }
  if (fromOpcode > toOpcode) {
    error = "empty opcode range";
    return false;
  }
  const int numParams = e->numParams;
  const VstIntPtr savedProgram = host.Dispatch(effGetProgram);
  std::vector<float> savedValues;
  for (int i = 0; i < numParams; ++i) savedValues.push_back(host.GetParameter(i));

  std::vector<uint64_t> scratchWords(kScratchBytes / sizeof(uint64_t));
  std::vector<uint64_t> scratch2Words(kScratchBytes / sizeof(uint64_t));
  char* scratch = reinterpret_cast<char*>(scratchWords.data());
  char* scratch2 = reinterpret_cast<char*>(scratch2Words.data());

  const VstInt32 kInt32Min = std::numeric_limits<VstInt32>::min();
  const VstInt32 kInt32Max = std::numeric_limits<VstInt32>::max();
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const float kInf = std::numeric_limits<float>::infinity();
  const VstInt32 indexes[] = {0, 1, -1, numParams, kInt32Min, kInt32Max};
  const VstIntPtr values[] = {0,
                              1,
                              -1,
                              VstIntPtr{1} << 32,
                              std::numeric_limits<VstIntPtr>::max(),
                              std::numeric_limits<VstIntPtr>::min()};
  const float opts[] = {0.0f, 1.0f, kNaN, -kInf, 1e30f};
  std::set<int> answering;

  for (int opcode = fromOpcode; opcode <= toOpcode; ++opcode) {
    if (opcode == effClose || opcode == effEditOpen) continue;
    for (int p = 0; p < 2; ++p) {
      for (size_t i = 0; i < sizeof indexes / sizeof indexes[0]; ++i) {
        for (size_t v = 0; v < sizeof values / sizeof values[0]; ++v) {
          VstIntPtr value = values[v];
          if (ValueIsPointer(opcode))
            value = (v % 2) ? reinterpret_cast<VstIntPtr>(scratch2) : 0;
          else if (opcode == effSetChunk)
            value = static_cast<VstIntPtr>(v * 1000 % kScratchClear);  // a chunk within the scratch
          std::memset(scratch, 0, kScratchClear);
          std::memset(scratch2, 0, kScratchClear);
          const float opt = opts[(i + v) % (sizeof opts / sizeof opts[0])];
          note.phase = 1;
          note.opcode = opcode;
          note.index = indexes[i];
          note.value = value;
          note.hasPtr = p;
          note.opt = opt;
          const VstIntPtr answer = host.Dispatch(opcode, indexes[i], value, p ? scratch : nullptr, opt);
          ++report.dispatcherCalls;
          if (answer != 0) answering.insert(opcode);
        }
      }
    }
  }

  const VstInt32 paramIndexes[] = {-1, kInt32Min, numParams, numParams + 1, 9000, 10001, kInt32Max, 0,
                                   numParams - 1};
  const float paramValues[] = {kNaN, kInf, -kInf, -1.0f, 2.0f, 1e-45f, 0.5f};
  for (VstInt32 index : paramIndexes) {
    for (float value : paramValues) {
      note.phase = 2;
      note.index = index;
      note.opt = value;
      note.opcode = -1;  // set-parameter
      if (e->setParameter) e->setParameter(e, index, value);
      note.opcode = -2;  // get-parameter
      if (e->getParameter) (void)e->getParameter(e, index);
      for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        note.opcode = opcode;
        std::memset(scratch, 0, kScratchClear);
        host.Dispatch(opcode, index, 0, scratch, 0.0f);
      }
      report.parameterCalls += 5;
    }
  }

  // Back to where the effect was.
  note.phase = 3;
  host.Dispatch(effMainsChanged, 0, 0);
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(host.SampleRate()));
  host.Dispatch(effSetBlockSize, 0, host.MaxBlockSize());
  host.Dispatch(effSetBypass, 0, 0);
  host.Dispatch(effSetProgram, 0, savedProgram);
  for (int i = 0; i < numParams; ++i)
    if (std::isfinite(savedValues[i])) e->setParameter(e, i, savedValues[i]);
  host.Dispatch(effMainsChanged, 0, 1);
  report.answeringOpcodes.assign(answering.begin(), answering.end());
  note.phase = 4;
  return true;
}
