#include "Helpers/AudioThread.h"

namespace {
thread_local bool t_bAudioThread = false;
}  // namespace

void MarkAudioThread() { t_bAudioThread = true; }

bool IsAudioThread() { return t_bAudioThread; }
