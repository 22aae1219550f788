#include "platform/X11SharedImage.h"

#include <cairo.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

#include "platform/X11ErrorTrap.h"
#include "platform/X11Pixels.h"

CX11SharedImage::CX11SharedImage(Display* display, Window window, GC gc, int depth)
    : m_pDisplay(display), m_Window(window), m_GC(gc), m_nDepth(depth) {
  if (!XShmQueryExtension(display)) return;
  m_nCompletion = XShmGetEventBase(display) + ShmCompletion;
  m_bUsable = true;
}

CX11SharedImage::~CX11SharedImage() {
  if (m_pWaitingSource) cairo_surface_destroy(m_pWaitingSource);
  Detach();
}

bool CX11SharedImage::Attach(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  const int id = shmget(IPC_PRIVATE, static_cast<size_t>(stride) * static_cast<size_t>(height), IPC_CREAT | 0600);
  if (id < 0) return false;
  void* address = shmat(id, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return false;
  }
  m_Segment.shmid = id;
  m_Segment.shmaddr = static_cast<char*>(address);
  m_Segment.readOnly = True;
  bool failed;
  {
    // A server on another machine refuses the segment.
    CX11ErrorTrap trap(m_pDisplay);
    failed = !XShmAttach(m_pDisplay, &m_Segment) || trap.Failed();
  }
  // Both sides hold it now (or only this one): it goes with the last.
  shmctl(id, IPC_RMID, nullptr);
  if (failed) {
    shmdt(address);
    m_Segment = {};
    return false;
  }
  if (!X11InitBackBufferImage(m_Image, m_Segment.shmaddr, width, height, stride, m_nDepth)) {
    Detach();
    return false;
  }
  m_Image.obdata = reinterpret_cast<char*>(&m_Segment);
  return true;
}

void CX11SharedImage::Detach() {
  if (!m_Segment.shmaddr) return;
  // The server detaches after any put still queued before this request.
  XShmDetach(m_pDisplay, &m_Segment);
  XFlush(m_pDisplay);
  shmdt(m_Segment.shmaddr);
  m_Segment = {};
  m_Image = {};
}

void CX11SharedImage::Present(cairo_surface_t* backBuffer, const PlatformRect& area) {
  if (!m_bUsable || cairo_image_surface_get_format(backBuffer) != CAIRO_FORMAT_ARGB32) return;
  const PlatformRect clipped{std::max(area.left, 0), std::max(area.top, 0),
                             std::min(area.right, cairo_image_surface_get_width(backBuffer)),
                             std::min(area.bottom, cairo_image_surface_get_height(backBuffer))};
  if (clipped.Width() <= 0 || clipped.Height() <= 0) return;
  if (m_Waiting.Width() <= 0 || m_Waiting.Height() <= 0) {
    m_Waiting = clipped;
  } else {
    m_Waiting = {std::min(m_Waiting.left, clipped.left), std::min(m_Waiting.top, clipped.top),
                 std::max(m_Waiting.right, clipped.right), std::max(m_Waiting.bottom, clipped.bottom)};
  }
  if (m_pWaitingSource != backBuffer) {
    cairo_surface_reference(backBuffer);
    if (m_pWaitingSource) cairo_surface_destroy(m_pWaitingSource);
    m_pWaitingSource = backBuffer;
  }
  if (m_bInFlight) {
    XEvent xevent;
    if (XCheckTypedWindowEvent(m_pDisplay, m_Window, m_nCompletion, &xevent))
      m_bInFlight = false;
    else
      ForgetLostPut();
  }
  if (!m_bInFlight) PutWaiting();
}

bool CX11SharedImage::HandleEvent(const XEvent& xevent) {
  if (!m_bUsable || xevent.type != m_nCompletion ||
      reinterpret_cast<const XShmCompletionEvent&>(xevent).drawable != m_Window)
    return false;
  m_bInFlight = false;
  PutWaiting();
  return true;
}

void CX11SharedImage::ForgetLostPut() {
  // The confirmation comes before anything the server sends after the put;
  // a failed put (an error in its place) is never confirmed.
  if (LastKnownRequestProcessed(m_pDisplay) >= m_nPutRequest) m_bInFlight = false;
}

void CX11SharedImage::PutWaiting() {
  cairo_surface_t* source = m_pWaitingSource;
  if (!source || m_Waiting.Width() <= 0 || m_Waiting.Height() <= 0) return;
  const int width = cairo_image_surface_get_width(source);
  const int height = cairo_image_surface_get_height(source);
  if (!m_Segment.shmaddr || m_Image.width != width || m_Image.height != height) {
    Detach();
    if (!Attach(width, height)) {
      m_bUsable = false;  // from now on through the socket
      m_Waiting = {};
      m_pWaitingSource = nullptr;
      cairo_surface_destroy(source);
      return;
    }
  }
  cairo_surface_flush(source);
  const unsigned char* pixels = cairo_image_surface_get_data(source);
  const int stride = cairo_image_surface_get_stride(source);
  const PlatformRect area = m_Waiting;
  for (int y = area.top; y < area.bottom; ++y)
    std::memcpy(m_Segment.shmaddr + y * m_Image.bytes_per_line + area.left * 4, pixels + y * stride + area.left * 4,
                static_cast<size_t>(area.Width()) * 4);
  m_nPutRequest = NextRequest(m_pDisplay);
  XShmPutImage(m_pDisplay, m_Window, m_GC, &m_Image, area.left, area.top, area.left, area.top,
               static_cast<unsigned>(area.Width()), static_cast<unsigned>(area.Height()), True);
  XFlush(m_pDisplay);
  m_bInFlight = true;
  m_Waiting = {};
  m_pWaitingSource = nullptr;
  cairo_surface_destroy(source);
}
