// Controls made by the factories, bound by tag in an open editor: a drag on
// a field writes its parameter by the field's law and the host hears of it,
// automation moves the field, a Command-click writes the default program's
// value, and a colour picker writes the persistent colour it shows.
#include <cmath>

#include "FactoryTestSupport.h"

using namespace factorytest;

namespace {

constexpr CRect kFieldRect(300, 300, 337, 312);

// The parameter of a frequency on the log law over 10..30000 Hz.
float ParamOfHz(double hz) { return static_cast<float>(std::log(hz / 10.0) / std::log(3000.0)); }

class FactoryBindingTest : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    m_Saved = {CTextDrag::c_szDefaultFormat, CTextDrag::c_fDefaultMin, CTextDrag::c_fDefaultMax,
               CTextDrag::c_fDefaultInc};
  }
  void TearDown() override {
    CTextDrag::c_szDefaultFormat = m_Saved.format;
    CTextDrag::c_fDefaultMin = m_Saved.min;
    CTextDrag::c_fDefaultMax = m_Saved.max;
    CTextDrag::c_fDefaultInc = m_Saved.inc;
    FactoryFixture::TearDown();
  }
  CTextDrag* FrequencyField(long tag, const CRect& rect = kFieldRect) {
    CTextDrag::c_szDefaultFormat = "%.0f";
    CTextDrag::c_fDefaultMin = 10.0f;
    CTextDrag::c_fDefaultMax = 30000.0f;
    CTextDrag::c_fDefaultInc = 10.0f;
    return m_pEditor->AddTextDrag(rect, tag, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Log);
  }
  CTextDrag* TrimField(long tag, const CRect& rect) {
    CTextDrag::c_szDefaultFormat = "%.1f";
    CTextDrag::c_fDefaultMin = -40.0f;
    CTextDrag::c_fDefaultMax = 40.0f;
    CTextDrag::c_fDefaultInc = 0.5f;
    return m_pEditor->AddTextDrag(rect, tag, kFontNormal, kFaceNormal, -1, CTextDrag::eTDT_Linear);
  }
  int WritesOf(int index, bool fromGui) {
    int n = 0;
    for (const edtest::EditorTestEffect::Write& w : m_pEffect->Writes())
      if (w.nIndex == index && w.bFromGui == fromGui) ++n;
    return n;
  }

  struct {
    const char* format;
    float min, max, inc;
  } m_Saved{};
};

}  // namespace

TEST_F(FactoryBindingTest, DraggingABoundFieldWritesItsParameterByTheLogLaw) {
  m_pEffect->setParameter(kBoundTag, ParamOfHz(1000.0));
  CTextDrag* field = FrequencyField(kBoundTag);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(TextOf(field), "1000");
  m_pEffect->ClearWrites();
  Host().Reset();
  DragAt(310, 306, -3);
  EXPECT_EQ(TextOf(field), "1083") << "one step of 1 % of the log range";
  EXPECT_NEAR(m_pEffect->getParameter(kBoundTag), ParamOfHz(1083.0), 1e-5);
  EXPECT_EQ(WritesOf(kBoundTag, true), 1);
  EXPECT_EQ(WritesOf(kBoundTag, false), 0);
  EXPECT_EQ(AutomationsOf(kBoundTag), 1);
  EXPECT_NEAR(m_pEditor->m_pTwinA->getValue(), ParamOfHz(1083.0), 1e-5) << "the other control of the tag";
  EXPECT_FALSE(m_pEditor->IsChangeFromGui());
}

TEST_F(FactoryBindingTest, AutomationMovesTheFieldAtOnceOnTheEditorsThreadElseAtTheNextIdle) {
  CTextDrag* field = FrequencyField(kBoundTag);
  ASSERT_NE(field, nullptr);
  Host().Reset();
  m_pEffect->setParameter(kBoundTag, ParamOfHz(440.0));
  EXPECT_EQ(TextOf(field), "440");
  OnOtherThread([&] { m_pEffect->setParameter(kBoundTag, ParamOfHz(2000.0)); });
  EXPECT_EQ(TextOf(field), "440") << "not touched from the writer's thread";
  IdleAfter(1);
  EXPECT_EQ(TextOf(field), "2000");
  EXPECT_EQ(AutomationsOf(kBoundTag), 0) << "automation does not travel back";
}

