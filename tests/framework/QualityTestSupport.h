// A stand-in filter that reports FFT size - kernel size as its latency and
// records what the effect base does to it, and a test effect with the
// product's quality settings that builds a pair of them per quality mode.
#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>

#include "Helpers/FftFilter.h"
#include "framework/FrameworkTestSupport.h"

namespace fxtest {

class TestLatencyFilter : public FftFilter<float> {
 public:
  TestLatencyFilter(int fftSize, int kernelSize, XREffect* effect)
      : FftFilter<float>(fftSize, nullptr, effect), m_nKernelSize(kernelSize) {}

  int GetOutputLatency() override { return m_nFftSize - m_nKernelSize; }
  void Clear() override {
    ++m_nClears;
    FftFilter<float>::Clear();
  }
  bool NotifyOfProcessingBlockSize(int blockSize) override {
    m_nLastBlockSizeNotice = blockSize;
    return FftFilter<float>::NotifyOfProcessingBlockSize(blockSize);
  }
  void PadWithExtraLatency(int samples) override {
    m_nPad = samples;
    FftFilter<float>::PadWithExtraLatency(samples);
  }

  const int m_nKernelSize;
  std::atomic<int> m_nClears{0};
  int m_nLastBlockSizeNotice = -1;
  int m_nPad = -1;  // -1: never padded
};

class QualityTestEffect : public TestEffect {
 public:
  // The quality settings' parameters, among the settings without a B copy.
  static constexpr int kLinkParam = 295;
  static constexpr int kRatingParam = 296;
  static constexpr int kDitherParam = 297;
  static constexpr int kBitDepthParam = 298;
  static constexpr int kReportLatencyParam = 299;
  static constexpr int kOfflineRenderParam = 300;
  static constexpr int kWysiwygParam = 302;

  explicit QualityTestEffect(audioMasterCallback host = RecordingHostCallback, bool withEditor = false);
  ~QualityTestEffect() override;

  void Init() override;
  void InitAfterParametersSet() override;
  void ApplyQualityModeSettings() override;
  void UpdateAllFFTSettings() override;
  void InPlaceApplyQualityModeSettings() override;
  void ClearAllFFTFilters() override;
  void fxIdleInner() override;
  // Halves the input; writes nothing while the idle side holds audio off.
  void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;

  // As its stand-in filters report.
  int GetQualityModeLatency(int fftSize, int kernelSize, int) override { return fftSize - kernelSize; }
  int GetQMLinkParamNum() override { return kLinkParam; }
  int GetQualityRatingParamNum() override { return kRatingParam; }
  int GetDitherParamNum() override { return kDitherParam; }
  int GetBitDepthParamNum() override { return kBitDepthParam; }
  int GetReportLatencyParamNum() override { return kReportLatencyParam; }
  int GetOfflineRenderParamNum() override { return kOfflineRenderParam; }
  int GetWysiwygParamNum() override { return kWysiwygParam; }

  TestLatencyFilter* Filter(int channel) { return channel == 0 ? m_pLeft.get() : m_pRight.get(); }

  // Protected state, for assertions.
  int QualityRating() const { return m_nQualityRating.load(); }
  int FFTSize() const { return m_nFFTSize.load(); }
  int KernelSize() const { return m_nKernelSize.load(); }
  int HostLatency() const { return m_nHostLatency.load(); }
  int LatencyChange() const { return m_nLatencyChange.load(); }
  int DitherMode() const { return m_nDitherMode.load(); }
  int BitDepth() const { return m_nBitDepth.load(); }
  bool ReportLatency() const { return m_bReportLatency.load(); }
  bool AudioBusy() const { return m_AudioBusy.IsHeld(); }
  bool RebuildPending() const { return m_bQualityRatingChanged.load() || m_bRebuildDeferred.load(); }

  std::atomic<int> m_nApplyCount{0};
  std::atomic<int> m_nApplyWithoutAudioBusy{0};
  std::atomic<int> m_nUpdateAllCount{0};
  std::atomic<int> m_nInPlaceCount{0};
  std::atomic<int> m_nClearAllCount{0};
  std::atomic<int> m_nIdleInnerCount{0};
  std::atomic<bool> m_bThrowInApply{false};
  std::atomic<int> m_eIdleCalledFrom{-1};  // m_eFxIdleCalledFrom during the last fxIdleInner

 protected:
  void FillDefaults() override;

 private:
  std::unique_ptr<TestLatencyFilter> m_pLeft;
  std::unique_ptr<TestLatencyFilter> m_pRight;
};

}  // namespace fxtest
