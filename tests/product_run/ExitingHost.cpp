// A host that quits in a hurry, for HostExitTest: it loads a plug-in module,
// opens instances in the quality mode "Maximum", plays paced audio through
// them on an audio thread of its own and keeps moving band gains, so that
// the effects' idle workers design kernels, and then ends the process
// without closing anything.
//
//   qvx_exiting_host MODULE INSTANCES return|exit MS
//     returns from main (or calls exit) after MS milliseconds of edits;
//   qvx_exiting_host MODULE INSTANCES editor MS DISPLAY
//     opens the first instance's editor in a window of its own on DISPLAY,
//     idles it and its window every 10 ms, prints "ready" once MS
//     milliseconds have passed and goes on until the X server goes away:
//     Xlib's fatal I/O handler then ends the process (exit code 1).
//
// Everything the audio thread and the effects' callbacks touch is plain
// static data, so that this program's own exit destroys nothing under them.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "vst/VstInterface.h"
#include "vst/VstStructures.h"

namespace {

constexpr int kMaxInstances = 8;
constexpr int kBlock = 512;
constexpr double kRate = 48000.0;

AEffect* g_Effects[kMaxInstances];
std::atomic<int> g_nEffects{0};
int g_nQuality = -1;  // the "Quality Mode Rating" parameter
int g_nGains = 0;     // parameters 0 .. g_nGains - 1 are band gains ("Gain ...")
float g_In[2][kBlock], g_Out[2][kBlock];
thread_local bool t_bAudioThread = false;

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetCurrentProcessLevel:
      return t_bAudioThread ? kVstProcessLevelRealtime : kVstProcessLevelUser;
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(kRate);
    case audioMasterGetBlockSize:
      return kBlock;
    case audioMasterIOChanged:
      return 1;
    default:
      return 0;
  }
}

VstIntPtr Dispatch(AEffect* fx, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f) {
  return fx->dispatcher(fx, opcode, index, value, ptr, opt);
}

void FindParameters(AEffect* fx) {
  for (int i = 0; i < fx->numParams; ++i) {
    char name[64] = "";
    Dispatch(fx, effGetParamName, i, 0, name);
    if (std::strcmp(name, "Quality Mode Rating") == 0) g_nQuality = i;
    if (std::strncmp(name, "Gain ", 5) == 0 && g_nGains == i) g_nGains = i + 1;
  }
}

// Real-time blocks through every instance, one block's time apart.
void PlayAudio() {
  t_bAudioThread = true;
  float* ins[2] = {g_In[0], g_In[1]};
  float* outs[2] = {g_Out[0], g_Out[1]};
  uint32_t noise = 1;
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    for (float* channel : ins)
      for (int i = 0; i < kBlock; ++i)
        channel[i] = static_cast<float>((noise = noise * 1664525u + 1013904223u) >> 8) * 3e-8f;
    for (int n = 0; n < g_nEffects.load(); ++n) g_Effects[n]->processReplacing(g_Effects[n], ins, outs, kBlock);
    next += std::chrono::microseconds(static_cast<long>(kBlock * 1e6 / kRate));
    std::this_thread::sleep_until(next);
  }
}

// One band gain of every instance to a new value; `step` picks which.
void MoveGains(int step) {
  if (g_nGains == 0) return;
  const int band = (step * 7) % g_nGains;
  const float value = static_cast<float>((step * 37) % 101) / 100.0f;
  for (int n = 0; n < g_nEffects.load(); ++n) g_Effects[n]->setParameter(g_Effects[n], band, value);
}

// Opens the editor in a window of this host's and idles both until the X
// server goes away; false when no editor could be opened.
bool RunEditor(AEffect* fx, int readyMs) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 600, 360, 0, 0, 0);
  XSelectInput(display, window, ExposureMask | StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);
  if (Dispatch(fx, effEditOpen, 0, 0, reinterpret_cast<void*>(window)) == 0) return false;
  const auto start = std::chrono::steady_clock::now();
  bool ready = false;
  for (int step = 0;; ++step) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
    }
    Dispatch(fx, effEditIdle);
    MoveGains(step);
    if (!ready && std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(readyMs)) {
      ready = true;
      std::printf("ready\n");
      std::fflush(stdout);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: %s MODULE INSTANCES return|exit|editor MS [DISPLAY]\n", argv[0]);
    return 2;
  }
  // The display the plug-in's editor connects to as well.
  if (argc == 6) setenv("DISPLAY", argv[5], 1);
  const int instances = std::atoi(argv[2]);
  const char* way = argv[3];
  const int ms = std::atoi(argv[4]);
  if (instances < 1 || instances > kMaxInstances) return 2;
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  auto entry = module ? reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(module, "VSTPluginMain")) : nullptr;
  if (!entry) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 2;
  }
  for (int n = 0; n < instances; ++n) {
    AEffect* fx = entry(&Callback);
    if (!fx) return 2;
    Dispatch(fx, effOpen);
    Dispatch(fx, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    Dispatch(fx, effSetBlockSize, 0, kBlock);
    if (n == 0) FindParameters(fx);
    if (g_nQuality < 0) return 2;
    // "Maximum", applied at the resume while no audio has come yet.
    fx->setParameter(fx, g_nQuality, 80.0f / 999.0f);
    Dispatch(fx, effMainsChanged, 0, 1);
    g_Effects[n] = fx;
    g_nEffects.store(n + 1);
  }
  std::thread(PlayAudio).detach();
  if (std::strcmp(way, "editor") == 0) return RunEditor(g_Effects[0], ms) ? 0 : 2;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (int step = 0; step == 0 || std::chrono::steady_clock::now() < end; ++step) {
    MoveGains(step);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (std::strcmp(way, "exit") == 0) std::exit(0);
  return 0;
}
