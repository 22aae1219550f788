#include "platform/X11TextInput.h"

#include <X11/Xutil.h>

#include <string>

#include "platform/X11Input.h"

namespace {

constexpr unsigned int kReplacement = 0xFFFD;

// The code points of UTF-8 text; a malformed sequence counts as U+FFFD.
std::vector<unsigned int> DecodeUtf8(const char* text, int length) {
  std::vector<unsigned int> points;
  for (int i = 0; i < length;) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int count = 0;
    unsigned int point = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
      count = 1;
      point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      count = 2;
      point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      count = 3;
      point = lead & 0x07;
    } else if (lead >= 0x80) {
      point = kReplacement;
    }
    int k = 1;
    for (; k <= count && i + k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) break;
      point = (point << 6) | (next & 0x3F);
    }
    if (k <= count) point = kReplacement;
    points.push_back(point);
    i += k;
  }
  return points;
}

bool Printable(const std::vector<unsigned int>& points) {
  if (points.empty()) return false;
  for (unsigned int point : points)
    if (point < 0x20 || (point >= 0x7F && point < 0xA0)) return false;
  return true;
}

}  // namespace

CX11TextInput::CX11TextInput(Display* display, Window window) {
  m_IM.reset(XOpenIM(display, nullptr, nullptr, nullptr));
  if (!m_IM) return;
  // The method draws nothing of its own over the editor: composed text
  // arrives whole.
  XIMStyles* styles = nullptr;
  XIMStyle chosen = 0;
  if (!XGetIMValues(m_IM.get(), XNQueryInputStyle, &styles, nullptr) && styles) {
    const X11MemoryPtr<XIMStyles> owned(styles);
    for (XIMStyle wanted : {XIMStyle(XIMPreeditNothing | XIMStatusNothing), XIMStyle(XIMPreeditNone | XIMStatusNone)}) {
      for (unsigned short i = 0; i < styles->count_styles && !chosen; ++i)
        if (styles->supported_styles[i] == wanted) chosen = wanted;
      if (chosen) break;
    }
  }
  if (chosen)
    m_IC.reset(XCreateIC(m_IM.get(), XNInputStyle, chosen, XNClientWindow, window, XNFocusWindow, window, nullptr));
  if (m_IC) XGetICValues(m_IC.get(), XNFilterEvents, &m_nFilterMask, nullptr);
}

CX11TextInput::~CX11TextInput() = default;

bool CX11TextInput::Filter(XEvent& event) { return m_IC && XFilterEvent(&event, None); }

void CX11TextInput::SetFocus(bool focused) {
  if (!m_IC) return;
  if (focused)
    XSetICFocus(m_IC.get());
  else
    XUnsetICFocus(m_IC.get());
}

std::vector<PlatformKey> CX11TextInput::Translate(XKeyEvent& event) {
  char buffer[64];
  std::string large;
  const char* text = buffer;
  int length = 0;
  KeySym keysym = NoSymbol;
  if (m_IC && event.type == KeyPress) {
    Status status = XLookupNone;
    length = Xutf8LookupString(m_IC.get(), &event, buffer, sizeof buffer, &keysym, &status);
    if (status == XBufferOverflow) {
      large.resize(static_cast<size_t>(length));
      length = Xutf8LookupString(m_IC.get(), &event, &large[0], length, &keysym, &status);
      text = large.data();
    }
    if (status == XLookupNone) return {};  // the method is composing
    if (status == XLookupChars) keysym = NoSymbol;
    if (status != XLookupChars && status != XLookupBoth) length = 0;
  } else {
    // Releases (and windows without a method): the key symbol only.
    XLookupString(&event, buffer, sizeof buffer, &keysym, nullptr);
  }
  const PlatformKey key = X11TranslateKey(keysym, event.state);
  const std::vector<unsigned int> points = DecodeUtf8(text, length);
  // Keys with a virtual code, and control characters (Ctrl with a letter),
  // are told by their key symbol; text is told character by character.
  if (key.virt != 0 || !Printable(points)) return {key};
  std::vector<PlatformKey> keys;
  for (unsigned int point : points) {
    PlatformKey typed = key;
    typed.character = static_cast<int>(point);
    keys.push_back(typed);
  }
  return keys;
}