TEST_F(FactoryBindingTest, CommandClickWritesTheDefaultProgramsValue) {
  m_pEffect->setParameter(kBoundTag, ParamOfHz(100.0));
  CTextDrag* field = FrequencyField(kBoundTag);
  ASSERT_NE(field, nullptr);
  m_pWindow->SetPointer(310, 306, kMouseLeft | kModifierCommand);
  m_pWindow->QueuePointer(310, 306, 0);
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseDown, 310, 306, kMouseLeft | kModifierCommand));
  m_pWindow->Queue(frametest::MakeEvent(EPlatformEvent::kMouseUp, 310, 306, 0));
  IdleAfter(1);
  // Shown in whole hertz: the parameter comes back within half a hertz.
  EXPECT_NEAR(m_pEffect->getParameter(kBoundTag), fxtest::TestEffect::DefaultValue(kBoundTag), 1e-4);
}

TEST_F(FactoryBindingTest, FieldsOfOneTagFollowAnEditOnEither) {
  CTextDrag* a = TrimField(kBoundTag, CRect(300, 300, 337, 312));
  CTextDrag* b = TrimField(kBoundTag, CRect(400, 300, 437, 312));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  m_pEffect->setParameter(kBoundTag, 0.5f);
  EXPECT_EQ(TextOf(a), "0.0");
  DragAt(410, 306, -9);
  EXPECT_EQ(TextOf(b), "1.5");
  EXPECT_EQ(TextOf(a), "1.5");
  DragAt(310, 306, 6);
  EXPECT_EQ(TextOf(a), "0.5") << "from the value the other field set";
  EXPECT_EQ(TextOf(b), "0.5");
}

TEST_F(FactoryBindingTest, UnboundFieldWritesNothing) {
  CTextDrag* field = TrimField(9999, kFieldRect);
  ASSERT_NE(field, nullptr);
  m_pEffect->ClearWrites();
  Host().Reset();
  DragAt(310, 306, -9);
  EXPECT_EQ(TextOf(field), "1.5");
  EXPECT_TRUE(m_pEffect->Writes().empty());
  EXPECT_TRUE(Host().CallsOf(audioMasterAutomate).empty());
}

TEST_F(FactoryBindingTest, ColourPickerWritesThePersistentColourItShows) {
  const CRect rect(304, 35, 504, 263);
  CColorPicker* picker = m_pEditor->AddColorPicker(rect, kPersistantTag);
  ASSERT_NE(picker, nullptr);
  struct Cell {
    int column, row;
    CColor colour;  // the palette's entry row * 8 + column
  };
  // Entry 26 is hue 3 (yellow) in its base shade.
  const Cell cells[] = {{2, 3, {255, 255, 0, 255}}, {0, 2, {255, 223, 178, 255}}, {4, 0, {127, 0, 0, 255}},
                        {0, 13, {229, 217, 208, 255}}, {7, 15, {0, 0, 0, 255}}};
  for (const Cell& c : cells) {
    const long x = rect.left + c.column * 25 + 12;
    const long y = rect.top + c.row * 14 + 7;
    Click(x, y);
    IdleAfter(1);
    EXPECT_FLOAT_EQ(m_pEffect->GetPersistantParam(kPersistantTag), (c.row * 8 + c.column) / 128.0f);
    EXPECT_EQ(m_pEffect->GetParamAsColor(kPersistantTag), c.colour) << "the value stands for the cell's colour";
    EXPECT_FLOAT_EQ(picker->getValue(), (c.row * 8 + c.column) / 128.0f);
  }
  picker->setValue(0.5f);
  m_pEditor->Frame()->draw(static_cast<CView*>(nullptr));
  for (const Cell& c : cells) {
    const uint32_t shown = frametest::Shown(m_pWindow, static_cast<int>(rect.left + c.column * 25 + 12),
                                            static_cast<int>(rect.top + c.row * 14 + 7));
    EXPECT_EQ(shown, drawtest::Word(c.colour) & 0xFFFFFF) << "the cell shows the colour its value stands for";
  }
}
