// Robustness sweep: every dispatcher opcode in a range with odd indexes,
// values (including ones past 32 bits) and floats (NaN, infinities), with a
// null and with a valid zeroed pointer; then parameter calls with indexes
// outside the effect's range and non-finite values. The effect's state
// (program, parameters, sample rate, block size, running) is restored
// afterwards. effClose is never sent, nor effEditOpen (it needs a real
// window). [user-interface thread]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvxhost/PluginHost.h"

struct SweepReport {
  int64_t dispatcherCalls = 0;
  int64_t parameterCalls = 0;
  std::vector<int> answeringOpcodes;  // opcodes that answered non-zero at least once
};

// The call the sweep is about to make, noted before every call so that a
// crash can be traced to it (the command-line host keeps it in memory shared
// with the child process that runs the sweep).
struct SweepProgress {
  int phase = 0;  // 0 not started, 1 dispatcher, 2 parameter calls, 3 restoring, 4 done
  VstInt32 opcode = 0;
  VstInt32 index = 0;
  VstIntPtr value = 0;
  int hasPtr = 0;
  float opt = 0.0f;
};
std::string DescribeSweepProgress(const SweepProgress& progress);

bool SweepOpcodes(PluginHost& host, int fromOpcode, int toOpcode, SweepReport& report, std::string& error,
                  SweepProgress* progress = nullptr);
