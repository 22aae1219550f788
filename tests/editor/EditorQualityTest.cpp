// The back panel's quality-mode block: its layout from the back text top,
// what it shows of the effect's quality state, what each menu choice writes,
// and the rebuild the effect runs with the editor open.
#include <cmath>

#include "editor/EditorTestSupport.h"

using namespace edtest;
using fxtest::QualityTestEffect;

namespace {

class EditorQualityTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    FlipToBack();
    ASSERT_NE(m_pEditor->m_pQualityMenu, nullptr);
  }
  // The user picks entry i of a menu.
  void Choose(COptionMenuExtended* menu, int i) {
    menu->setValue(static_cast<float>(i));
    m_pEditor->valueChanged(nullptr, menu);
  }
  std::string Info(int line) { return m_pEditor->m_pQualityInfo[line]->GetText(); }
  std::string Notice() { return m_pEditor->m_pQualityNotice->GetText(); }
};

CRect SizeOf(CView* view) {
  CRect r;
  view->getViewSize(r);
  return r;
}

}  // namespace

TEST_F(EditorQualityTest, BlockRowsStartBelowTheReturnButton) {
  // Centre 300; the return button's row is 78..98.
  COptionMenuExtended* menus[] = {m_pEditor->m_pQualityMenu,       m_pEditor->m_pBitDepthMenu,
                                  m_pEditor->m_pReportLatencyMenu, m_pEditor->m_pOfflineRenderMenu,
                                  m_pEditor->m_pDitherMenu,        m_pEditor->m_pWysiwygMenu};
  for (int k = 0; k < 6; ++k) {
    ASSERT_NE(menus[k], nullptr) << k;
    EXPECT_EQ(SizeOf(menus[k]), CRect(260, 103 + 18 * k, 340, 123 + 18 * k)) << k;
    EXPECT_EQ(menus[k]->getFontColor(), kWhiteCColor) << k;
    EXPECT_EQ(menus[k]->getTag(), 9999) << k;
  }
  for (int j = 0; j < 5; ++j) EXPECT_EQ(SizeOf(m_pEditor->m_pQualityInfo[j]), CRect(345, 112 + 13 * j, 600, 132 + 13 * j));
  EXPECT_EQ(SizeOf(m_pEditor->m_pQualityNotice), CRect(0, 234, 600, 254));

  CFrame* frame = m_pEditor->Frame();
  COnOffButtonExtended* link = nullptr;
  std::vector<std::string> advice;
  for (long i = 0; i < frame->getNbViews(); ++i) {
    if (auto* b = dynamic_cast<COnOffButtonExtended*>(frame->getView(i))) link = b;
    auto* text = dynamic_cast<CStaticText*>(frame->getView(i));
    if (text && SizeOf(text).top >= 254) advice.push_back(text->GetText());
  }
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(SizeOf(link), CRect(285, 216, 315, 234)) << "bitmap 156 is two halves of 30 x 18";
  EXPECT_EQ(link->getTag(), QualityTestEffect::kLinkParam);
  ASSERT_EQ(advice.size(), 2u);
  EXPECT_EQ(advice[0], "For maximum CPU efficiency, we suggest using audio driver buffer");
  EXPECT_EQ(advice[1], "sizes of 1024 samples or more when using higher quality settings");

  char entry[kParamDisplayTextSize];
  ASSERT_EQ(m_pEditor->m_pQualityMenu->getNbEntries(), 8);
  m_pEditor->m_pQualityMenu->getEntry(0, entry);
  EXPECT_STREQ(entry, "Maximum");
  m_pEditor->m_pDitherMenu->getEntry(3, entry);
  EXPECT_STREQ(entry, "Gaussian");
}

TEST_F(EditorQualityTest, BlockShowsTheEffectsSettingsAndSizes) {
  EXPECT_EQ(m_pEditor->m_pQualityMenu->getCurrent(), 5) << "rating 30 is sixth in 80 ... 10";
  EXPECT_EQ(m_pEditor->m_pBitDepthMenu->getCurrent(), 0);
  EXPECT_EQ(m_pEditor->m_pReportLatencyMenu->getCurrent(), 1);
  EXPECT_EQ(m_pEditor->m_pOfflineRenderMenu->getCurrent(), 0);
  EXPECT_EQ(m_pEditor->m_pDitherMenu->getCurrent(), 0);
  EXPECT_EQ(m_pEditor->m_pWysiwygMenu->getCurrent(), 0);
  EXPECT_EQ(Info(0), "FFT size = 4096");
  EXPECT_EQ(Info(1), "Filter kernel size = 2048");
  EXPECT_EQ(Info(2), "");
  EXPECT_EQ(Info(3), "");
  EXPECT_EQ(Info(4), "Net Latency = 2048 (42.7ms)");
  EXPECT_EQ(Notice(), "");
}

