#include "Helpers/HostInfo.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "Helpers/Assert.h"

std::atomic<int> g_eRecognisedHost{kHostUnknown};
char g_szVstHost[kHostNameSize] = "";
char g_szVstHostVersion[kHostNameSize] = "";
std::atomic<int> g_kIdleRate{10};
std::atomic<bool> g_bVST_WantTimerCallbackForIdle{true};
std::atomic<bool> g_bVST_OSXWantMPThreadTimerCallbackForIdle{true};

namespace {

std::mutex g_IdentifyMutex;  // serialises identification against concurrent creation
bool g_bHostChecked = false;  // guarded by g_IdentifyMutex

// The host's texts arrive in scratch buffers larger than the published
// length and are terminated here, so a host that writes an unterminated or
// overlong text cannot make the name run past its buffer.
void AskHostText(audioMasterCallback hostCallback, VstInt32 opcode, char (&text)[kHostNameSize]) {
  std::memset(text, 0, sizeof text);
  hostCallback(nullptr, opcode, 0, 0, text, 0.0f);
  text[kHostNameSize - 1] = 0;
}

void ApplyIdleSettings(int host) {
  switch (host) {
    case kHostSamplitude:
    case kHostCubaseVst:
      g_bVST_WantTimerCallbackForIdle = false;
      break;
    case kHostPeak:
    case kHostVst2Rtas2:
      g_bVST_OSXWantMPThreadTimerCallbackForIdle = false;
      break;
    case kHostNuendo:
      g_kIdleRate = 50;
      break;
    case kHostChainer:
    case kHostCakewalk:
    case kHostWaveLab:
      g_kIdleRate = 100;
      break;
    default:
      break;
  }
}

}  // namespace

int RecognizeHost(const char* hostName) {
  if (!hostName) return kHostUnknown;
  struct Test {
    const char* text;
    bool contains;  // false: the whole name must be equal
    int host;
  };
  static const Test kTests[] = {
      {"Adobe Systems - Audition", false, kHostAudition},
      {"MAGIX - Samplitude", false, kHostSamplitude},
      {"Steinberg - Cubase VST", false, kHostCubaseVst},
      {"Steinberg - Nuendo", false, kHostNuendo},
      {"Xlutop - Chainer", false, kHostChainer},
      {"Cakewalk", true, kHostCakewalk},
      {"Steinberg Media Technologies - WaveLab", false, kHostWaveLab},
      {"BIAS - Peak", false, kHostPeak},
      {"FXpansion - Vst2Rtas2", false, kHostVst2Rtas2},
  };
  int host = kHostUnknown;
  for (const Test& t : kTests) {
    const bool match = t.contains ? std::strstr(hostName, t.text) != nullptr : std::strcmp(hostName, t.text) == 0;
    if (match) host = t.host;
  }
  return host;
}

void GetHostInfo(audioMasterCallback hostCallback) {
  XR_TRY
  if (!hostCallback) return;
  std::lock_guard<std::mutex> guard(g_IdentifyMutex);
  if (g_bHostChecked) return;

  char vendor[kHostNameSize];
  char product[kHostNameSize];
  AskHostText(hostCallback, audioMasterGetVendorString, vendor);
  AskHostText(hostCallback, audioMasterGetProductString, product);
  hostCallback(nullptr, audioMasterGetVendorVersion, 0, 0, g_szVstHostVersion, 0.0f);
  g_szVstHostVersion[kHostNameSize - 1] = 0;

  // Cut to 255 characters.
  std::string name = vendor;
  if (product[0]) name = name + " - " + product;
  std::snprintf(g_szVstHost, sizeof g_szVstHost, "%s", name.c_str());

  const int host = RecognizeHost(g_szVstHost);
  g_eRecognisedHost = host;
  ApplyIdleSettings(host);
  g_bHostChecked = true;
  XR_CATCH_VOID
}

void ResetHostInfoForTesting() {
  std::lock_guard<std::mutex> guard(g_IdentifyMutex);
  g_bHostChecked = false;
  g_eRecognisedHost = kHostUnknown;
  g_szVstHost[0] = 0;
  g_szVstHostVersion[0] = 0;
  g_kIdleRate = 10;
  g_bVST_WantTimerCallbackForIdle = true;
  g_bVST_OSXWantMPThreadTimerCallbackForIdle = true;
}
