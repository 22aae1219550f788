#include "platform/X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace {

// VST virtual key codes of the keys the toolkit knows, by X key symbol.
struct KeyPair {
  unsigned long keysym;
  unsigned char virt;
};
constexpr KeyPair kKeyTable[] = {
    {XK_BackSpace, 1},   {XK_Tab, 2},           {XK_ISO_Left_Tab, 2}, {XK_Return, 4},
    {XK_Pause, 5},       {XK_Escape, 6},        {XK_space, 7},        {XK_End, 9},
    {XK_Home, 10},       {XK_Left, 11},         {XK_Up, 12},          {XK_Right, 13},
    {XK_Down, 14},       {XK_Page_Up, 15},      {XK_Page_Down, 16},   {XK_Print, 18},
    {XK_KP_Enter, 19},   {XK_Help, 23},         {XK_Delete, 22},      {XK_KP_0, 24},
    {XK_KP_1, 25},       {XK_KP_2, 26},         {XK_KP_3, 27},        {XK_KP_4, 28},
    {XK_KP_5, 29},       {XK_KP_6, 30},         {XK_KP_7, 31},        {XK_KP_8, 32},
    {XK_KP_9, 33},       {XK_KP_Multiply, 34},  {XK_KP_Add, 35},      {XK_KP_Subtract, 37},
    {XK_KP_Decimal, 38}, {XK_KP_Divide, 39},    {XK_F1, 40},          {XK_F2, 41},
    {XK_F3, 42},         {XK_F4, 43},           {XK_F5, 44},          {XK_F6, 45},
    {XK_F7, 46},         {XK_F8, 47},           {XK_F9, 48},          {XK_F10, 49},
    {XK_F11, 50},        {XK_F12, 51},          {XK_Num_Lock, 52},    {XK_KP_Equal, 57},
    // The keypad's keys without Num Lock are the navigation keys.
    {XK_KP_Home, 10},    {XK_KP_End, 9},        {XK_KP_Left, 11},     {XK_KP_Up, 12},
    {XK_KP_Right, 13},   {XK_KP_Down, 14},      {XK_KP_Page_Up, 15},  {XK_KP_Page_Down, 16},
    {XK_KP_Delete, 22},  {XK_KP_Space, 7},      {XK_KP_Tab, 2},
};

}  // namespace

long X11ModifierFlags(unsigned int state) {
  long flags = 0;
  if (state & ShiftMask) flags |= kPlatformShift;
  if (state & ControlMask) flags |= kPlatformCommand;
  if (state & Mod1Mask) flags |= kPlatformOption;
  if (state & Mod4Mask) flags |= kPlatformControl;
  return flags;
}

long X11HeldButtonFlags(unsigned int state) {
  long flags = 0;
  if (state & Button1Mask) flags |= kPlatformLeft;
  if (state & Button2Mask) flags |= kPlatformMiddle;
  if (state & Button3Mask) flags |= kPlatformRight;
  return flags;
}

long X11ButtonFlag(unsigned int button) {
  switch (button) {
    case Button1: return kPlatformLeft;
    case Button2: return kPlatformMiddle;
    case Button3: return kPlatformRight;
    default: return 0;
  }
}

bool X11WheelStep(unsigned int button, int& axis, float& distance) {
  switch (button) {
    case 4: axis = 1; distance = 1.0f; return true;
    case 5: axis = 1; distance = -1.0f; return true;
    case 6: axis = 0; distance = 1.0f; return true;
    case 7: axis = 0; distance = -1.0f; return true;
    default: return false;
  }
}

PlatformKey X11TranslateKey(unsigned long keysym, unsigned int state) {
  PlatformKey key;
  for (const KeyPair& pair : kKeyTable) {
    if (pair.keysym == keysym) {
      key.virt = pair.virt;
      break;
    }
  }
  // Latin-1 key symbols are their characters; the Unicode ones carry theirs
  // above 0x1000000.
  if (key.virt == 0 && ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)))
    key.character = static_cast<int>(keysym);
  else if (key.virt == 0 && keysym >= 0x10000A0 && keysym <= 0x110FFFF)
    key.character = static_cast<int>(keysym - 0x1000000);
  if (state & ShiftMask) key.modifier |= 1;
  if (state & Mod1Mask) key.modifier |= 2;
  if (state & Mod4Mask) key.modifier |= 4;
  if (state & ControlMask) key.modifier |= 8;
  return key;
}

int CDoubleClickDetector::Press(unsigned int button, int x, int y, unsigned long timeMs) {
  // X server times are 32-bit milliseconds that wrap; their difference does not.
  const unsigned long elapsed = static_cast<unsigned int>(timeMs - m_dwTime);
  if (m_bPending && button == m_nButton && elapsed <= static_cast<unsigned long>(m_nIntervalMs) &&
      std::abs(x - m_nX) <= m_nSlop && std::abs(y - m_nY) <= m_nSlop) {
    m_bPending = false;
    return 2;
  }
  m_bPending = true;
  m_nButton = button;
  m_nX = x;
  m_nY = y;
  m_dwTime = timeMs;
  return 1;
}
