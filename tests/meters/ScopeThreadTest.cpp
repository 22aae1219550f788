// The scopes fed by an audio thread while the display draws them: results
// arrive whole (run under ThreadSanitizer as well, QVX_TSAN).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Helpers/FrequencyDataStore.h"
#include "Helpers/OwnerDrawControlsCorrelation.h"
#include "Helpers/OwnerDrawControlsVectorscope.h"
#include "Helpers/OwnerDrawControlsWaveform.h"
#include "ScopeTestSupport.h"

using namespace scopetest;

namespace {

// Feeds `blocks` blocks of 256 samples on a thread of its own while `draw`
// runs on this one; then one last draw.
template <typename Scope, typename Draw>
void FeedWhileDrawing(Scope& s, const std::vector<float>& left, const std::vector<float>& right,
                      int blocks, Draw draw) {
  std::atomic<bool> done{false};
  std::thread audio([&] {
    for (int b = 0; b < blocks; ++b) {
      const size_t at = (static_cast<size_t>(b) * 256) % (left.size() - 256);
      s.scope->StoreValues(left.data() + at, right.data() + at, 256);
    }
    done.store(true);
  });
  while (!done.load()) draw();
  audio.join();
  draw();
}

TEST(ScopeThreadTest, VectorscopeResultsArriveWhole) {
  ScopeOnSurface<CVectorscope> s(CRect(0, 0, 120, 120));
  CVectorscope& v = *s.scope;
  const std::vector<float> sine = Sine(8192, 100.0, 0.5f);
  int frames = 0;
  FeedWhileDrawing(s, sine, sine, 400, [&] {
    s.Draw();
    ++frames;
    // Every result shown lies on the diagonal: a torn one would not.
    double off = 0.0;
    for (int row = 0; row < v.nSide; ++row)
      for (int column = 0; column < v.nSide; ++column)
        if (row != column) off += v.Shown().density[row * v.nSide + column];
    ASSERT_EQ(off, 0.0);
    v.SetViewType(frames % 50 == 0 ? CVectorscope::ePolar : CVectorscope::eLissajous);
  });
  EXPECT_GT(frames, 0);
}

TEST(ScopeThreadTest, CorrelationAndWaveformTakeBlocksWhileDrawn) {
  const std::vector<float> sine = Sine(8192, 64.0, 0.5f);
  {
    ScopeOnSurface<CCorrelationGraph> s(CRect(0, 0, 120, 60));
    FeedWhileDrawing(s, sine, sine, 400, [&] { s.Draw(); });
    ASSERT_NE(s.scope->LatestHistogram(), nullptr);
    EXPECT_NEAR(s.scope->fOverall, 1.0f, 1e-4);
  }
  {
    ScopeOnSurface<CWaveFormGraph> s(CRect(0, 0, 120, 60));
    s.scope->nPeriod = 64;
    FeedWhileDrawing(s, sine, Negated(sine), 400, [&] { s.Draw(); });
    ASSERT_EQ(s.scope->Shown().nColumns, 64);
    EXPECT_NEAR(s.scope->Shown().left[16], -0.5f, 0.01f);
    EXPECT_NEAR(s.scope->Shown().right[16], 0.5f, 0.01f);
  }
}

}  // namespace
