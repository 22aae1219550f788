#include "platform/X11Clipboard.h"

#include <X11/Xatom.h>

#include "platform/Utf8.h"
#include "platform/X11Handles.h"

namespace {

// Only the start of a longer text is read (this many 32-bit units): edit
// fields hold 255 bytes.
constexpr long kMaxReadLongs = 16384;

std::string Latin1ToUtf8(const std::string& latin1) {
  std::string utf8;
  for (unsigned char c : latin1) utf8 += EncodeUtf8(c);
  return utf8;
}

// Characters beyond Latin-1 (and malformed bytes) become '?'.
std::string Utf8ToLatin1(const std::string& utf8) {
  std::string latin1;
  for (size_t i = 0; i < utf8.size();) {
    const uint32_t point = DecodeUtf8At(utf8, i);
    latin1 += point <= 0xFF ? static_cast<char>(point) : '?';
  }
  return latin1;
}

}  // namespace

CX11Clipboard::CX11Clipboard(Display* display, Window window)
    : m_pDisplay(display),
      m_Window(window),
      m_aClipboard(XInternAtom(display, "CLIPBOARD", False)),
      m_aUtf8(XInternAtom(display, "UTF8_STRING", False)),
      m_aText(XInternAtom(display, "TEXT", False)),
      m_aTargets(XInternAtom(display, "TARGETS", False)),
      m_aIncr(XInternAtom(display, "INCR", False)),
      m_aProperty(XInternAtom(display, "QVX2_CLIPBOARD", False)) {}

void CX11Clipboard::SetText(const std::string& text, Time time) {
  m_Text = text;
  XSetSelectionOwner(m_pDisplay, m_aClipboard, m_Window, time);
  m_bOwned = XGetSelectionOwner(m_pDisplay, m_aClipboard) == m_Window;
}

void CX11Clipboard::RequestText(Time time, std::deque<PlatformEvent>& out) {
  if (m_bOwned) {
    PlatformEvent event;
    event.type = EPlatformEvent::kClipboardText;
    event.text = m_Text;
    out.push_back(event);
    return;
  }
  m_aAsked = m_aUtf8;
  XDeleteProperty(m_pDisplay, m_Window, m_aProperty);
  XConvertSelection(m_pDisplay, m_aClipboard, m_aAsked, m_aProperty, m_Window, time);
  XFlush(m_pDisplay);
}

bool CX11Clipboard::HandleEvent(const XEvent& event, std::deque<PlatformEvent>& out) {
  switch (event.type) {
    case SelectionRequest:
      Answer(event.xselectionrequest);
      return true;
    case SelectionClear:
      if (event.xselectionclear.selection == m_aClipboard) m_bOwned = false;
      return true;
    case SelectionNotify: {
      const XSelectionEvent& answer = event.xselection;
      if (answer.selection != m_aClipboard || answer.requestor != m_Window || !m_aAsked) return false;
      if (answer.property == None && m_aAsked == m_aUtf8) {
        // An owner without UTF-8 may still have Latin-1 text.
        m_aAsked = XA_STRING;
        XConvertSelection(m_pDisplay, m_aClipboard, m_aAsked, m_aProperty, m_Window, answer.time);
        XFlush(m_pDisplay);
        return true;
      }
      PlatformEvent pasted;
      pasted.type = EPlatformEvent::kClipboardText;
      if (answer.property != None) pasted.text = ReadAnswer(m_aAsked);
      m_aAsked = 0;
      out.push_back(pasted);
      return true;
    }
    default:
      return false;
  }
}

std::string CX11Clipboard::ReadAnswer(Atom asked) {
  const X11Property answer = X11ReadProperty(m_pDisplay, m_Window, m_aProperty, kMaxReadLongs, true, AnyPropertyType);
  std::string bytes;
  // An incremental transfer (of a text far longer than a field) is not read.
  if (answer.data && answer.format == 8 && answer.type != m_aIncr)
    bytes.assign(reinterpret_cast<const char*>(answer.data.get()), answer.count);
  XDeleteProperty(m_pDisplay, m_Window, m_aProperty);
  return asked == XA_STRING ? Latin1ToUtf8(bytes) : bytes;
}

void CX11Clipboard::Answer(const XSelectionRequestEvent& request) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.time = request.time;
  reply.xselection.property = None;
  // Clients of the oldest convention name no property: the target stands in.
  const Atom property = request.property != None ? request.property : request.target;
  if (m_bOwned && request.selection == m_aClipboard && request.owner == m_Window) {
    if (request.target == m_aTargets) {
      const Atom targets[] = {m_aTargets, m_aUtf8, m_aText, XA_STRING};
      XChangeProperty(m_pDisplay, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(targets), 4);
      reply.xselection.property = property;
    } else if (request.target == m_aUtf8 || request.target == m_aText || request.target == XA_STRING) {
      const bool latin1 = request.target == XA_STRING;
      const std::string bytes = latin1 ? Utf8ToLatin1(m_Text) : m_Text;
      XChangeProperty(m_pDisplay, request.requestor, property, latin1 ? XA_STRING : m_aUtf8, 8,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<int>(bytes.size()));
      reply.xselection.property = property;
    }
  }
  // The requestor may be gone already; that error is swallowed.
  XSendEvent(m_pDisplay, request.requestor, False, NoEventMask, &reply);
  XFlush(m_pDisplay);
}
