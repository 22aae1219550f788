// The back panel: the about page and the quality-mode block, laid out in
// text rows that move down the back background from the product's top.
#include <cstdio>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/DitherCopy.h"
#include "Helpers/DivuVazize.h"
#include "Helpers/XREffect.h"
#include "gui/CBitmap.h"
#include "gui/CFrame.h"

XR_REGISTER_SOURCE_FILE("Helpers/DivuVazizeBackViews.cpp");

namespace {
constexpr long kUnboundTag = 9999;
constexpr int kMaxQualityModes = 32;  // longest list of ratings shown
constexpr int kQualityInfoLines = 5;

const char* const kBitDepthItems[] = {"32", "64", nullptr};
const char* const kNoYesItems[] = {"No", "Yes", nullptr};
const char* const kDitherItems[] = {g_szDitherTypeString[0], g_szDitherTypeString[1], g_szDitherTypeString[2],
                                    g_szDitherTypeString[3], nullptr};
static_assert(kDitherTypeCount == 4, "the dither menu lists every dither type");

// The last position of rating in the list ended by -1, or -1.
int PositionOfRating(const int* ratings, int rating) {
  int position = -1;
  for (int i = 0; ratings && ratings[i] != -1 && i < kMaxQualityModes; ++i)
    if (ratings[i] == rating) position = i;
  return position;
}

int CountRatings(const int* ratings) {
  int n = 0;
  while (ratings && ratings[n] != -1 && n < kMaxQualityModes) ++n;
  return n;
}
}  // namespace

// --- building -----------------------------------------------------------------------

void DivuVazize::AddBackViews(BACK_VIEW_TYPE type) {
  XR_TRY
  m_bBuildingViews.store(true);
  m_eBackViewType = type;
  m_bFrontShown = false;
  try {
    if (m_bOpen.load() && frame) {
      CScopedLock hold(frame->getFrameLock());
      RemoveAllControls();
      frame->setBackground(m_pBackBitmap);
      frame->setBackgroundDrawCount(-1);
      AddBackSlidingPanel();
      AddBackViewTypeContent();
      if (m_bShowQualityModeControls && type == BACK_VIEW_NORMAL) DisplayQualityModeControls();
      AddBackViewsInner();
      UpdateUi();
      frame->setDirty(true);
    }
  } catch (...) {
    HandleException(__PRETTY_FUNCTION__);
  }
  m_bBuildingViews.store(false);
  XR_CATCH_VOID
}

void DivuVazize::AddBackViewTypeContent() {
  XR_TRY
  const long width = m_pBackBitmap ? m_pBackBitmap->getWidth() : 0;
  m_rectTextRow = CRect(0, m_nBackTextTop + 3, width, m_nBackTextTop + 23);
  if (m_eBackViewType == BACK_VIEW_NORMAL) AddBackNormal();
  if (!frame) return;
  m_pFlipButton = new CInvisibleButton(m_rectBackFlipButton, this, true);
  frame->addView(m_pFlipButton);
  XR_CATCH_VOID
}

void DivuVazize::AddBackNormal() {
  XR_TRY
  AddNewText(0, m_szTitle, kFontBig, kFaceBold, kAlignCenter);
  AddNewText(27, "VST technology by Steinberg Media Technologies AG", kFontSmaller, kFaceNormal, kAlignCenter);
  AddNewTextButton(18, "Click here to return to main interface.", &m_pReturnButton, kFontNormal, kFaceBold);
  XR_CATCH_VOID
}

CStaticText* DivuVazize::AddNewText(int d, const char* text, CFont font, CTxtFace face, CHoriTxtAlign align) {
  XR_TRY
  m_rectTextRow.offset(0, d);
  return AddNewText(m_rectTextRow, text, font, face, align);
  XR_CATCH(nullptr)
}

CStaticText* DivuVazize::AddNewText(const CRect& rect, const char* text, CFont font, CTxtFace face,
                                    CHoriTxtAlign align) {
  XR_TRY
  m_rectTextRow = rect;
  if (!frame) return nullptr;
  CStaticText* label = new CStaticText(m_rectTextRow, text, font, face, nullptr);
  label->setHoriAlign(align);
  frame->addView(label);
  return label;
  XR_CATCH(nullptr)
}

CTextButton* DivuVazize::AddNewTextButton(int d, const char* text, CTextButton** out, CFont font, CTxtFace face) {
  XR_TRY
  m_rectTextRow.offset(0, d);
  const long centre = (m_rectTextRow.left + m_rectTextRow.right) / 2;
  const CRect rect(centre - m_nTextButtonHalfWidth, m_rectTextRow.top, centre + m_nTextButtonHalfWidth,
                   m_rectTextRow.bottom);
  const CRect row = m_rectTextRow;
  CTextButton* button = AddNewTextButton(rect, text, out, font, face);
  m_rectTextRow = row;
  return button;
  XR_CATCH(nullptr)
}

