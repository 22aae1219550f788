// Host identification: asks the host for its vendor and product strings once
// per loaded plug-in, recognises the hosts that need special treatment, and
// sets the process-wide values the rest of the framework consults.
//
// Thread contract: GetHostInfo runs on the thread that opens an effect
// (effOpen: the host has the record by then), before any editor or audio
// activity of that effect; it is safe against several effects opened at
// once. The values are atomics: written at
// identification (g_kIdleRate also by the "LimitFramerate" preference and the
// editor's fallback timer), read by the editor's idle source and the effect
// base on any thread.
#pragma once

#include <atomic>

#include "vst/VstInterface.h"

// Recognised hosts (values of g_eRecognisedHost).
enum ERecognisedHost {
  kHostUnknown = 0,
  kHostAudition = 1,
  kHostSamplitude = 2,
  kHostCubaseVst = 3,
  kHostPeak = 4,
  kHostVst2Rtas2 = 5,
  kHostNuendo = 6,
  kHostChainer = 7,
  kHostCakewalk = 8,
  kHostWaveLab = 9,
};

constexpr int kHostNameSize = 256;

extern std::atomic<int> g_eRecognisedHost;
// "vendor - product", or the vendor alone; empty until identified. Written
// once, before any reader runs.
extern char g_szVstHost[kHostNameSize];
// Handed to the host with the vendor-version request; not read afterwards.
extern char g_szVstHostVersion[kHostNameSize];
// Milliseconds between two idle calls of the editor's own idle source.
extern std::atomic<int> g_kIdleRate;
// The editor installs an idle source of its own (false: the host's editor
// idle calls are the only idle).
extern std::atomic<bool> g_bVST_WantTimerCallbackForIdle;
// That idle source is a worker thread rather than a timer on the editor's
// event loop.
extern std::atomic<bool> g_bVST_OSXWantMPThreadTimerCallbackForIdle;

// Runs the identification once per process; a null callback does nothing.
void GetHostInfo(audioMasterCallback hostCallback);

// Recognises a host name ("vendor - product" or the vendor alone). Pure.
int RecognizeHost(const char* hostName);

// Restores every value to its state at load, so that identification runs
// again. Tests only.
void ResetHostInfoForTesting();
