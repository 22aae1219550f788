// Typed entry: a double click on a drag field opens the edit field, the
// number typed becomes the value the listener reads, shown in the field's
// own format; text without a number is dropped. The numeric text edit takes
// the number of any text it is given.
#include "TextDragTestSupport.h"
#include "gui/CTextEditField.h"

using namespace dragtest;
using controltest::ChangedValues;
using controltest::Count;

namespace {

class TextDragEntryTest : public TextDragFixture {
 protected:
  CTextDrag* Frequency(float start) {
    return MakeField({"%.0f", nullptr, 10.0f, 30000.0f, 10.0f, 1.0f}, CTextDrag::eTDT_Log, start);
  }
};

}  // namespace

TEST_F(TextDragEntryTest, DoubleClickOpensTheEditFieldWithTheShownText) {
  CTextDrag* field = Frequency(1000.0f);
  DoubleClick();
  ASSERT_TRUE(field->isEditing());
  EXPECT_EQ(field->getEditField()->getText(), "1000");
  EXPECT_FLOAT_EQ(field->getValue(), 1000.0f) << "the first press of the pair did not move";
}

TEST_F(TextDragEntryTest, TypedNumberWithAKiloSuffixBecomesTheValue) {
  CTextDrag* field = Frequency(1000.0f);
  DoubleClick();
  log.clear();
  Key(0, 22);  // Delete: the selected text goes
  Type("2.5k");
  Key(0, kVirtReturn);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(ChangedValues(log), std::vector<float>({2500.0f})) << "the listener reads the typed number";
  EXPECT_FLOAT_EQ(field->getValue(), 2500.0f);
  EXPECT_EQ(TextOf(field), "2500") << "shown in the field's own format";
}

TEST_F(TextDragEntryTest, TypedNumberOutsideTheRangeIsHeldAtItsEnd) {
  CTextDrag* field = Frequency(1000.0f);
  DoubleClick();
  log.clear();
  Type("99999");
  Key(0, kVirtReturn);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({30000.0f}));
  EXPECT_EQ(TextOf(field), "30000");
}

TEST_F(TextDragEntryTest, TextWithoutANumberIsDropped) {
  CTextDrag* field = Frequency(1000.0f);
  for (const char* typed : {"abc", "", "nan", "inf"}) {
    DoubleClick();
    log.clear();
    Key(0, 22);
    Type(typed);
    Key(0, kVirtReturn);
    EXPECT_FALSE(field->isEditing()) << typed;
    EXPECT_EQ(Count(log, Event::kChanged), 0) << typed;
    EXPECT_EQ(TextOf(field), "1000") << typed;
    EXPECT_FLOAT_EQ(field->getValue(), 1000.0f) << typed;
  }
}

TEST_F(TextDragEntryTest, EscapeKeepsTheValue) {
  CTextDrag* field = Frequency(1000.0f);
  DoubleClick();
  log.clear();
  Type("50");
  Key(0, kVirtEscape);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(Count(log, Event::kChanged), 0);
  EXPECT_FLOAT_EQ(field->getValue(), 1000.0f);
}

TEST_F(TextDragEntryTest, AClickElsewhereKeepsTheTypedNumber) {
  CTextDrag* field = Frequency(1000.0f);
  DoubleClick();
  log.clear();
  Type("440");
  Click(10, 10, kMouseLeft);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(ChangedValues(log), std::vector<float>({440.0f}));
  EXPECT_EQ(TextOf(field), "440");
}

TEST_F(TextDragEntryTest, ScaledFieldTakesTheTypedNumberAsShown) {
  CTextDrag* depth = MakeField({"%.0f%%", nullptr, 0.0f, 2.0f, 0.05f, 100.0f}, CTextDrag::eTDT_Linear, 1.0f);
  DoubleClick();
  log.clear();
  Key(0, 22);
  Type("150");
  Key(0, kVirtReturn);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.5f}));
  EXPECT_EQ(TextOf(depth), "150%");
  EXPECT_FLOAT_EQ(depth->getValue(), 1.5f);
}

TEST_F(TextDragEntryTest, NumericTextEditTakesTheNumberOfItsText) {
  auto* edit = new CTextEditExtended(kFieldRect, &listener, 3, "0.25", nullptr, 0);
  edit->setMax(10.0f);
  Add(edit);
  EXPECT_EQ(edit->getBackColor(), (CColor{100, 100, 100, 255}));
  edit->setText("2.5");
  EXPECT_FLOAT_EQ(edit->getValue(), 2.5f);
  edit->setText("12k");
  EXPECT_FLOAT_EQ(edit->getValue(), 10.0f) << "held within the range";
  EXPECT_EQ(TextOf(edit), "12k") << "the text stays as given";

  frame->draw(static_cast<CView*>(nullptr));
  Click(kPressX, kPressY, kMouseLeft);
  ASSERT_TRUE(edit->isEditing());
  log.clear();
  Key(0, 22);
  Type("7.5");
  Key(0, kVirtReturn);
  EXPECT_EQ(Count(log, Event::kChanged), 1);
  EXPECT_FLOAT_EQ(edit->getValue(), 7.5f) << "the typed number is the value";
}
