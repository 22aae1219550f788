// The editor's control factories: the size each control takes from its
// bitmap, the settings they apply, the slots they record controls in, and
// what they refuse.
#include <cmath>

#include "FactoryTestSupport.h"

using namespace factorytest;

namespace {

class FactoryTest : public FactoryFixture {};

const char* const kEntries[] = {"One", "Two", "Three", nullptr};

}  // namespace

TEST_F(FactoryTest, KickButtonOfAnOddHeightBitmapIsHalfItRoundedDown) {
  CacheStrip(99950, 30, 41);
  CKickButton* kick = m_pEditor->AddKickButton(CPoint(300, 100), 99950, 9999);
  ASSERT_NE(kick, nullptr);
  EXPECT_EQ(SizeOf(kick), CRect(300, 100, 330, 120));
  EXPECT_EQ(kick->getTag(), 9999);
  EXPECT_TRUE(m_pEditor->Frame()->isChild(kick));
  EXPECT_TRUE(InASlot(kick));
}

TEST_F(FactoryTest, AnimKnobShowsOneFrameOfItsStrip) {
  CacheStrip(99951, 20, 103);
  CAnimKnob* knob = m_pEditor->AddAnimKnob(CPoint(300, 150), 99951, kBoundTag, 5);
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(SizeOf(knob), CRect(300, 150, 320, 170)) << "103 / 5 frames";
  EXPECT_TRUE(knob->getTransparency());
  EXPECT_FLOAT_EQ(knob->getValue(), fxtest::TestEffect::DefaultValue(kBoundTag));
  const long views = Views();
  EXPECT_EQ(m_pEditor->AddAnimKnob(CPoint(300, 150), 99951, kBoundTag, 0), nullptr) << "a strip of no frames";
  EXPECT_EQ(Views(), views);
}

TEST_F(FactoryTest, FiniteStatesButtonTakesOneBandAndCyclesItsStates) {
  CacheStrip(99952, 24, 10, 3);
  CFiniteStatesButton* button = m_pEditor->AddFiniteStatesButton(CPoint(350, 100), 99952, 3, kBoundTag);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(SizeOf(button), CRect(350, 100, 374, 110));
  EXPECT_EQ(button->GetState(), 1) << "0.67 of two steps rounds to state 1";
  const float expected[] = {1.0f, 0.0f, 0.5f, 1.0f};
  for (float e : expected) {
    Click(355, 105);
    IdleAfter(1);
    EXPECT_FLOAT_EQ(m_pEffect->getParameter(kBoundTag), e);
  }
  EXPECT_FLOAT_EQ(m_pEditor->m_pTwinA->getValue(), 1.0f) << "the other control of the tag follows";
}

TEST_F(FactoryTest, TextButtonIsRecordedWithItsTagButNotLoadedFromIt) {
  m_pEffect->setParameter(kBoundTag, 1.0f);
  CTextButton* button = m_pEditor->AddTextButton(CRect(300, 200, 400, 215), "Fill", kFontNormal, kFaceNormal, kBoundTag);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->getTag(), kBoundTag);
  EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
  EXPECT_STREQ(button->GetTextPart()->GetText(), "Fill");
  EXPECT_TRUE(InASlot(button));
  m_pEffect->setParameter(kBoundTag, 0.25f);
  EXPECT_FLOAT_EQ(button->getValue(), 0.25f) << "a recorded control follows its tag";
}

TEST_F(FactoryTest, TextEditIsBoundToNothing) {
  m_pEffect->setParameter(kBoundTag, 1.0f);
  CTextEditExtended* edit = m_pEditor->AddTextEdit(CRect(300, 220, 360, 234), "12", kBoundTag, kFontSmall, kFaceBold);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->getTag(), 9999);
  EXPECT_EQ(edit->getFont(), kFontSmall);
  EXPECT_EQ(edit->getTxtFace(), kFaceBold);
  EXPECT_EQ(TextOf(edit), "12");
  m_pEffect->setParameter(kBoundTag, 0.25f);
  EXPECT_EQ(TextOf(edit), "12");
}

