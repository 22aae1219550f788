#include "platform/X11Dnd.h"

#include <X11/Xatom.h>

#include <chrono>

#include "platform/X11Handles.h"

namespace {

constexpr long kDndVersion = 5;
// How long a source may take to answer the data request.
constexpr int kFetchTimeoutMs = 2000;
// Larger transfers would come incrementally; they are refused.
constexpr long kMaxDataLongs = 1 << 20;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace

CX11Dnd::CX11Dnd(Display* display, Window window) : m_pDisplay(display), m_Window(window) {
  const char* names[] = {"XdndAware",    "XdndEnter",      "XdndPosition", "XdndStatus",
                         "XdndLeave",    "XdndDrop",       "XdndFinished", "XdndSelection",
                         "XdndTypeList", "XdndActionCopy", "text/uri-list", "UTF8_STRING",
                         "text/plain;charset=utf-8",       "text/plain",   "QVX_DND_DATA"};
  Atom atoms[15];
  XInternAtoms(m_pDisplay, const_cast<char**>(names), 15, False, atoms);
  m_aAware = atoms[0];
  m_aEnter = atoms[1];
  m_aPosition = atoms[2];
  m_aStatus = atoms[3];
  m_aLeave = atoms[4];
  m_aDrop = atoms[5];
  m_aFinished = atoms[6];
  m_aSelection = atoms[7];
  m_aTypeList = atoms[8];
  m_aActionCopy = atoms[9];
  m_aUriList = atoms[10];
  m_aUtf8 = atoms[11];
  m_aTextUtf8 = atoms[12];
  m_aTextPlain = atoms[13];
  m_aProperty = atoms[14];
}

void CX11Dnd::SetEnabled(bool enabled) {
  if (enabled == m_bEnabled) return;
  m_bEnabled = enabled;
  if (enabled) {
    const long version = kDndVersion;
    XChangeProperty(m_pDisplay, m_Window, m_aAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
  } else {
    XDeleteProperty(m_pDisplay, m_Window, m_aAware);
    Reset();
  }
}

void CX11Dnd::Reset() {
  m_Source = 0;
  m_aWanted = 0;
  m_bFetched = false;
  m_bFetching = false;
  m_bDropPending = false;
  m_bEntered = false;
  m_Items.clear();
}

void CX11Dnd::SendToSource(Atom type, long l1, long l2, long l3, long l4) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = m_pDisplay;
  event.xclient.window = m_Source;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(m_Window);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  // The source may have gone away meanwhile; the error is swallowed.
  XSendEvent(m_pDisplay, m_Source, False, NoEventMask, &event);
  XFlush(m_pDisplay);
}

bool CX11Dnd::HandleClientMessage(const XClientMessageEvent& message, std::deque<PlatformEvent>& out) {
  const Atom type = message.message_type;
  if (type != m_aEnter && type != m_aPosition && type != m_aLeave && type != m_aDrop) return false;
  if (!m_bEnabled) return true;
  const Window source = static_cast<Window>(message.data.l[0]);

  if (type == m_aEnter) {
    Reset();
    m_Source = source;
    std::vector<Atom> offered;
    if (message.data.l[1] & 1) {
      // A source gone meanwhile answers with an error, which is swallowed.
      const X11Property types = X11ReadProperty(m_pDisplay, source, m_aTypeList, 64, false, XA_ATOM);
      if (types.data && types.type == XA_ATOM && types.format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(types.data.get());
        offered.assign(atoms, atoms + types.count);
      }
    } else {
      for (int i = 2; i < 5; ++i)
        if (message.data.l[i]) offered.push_back(static_cast<Atom>(message.data.l[i]));
    }
    for (Atom preferred : {m_aUriList, m_aUtf8, m_aTextUtf8, m_aTextPlain, Atom(XA_STRING)}) {
      for (Atom a : offered)
        if (a == preferred) m_aWanted = preferred;
      if (m_aWanted) break;
    }
    return true;
  }

  if (source != m_Source || m_Source == 0) return true;  // not the drag we know

  if (type == m_aPosition) {
    const int rootX = static_cast<int>((message.data.l[2] >> 16) & 0xFFFF);
    const int rootY = static_cast<int>(message.data.l[2] & 0xFFFF);
    Window child = 0;
    XTranslateCoordinates(m_pDisplay, DefaultRootWindow(m_pDisplay), m_Window, rootX, rootY, &m_nX,
                          &m_nY, &child);
    if (!m_bFetched) RequestData(static_cast<Time>(message.data.l[3]));
    // The status waits for the data; the source sends no further position
    // before it.
    if (!m_bFetching) EmitPosition(out);
    return true;
  }

  if (type == m_aLeave) {
    if (m_bEntered) {
      PlatformEvent event;
      event.type = EPlatformEvent::kDragLeave;
      event.x = m_nX;
      event.y = m_nY;
      out.push_back(event);
    }
    Reset();
    return true;
  }

  // Drop.
  if (!m_bFetched) RequestData(static_cast<Time>(message.data.l[2]));
  if (m_bFetching)
    m_bDropPending = true;
  else
    EmitDrop(out);
  return true;
}

void CX11Dnd::EmitPosition(std::deque<PlatformEvent>& out) {
  PlatformEvent event;
  event.type = m_bEntered ? EPlatformEvent::kDragMove : EPlatformEvent::kDragEnter;
  event.x = m_nX;
  event.y = m_nY;
  if (!m_bEntered) event.items = m_Items;
  m_bEntered = true;
  out.push_back(event);
  const bool accept = !m_Items.empty();
  // Bit 1 asks for a position message on every move, not only at the edges.
  SendToSource(m_aStatus, (accept ? 1 : 0) | 2, 0, 0, accept ? static_cast<long>(m_aActionCopy) : 0);
}

void CX11Dnd::EmitDrop(std::deque<PlatformEvent>& out) {
  const bool accept = !m_Items.empty();
  if (!m_bEntered) {
    PlatformEvent enter;
    enter.type = EPlatformEvent::kDragEnter;
    enter.x = m_nX;
    enter.y = m_nY;
    enter.items = m_Items;
    out.push_back(enter);
  }
  PlatformEvent drop;
  drop.type = EPlatformEvent::kDrop;
  drop.x = m_nX;
  drop.y = m_nY;
  drop.items = m_Items;
  out.push_back(drop);
  SendToSource(m_aFinished, accept ? 1 : 0, accept ? static_cast<long>(m_aActionCopy) : 0, 0, 0);
  Reset();
}

void CX11Dnd::Continue(std::deque<PlatformEvent>& out) {
  if (m_bDropPending)
    EmitDrop(out);
  else
    EmitPosition(out);
}

void CX11Dnd::RequestData(Time time) {
  m_bFetched = true;
  if (!m_aWanted) return;
  XDeleteProperty(m_pDisplay, m_Window, m_aProperty);
  XConvertSelection(m_pDisplay, m_aSelection, m_aWanted, m_aProperty, m_Window, time);
  XFlush(m_pDisplay);
  m_bFetching = true;
  m_FetchDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFetchTimeoutMs);
}

