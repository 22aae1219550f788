#include "platform/X11TextInput.h"

#include <X11/Xutil.h>

#include <string>

#include "platform/Utf8.h"
#include "platform/X11Input.h"

namespace {

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
  std::vector<unsigned int> points;
  const std::string utf8(text, static_cast<size_t>(length));
  for (size_t i = 0; i < utf8.size();) points.push_back(DecodeUtf8At(utf8, i));
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
