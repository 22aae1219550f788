// The drag field's laws: linear, logarithmic and octave steps measured from
// the press, fine steps with Shift, the Command-click reset, the wheel, and
// how the value becomes text and back.
#include <cmath>
#include <thread>

#include "TextDragTestSupport.h"

using namespace dragtest;
using controltest::ChangedValues;
using controltest::ChangesInsideBrackets;
using controltest::Count;

namespace {

class TextDragTest : public TextDragFixture {};

const FieldDefaults kTrim{};  // "%.1f", -40..40, steps of 0.5
const FieldDefaults kFrequency{"%.1f", nullptr, 10.0f, 30000.0f, 10.0f, 1.0f};
const FieldDefaults kWholeHertz{"%.0f", nullptr, 0.0f, 30000.0f, 10.0f, 1.0f};

// One step of the logarithmic law from p over 10..30000: 1 % of the
// logarithmic range.
double LogStep(double p, int steps) { return p * std::pow(30000.0 / 10.0, 0.01 * steps); }

}  // namespace

TEST_F(TextDragTest, LinearDragStepsOnceEveryThreePixelsUpward) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  Drag(-7);
  EXPECT_FLOAT_EQ(field->getValue(), 1.0f) << "7 pixels up are two steps of 0.5";
  EXPECT_EQ(TextOf(field), "1.0");
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));

  Drag(8);
  EXPECT_FLOAT_EQ(field->getValue(), 0.0f) << "8 pixels down are two steps back";
  log.clear();
  Drag(2);
  EXPECT_FLOAT_EQ(field->getValue(), 0.0f) << "less than three pixels make no step";
  EXPECT_EQ(Count(log, Event::kChanged), 0) << "a drag that moves nothing tells nobody";
  EXPECT_EQ(Count(log, Event::kBegin), 1);
}

TEST_F(TextDragTest, EveryPassMeasuresFromThePress) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  DragThrough({-9, -3, -12});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.5f, 0.5f, 2.0f}));
  EXPECT_FLOAT_EQ(field->getValue(), 2.0f);
  EXPECT_EQ(Count(log, Event::kBegin), 1) << "one drag is one edit";
  EXPECT_TRUE(ChangesInsideBrackets(log));
}

// A drag holds no host call: the press returns with the edit open, each
// motion comes in a call of its own, and the release closes the edit.
TEST_F(TextDragTest, APressReturnsAtOnceAndTheReleaseClosesTheEdit) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  Deliver({Press(kPressX, kPressY, kMouseLeft)});
  EXPECT_EQ(frame->getMouseCapture(), field);
  EXPECT_EQ(Count(log, Event::kBegin), 1);
  EXPECT_EQ(Count(log, Event::kEnd), 0);
  Deliver({MoveOrRelease({kPressX, kPressY - 3, kMouseLeft})});
  EXPECT_EQ(ChangedValues(log), std::vector<float>({0.5f}));
  Deliver({MoveOrRelease({kPressX, kPressY - 3, 0})});
  EXPECT_EQ(Count(log, Event::kEnd), 1);
  EXPECT_EQ(frame->getMouseCapture(), nullptr);
}

// The class defaults belong to the thread that sets them: another editor
// building its fields on another thread keeps its own.
TEST_F(TextDragTest, DefaultsSetOnOneThreadStayOnIt) {
  DefaultsScope scope(kFrequency);
  float otherMax = 0.0f;
  std::thread([&] {
    auto* field = new CTextDrag(kFieldRect, nullptr, 1, nullptr, nullptr, 0);
    otherMax = field->getMax();
    field->forget();
  }).join();
  EXPECT_EQ(otherMax, 1.0f);
  auto* field = new CTextDrag(kFieldRect, nullptr, 1, nullptr, nullptr, 0);
  EXPECT_EQ(field->getMax(), 30000.0f);
  field->forget();
}

TEST_F(TextDragTest, ShiftMakesLinearStepsATenthAsLarge) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  Drag(-7, kMouseLeft | kModifierShift);
  EXPECT_FLOAT_EQ(field->getValue(), 0.0f) << "a tenth of two steps is none";
  EXPECT_EQ(Count(log, Event::kChanged), 0);
  Drag(-30, kMouseLeft | kModifierShift);
  EXPECT_FLOAT_EQ(field->getValue(), 0.5f) << "30 pixels with Shift are one step";
}

TEST_F(TextDragTest, LinearDragStopsAtTheRangeEnds) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 39.0f);
  Drag(-30);
  EXPECT_FLOAT_EQ(field->getValue(), 40.0f);
  Drag(600);
  EXPECT_FLOAT_EQ(field->getValue(), -40.0f);
}