CTextButton* DivuVazize::AddNewTextButton(const CRect& rect, const char* text, CTextButton** out, CFont font,
                                          CTxtFace face) {
  XR_TRY
  if (!frame) return nullptr;
  CTextButton* button = new CTextButton(rect, this, text, font, face, true, nullptr);
  if (out) *out = button;
  button->SetClearToColor(m_colBackPanelBack);
  frame->addView(button);
  return button;
  XR_CATCH(nullptr)
}

// --- the quality-mode block -----------------------------------------------------------

void DivuVazize::DisplayQualityModeControls() {
  XR_TRY
  XREffect* fx = GetXREffect();
  if (!fx) return;
  const int* ratings = fx->GetAllowableRatings();
  const char* names[kMaxQualityModes + 1] = {};
  const int n = CountRatings(ratings);
  for (int i = 0; i < n; ++i) names[i] = fx->GetQualityModeStringFromRating(ratings[i]);
  DisplayQualityModeControlsInner(names);
  UpdateQMControls();
  XR_CATCH_VOID
}

void DivuVazize::DisplayQualityModeControlsInner(const char** names) {
  XR_TRY
  XREffect* fx = GetXREffect();
  const long left = m_rectTextRow.left;
  const long right = m_rectTextRow.right;
  m_rectTextRow.offset(0, 25);
  const long t = m_rectTextRow.top;
  const long b = m_rectTextRow.bottom;
  const long c = (left + right) / 2;

  struct Row {
    const char* label;
    const char* const* items;
    COptionMenuExtended** menu;
  };
  const Row rows[] = {
      {"Quality Setting", names, &m_pQualityMenu},     {"Bit Depth", kBitDepthItems, &m_pBitDepthMenu},
      {"Report Latency", kNoYesItems, &m_pReportLatencyMenu}, {"Offline Render", kNoYesItems, &m_pOfflineRenderMenu},
      {"Dither Mode", kDitherItems, &m_pDitherMenu},   {"WYSIWYG", kNoYesItems, &m_pWysiwygMenu},
  };
  for (long k = 0; k < 6; ++k) {
    AddNewText(CRect(c - 140, t + 18 * k, c - 45, b + 18 * k), rows[k].label, kFontNormal, kFaceNormal,
               kAlignRight);
    COptionMenuExtended* menu = AddOptionMenu(CRect(c - 40, t + 18 * k, c + 40, b + 18 * k), rows[k].items,
                                              kUnboundTag);
    if (menu) {
      menu->setBackColor(m_colBackPanelBack);
      menu->setFontColor(kWhiteCColor);
      menu->setFrameColor(kWhiteCColor);
    }
    *rows[k].menu = menu;
  }
  for (long j = 0; j < kQualityInfoLines; ++j)
    m_pQualityInfo[j] = AddStaticText(CRect(c + 45, t + 9 + 13 * j, right, b + 9 + 13 * j), "", kFontNormal,
                                      kFaceNormal, kAlignLeft);
  // A product without a link parameter gets no link button.
  if (fx && fx->GetQMLinkParamNum() >= 0)
    AddOnOffButton(CPoint(c - 15, t + 113), fx->GetQMLinkButtonResourceId(), fx->GetQMLinkParamNum());
  m_rectTextRow = CRect(left, t + 131, right, t + 131 + (b - t));
  m_pQualityNotice = AddStaticText(m_rectTextRow, "", kFontNormal, kFaceNormal, kAlignCenter);
  if (m_bShowQualityAdvice) {
    AddNewText(20, "For maximum CPU efficiency, we suggest using audio driver buffer", kFontSmall, kFaceNormal,
               kAlignCenter);
    AddNewText(12, "sizes of 1024 samples or more when using higher quality settings", kFontSmall, kFaceNormal,
               kAlignCenter);
  }
  XR_CATCH_VOID
}

