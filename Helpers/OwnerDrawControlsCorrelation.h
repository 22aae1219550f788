// The correlation graph: the left/right phase correlation of the signal as
// a horizontal histogram of short-term correlations from -1 (left edge) to
// +1 (right edge), one bin per pixel column, coloured by the correlation
// scale and brighter where more runs fall, with a white marker at the
// smoothed overall correlation. With the waterfall on, the histogram is a
// band along the top and the past lines scroll down beneath it.
//
// Audio arrives through StoreValues; every 1024 samples the histogram and
// the overall correlation are updated there (ExtractStoredValues) and handed
// to the drawing through a lock-free hand-over. The graph draws only when a
// new result has come; the picture stays in its off-screen in between (it
// keeps no background layer), which is also what lets the waterfall scroll.
//
// Thread contract: StoreValues and ExtractStoredValues on the audio thread
// (no allocation, no lock, no wait); everything else on the user-interface
// thread.
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/ColorModel.h"
#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/ScopeHandOver.h"

class CCorrelationGraph : public CLayeredOwnerDrawControl {
 public:
  static constexpr int kBlockSize = 1024;
  static constexpr int kRunLength = 8;       // samples per short-term correlation
  static constexpr int kCachedLines = 10;
  static constexpr int kTopBand = 7;         // rows of the live line over the waterfall
  static constexpr float kDecay = 0.9f;      // histogram kept per block
  static constexpr float kOverallKeep = 0.99f;
  static constexpr float kShownKeep = 0.8f;  // display smoothing per new block

  CCorrelationGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);

  // Means of both channels over n samples and the product of their standard
  // deviations.
  static void GetCorrelationInfo(const float* left, const float* right, int n, float& meanLeft,
                                 float& meanRight, float& deviationProduct);
  // The Pearson coefficient; 0 when n is 0 or the deviations' product is
  // not above 0.
  static float GetCorrelation(const float* left, const float* right, int n, float meanLeft,
                              float meanRight, float deviationProduct);

  // [audio thread] Collects 1024 samples, then ExtractStoredValues.
  void StoreValues(const float* left, const float* right, int count);
  // [audio thread] One block into the histogram and the overall correlation
  // (skipped while frozen), handed to the display.
  void ExtractStoredValues(const float* left, const float* right, int n);

  // [user-interface thread] Restarts histogram, overall value and display
  // smoothing (the next block counts as the first).
  void Clear();

  // [user-interface thread, drawing]
  void DoOwnerDrawInner(CDrawContext* ctx) override;
  void PostDraw(CDrawContext* screen) override;
  // Only the off-screen: the picture must stay from one draw to the next.
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;
  // Scrolls the waterfall down by the pending lines and draws them at its
  // top (under the live band).
  void OperateWaterfall();
  // Caches the current line (operating the waterfall first when all ten
  // are pending).
  void CacheTopLine();
  void CacheTopLineInner(int row);
  void DrawCachedTopLines(CDrawContext* ctx);

  // [user-interface thread] The histogram of the result drawn last, or null
  // before the first (or after a Clear).
  const float* LatestHistogram() const { return m_pLatest ? m_pLatest->histogram.get() : nullptr; }

  // Column of a correlation: (r + 1) * half, at most width - 1.
  int ColumnOfCorrelation(float r) const;

  int nW = 0;  // width made odd: the number of bins
  std::atomic<bool> bFrozen{false};
  std::atomic<bool> bWaterfall{true};

  // [user-interface thread] What the display shows.
  std::unique_ptr<float[]> pShown;  // smoothed histogram
  float fOverall = 0.0f;            // overall correlation of the last result
  float fHeld = 0.0f;               // the overall value at the last waterfall line
  bool bNewData = false;
  bool bFirstShown = true;

 private:
  struct Result {
    std::unique_ptr<float[]> histogram;
    float overall = 0.0f;
    int generation = 0;
  };

  // [audio thread]
  std::unique_ptr<float[]> m_pStoreLeft, m_pStoreRight;
  int m_nStored = 0;
  std::unique_ptr<float[]> m_pHistogram;
  float m_fOverall = 0.0f;
  bool m_bFirstBlock = true;
  int m_nGeneration = 0;

  CScopeHandOver<Result> m_handOver;
  std::atomic<int> m_nClearGeneration{0};
  const Result* m_pLatest = nullptr;  // [user-interface thread]

  // [user-interface thread] The waterfall's pending lines.
  std::unique_ptr<CColor[]> m_pCachedLines;  // kCachedLines x nW
  int m_nCachedLines = 0;
  bool m_bWaterfallStarted = false;
};
