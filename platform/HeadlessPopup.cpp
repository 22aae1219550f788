#include "platform/HeadlessPopup.h"

#include <cairo.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace {
// Set by the test while no menu runs; read by the menu threads, which start
// after it.
CHeadlessPopup::Script g_Script;
// Counted by the menu threads, read by the test.
std::atomic<int> g_nSessions{0};
std::atomic<int> g_nAlive{0};

std::unique_ptr<CPlatformPopup> MakeHeadlessPopup(void* hostWindow) {
  g_nSessions.fetch_add(1);
  return std::make_unique<CHeadlessPopup>(hostWindow, g_Script);
}
}  // namespace

CHeadlessPopup::CHeadlessPopup(void* hostWindow, Script script)
    : m_pHostWindow(hostWindow), m_Script(std::move(script)) {
  g_nAlive.fetch_add(1);
}

CHeadlessPopup::~CHeadlessPopup() { g_nAlive.fetch_sub(1); }

bool CHeadlessPopup::HostToScreen(int& x, int& y) {
  x += m_nHostX;
  y += m_nHostY;
  return true;
}

int CHeadlessPopup::OpenWindow(const PlatformRect& area) {
  if (area.Width() <= 0 || area.Height() <= 0) return -1;
  Window window;
  window.area = area;
  window.image.assign(static_cast<size_t>(area.Width()) * area.Height(), 0);
  m_Windows.push_back(std::move(window));
  return static_cast<int>(m_Windows.size()) - 1;
}

void CHeadlessPopup::CloseWindow(int id) {
  if (id >= 0 && id < static_cast<int>(m_Windows.size())) m_Windows[id].open = false;
}

void CHeadlessPopup::Present(int id, cairo_surface_t* image) {
  if (id < 0 || id >= static_cast<int>(m_Windows.size()) || !image ||
      cairo_image_surface_get_format(image) != CAIRO_FORMAT_ARGB32)
    return;
  Window& window = m_Windows[id];
  cairo_surface_flush(image);
  const int width = window.area.Width();
  const int height = window.area.Height();
  const int sourceWidth = cairo_image_surface_get_width(image);
  const int sourceHeight = cairo_image_surface_get_height(image);
  const int stride = cairo_image_surface_get_stride(image);
  const unsigned char* data = cairo_image_surface_get_data(image);
  for (int y = 0; y < height && y < sourceHeight; ++y)
    for (int x = 0; x < width && x < sourceWidth; ++x)
      std::memcpy(&window.image[static_cast<size_t>(y) * width + x],
                  data + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, 4);
  ++window.presents;
}

bool CHeadlessPopup::WaitEvent(PopupEvent& event, int timeoutMs) {
  if (m_Events.empty() && m_Script) {
    ++m_nScriptRuns;
    m_bHold = false;
    m_Script(*this);
  }
  if (m_Events.empty() && m_bHold) {
    if (timeoutMs != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return false;
  }
  if (m_Events.empty()) {
    event = PopupEvent();
    event.type = EPopupEvent::kCancel;
    return true;
  }
  event = m_Events.front();
  m_Events.pop_front();
  return true;
}

void CHeadlessPopup::QueueMove(int x, int y, long buttons) {
  PopupEvent event;
  event.type = EPopupEvent::kMove;
  event.x = x;
  event.y = y;
  event.buttons = buttons;
  Queue(event);
}

void CHeadlessPopup::QueuePress(int x, int y, long buttons) {
  PopupEvent event;
  event.type = EPopupEvent::kPress;
  event.x = x;
  event.y = y;
  event.buttons = buttons;
  Queue(event);
}

void CHeadlessPopup::QueueRelease(int x, int y, long buttons) {
  PopupEvent event;
  event.type = EPopupEvent::kRelease;
  event.x = x;
  event.y = y;
  event.buttons = buttons;
  Queue(event);
}

void CHeadlessPopup::QueueKey(int character, unsigned char virt, unsigned char modifier) {
  PopupEvent event;
  event.type = EPopupEvent::kKey;
  event.key.character = character;
  event.key.virt = virt;
  event.key.modifier = modifier;
  Queue(event);
}

std::vector<const CHeadlessPopup::Window*> CHeadlessPopup::OpenWindows() const {
  std::vector<const Window*> open;
  for (const Window& window : m_Windows)
    if (window.open) open.push_back(&window);
  return open;
}

uint32_t CHeadlessPopup::PixelAt(int id, int x, int y) const {
  if (id < 0 || id >= static_cast<int>(m_Windows.size())) return 0;
  const Window& window = m_Windows[id];
  const int lx = x - window.area.left;
  const int ly = y - window.area.top;
  if (!window.open || lx < 0 || ly < 0 || lx >= window.area.Width() || ly >= window.area.Height())
    return 0;
  return window.image[static_cast<size_t>(ly) * window.area.Width() + lx];
}

void UseHeadlessPopups(CHeadlessPopup::Script script) {
  g_nSessions.store(0);
  g_Script = std::move(script);
  SetPlatformPopupFactoryForTesting(g_Script ? MakeHeadlessPopup : nullptr);
}

int HeadlessPopupSessions() { return g_nSessions.load(); }

int HeadlessPopupSessionsAlive() { return g_nAlive.load(); }