TEST_F(FactoryTest, StaticControlsAreBoundToNothingAndTakeTheirBitmapsSize) {
  CBitmap* image = CacheStrip(99953, 16, 12);
  CStaticBitmap* byId = m_pEditor->AddStaticBitmap(CPoint(420, 100), 99953);
  CStaticBitmap* byPointer = m_pEditor->AddStaticBitmap(CPoint(440, 100), image);
  const CColor green = {10, 200, 30, 255};
  CStaticRect* rect = m_pEditor->AddStaticRect(CRect(450, 200, 470, 210), green);
  ASSERT_NE(byId, nullptr);
  ASSERT_NE(byPointer, nullptr);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(SizeOf(byId), CRect(420, 100, 436, 112));
  EXPECT_EQ(byId->getBackground(), image) << "from the cache";
  EXPECT_EQ(byPointer->getTag(), 9999);
  EXPECT_EQ(rect->getTag(), 9999);
  EXPECT_EQ(rect->GetColour(), green);
}

TEST_F(FactoryTest, OptionMenuAtAPointTakesItsBitmapsSizeAndEntries) {
  CBitmap* face = CacheStrip(99954, 60, 14);
  CBitmap* pressed = CacheStrip(99955, 60, 14);
  m_pEffect->setParameter(kBoundTag, 0.5f);
  COptionMenuExtended* menu =
      m_pEditor->AddOptionMenu(CPoint(300, 240), kEntries, 99954, 99955, kBoundTag, kFontSmall, kFaceBold);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(SizeOf(menu), CRect(300, 240, 360, 254));
  EXPECT_EQ(menu->getBackground(), face);
  EXPECT_EQ(menu->getNbEntries(), 3);
  EXPECT_FLOAT_EQ(menu->getMax(), 2.0f);
  EXPECT_EQ(menu->getCurrent(), 1) << "the middle entry for 0.5";
  EXPECT_EQ(menu->getFont(), kFontSmall);
  COptionMenuExtended* plain = m_pEditor->AddOptionMenu(CPoint(300, 260), kEntries, 99954, -1, 9999, kFontSmall,
                                                        kFaceNormal);
  ASSERT_NE(plain, nullptr);
  (void)pressed;
}

TEST_F(FactoryTest, SlidersTakeTheirBackgroundsSizeWithMagentaTransparent) {
  CBitmap* track = CacheStrip(99956, 100, 20);
  CacheStrip(99957, 10, 20);
  CHorizontalSlider* h = m_pEditor->AddHorizontalSlider(CPoint(300, 280), 99956, 99957, kBoundTag, 2, -4, CPoint(0, 0));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SizeOf(h), CRect(300, 280, 400, 300));
  EXPECT_EQ(track->getTransparentColor(), kMagentaCColor);
  EXPECT_TRUE(h->getTransparency());
  EXPECT_FLOAT_EQ(h->getZoomFactor(), 5.0f);
  EXPECT_FLOAT_EQ(h->getValue(), fxtest::TestEffect::DefaultValue(kBoundTag));

  CBitmap* column = CacheStrip(99958, 20, 100);
  CacheStrip(99959, 20, 10);
  CVerticalSlider* v = m_pEditor->AddVerticalSlider(CPoint(520, 100), 99958, 99959, kBoundTag, 0, 0, CPoint(0, 0));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(SizeOf(v), CRect(520, 100, 540, 200));
  EXPECT_EQ(column->getTransparentColor(), kMagentaCColor);
}

TEST_F(FactoryTest, TextDragTakesTheClassDefaultsTypeAndBackground) {
  const char* format = CTextDrag::c_szDefaultFormat;
  const float min = CTextDrag::c_fDefaultMin, max = CTextDrag::c_fDefaultMax, inc = CTextDrag::c_fDefaultInc;
  CTextDrag::c_szDefaultFormat = "%.0f";
  CTextDrag::c_fDefaultMin = 10.0f;
  CTextDrag::c_fDefaultMax = 30000.0f;
  CTextDrag::c_fDefaultInc = 10.0f;
  CacheStrip(99960, 37, 12);
  m_pEffect->setParameter(kBoundTag, 0.5f);
  CTextDrag* drag = m_pEditor->AddTextDrag(CRect(300, 300, 337, 312), kBoundTag, kFontNormal, kFaceNormal, 99960,
                                           CTextDrag::eTDT_Log);
  CTextDrag* plain = m_pEditor->AddTextDrag(CRect(340, 300, 377, 312), 9999, kFontNormal, kFaceNormal, -1,
                                            CTextDrag::eTDT_Linear);
  CTextDrag::c_szDefaultFormat = format;
  CTextDrag::c_fDefaultMin = min;
  CTextDrag::c_fDefaultMax = max;
  CTextDrag::c_fDefaultInc = inc;
  ASSERT_NE(drag, nullptr);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(drag->eType, CTextDrag::eTDT_Log);
  EXPECT_EQ(TextOf(drag), "548") << "the geometric middle of 10..30000";
  EXPECT_NE(drag->getBackground(), nullptr);
  EXPECT_EQ(plain->getBackground(), nullptr);
  EXPECT_EQ(drag->getBackColor(), kBlackCColor) << "the editor's drag background, not the edit's grey";
  const double defaultHz = 10.0 * std::pow(3000.0, fxtest::TestEffect::DefaultValue(kBoundTag));
  EXPECT_NEAR(drag->getDefaultValue(), defaultHz, defaultHz * 1e-5) << "the default program's value by the log law";
  EXPECT_EQ(TextOf(plain), "0") << "unbound: value 0";
  EXPECT_FLOAT_EQ(plain->getValue(), 10.0f) << "held at the minimum when read";
}