bool CX11Dnd::HandleSelectionNotify(const XSelectionEvent& answer, std::deque<PlatformEvent>& out) {
  if (answer.selection != m_aSelection || answer.requestor != m_Window) return false;
  if (!m_bFetching) {
    // The answer of a drag that has left or been given up on.
    XDeleteProperty(m_pDisplay, m_Window, m_aProperty);
    return true;
  }
  m_bFetching = false;
  if (answer.property != None) ReadData();
  Continue(out);
  return true;
}

void CX11Dnd::Poll(std::deque<PlatformEvent>& out) {
  if (!m_bFetching || std::chrono::steady_clock::now() < m_FetchDeadline) return;
  m_bFetching = false;
  Continue(out);
}

void CX11Dnd::ReadData() {
  const X11Property answer = X11ReadProperty(m_pDisplay, m_Window, m_aProperty, kMaxDataLongs, true, AnyPropertyType);
  std::string bytes;
  if (answer.data && answer.format == 8 && answer.remaining == 0)
    bytes.assign(reinterpret_cast<const char*>(answer.data.get()), answer.count);
  if (bytes.empty()) return;
  if (m_aWanted == m_aUriList) {
    m_Items = ParseUriList(bytes);
  } else {
    PlatformDragItem item;
    item.type = PlatformDragItem::kText;
    item.data = bytes;
    m_Items.push_back(item);
  }
}

std::vector<PlatformDragItem> CX11Dnd::ParseUriList(const std::string& list) {
  std::vector<PlatformDragItem> items;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\0')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    PlatformDragItem item;
    if (line.compare(0, 7, "file://") == 0) {
      // file://host/path: the path starts at the first slash after the host.
      const size_t slash = line.find('/', 7);
      item.type = PlatformDragItem::kFile;
      item.data = PercentDecode(slash == std::string::npos ? std::string() : line.substr(slash));
      if (item.data.empty()) continue;
    } else {
      item.type = PlatformDragItem::kUnknown;
      item.data = line;
    }
    items.push_back(item);
  }
  return items;
}