TEST_F(TextDragTest, LogarithmicDragStepsByAHundredthOfTheLogRange) {
  CTextDrag* field = MakeField(kFrequency, CTextDrag::eTDT_Log, 1000.0f);
  Drag(-3);
  EXPECT_NEAR(field->getValue(), LogStep(1000.0, 1), 0.05) << "1000 * 3000^0.01";
  EXPECT_EQ(TextOf(field), "1083.4");
  Drag(-3);
  EXPECT_NEAR(field->getValue(), LogStep(1083.4, 1), 0.05) << "the next drag starts from the shown value";
  Drag(30);
  EXPECT_NEAR(field->getValue(), LogStep(LogStep(1083.4, 1), -10), 0.1);
}

TEST_F(TextDragTest, LogarithmicDragIsHeldWithinTheRange) {
  CTextDrag* field = MakeField(kFrequency, CTextDrag::eTDT_Log, 20000.0f);
  Drag(-300);
  EXPECT_FLOAT_EQ(field->getValue(), 30000.0f);
  Drag(3000);
  EXPECT_FLOAT_EQ(field->getValue(), 10.0f);
  Drag(-30, kMouseLeft | kModifierShift);
  EXPECT_NEAR(field->getValue(), LogStep(10.0, 1), 0.05) << "Shift: 30 pixels for one step";
}

TEST_F(TextDragTest, OctaveDragStepsInTenthsOfAnOctaveOnWholeNumbers) {
  CTextDrag* field = MakeField(kWholeHertz, CTextDrag::eTDT_Octaves, 1000.0f);
  // 1000 Hz lies on step trunc(10 log2 1000) = 99 of the scale.
  Drag(-3);
  EXPECT_FLOAT_EQ(field->getValue(), 1024.0f) << "step 100 is 2^10";
  Drag(-3);
  EXPECT_FLOAT_EQ(field->getValue(), std::trunc(std::pow(2.0f, 10.1f))) << "from 1024, exactly on step 100";
  field->setValue(1000.0f);
  Drag(3);
  EXPECT_FLOAT_EQ(field->getValue(), std::trunc(std::pow(2.0f, 9.8f)));
  field->setValue(0.0f);
  Drag(-3);
  EXPECT_FLOAT_EQ(field->getValue(), 1.0f) << "from 0 the first step up is 2^0";
}

TEST_F(TextDragTest, ShiftTurnsOctaveStepsIntoLinearSteps) {
  CTextDrag* field = MakeField(kWholeHertz, CTextDrag::eTDT_Octaves, 1000.0f);
  Drag(-6, kMouseLeft | kModifierShift);
  EXPECT_FLOAT_EQ(field->getValue(), 1020.0f) << "two whole linear steps of 10";
}

TEST_F(TextDragTest, CommandClickRestoresTheDefaultOnce) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 12.0f);
  field->setDefaultValue(-6.5f);
  Click(kPressX, kPressY, kMouseLeft | kModifierCommand);
  EXPECT_FLOAT_EQ(field->getValue(), -6.5f);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({-6.5f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  frame->draw(static_cast<CView*>(nullptr));
  log.clear();
  Click(kPressX, kPressY, kMouseLeft | kModifierCommand);
  EXPECT_EQ(Count(log, Event::kChanged), 0) << "already at the default: nobody is told";
}

TEST_F(TextDragTest, ModifierClickTakenByTheListenerEndsThePress) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  listener.takeModifierClicks = 1;
  Drag(-30, kMouseLeft | kModifierOption);
  EXPECT_EQ(Count(log, Event::kModifier), 1);
  EXPECT_EQ(Count(log, Event::kChanged), 0);
  EXPECT_EQ(Count(log, Event::kBegin), 0);
  EXPECT_FLOAT_EQ(field->getValue(), 0.0f);
}

TEST_F(TextDragTest, OnlyTheLeftButtonDrags) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  Drag(-30, kMouseRight);
  EXPECT_FLOAT_EQ(field->getValue(), 0.0f);
  EXPECT_EQ(Count(log, Event::kBegin), 0);
}

TEST_F(TextDragTest, WheelStepsLinearlyForEveryType) {
  CTextDrag* trim = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  CDrawContext* context = frame->createDrawContext();
  const CPoint where(kPressX, kPressY);
  window->SetPointer(kPressX, kPressY, 0);
  EXPECT_TRUE(trim->onWheel(context, where, 2.0f));
  EXPECT_FLOAT_EQ(trim->getValue(), 1.0f);
  EXPECT_EQ(ChangedValues(log), std::vector<float>({1.0f}));
  EXPECT_TRUE(ChangesInsideBrackets(log));
  window->SetPointer(kPressX, kPressY, kModifierShift);
  trim->onWheel(context, where, -2.0f);
  EXPECT_FLOAT_EQ(trim->getValue(), 0.9f) << "Shift: a tenth of the distance";
  trim->setMouseEnabled(false);
  EXPECT_FALSE(trim->onWheel(context, where, 1.0f));
  context->forget();
}

