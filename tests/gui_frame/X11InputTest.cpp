// Translation of X input values into the toolkit's button words, wheel steps
// and VST key records, double-click counting and the drop list parser.
#include <gtest/gtest.h>
// After the test framework: X11/X.h defines macros (None) it uses as names.
#include <X11/X.h>
#include <X11/keysym.h>

#include "platform/X11Dnd.h"
#include "platform/X11Input.h"

TEST(X11InputTest, ModifiersMapToTheButtonWordBits) {
  EXPECT_EQ(X11ModifierFlags(0), 0);
  EXPECT_EQ(X11ModifierFlags(ShiftMask), 8);
  EXPECT_EQ(X11ModifierFlags(ControlMask), 16) << "Ctrl is the primary modifier (Command)";
  EXPECT_EQ(X11ModifierFlags(Mod1Mask), 32) << "Alt is Option";
  EXPECT_EQ(X11ModifierFlags(Mod4Mask), 64) << "Super is Control";
  EXPECT_EQ(X11ModifierFlags(ShiftMask | ControlMask | Mod1Mask | Mod4Mask), 8 + 16 + 32 + 64);
  EXPECT_EQ(X11ModifierFlags(LockMask | Mod2Mask | Button1Mask), 0)
      << "Caps Lock, Num Lock and buttons are not modifiers";
}

TEST(X11InputTest, ButtonsMapLeftMiddleRight) {
  EXPECT_EQ(X11ButtonFlag(Button1), 1);
  EXPECT_EQ(X11ButtonFlag(Button2), 2);
  EXPECT_EQ(X11ButtonFlag(Button3), 4);
  EXPECT_EQ(X11ButtonFlag(8), 0);
  EXPECT_EQ(X11HeldButtonFlags(Button1Mask | Button3Mask | ShiftMask), 1 + 4);
  EXPECT_EQ(X11HeldButtonFlags(Button2Mask), 2);
  // Ctrl with the left button stays a left click with Command: the reset click.
  EXPECT_EQ(X11ButtonFlag(Button1) | X11ModifierFlags(ControlMask), 17);
}

TEST(X11InputTest, WheelButtonsGiveAxisAndDirection) {
  int axis = -1;
  float distance = 0;
  ASSERT_TRUE(X11WheelStep(4, axis, distance));
  EXPECT_EQ(axis, 1);
  EXPECT_EQ(distance, 1.0f);
  ASSERT_TRUE(X11WheelStep(5, axis, distance));
  EXPECT_EQ(axis, 1);
  EXPECT_EQ(distance, -1.0f);
  ASSERT_TRUE(X11WheelStep(6, axis, distance));
  EXPECT_EQ(axis, 0);
  EXPECT_EQ(distance, 1.0f);
  ASSERT_TRUE(X11WheelStep(7, axis, distance));
  EXPECT_EQ(axis, 0);
  EXPECT_EQ(distance, -1.0f);
  EXPECT_FALSE(X11WheelStep(1, axis, distance));
  EXPECT_FALSE(X11WheelStep(8, axis, distance));
}

TEST(X11InputTest, KeysWithVirtualCodesCarryNoCharacter) {
  struct Case {
    unsigned long keysym;
    int virt;
  } cases[] = {{XK_BackSpace, 1}, {XK_Tab, 2},        {XK_Return, 4},    {XK_Escape, 6},
               {XK_space, 7},     {XK_Left, 11},      {XK_Page_Down, 16}, {XK_KP_Enter, 19},
               {XK_Delete, 22},   {XK_KP_0, 24},      {XK_KP_9, 33},      {XK_KP_Subtract, 37},
               {XK_F1, 40},       {XK_F12, 51},       {XK_Num_Lock, 52},  {XK_KP_Equal, 57},
               {XK_KP_Home, 10},  {XK_ISO_Left_Tab, 2}};
  for (const Case& c : cases) {
    const PlatformKey key = X11TranslateKey(c.keysym, 0);
    EXPECT_EQ(key.virt, c.virt) << std::hex << c.keysym;
    EXPECT_EQ(key.character, 0) << std::hex << c.keysym;
  }
}

TEST(X11InputTest, PrintableKeysKeepTheirCharacterAndModifiersFollowVstBits) {
  PlatformKey key = X11TranslateKey(XK_A, ShiftMask);
  EXPECT_EQ(key.character, 'A');
  EXPECT_EQ(key.virt, 0);
  EXPECT_EQ(key.modifier, 1);
  key = X11TranslateKey(XK_z, ControlMask | Mod1Mask);
  EXPECT_EQ(key.character, 'z');
  EXPECT_EQ(key.modifier, 8 | 2);
  key = X11TranslateKey(XK_udiaeresis, Mod4Mask);
  EXPECT_EQ(key.character, 0xFC);
  EXPECT_EQ(key.modifier, 4);
  key = X11TranslateKey(0x1004E2D, 0);
  EXPECT_EQ(key.character, 0x4E2D) << "a Unicode key symbol carries its code point";
  key = X11TranslateKey(XK_Shift_L, ShiftMask);
  EXPECT_EQ(key.character, 0) << "a modifier key alone is no character";
  EXPECT_EQ(key.virt, 0);
}

TEST(X11InputTest, DoubleClickNeedsSameButtonNearInTimeAndPlace) {
  CDoubleClickDetector detector(400, 4);
  EXPECT_EQ(detector.Press(1, 10, 10, 1000), 1);
  EXPECT_EQ(detector.Press(1, 12, 13, 1400), 2);
  EXPECT_EQ(detector.Press(1, 12, 13, 1450), 1) << "a third click starts a new pair";
  EXPECT_EQ(detector.Press(1, 12, 13, 1851), 1) << "401 ms is too late";
  EXPECT_EQ(detector.Press(3, 12, 13, 1900), 1) << "another button";
  EXPECT_EQ(detector.Press(3, 17, 13, 1950), 1) << "5 pixels away";
  EXPECT_EQ(detector.Press(3, 17, 13, 2000), 2);
  // Server times wrap at 2^32 milliseconds.
  CDoubleClickDetector wrapping;
  EXPECT_EQ(wrapping.Press(1, 0, 0, 0xFFFFFF00ul), 1);
  EXPECT_EQ(wrapping.Press(1, 0, 0, 0x10ul), 2);
}

TEST(X11InputTest, UriListGivesDecodedFilePathsAndSkipsComments) {
  const auto items = CX11Dnd::ParseUriList(
      "# comment\r\nfile:///home/u/My%20Song.wav\r\nfile://host/tmp/a%2Fb\r\n"
      "http://example.org/x\r\nfile://\r\n\r\n");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].type, PlatformDragItem::kFile);
  EXPECT_EQ(items[0].data, "/home/u/My Song.wav");
  EXPECT_EQ(items[1].type, PlatformDragItem::kFile);
  EXPECT_EQ(items[1].data, "/tmp/a/b");
  EXPECT_EQ(items[2].type, PlatformDragItem::kUnknown);
  EXPECT_EQ(items[2].data, "http://example.org/x");
  EXPECT_TRUE(CX11Dnd::ParseUriList("").empty());
  const auto trailing = CX11Dnd::ParseUriList("file:///a%2");
  ASSERT_EQ(trailing.size(), 1u);
  EXPECT_EQ(trailing[0].data, "/a%2") << "an incomplete escape stays as it is";
}
