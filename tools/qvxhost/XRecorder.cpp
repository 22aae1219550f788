#include "tools/qvxhost/XRecorder.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <X11/extensions/shmproto.h>

#include <chrono>

namespace {

uint32_t Read32(const unsigned char* p, bool swapped) {
  const uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return swapped ? __builtin_bswap32(v) : v;
}

uint16_t Read16(const unsigned char* p, bool swapped) {
  const uint16_t v = static_cast<uint16_t>(p[0] | p[1] << 8);
  return swapped ? static_cast<uint16_t>(v >> 8 | v << 8) : v;
}

void OnRecord(XPointer closure, XRecordInterceptData* record) {
  using R = XRecorder::Record;
  const int c = record->category;
  if (c == XRecordFromClient || c == XRecordFromServer || c == XRecordClientStarted)
    reinterpret_cast<XRecorder*>(closure)->Take(
        c == XRecordFromClient ? R::Request : c == XRecordFromServer ? R::FromServer : R::ClientStarted,
        record->id_base, record->client_swapped, record->data, record->data_len * 4ul);
  XRecordFreeData(record);
}

}  // namespace

bool XRecorder::Start(std::string& error) {
  if (!m_Control.Open(error) || !m_Data.Open(error)) return false;
  Display* control = m_Control.Native();
  int major = 0, minor = 0;
  if (!XRecordQueryVersion(control, &major, &minor)) {
    error = "the X server has no RECORD extension: the editor's drawing cannot be counted";
    return false;
  }
  XRecordRange* range = XRecordAllocRange();
  range->core_requests.first = X_ClearArea;  // the core drawing requests, image text last
  range->core_requests.last = X_ImageText16;
  range->errors.first = 0;
  range->errors.last = 255;
  range->client_started = True;
  XRecordRange* ranges[2] = {range, nullptr};
  int count = 1;
  // Pictures put through memory shared with the server.
  int event = 0, errorBase = 0;
  if (XQueryExtension(control, "MIT-SHM", &m_nShmOpcode, &event, &errorBase)) {
    ranges[1] = XRecordAllocRange();
    ranges[1]->ext_requests.ext_major = {static_cast<unsigned char>(m_nShmOpcode),
                                         static_cast<unsigned char>(m_nShmOpcode)};
    ranges[1]->ext_requests.ext_minor = {X_ShmPutImage, X_ShmPutImage};
    count = 2;
  } else {
    m_nShmOpcode = -1;
  }
  XRecordClientSpec clients = XRecordAllClients;
  m_Context = XRecordCreateContext(control, 0, &clients, 1, ranges, count);
  for (int i = 0; i < count; ++i) XFree(ranges[i]);
  m_Mark = XCreateSimpleWindow(control, DefaultRootWindow(control), 0, 0, 1, 1, 0, 0, 0);
  XSync(control, False);
  if (!m_Context) {
    error = "the X server refused to record";
    return false;
  }
  m_Thread = std::thread([this] {
    XRecordEnableContext(m_Data.Native(), m_Context, OnRecord, reinterpret_cast<XPointer>(this));
  });
  return true;
}

void XRecorder::Stop() {
  if (!m_Context) return;
  XRecordDisableContext(m_Control.Native(), m_Context);
  XSync(m_Control.Native(), False);
  if (m_Thread.joinable()) m_Thread.join();
  XRecordFreeContext(m_Control.Native(), m_Context);
  XSync(m_Control.Native(), False);
  m_Context = 0;
}

