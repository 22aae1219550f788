// Offline blocks design a pending update only where they take its pair (the
// block that completes a frame, and at once a block that starts a stream),
// rendered against the same effect designing before every offline block:
// band gains moving from block to block and a step, in every quality mode of
// the edition, in blocks of 32 to 8192 samples and a random schedule, the
// host declaring the render offline. The output is the same sample for
// sample, and the render commits a design per frame at most where the
// reference commits one per block that changed a gain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "RunTestSupport.h"
#include "product/EditionSuite.h"

using namespace runtest;

namespace {

// Six band gains: three bands of both channels.
constexpr int kMovedBands[] = {20, 45, 70};
constexpr int kMovedGains = 6;
// Blocks shorter than this move the gains only near a hop's end (below), so
// that the reference's design before every block stays affordable.
constexpr int kMovesEveryBlockFrom = 512;
constexpr size_t kNearHopEnd = 256;

struct OfflineHost {
  OfflineHost() { ProcessLevel() = kVstProcessLevelOffline; }
  ~OfflineHost() { ProcessLevel() = kVstProcessLevelRealtime; }
  OfflineHost(const OfflineHost&) = delete;
  OfflineHost& operator=(const OfflineHost&) = delete;
};

struct Mode {
  ModeInfo info;
  bool bDouble;
};

void PrintTo(const Mode& mode, std::ostream* os) { *os << mode.info.pszName << (mode.bDouble ? " double" : " float"); }

std::vector<Mode> EditionModes() {
  std::vector<Mode> modes;
  for (const ModeInfo& m : kModes)
    if (!kbQvx2StandardEdition || m.nRating <= 40)
      // The editions' shared modes run on the other sample type in each.
      modes.push_back({m, modes.size() % 2 == (kbQvx2StandardEdition ? 0 : 1)});
  return modes;
}

// The block sizes of a render of `frames` samples: constant, or drawn
// evenly over the octaves from 1 to 8192.
std::vector<int> Schedule(int size, int frames) {
  if (size > 0) return {size};
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> octave(0.0, 13.0);
  std::vector<int> blocks;
  for (int sum = 0; sum < frames; sum += blocks.back())
    blocks.push_back(static_cast<int>(std::lround(std::exp2(octave(gen)))));
  return blocks;
}

struct Render {
  Stereo out;
  unsigned designs = 0;  // committed during the render
  int changedBlocks = 0;
};

// Gain i at sample pos: a triangle from 0.5 to 0.8 and back over about two
// hops (an odd period: blocks of any power of two meet new values), each
// gain at its own phase, 0.25 lower from the step on.
float Gain(int i, size_t pos, size_t hop, size_t step) {
  const size_t period = 2 * hop + 777;
  const double x =
      2.0 * static_cast<double>((pos + static_cast<size_t>(i) * hop / 3) % period) / static_cast<double>(period);
  const double tri = x < 1.0 ? x : 2.0 - x;
  return static_cast<float>(0.5 + 0.3 * tri - (pos >= step ? 0.25 : 0.0));
}

Render RenderMoving(const Mode& mode, const Stereo& input, const std::vector<int>& blocks, bool bReference,
                    bool bMove) {
  RunQvx2 fx(mode.info.nRating);
  fx.SetMode(mode.info.nRating, mode.bDouble);
  if (bReference) fx.DesignBeforeEveryOfflineBlock();
  const size_t hop = static_cast<size_t>(mode.info.nFftSize - mode.info.nKernelSize);
  // Mid-hop, far from a hop's end in the longer modes.
  const size_t step = 3 * hop / 2;
  std::vector<size_t> starts;
  for (size_t pos = 0, b = 0; pos < input.Size(); pos += static_cast<size_t>(blocks[b++ % blocks.size()]))
    starts.push_back(pos);
  Render r;
  float last[kMovedGains] = {};
  const unsigned before = fx.PairsPublished();
  const OfflineHost offline;
  r.out = Stream(fx, input, blocks, false, [&](size_t b) {
    const size_t pos = starts[b];
    const size_t toHopEnd = std::min(pos % hop, hop - pos % hop);
    const bool moves = b == 0 || (bMove && (blocks[b % blocks.size()] >= kMovesEveryBlockFrom ||
                                            toHopEnd <= kNearHopEnd || (pos >= step && starts[b - 1] < step)));
    if (!moves) return;
    bool changed = false;
    for (int i = 0; i < kMovedGains; ++i) {
      const float v = Gain(i, pos, hop, step);
      changed = changed || v != last[i];
      last[i] = v;
      fx.setParameter(2 * kMovedBands[i / 2] + i % 2, v);
    }
    r.changedBlocks += changed ? 1 : 0;
  });
  r.designs = fx.PairsPublished() - before;
  return r;
}

size_t CountDiffering(const Stereo& a, const Stereo& b, size_t from = 0) {
  size_t n = 0;
  for (size_t i = from; i < a.Size(); ++i) n += (a.l[i] != b.l[i] ? 1 : 0) + (a.r[i] != b.r[i] ? 1 : 0);
  return n;
}

// The suite's name carries the edition (expanded before gtest pastes it).
#define OFFLINE_DESIGN_SUITE QVX2_SUITE(OfflineDesignTest)
#define EDITION_TEST_P(suite, name) TEST_P(suite, name)
#define EDITION_INSTANTIATE_TEST_SUITE_P(prefix, suite, ...) INSTANTIATE_TEST_SUITE_P(prefix, suite, __VA_ARGS__)
class OFFLINE_DESIGN_SUITE : public testing::TestWithParam<Mode> {};

}  // namespace

EDITION_TEST_P(OFFLINE_DESIGN_SUITE, MovingGainsRenderAsWhenDesignedBeforeEveryBlock) {
  const Mode& mode = GetParam();
  const int hop = mode.info.nFftSize - mode.info.nKernelSize;
  // Four hops at least (the frames that take the pairs of the first three
  // hops' ends), and two of the longest blocks and a hop.
  const int frames = std::max(4 * hop, 2 * 8192 + hop);
  const Stereo input = Noise(frames, static_cast<uint32_t>(mode.info.nRating));
  for (int size : {32, 100, 256, 1000, 4096, 8192, 0}) {
    SCOPED_TRACE(size > 0 ? "blocks of " + std::to_string(size) : std::string("random blocks"));
    const std::vector<int> blocks = Schedule(size, frames);
    const Render once = RenderMoving(mode, input, blocks, false, true);
    const Render every = RenderMoving(mode, input, blocks, true, true);
    EXPECT_EQ(CountDiffering(once.out, every.out), 0u);
    EXPECT_EQ(every.designs, static_cast<unsigned>(every.changedBlocks)) << "the reference designs for every change";
    // The stream's first block designs at once; then a frame's block at most.
    EXPECT_LE(once.designs, static_cast<unsigned>(frames / hop + 1));
  }
  // The moving gains are heard: from the second frame on, the output is not
  // that of gains held at their first values.
  const std::vector<int> blocks = Schedule(1000, frames);
  const Render held = RenderMoving(mode, input, blocks, false, false);
  EXPECT_GT(CountDiffering(held.out, RenderMoving(mode, input, blocks, false, true).out, 2 * static_cast<size_t>(hop)),
            static_cast<size_t>(hop));
}

EDITION_INSTANTIATE_TEST_SUITE_P(EveryMode, OFFLINE_DESIGN_SUITE, testing::ValuesIn(EditionModes()),
                                 [](const testing::TestParamInfo<Mode>& p) {
                                   return std::string(p.param.info.pszName) + (p.param.bDouble ? "Double" : "Float");
                                 });
