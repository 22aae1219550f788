// The edit field's text: UTF-8 characters, caret and selection, the byte
// limit.
#include <gtest/gtest.h>

#include "gui/CTextEditBuffer.h"

namespace {
const std::string kEAcute = "\xC3\xA9";        // U+00E9, two bytes
const std::string kEuro = "\xE2\x82\xAC";      // U+20AC, three bytes
const std::string kClef = "\xF0\x9D\x84\x9E";  // U+1D11E, four bytes
}  // namespace

TEST(TextEditBufferTest, CodePointsEncodeAsUtf8) {
  EXPECT_EQ(EncodeUtf8('A'), "A");
  EXPECT_EQ(EncodeUtf8(0xE9), kEAcute);
  EXPECT_EQ(EncodeUtf8(0x20AC), kEuro);
  EXPECT_EQ(EncodeUtf8(0x1D11E), kClef);
  EXPECT_EQ(EncodeUtf8(0xD800), "") << "a surrogate is no character";
  EXPECT_EQ(EncodeUtf8(0x110000), "");
}

TEST(TextEditBufferTest, SettingTheTextSelectsItAndTypingReplacesIt) {
  CTextEditBuffer buffer;
  buffer.SetText("5");
  EXPECT_EQ(buffer.SelectedText(), "5");
  EXPECT_TRUE(buffer.InsertCodePoint('1'));
  EXPECT_TRUE(buffer.InsertCodePoint('2'));
  EXPECT_EQ(buffer.Text(), "12");
  EXPECT_EQ(buffer.Caret(), 2u);
  EXPECT_FALSE(buffer.HasSelection());
}

TEST(TextEditBufferTest, CaretStepsOverWholeCharacters) {
  CTextEditBuffer buffer;
  const std::string text = "a" + kEAcute + kEuro + kClef + "z";
  buffer.SetText(text);
  buffer.MoveHome(false);
  std::vector<size_t> stops;
  for (int i = 0; i < 7; ++i) {
    stops.push_back(buffer.Caret());
    buffer.MoveRight(false);
  }
  EXPECT_EQ(stops, (std::vector<size_t>{0, 1, 3, 6, 10, 11, 11}));
  buffer.MoveLeft(false);
  EXPECT_EQ(buffer.Caret(), 10u);
  buffer.SetCaret(8, false);
  EXPECT_EQ(buffer.Caret(), 6u) << "a position inside a character falls back to its start";

  EXPECT_TRUE(buffer.Backspace());
  EXPECT_EQ(buffer.Text(), "a" + kEAcute + kClef + "z") << "the euro sign goes whole";
  EXPECT_TRUE(buffer.Delete());
  EXPECT_EQ(buffer.Text(), "a" + kEAcute + "z");
  buffer.MoveHome(false);
  EXPECT_FALSE(buffer.Backspace());
  buffer.MoveEnd(false);
  EXPECT_FALSE(buffer.Delete());
}

TEST(TextEditBufferTest, ShiftExtendsAndPlainMovesCollapseTheSelection) {
  CTextEditBuffer buffer;
  buffer.SetText("hello");
  buffer.SetCaret(1, false);
  buffer.MoveRight(true);
  buffer.MoveRight(true);
  EXPECT_EQ(buffer.SelectedText(), "el");
  buffer.MoveLeft(false);
  EXPECT_EQ(buffer.Caret(), 1u) << "a selection collapses to its start";
  buffer.SetCaret(4, true);
  buffer.MoveRight(false);
  EXPECT_EQ(buffer.Caret(), 4u) << "and to its end";
  buffer.MoveHome(true);
  EXPECT_EQ(buffer.SelectedText(), "hell");
  EXPECT_TRUE(buffer.Backspace());
  EXPECT_EQ(buffer.Text(), "o");
}

TEST(TextEditBufferTest, TheLimitTakesOnlyWholeCharacters) {
  CTextEditBuffer buffer(5);
  buffer.SetText("abc" + kEuro);
  EXPECT_EQ(buffer.Text(), "abc") << "the euro sign does not fit whole";
  buffer.MoveEnd(false);
  EXPECT_TRUE(buffer.Insert("d" + kEAcute));
  EXPECT_EQ(buffer.Text(), "abcd") << "as much as fits, in whole characters";
  EXPECT_TRUE(buffer.Insert("e"));
  EXPECT_FALSE(buffer.Insert("f"));
  EXPECT_EQ(buffer.Text(), "abcde");
  buffer.SelectAll();
  EXPECT_TRUE(buffer.Insert(kEuro + kEuro));
  EXPECT_EQ(buffer.Text(), kEuro);
}

TEST(TextEditBufferTest, PastedTextKeepsItsFirstLineWithoutControls) {
  CTextEditBuffer buffer;
  buffer.SetText("");
  EXPECT_TRUE(buffer.Insert("one\ttwo\x01three\nfour"));
  EXPECT_EQ(buffer.Text(), "one twothree");
  EXPECT_FALSE(buffer.Insert("\nnothing"));
}

TEST(TextEditBufferTest, MalformedBytesCountAsCharactersOfTheirOwn) {
  CTextEditBuffer buffer;
  buffer.SetText("a\xE9z");  // a Latin-1 byte, not UTF-8
  buffer.MoveHome(false);
  buffer.MoveRight(false);
  buffer.MoveRight(false);
  EXPECT_EQ(buffer.Caret(), 2u);
  EXPECT_TRUE(buffer.Backspace());
  EXPECT_EQ(buffer.Text(), "az");
}
