#include "RunTestSupport.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "Helpers/PersistantStorage.h"
#include "prefs/TempConfigFolder.h"

namespace runtest {

std::atomic<bool>& TransportPlaying() {
  static std::atomic<bool> s_bPlaying{false};
  return s_bPlaying;
}

std::atomic<VstInt32>& ProcessLevel() {
  static std::atomic<VstInt32> s_nLevel{kVstProcessLevelRealtime};
  return s_nLevel;
}

int64_t DevicePacedClock() {
  // A tenth of a second a reading (two a block): no block a test sends comes
  // faster than real time, nor after a quiet stretch.
  static std::atomic<int64_t> s_nNowUs{0};
  return s_nNowUs.fetch_add(100000) + 100000;
}

std::atomic<int>& IOChangedCount() {
  static std::atomic<int> s_nCount{0};
  return s_nCount;
}

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: {
      // Per thread: the answer stays valid while its caller reads it.
      thread_local VstTimeInfo t_Info{};
      t_Info.flags = TransportPlaying().load() ? kVstTransportPlaying : 0;
      return reinterpret_cast<VstIntPtr>(&t_Info);
    }
    case audioMasterIOChanged: IOChangedCount().fetch_add(1); return 1;
    case audioMasterCanDo: return ptr != nullptr && std::string(static_cast<const char*>(ptr)) == "acceptIOChanges";
    case audioMasterGetCurrentProcessLevel:
      return ProcessLevel().load();
    default: return 0;
  }
}

RunQvx2::RunQvx2(int firstRating)
    : AQVX2((static_cast<void>([firstRating] {
               static TempConfigFolder s_Prefs;
               // Adopted while the new effect is still linked, so its first mode.
               CPersistantStorage::StorePluginInt("QR", firstRating);
             }()),
             HostCallback)) {
  SetRenderClockForTesting(&DevicePacedClock);
  setParameter(kQvx2QMLink, 0.0f);
  setSampleRate(kRate);
  // The sample rate only marks the filters; the next update designs for it.
  CompleteFilterUpdate();
}

void RunQvx2::SetMode(int rating, bool bDouble) {
  setParameter(kQvx2QualityRating, static_cast<float>(rating) / 999.0f);
  setParameter(kQvx2BitDepth, bDouble ? 1.0f : 0.5f);
  suspend();
  resume();
  if (m_bBitDepthChanged.load()) ApplyQualityModeSettingsOuter();
}

void RunQvx2::SetAllGains(float value) {
  for (int i = 0; i < kQvx2NumGainParams; ++i) setParameter(i, value);
}

void RunQvx2::SetResponseArrays(int fftSize) {
  m_nResponseFftSize = fftSize;
  m_nResponseResume = 0;
  for (auto& r : m_pfResponse) {
    r.reset(new double[static_cast<size_t>(fftSize / 2 + 1)]);
    std::fill(r.get(), r.get() + fftSize / 2 + 1, 1.0);
  }
}

Stereo Noise(int frames, uint32_t seed, float amplitude) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> dist(-amplitude, amplitude);
  Stereo s{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
  for (int i = 0; i < frames; ++i) {
    s.l[static_cast<size_t>(i)] = dist(gen);
    s.r[static_cast<size_t>(i)] = dist(gen);
  }
  return s;
}

Stereo Silence(int frames) {
  return Stereo{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
}

Stereo Stream(AQVX2& fx, const Stereo& input, const std::vector<int>& blocks, bool bInPlace,
              const std::function<void(size_t)>& beforeBlock) {
  const size_t total = input.Size();
  Stereo out = Silence(static_cast<int>(total));
  const int maxBlock = *std::max_element(blocks.begin(), blocks.end());
  std::vector<float> inL(static_cast<size_t>(maxBlock)), inR(inL), outL(inL), outR(inL);
  size_t pos = 0;
  for (size_t b = 0; pos < total; ++b) {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(blocks[b % blocks.size()]), total - pos));
    if (beforeBlock) beforeBlock(b);
    std::copy_n(input.l.begin() + static_cast<std::ptrdiff_t>(pos), n, inL.begin());
    std::copy_n(input.r.begin() + static_cast<std::ptrdiff_t>(pos), n, inR.begin());
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {bInPlace ? inL.data() : outL.data(), bInPlace ? inR.data() : outR.data()};
    fx.processReplacing(ins, outs, n);
    std::copy_n(outs[0], n, out.l.begin() + static_cast<std::ptrdiff_t>(pos));
    std::copy_n(outs[1], n, out.r.begin() + static_cast<std::ptrdiff_t>(pos));
    pos += static_cast<size_t>(n);
  }
  return out;
}

double MaxDelayedError(const std::vector<float>& a, const std::vector<float>& b, int delay, int from) {
  double worst = 0.0;
  for (size_t i = static_cast<size_t>(std::max(0, from)); i < a.size(); ++i) {
    const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) - delay;
    const double ref = (j >= 0 && static_cast<size_t>(j) < b.size()) ? b[static_cast<size_t>(j)] : 0.0;
    worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - ref));
  }
  return worst;
}

double MaxAbs(const std::vector<float>& a, int from, int to) {
  double worst = 0.0;
  const size_t end = to < 0 ? a.size() : std::min(a.size(), static_cast<size_t>(to));
  for (size_t i = static_cast<size_t>(std::max(0, from)); i < end; ++i)
    worst = std::max(worst, std::fabs(static_cast<double>(a[i])));
  return worst;
}

}  // namespace runtest
