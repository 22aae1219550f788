// The vectorscope's analysis: blocks of samples into the Lissajous density
// and the polar histogram, handed to the display.
#include "Helpers/OwnerDrawControlsVectorscope.h"

#include <algorithm>
#include <cmath>

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("Helpers/OwnerDrawControlsVectorscope");

const char* const CVectorscope::c_pszViewTypeName[2] = {"Lissajous", "Polar"};

namespace {

constexpr float kPi = 3.14159265358979f;
// Auto-gain follows a block's largest sample only within these bounds.
constexpr float kLargestForGain = 100000.0f;
constexpr float kMaxGain = 10000.0f;
// The slow balance follows the balance by this much per block.
constexpr float kSlowBalanceKeep = 0.95f;

}  // namespace

void CVectorscope_OwnerDraw(const CRect& rect, COwnerDrawControl* control, CDrawContext* ctx) {
  XR_TRY
  if (auto* scope = dynamic_cast<CVectorscope*>(control)) scope->DoOwnerDraw(rect, ctx);
  XR_CATCH_VOID
}

CVectorscope::CVectorscope(const CRect& size, AEffGUIEditor* editor, CControlListener* listener)
    : COwnerDrawControl(size, CVectorscope_OwnerDraw, editor, listener) {
  XR_TRY
  nHalf = std::max(0L, std::min(size.width(), size.height()) / 4 - 1);
  nSide = 2 * nHalf + 1;
  const size_t cells = static_cast<size_t>(nSide) * static_cast<size_t>(nSide);
  m_analysis.left.reset(new float[kBlockSize]());
  m_analysis.right.reset(new float[kBlockSize]());
  m_analysis.hits.reset(new int[cells]());
  m_analysis.density.reset(new float[cells]());
  m_analysis.lineCells.reset(new int[kBlockSize]());
  for (int i = 0; i < 3; ++i) {
    Result& slot = m_handOver.SlotAt(i);
    slot.density.reset(new float[cells]());
    slot.lineCells.reset(new int[kBlockSize]());
  }
  m_blank.density.reset(new float[cells]());
  m_blank.lineCells.reset(new int[kBlockSize]());
  Clear();
  XR_CATCH_VOID
}

CVectorscope::~CVectorscope() = default;

int CVectorscope::CellOf(float sample, float gain) const {
  const float x = static_cast<float>(nHalf) * sample * gain + static_cast<float>(nHalf) + 0.5f;
  if (!(x > 0.0f)) return 0;  // NaN too
  if (x >= static_cast<float>(nSide)) return nSide - 1;
  return static_cast<int>(x);
}

int CVectorscope::PolarBinOf(float left, float right) {
  if (left == 0.0f && right == 0.0f) return -1;
  const float mid = (left + right) * 0.5f;
  const float side = (right - left) * 0.5f;
  float angle;
  if (mid != 0.0f)
    angle = std::atan(side / mid);
  else
    angle = side > 0.0f ? kPi * 0.5f : -kPi * 0.5f;
  const int bin = static_cast<int>((angle + kPi * 0.5f) * static_cast<float>(kPolarBins) / kPi);
  return std::clamp(bin, 0, kPolarBins - 1);
}

// --- analysis (audio thread) -------------------------------------------------

void CVectorscope::ResetAnalysis(int generation) {
  Analysis& a = m_analysis;
  const size_t cells = static_cast<size_t>(nSide) * static_cast<size_t>(nSide);
  a.count = 0;
  a.largest = 0.0f;
  std::fill(a.hits.get(), a.hits.get() + cells, 0);
  std::fill(a.density.get(), a.density.get() + cells, 0.0f);
  a.nLineCells = 0;
  std::fill(std::begin(a.energy), std::end(a.energy), 0.0);
  std::fill(std::begin(a.level), std::end(a.level), 0.0f);
  a.sumLeft2 = a.sumRight2 = 0.0;
  a.balance = a.slowBalance = 0.0f;
  a.generation = generation;
}

void CVectorscope::StoreValues(const float* left, const float* right, int count) {
  XR_TRY
  if (!left || !right || count < 1 || !m_analysis.left) return;
  const int generation = m_nClearGeneration.load(std::memory_order_acquire);
  if (generation != m_analysis.generation) ResetAnalysis(generation);
  if (bFrozen.load(std::memory_order_relaxed)) return;
  Analysis& a = m_analysis;
  for (int i = 0; i < count; ++i) {
    // A pair with a sample that is not a number or infinite is skipped, as
    // the meter skips it: once in the smoothed levels it would never leave.
    if (!std::isfinite(left[i]) || !std::isfinite(right[i])) continue;
    a.left[a.count] = left[i];
    a.right[a.count] = right[i];
    const float m = std::max(std::fabs(left[i]), std::fabs(right[i]));
    if (m > a.largest) a.largest = m;
    if (++a.count == kBlockSize) {
      AnalyseBlock();
      a.count = 0;
      a.largest = 0.0f;
    }
  }
  XR_CATCH_VOID
}