void DivuVazize::UpdateQMControls() {
  XR_TRY
  CUiScope ui(this, &m_bPendingQM);
  if (!ui.Entered() || !m_pQualityMenu) return;
  XREffect* fx = GetXREffect();
  if (!fx) return;
  const bool ratingPending = fx->IsQualityRatingChangePending();
  const bool bitDepthPending = fx->IsBitDepthChangePending();
  const int latencyChange = fx->GetLatencyChange();
  m_pQualityMenu->setFontColor(ratingPending || latencyChange != 0 ? kGreyCColor : kWhiteCColor);
  m_pQualityMenu->setValue(static_cast<float>(
      PositionOfRating(fx->GetAllowableRatings(), fx->GetNearestAllowableQualityRating())));

  if (m_pQualityNotice) {
    const char* notice = "";
    if (ratingPending || bitDepthPending) {
      if (!fx->IsAudioStopped()) notice = "stop play to engage setting";
    } else if (latencyChange == 1) {
      notice = "save and reload project to update latency";
    } else if (latencyChange == 2) {
      notice = "save and reload project to engage setting";
    }
    m_pQualityNotice->SetText(notice);
  }
  if (m_pDitherMenu) m_pDitherMenu->setValue(static_cast<float>(fx->GetDitherMode()));
  if (m_pBitDepthMenu) {
    m_pBitDepthMenu->setValue(static_cast<float>(fx->GetBitDepth()));
    m_pBitDepthMenu->setFontColor(bitDepthPending ? kGreyCColor : kWhiteCColor);
  }
  if (m_pReportLatencyMenu) {
    m_pReportLatencyMenu->setValue(fx->GetReportLatency() ? 1.0f : 0.0f);
    m_pReportLatencyMenu->setFontColor(fx->IsReportLatencyChangePending() ? kGreyCColor : kWhiteCColor);
  }
  if (m_pOfflineRenderMenu) {
    m_pOfflineRenderMenu->setValue(fx->GetOfflineRender() ? 1.0f : 0.0f);
    m_pOfflineRenderMenu->setFontColor(fx->IsOfflineRenderChangePending() ? kGreyCColor : kWhiteCColor);
  }
  if (m_pWysiwygMenu) m_pWysiwygMenu->setValue(fx->GetWysiwyg() ? 1.0f : 0.0f);

  bool allInfo = true;
  for (CStaticText* info : m_pQualityInfo) allInfo = allInfo && info;
  if (allInfo) {
    char text[64];
    std::snprintf(text, sizeof(text), "FFT size = %i", fx->GetFFTSize());
    m_pQualityInfo[0]->SetText(text);
    std::snprintf(text, sizeof(text), "Filter kernel size = %i", fx->GetKernelSize());
    m_pQualityInfo[1]->SetText(text);
    const int latency = fx->GetHostLatency();
    const float rate = fx->getSampleRate();
    // No rate yet: no time to show rather than a division by zero.
    const double ms = rate > 0.0f ? static_cast<double>(static_cast<float>(latency) * 1000.0f / rate) : 0.0;
    std::snprintf(text, sizeof(text), "Net Latency = %i (%.1fms)", latency, ms);
    m_pQualityInfo[4]->SetText(text);
  }
  XR_CATCH_VOID
}

// --- menu choices ---------------------------------------------------------------------

bool DivuVazize::QualityMenuChanged(CControl* control) {
  XREffect* fx = GetXREffect();
  const bool isQualityMenu = control == m_pQualityMenu || control == m_pDitherMenu || control == m_pBitDepthMenu ||
                             control == m_pReportLatencyMenu || control == m_pOfflineRenderMenu ||
                             control == m_pWysiwygMenu;
  if (!isQualityMenu) return false;
  if (!fx) return true;
  const float chosen = control->getValue();
  const int i = chosen > -1.0f && chosen < 1000.0f ? static_cast<int>(chosen) : -1;
  int param = -1;
  float value = 0.0f;
  if (control == m_pQualityMenu) {
    const int* ratings = fx->GetAllowableRatings();
    // The menu's value is an index into the rating list: never past it.
    if (i < 0 || i >= CountRatings(ratings) || ratings[i] == fx->GetQualityRating()) return true;
    param = fx->GetQualityRatingParamNum();
    value = static_cast<float>(ratings[i]) / 999.0f;
  } else if (control == m_pDitherMenu) {
    if (i < 0 || i >= kDitherTypeCount || i == fx->GetDitherMode()) return true;
    param = fx->GetDitherParamNum();
    value = static_cast<float>(i + 1) * 0.25f;
  } else {
    bool current = false;
    if (control == m_pBitDepthMenu) {
      current = fx->GetBitDepth() != 0;
      param = fx->GetBitDepthParamNum();
    } else if (control == m_pReportLatencyMenu) {
      current = fx->GetReportLatency();
      param = fx->GetReportLatencyParamNum();
    } else if (control == m_pOfflineRenderMenu) {
      current = fx->GetOfflineRender();
      param = fx->GetOfflineRenderParamNum();
    } else {
      current = fx->GetWysiwyg();
      param = fx->GetWysiwygParamNum();
    }
    if (i < 0 || i > 1 || i == (current ? 1 : 0)) return true;
    value = static_cast<float>(i + 1) * 0.5f;
  }
  WriteParamFromEditor(param, value);
  UpdateQMControls();
  return true;
}
