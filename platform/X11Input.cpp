#include "platform/X11Input.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "vst/VstInterface.h"

namespace {

// VST virtual key codes of the keys the toolkit knows, by X key symbol.
struct KeyPair {
  unsigned long keysym;
  unsigned char virt;
};
constexpr KeyPair kKeyTable[] = {
    {XK_BackSpace, VKEY_BACK}, {XK_Tab, VKEY_TAB}, {XK_ISO_Left_Tab, VKEY_TAB},
    {XK_Return, VKEY_RETURN}, {XK_Pause, VKEY_PAUSE}, {XK_Escape, VKEY_ESCAPE},
    {XK_space, VKEY_SPACE}, {XK_End, VKEY_END}, {XK_Home, VKEY_HOME},
    {XK_Left, VKEY_LEFT}, {XK_Up, VKEY_UP}, {XK_Right, VKEY_RIGHT},
    {XK_Down, VKEY_DOWN}, {XK_Page_Up, VKEY_PAGEUP}, {XK_Page_Down, VKEY_PAGEDOWN},
    {XK_Print, VKEY_PRINT}, {XK_KP_Enter, VKEY_ENTER}, {XK_Help, VKEY_HELP},
    {XK_Delete, VKEY_DELETE}, {XK_KP_0, VKEY_NUMPAD0}, {XK_KP_1, VKEY_NUMPAD0 + 1},
    {XK_KP_2, VKEY_NUMPAD0 + 2}, {XK_KP_3, VKEY_NUMPAD0 + 3}, {XK_KP_4, VKEY_NUMPAD0 + 4},
    {XK_KP_5, VKEY_NUMPAD0 + 5}, {XK_KP_6, VKEY_NUMPAD0 + 6}, {XK_KP_7, VKEY_NUMPAD0 + 7},
    {XK_KP_8, VKEY_NUMPAD0 + 8}, {XK_KP_9, VKEY_NUMPAD9}, {XK_KP_Multiply, VKEY_MULTIPLY},
    {XK_KP_Add, VKEY_ADD}, {XK_KP_Subtract, VKEY_SUBTRACT}, {XK_KP_Decimal, VKEY_DECIMAL},
    {XK_KP_Divide, VKEY_DIVIDE}, {XK_F1, VKEY_F1}, {XK_F2, VKEY_F1 + 1},
    {XK_F3, VKEY_F1 + 2}, {XK_F4, VKEY_F1 + 3}, {XK_F5, VKEY_F1 + 4},
    {XK_F6, VKEY_F1 + 5}, {XK_F7, VKEY_F1 + 6}, {XK_F8, VKEY_F1 + 7},
    {XK_F9, VKEY_F1 + 8}, {XK_F10, VKEY_F1 + 9}, {XK_F11, VKEY_F1 + 10},
    {XK_F12, VKEY_F12}, {XK_Num_Lock, VKEY_NUMLOCK}, {XK_KP_Equal, VKEY_EQUALS},
    // The keypad's keys without Num Lock are the navigation keys.
    {XK_KP_Home, VKEY_HOME}, {XK_KP_End, VKEY_END}, {XK_KP_Left, VKEY_LEFT},
    {XK_KP_Up, VKEY_UP}, {XK_KP_Right, VKEY_RIGHT}, {XK_KP_Down, VKEY_DOWN},
    {XK_KP_Page_Up, VKEY_PAGEUP}, {XK_KP_Page_Down, VKEY_PAGEDOWN}, {XK_KP_Delete, VKEY_DELETE},
    {XK_KP_Space, VKEY_SPACE}, {XK_KP_Tab, VKEY_TAB},
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