TEST_F(TextDragTest, WheelOnALogarithmicFieldAddsTheIncrement) {
  CTextDrag* field = MakeField(kFrequency, CTextDrag::eTDT_Log, 1000.0f);
  CDrawContext* context = frame->createDrawContext();
  window->SetPointer(kPressX, kPressY, 0);
  field->onWheel(context, CPoint(kPressX, kPressY), 1.0f);
  EXPECT_FLOAT_EQ(field->getValue(), 1010.0f);
  field->setValue(29995.0f);
  frame->draw(static_cast<CView*>(nullptr));
  log.clear();
  field->onWheel(context, CPoint(kPressX, kPressY), 1.0f);
  EXPECT_FLOAT_EQ(field->getValue(), 30000.0f) << "held at the maximum";
  context->forget();
}

TEST_F(TextDragTest, ValuesShowInTheFormatsAndReadBackFromTheText) {
  FieldDefaults kilo{"%.0f", "%.1fk", 0.0f, 30000.0f, 10.0f, 1.0f};
  CTextDrag* field = MakeField(kilo, CTextDrag::eTDT_Linear, 2500.0f);
  EXPECT_EQ(TextOf(field), "2.5k");
  EXPECT_FLOAT_EQ(field->getValue(), 2500.0f);
  field->setValue(999.4f);
  EXPECT_EQ(TextOf(field), "999");
  EXPECT_FLOAT_EQ(field->getValue(), 999.0f) << "the listener reads the number shown";

  FieldDefaults percent{"%.0f%%", nullptr, 0.0f, 2.0f, 0.05f, 100.0f};
  CTextDrag* depth = MakeField(percent, CTextDrag::eTDT_Linear, 0.5f, 8);
  EXPECT_EQ(TextOf(depth), "50%");
  EXPECT_FLOAT_EQ(depth->getValue(), 0.5f) << "the shown number divided by the scale";
}

TEST_F(TextDragTest, OnlyAChangedTextMakesTheFieldDirty) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 1.0f);
  EXPECT_FALSE(field->isDirty());
  field->setValue(1.0f);
  EXPECT_FALSE(field->isDirty());
  field->setValue(1.5f);
  EXPECT_TRUE(field->isDirty());
}

TEST_F(TextDragTest, LogarithmicConversionsMapTheParameterOverTheLogRange) {
  CTextDrag* field = MakeField(kFrequency, CTextDrag::eTDT_Log, 1000.0f);
  EXPECT_NEAR(field->ConvertParamToValue(0.0f), 10.0f, 1e-3);
  EXPECT_NEAR(field->ConvertParamToValue(1.0f), 30000.0f, 0.05);
  EXPECT_NEAR(field->ConvertParamToValue(0.5f), std::sqrt(10.0 * 30000.0), 0.01) << "the geometric middle";
  for (float hz : {10.0f, 63.0f, 1000.0f, 15000.0f, 30000.0f})
    EXPECT_NEAR(field->ConvertParamToValue(field->ConvertValueToParam(hz)), hz, hz * 1e-5) << hz;
  EXPECT_FLOAT_EQ(field->ConvertValueToParam(5.0f), 0.0f) << "limited to 0..1";
  EXPECT_FLOAT_EQ(field->ConvertValueToParam(60000.0f), 1.0f);
  EXPECT_FLOAT_EQ(field->ConvertValueToParam(0.0f), 0.0f);
}

TEST_F(TextDragTest, LinearConversionsAreNotLimited) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  EXPECT_FLOAT_EQ(field->ConvertParamToValue(0.75f), 20.0f);
  EXPECT_FLOAT_EQ(field->ConvertValueToParam(-50.0f), -0.125f);
  EXPECT_FLOAT_EQ(field->ConvertValueToParam(20.0f), 0.75f);
}

TEST_F(TextDragTest, FieldsKeepTheDefaultsTheyWereMadeWith) {
  CTextDrag* field = MakeField(kTrim, CTextDrag::eTDT_Linear, 0.0f);
  {
    DefaultsScope later(kFrequency);
    EXPECT_FLOAT_EQ(field->getMin(), -40.0f);
    EXPECT_FLOAT_EQ(field->getMax(), 40.0f);
    EXPECT_FLOAT_EQ(field->getWheelInc(), 0.5f);
    EXPECT_STREQ(field->GetFormat(), "%.1f");
  }
  char format[] = "%.3f";
  {
    FieldDefaults fromBuffer = kTrim;
    fromBuffer.format = format;
    DefaultsScope scope(fromBuffer);
    CTextDrag* copy = new CTextDrag(kFieldRect, &listener, 9, nullptr, nullptr, 0);
    format[3] = '0';
    EXPECT_STREQ(copy->GetFormat(), "%.3f") << "the format is copied";
    copy->forget();
  }
}

TEST_F(TextDragTest, WithoutAFormatTheValueIsKeptAsSet) {
  FieldDefaults none = kTrim;
  none.format = nullptr;
  CTextDrag* field = MakeField(none, CTextDrag::eTDT_Linear, 12.25f);
  EXPECT_EQ(TextOf(field), "");
  EXPECT_FLOAT_EQ(field->getValue(), 12.25f);
  field->setValue(90.0f);
  EXPECT_FLOAT_EQ(field->getValue(), 40.0f) << "still held within the range";
}
