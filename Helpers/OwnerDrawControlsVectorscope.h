// The vectorscope: the stereo image of the signal, either as a Lissajous
// figure of left against right (an accumulated point density, or the path
// of the samples as lines) or as a polar histogram of the signal's direction
// between left and right with a balance read-out.
//
// Audio arrives in blocks of up to kBlockSize samples through StoreValues;
// each full block is analysed there (hit counts, smoothed density, polar
// energies and levels, balance) and the result handed to the drawing
// through a lock-free hand-over, so the two threads share no unguarded
// data. Requests from the display (Clear, a new view type) reach the
// analysis through atomics and take effect at its next block.
//
// Lissajous grid: half = min(width, height) / 4 - 1 cells each way from
// the centre, side = 2 * half + 1 cells; a sample s maps to cell
// floor(half * s * gain + half + 0.5), limited to the grid, rows from left
// and columns from right. The figure is drawn turned by 45 degrees: a mono
// signal runs vertically, +L to the upper left, +R to the upper right.
//
// Polar: 31 bins over the direction angle atan(side / mid), side = (R - L)
// / 2: left alone lies at -45 degrees, mono at 0, right alone at +45; a
// signal of pure side (mid 0) lies on an edge (+-90 degrees by the sign of
// side).
//
// Thread contract: StoreValues on the audio thread (no allocation, no
// lock, no wait); everything else on the user-interface thread.
#pragma once

#include <atomic>
#include <memory>

#include "Helpers/ColorModel.h"
#include "Helpers/OwnerDrawControlsBase.h"
#include "Helpers/ScopeHandOver.h"

class CVectorscope : public COwnerDrawControl {
 public:
  enum EViewType { eLissajous = 0, ePolar = 1 };
  static const char* const c_pszViewTypeName[2];
  static constexpr int kBlockSize = 2048;
  static constexpr int kPolarBins = 31;

  CVectorscope(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);
  ~CVectorscope() override;

  // [audio thread] Feeds one block of the two channels (ignored while
  // frozen); analyses every full block of kBlockSize samples.
  void StoreValues(const float* left, const float* right, int count);

  // [user-interface thread]
  void SetViewType(EViewType type);
  EViewType GetViewType() const { return static_cast<EViewType>(m_nViewType.load()); }
  // Hold time of the polar peaks; every bin's hold restarts at now + ms.
  void SetPeakHoldTime(int ms);
  // Zeroes the shown figure and, at the next block, the sample count, both
  // grids and the polar state.
  void Clear();

  // [user-interface thread, inside the owner-draw frame]
  void DoOwnerDraw(const CRect& rect, CDrawContext* ctx);
  // The block's path as lines / the smoothed density, around the centre
  // (cx, cy); `brightness` is the density shown at full colour.
  void DrawLissajousLines(CDrawContext* ctx, int cx, int cy, float brightness);
  void DrawLissajousAccumulations(CDrawContext* ctx, int cx, int cy, float brightness);

  // Settings: written by the display, read by the analysis.
  std::atomic<bool> bFrozen{false};
  std::atomic<bool> bAutoGain{false};
  std::atomic<bool> bLineDrawing{false};
  std::atomic<float> fSmoothing{0.8f};  // c: new = c * old + (1 - c) * block
  std::atomic<float> fGain{1.0f};       // also written by the auto-gain

  // Grid size (fixed at construction).
  int nHalf = 0;
  int nSide = 0;

  // One analysed block as the display receives it.
  struct Result {
    std::unique_ptr<float[]> density;  // side x side, row from left
    std::unique_ptr<int[]> lineCells;  // cell indexes of the path
    int nLineCells = 0;
    float level[kPolarBins] = {};      // smoothed ln energy per bin
    float balance = 0.0f;              // -1 left .. +1 right, smoothed
    float slowBalance = 0.0f;
    int generation = 0;                // the Clear it follows
  };

  // [user-interface thread] The result shown (after the last draw), and the
  // polar peaks.
  const Result& Shown() const { return *m_pShown; }
  float fPeak[kPolarBins] = {};
  unsigned int nPeakHoldUntil[kPolarBins] = {};
  int nPeakHoldMs = 1000;

  // Cell of a sample at the current gain (exposed for tests).
  int CellOf(float sample, float gain) const;
  // Polar bin of a pair (exposed for tests); -1 for a silent pair.
  static int PolarBinOf(float left, float right);

 private:
  // The analysis side, touched only by StoreValues.
  struct Analysis {
    std::unique_ptr<float[]> left, right;
    int count = 0;
    float largest = 0.0f;
    std::unique_ptr<int[]> hits;
    std::unique_ptr<float[]> density;
    std::unique_ptr<int[]> lineCells;
    int nLineCells = 0;
    double energy[kPolarBins] = {};  // double: the largest floats square past float's range
    float level[kPolarBins] = {};
    double sumLeft2 = 0.0, sumRight2 = 0.0;
    float balance = 0.0f, slowBalance = 0.0f;
    int generation = 0;
  };
  void ResetAnalysis(int generation);
  void AnalyseBlock();
  void AnalyseLissajous(float c);
  void AnalysePolar(float c);
  void PublishBlock();
  void DrawPolar(CDrawContext* ctx, const CRect& rect, unsigned int now);
  void DrawLissajous(CDrawContext* ctx, const CRect& rect);
  void DrawCell(CDrawContext* ctx, int cx, int cy, int cell, CColor colour);

  Analysis m_analysis;
  CScopeHandOver<Result> m_handOver;
  Result m_blank;             // shown after a Clear until a new block
  const Result* m_pShown = &m_blank;
  ColorBoundaryCache m_densityColours;
  // Written by the display; the analysis adopts it at its next block.
  std::atomic<int> m_nViewType{eLissajous};
  std::atomic<int> m_nClearGeneration{0};
};

// The vectorscope's draw function: its DoOwnerDraw.
void CVectorscope_OwnerDraw(const CRect& rect, COwnerDrawControl* control, CDrawContext* ctx);