void CVectorscope::AnalyseBlock() {
  const float c = fSmoothing.load(std::memory_order_relaxed);
  if (m_nViewType.load(std::memory_order_relaxed) == ePolar)
    AnalysePolar(c);
  else
    AnalyseLissajous(c);
  PublishBlock();
}

void CVectorscope::AnalyseLissajous(float c) {
  Analysis& a = m_analysis;
  if (bAutoGain.load(std::memory_order_relaxed) && a.largest > 0.0f &&
      a.largest < kLargestForGain)
    fGain.store(std::min(1.0f / a.largest, kMaxGain), std::memory_order_relaxed);
  const float gain = fGain.load(std::memory_order_relaxed);
  const bool lines = bLineDrawing.load(std::memory_order_relaxed);
  a.nLineCells = 0;
  int previous = -1;
  for (int i = 0; i < a.count; ++i) {
    const int cell = CellOf(a.left[i], gain) * nSide + CellOf(a.right[i], gain);
    ++a.hits[cell];
    if (lines && cell != previous) a.lineCells[a.nLineCells++] = cell;
    previous = cell;
  }
  const int cells = nSide * nSide;
  for (int i = 0; i < cells; ++i) {
    a.density[i] = c * a.density[i] + (1.0f - c) * static_cast<float>(a.hits[i]);
    a.hits[i] = 0;
  }
}

void CVectorscope::AnalysePolar(float c) {
  Analysis& a = m_analysis;
  for (int i = 0; i < a.count; ++i) {
    const float l = a.left[i];
    const float r = a.right[i];
    const int bin = PolarBinOf(l, r);
    if (bin < 0) continue;
    a.energy[bin] += std::sqrt(static_cast<double>(l) * l + static_cast<double>(r) * r);
    a.sumLeft2 += static_cast<double>(l) * l;
    a.sumRight2 += static_cast<double>(r) * r;
  }
  for (int b = 0; b < kPolarBins; ++b) {
    const double e = a.energy[b];
    a.level[b] = c * a.level[b] + (1.0f - c) * (e > 0.0 ? static_cast<float>(std::log(e)) : 0.0f);
    a.energy[b] = 0.0;
  }
  const double total = a.sumLeft2 + a.sumRight2;
  const float balance = total > 0.0 ? static_cast<float>((a.sumRight2 - a.sumLeft2) / total) : 0.0f;
  a.balance = c * a.balance + (1.0f - c) * balance;
  a.slowBalance = kSlowBalanceKeep * a.slowBalance + (1.0f - kSlowBalanceKeep) * a.balance;
  a.sumLeft2 = a.sumRight2 = 0.0;
}

void CVectorscope::PublishBlock() {
  const Analysis& a = m_analysis;
  Result& out = m_handOver.WriteSlot();
  std::copy(a.density.get(), a.density.get() + nSide * nSide, out.density.get());
  std::copy(a.lineCells.get(), a.lineCells.get() + a.nLineCells, out.lineCells.get());
  out.nLineCells = a.nLineCells;
  std::copy(std::begin(a.level), std::end(a.level), std::begin(out.level));
  out.balance = a.balance;
  out.slowBalance = a.slowBalance;
  out.generation = a.generation;
  m_handOver.Publish();
}

// --- display side --------------------------------------------------------------

void CVectorscope::SetViewType(EViewType type) {
  XR_TRY
  m_nViewType.store(type == ePolar ? ePolar : eLissajous);
  Clear();
  XR_CATCH_VOID
}

void CVectorscope::SetPeakHoldTime(int ms) {
  XR_TRY
  nPeakHoldMs = ms;
  const unsigned int now = GetTickCount();
  for (unsigned int& until : nPeakHoldUntil) until = now + static_cast<unsigned int>(ms);
  XR_CATCH_VOID
}

void CVectorscope::Clear() {
  XR_TRY
  // The analysis zeroes itself when it sees the new generation; results
  // of the old one that are still on their way are not shown.
  m_nClearGeneration.fetch_add(1, std::memory_order_acq_rel);
  m_pShown = &m_blank;
  std::fill(std::begin(fPeak), std::end(fPeak), 0.0f);
  setDirty(true);
  XR_CATCH_VOID
}