TEST_F(EditorQualityTest, ChoosingTheActiveSettingWritesNothing) {
  const size_t before = Host().CallsOf(audioMasterAutomate).size();
  Choose(m_pEditor->m_pQualityMenu, 5);
  Choose(m_pEditor->m_pDitherMenu, 0);
  Choose(m_pEditor->m_pReportLatencyMenu, 1);
  Choose(m_pEditor->m_pBitDepthMenu, 0);
  EXPECT_EQ(Host().CallsOf(audioMasterAutomate).size(), before);
}

TEST_F(EditorQualityTest, MenuChoicesWriteTheirStatesAsTheEffectReadsThem) {
  Choose(m_pEditor->m_pDitherMenu, 3);
  EXPECT_EQ(m_pEffect->getParameter(QualityTestEffect::kDitherParam), 1.0f) << "Gaussian";
  EXPECT_EQ(m_pEffect->DitherMode(), 3);
  EXPECT_EQ(m_pEditor->m_pDitherMenu->getCurrent(), 3);
  Choose(m_pEditor->m_pDitherMenu, 0);
  EXPECT_EQ(m_pEffect->getParameter(QualityTestEffect::kDitherParam), 0.25f) << "Off";

  Choose(m_pEditor->m_pReportLatencyMenu, 0);
  EXPECT_EQ(m_pEffect->getParameter(QualityTestEffect::kReportLatencyParam), 0.5f) << "No";
  Choose(m_pEditor->m_pReportLatencyMenu, 1);
  EXPECT_EQ(m_pEffect->getParameter(QualityTestEffect::kReportLatencyParam), 1.0f) << "Yes";

  Choose(m_pEditor->m_pWysiwygMenu, 1);
  EXPECT_EQ(m_pEffect->getParameter(QualityTestEffect::kWysiwygParam), 1.0f);
  EXPECT_EQ(m_pEditor->m_pWysiwygMenu->getCurrent(), 1);

  Choose(m_pEditor->m_pQualityMenu, 4);
  EXPECT_NEAR(m_pEffect->getParameter(QualityTestEffect::kRatingParam) * 999.0f, 40.0f, 1e-3f);
  EXPECT_EQ(m_pEffect->QualityRating(), 40);
  int ratingWrites = 0;
  for (const EditorTestEffect::Write& w : m_pEffect->Writes()) {
    if (w.nIndex != QualityTestEffect::kRatingParam) continue;
    ++ratingWrites;
    EXPECT_FALSE(w.bFromGui) << "menu writes are not the editor's edits";
  }
  EXPECT_GT(ratingWrites, 0);
}

TEST_F(EditorQualityTest, ANewModeWaitsForTheStopThenTheRebuiltBlockShowsIt) {
  Host().m_eTransport = fxtest::Transport::kPlaying;
  Host().m_nProcessLevel = kVstProcessLevelRealtime;
  // One block of the host's play, on its audio thread.
  const auto block = [&] {
    OnOtherThread([&] {
      float in[2][16] = {}, out[2][16] = {};
      float* ins[2] = {in[0], in[1]};
      float* outs[2] = {out[0], out[1]};
      m_pEffect->processReplacing(ins, outs, 16);
    });
  };
  block();
  Choose(m_pEditor->m_pQualityMenu, 4);
  EXPECT_EQ(Notice(), "stop play to engage setting");
  EXPECT_EQ(m_pEditor->m_pQualityMenu->getFontColor(), kGreyCColor);
  EXPECT_EQ(Info(0), "FFT size = 4096");

  // The host goes on processing with its transport stopped.
  Host().m_eTransport = fxtest::Transport::kStopped;
  block();
  const int builds = m_pEditor->m_nZeroInner;
  IdleAfter(200);  // the editor's idle runs the effect's idle, which rebuilds
  EXPECT_EQ(m_pEffect->FFTSize(), 8192);
  EXPECT_GT(m_pEditor->m_nZeroInner, builds) << "the panel was removed and rebuilt around the rebuild";
  ASSERT_NE(m_pEditor->m_pQualityMenu, nullptr);
  EXPECT_FALSE(m_pEditor->IsFrontShown());
  EXPECT_EQ(Notice(), "");
  EXPECT_EQ(m_pEditor->m_pQualityMenu->getFontColor(), kWhiteCColor);
  EXPECT_EQ(m_pEditor->m_pQualityMenu->getCurrent(), 4);
  EXPECT_EQ(Info(0), "FFT size = 8192");
  EXPECT_EQ(Info(1), "Filter kernel size = 4096");
  EXPECT_EQ(Info(4), "Net Latency = 4096 (85.3ms)");
}

TEST_F(EditorQualityTest, SettingsChangedOnAnotherThreadShowAtTheNextIdle) {
  OnOtherThread([&] { m_pEffect->setParameter(QualityTestEffect::kDitherParam, 1.0f); });
  EXPECT_EQ(m_pEffect->DitherMode(), 3);
  EXPECT_EQ(m_pEditor->m_pDitherMenu->getCurrent(), 0) << "menus are not touched from the writer's thread";
  IdleAfter(1);
  EXPECT_EQ(m_pEditor->m_pDitherMenu->getCurrent(), 3);
}