TEST_F(FactoryTest, ColourControlsAreBoundByTag) {
  m_pEffect->setParameter(kPersistantTag, 26.0f / 128.0f);
  CColorPicker* picker = m_pEditor->AddColorPicker(CRect(304, 35, 504, 263), kPersistantTag);
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->getTag(), kPersistantTag);
  EXPECT_FLOAT_EQ(picker->getValue(), 26.0f / 128.0f);
  EXPECT_FALSE(picker->bShowCancel);

  CColorBoundaryPicker* presets =
      m_pEditor->AddColorBoundaryPicker(CRect(20, 60, 120, 160), &g_ColorBoundaryPickerStereo, 9999);
  ASSERT_NE(presets, nullptr);
  EXPECT_EQ(presets->nRowHeight, 11);
  EXPECT_EQ(presets->pInfo, &g_ColorBoundaryPickerStereo);

  CPickableColor* swatch = m_pEditor->AddPickableColor(CRect(520, 280, 540, 290), CRect(304, 35, 504, 263),
                                                       kPersistantTag, true);
  ASSERT_NE(swatch, nullptr);
  EXPECT_TRUE(swatch->bPickerShowsCancel);
  EXPECT_FLOAT_EQ(swatch->getValue(), 26.0f / 128.0f);
}

TEST_F(FactoryTest, SwatchOpensAPickerOnItsOwnTag) {
  CPickableColor* swatch = m_pEditor->AddPickableColor(CRect(520, 280, 540, 290), CRect(304, 35, 504, 263),
                                                       kPersistantTag, true);
  ASSERT_NE(swatch, nullptr);
  const long views = Views();
  Click(525, 285);
  IdleAfter(1);
  ASSERT_EQ(Views(), views + 1);
  auto* picker = dynamic_cast<CColorPicker*>(m_pEditor->Frame()->getView(views));
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->getTag(), kPersistantTag);
  EXPECT_TRUE(picker->bShowCancel);
  EXPECT_EQ(SizeOf(picker), CRect(304, 35, 504, 263));
}

TEST_F(FactoryTest, NoControlBeyondTheLastSlot) {
  int made = 0;
  while (m_pEditor->AddStaticRect(CRect(0, 0, 1, 1), kBlackCColor) && made < 300) ++made;
  EXPECT_EQ(m_pEditor->m_nGenericControlsAdded, NUM_GENERIC_CONTROLS);
  const long views = Views();
  EXPECT_EQ(m_pEditor->AddTextButton(CRect(0, 0, 10, 10), "x", kFontNormal, kFaceNormal, 9999), nullptr);
  EXPECT_EQ(m_pEditor->AddKickButton(CPoint(0, 0), 155, 9999), nullptr);
  EXPECT_EQ(Views(), views) << "a control that cannot be recorded is not placed";
}

TEST_F(FactoryTest, FactoriesOfAClosedEditorMakeNothing) {
  m_pEditor->close();
  EXPECT_EQ(m_pEditor->AddStaticRect(CRect(0, 0, 5, 5), kBlackCColor), nullptr);
  EXPECT_EQ(m_pEditor->AddTextButton(CRect(0, 0, 10, 10), "x", kFontNormal, kFaceNormal, 9999), nullptr);
  EXPECT_EQ(m_pEditor->AddColorPicker(CRect(0, 0, 80, 160), 9999), nullptr);
}
