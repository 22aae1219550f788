#include "platform/HeadlessWindow.h"

#include <cairo.h>

#include <atomic>
#include <cstring>

namespace {
// Set by a window's constructor, cleared by its destructor; read by the test.
std::atomic<CHeadlessWindow*> g_pLastWindow{nullptr};
// The headless windows' clipboard; user-interface thread only.
std::string g_Clipboard;

std::unique_ptr<CPlatformWindow> MakeHeadless(void* parent, int width, int height) {
  if (!parent || width <= 0 || height <= 0) return nullptr;
  return std::make_unique<CHeadlessWindow>(parent, width, height);
}
}  // namespace

CHeadlessWindow::CHeadlessWindow(void* parent, int width, int height)
    : m_pParent(parent),
      m_nWidth(width),
      m_nHeight(height),
      m_Image(static_cast<size_t>(width) * height, 0) {
  m_Pointer.push_back({0, 0, 0});
  g_pLastWindow = this;
}

CHeadlessWindow::~CHeadlessWindow() {
  CHeadlessWindow* self = this;
  g_pLastWindow.compare_exchange_strong(self, nullptr);
}

bool CHeadlessWindow::NextEvent(PlatformEvent& event) {
  if (m_Events.empty()) return false;
  event = m_Events.front();
  m_Events.pop_front();
  return true;
}

bool CHeadlessWindow::WaitEvent(PlatformEvent& event, int) {
  // Nothing arrives while a headless window waits: the queue is all there is.
  return NextEvent(event);
}

void CHeadlessWindow::QueryPointer(int& x, int& y, long& buttons) {
  const PointerState state = m_Pointer.front();
  if (m_Pointer.size() > 1) m_Pointer.pop_front();
  x = state.x;
  y = state.y;
  buttons = state.buttons;
}

void CHeadlessWindow::QueuePointer(int x, int y, long buttons) {
  m_Pointer.push_back({x, y, buttons});
}

void CHeadlessWindow::SetPointer(int x, int y, long buttons) {
  m_Pointer.clear();
  m_Pointer.push_back({x, y, buttons});
}

void CHeadlessWindow::Present(cairo_surface_t* backBuffer, const PlatformRect& area) {
  if (m_bDestroyed || !backBuffer || cairo_image_surface_get_format(backBuffer) != CAIRO_FORMAT_ARGB32)
    return;
  cairo_surface_flush(backBuffer);
  const int sourceWidth = cairo_image_surface_get_width(backBuffer);
  const int sourceHeight = cairo_image_surface_get_height(backBuffer);
  const int stride = cairo_image_surface_get_stride(backBuffer);
  const unsigned char* data = cairo_image_surface_get_data(backBuffer);
  for (int y = area.top < 0 ? 0 : area.top; y < area.bottom && y < m_nHeight && y < sourceHeight; ++y) {
    for (int x = area.left < 0 ? 0 : area.left; x < area.right && x < m_nWidth && x < sourceWidth; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
      m_Image[static_cast<size_t>(y) * m_nWidth + x] = pixel;
    }
  }
  m_LastPresented = area;
  m_nPresents.fetch_add(1);
}

void CHeadlessWindow::SetSize(int width, int height) {
  if (width <= 0 || height <= 0) return;
  std::vector<uint32_t> image(static_cast<size_t>(width) * height, 0);
  for (int y = 0; y < height && y < m_nHeight; ++y)
    for (int x = 0; x < width && x < m_nWidth; ++x)
      image[static_cast<size_t>(y) * width + x] = m_Image[static_cast<size_t>(y) * m_nWidth + x];
  m_Image.swap(image);
  m_nWidth = width;
  m_nHeight = height;
}

void CHeadlessWindow::SetPosition(int x, int y) {
  m_nX = x;
  m_nY = y;
}

PlatformRect CHeadlessWindow::GetFrame() const { return {m_nX, m_nY, m_nX + m_nWidth, m_nY + m_nHeight}; }

void CHeadlessWindow::SetCursor(int cursorType) { m_nCursor = cursorType; }

void CHeadlessWindow::SetClipboardText(const std::string& text) { g_Clipboard = text; }

void CHeadlessWindow::RequestClipboardText() {
  PlatformEvent event;
  event.type = EPlatformEvent::kClipboardText;
  event.text = g_Clipboard;
  m_Events.push_back(event);
}

std::string CHeadlessWindow::ClipboardText() { return g_Clipboard; }

void CHeadlessWindow::Destroy() {
  m_bDestroyed = true;
  PlatformEvent event;
  event.type = EPlatformEvent::kDestroyed;
  m_Events.push_back(event);
}

uint32_t CHeadlessWindow::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return 0;
  return m_Image[static_cast<size_t>(y) * m_nWidth + x];
}

void UseHeadlessWindows() { SetPlatformWindowFactoryForTesting(MakeHeadless); }

CHeadlessWindow* LastHeadlessWindow() { return g_pLastWindow.load(); }