bool XRecorder::CatchUp(int ms) {
  if (!m_Context) return false;
  Display* control = m_Control.Native();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  // A request another client had sent is done, at the latest, in the
  // server's pass that does the first mark; the second, sent once the first
  // is done, comes in a later pass, and is recorded after it.
  for (int mark = 0; mark < 2; ++mark) {
    const long sent = ++m_nMarksSent;
    XClearArea(control, m_Mark, 0, 0, 1, 1, False);
    XSync(control, False);
    while (m_nMarksSeen.load() < sent) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

void XRecorder::Watch(unsigned long window, int width, int height) {
  std::lock_guard<std::mutex> guard(m_Mutex);
  Watched& w = m_Windows[window];
  w.width = width;
  w.height = height;
}

XRecorder::Draws XRecorder::DrawsOn(unsigned long window) const {
  std::lock_guard<std::mutex> guard(m_Mutex);
  const auto at = m_Windows.find(window);
  return at == m_Windows.end() ? Draws() : at->second.draws;
}

long XRecorder::ErrorsToDrawerOf(unsigned long window) const {
  std::lock_guard<std::mutex> guard(m_Mutex);
  const auto watched = m_Windows.find(window);
  if (watched == m_Windows.end() || !watched->second.drawn) return 0;
  const auto at = m_Errors.find(watched->second.drawer);
  return at == m_Errors.end() ? 0 : at->second;
}

void XRecorder::TakeSharedPut(unsigned long idBase, bool swapped, const unsigned char* body, const unsigned char* end) {
  if (body + 24 > end) return;
  const auto at = m_Windows.find(Read32(body, swapped));
  if (at == m_Windows.end()) return;
  Watched& w = at->second;
  w.drawer = idBase;
  w.drawn = true;
  ++w.draws.requests;
  w.nextBand = -1;
  // One request for the whole image: its size, then where it goes.
  const int width = Read16(body + 16, swapped), height = Read16(body + 18, swapped);
  const auto x = static_cast<int16_t>(Read16(body + 20, swapped)), y = static_cast<int16_t>(Read16(body + 22, swapped));
  if (x <= 0 && y <= 0 && x + width >= w.width && y + height >= w.height) ++w.draws.whole;
}

void XRecorder::Take(Record kind, unsigned long idBase, bool swapped, const unsigned char* data,
                     unsigned long bytes) {
  std::lock_guard<std::mutex> guard(m_Mutex);
  if (kind == Record::ClientStarted) {
    m_Errors.erase(idBase);
    return;
  }
  if (bytes < 12) return;
  if (kind == Record::FromServer) {
    if (data[0] == X_Error) ++m_Errors[idBase];
    return;
  }
  // A request too long for its 16-bit length carries a 32-bit one after it.
  const unsigned char* body = data + 4;
  if (Read16(data + 2, swapped) == 0) body += 4;
  const int opcode = data[0];
  if (opcode == X_ClearArea && body + 4 <= data + bytes && Read32(body, swapped) == m_Mark) m_nMarksSeen.fetch_add(1);
  if (opcode == m_nShmOpcode) {
    TakeSharedPut(idBase, swapped, body, data + bytes);
    return;
  }
  if (body + 16 > data + bytes) return;
  // The drawable: the destination of copies, the first field elsewhere.
  const bool copy = opcode == X_CopyArea || opcode == X_CopyPlane;
  if (opcode == X_ClearArea || opcode == X_GetImage) return;
  const auto at = m_Windows.find(Read32(body + (copy ? 4 : 0), swapped));
  if (at == m_Windows.end()) return;
  Watched& w = at->second;
  w.drawer = idBase;
  w.drawn = true;
  ++w.draws.requests;
  // Xlib splits a large image into bands of rows, top to bottom: a run of
  // them over the whole window, with nothing between, is one drawing of it.
  const int width = Read16(body + 8, swapped), height = Read16(body + 10, swapped);
  const auto x = static_cast<int16_t>(Read16(body + 12, swapped)), y = static_cast<int16_t>(Read16(body + 14, swapped));
  if (opcode != X_PutImage || x > 0 || x + width < w.width) {
    w.nextBand = -1;
    return;
  }
  if (y <= 0)
    w.nextBand = y + height;
  else if (y == w.nextBand)
    w.nextBand += height;
  else
    w.nextBand = -1;
  if (w.nextBand >= w.height) {
    ++w.draws.whole;
    w.nextBand = -1;
  }
}
