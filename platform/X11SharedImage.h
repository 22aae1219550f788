// The back buffer's pixels onto an X window through memory shared with the
// server, for servers that offer it on this machine: the picture never goes
// through the connection's socket, so a busy server never holds the caller on
// a full socket. One put is in flight at a time: while the server has not
// confirmed the last one, what is presented gathers and goes with the next
// put, made when the confirmation is read (at an event pass) or at the next
// present.
//
// Thread contract: that of the owning window (its owner's lock). In a forked
// child the owner is set aside and never destroyed: the segment is marked for
// removal as soon as the server holds it, so it goes when the last process
// using it lets go.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "platform/PlatformWindow.h"

class CX11SharedImage {
 public:
  // Usable() tells whether the server offers shared memory to this client.
  CX11SharedImage(Display* display, Window window, GC gc, int depth);
  ~CX11SharedImage();
  CX11SharedImage(const CX11SharedImage&) = delete;
  CX11SharedImage& operator=(const CX11SharedImage&) = delete;

  // False when the extension is missing or a segment could not be shared
  // (a remote server): the caller then puts the pixels through the socket.
  bool Usable() const { return m_bUsable; }
  // Puts `area` of an ARGB32 back buffer onto the window at once, or later
  // when an earlier put is still unconfirmed. The back buffer is held until
  // its area has gone.
  void Present(cairo_surface_t* backBuffer, const PlatformRect& area);
  // Takes the server's confirmation of a put, and puts what waited for it;
  // false for events that are not the confirmation.
  bool HandleEvent(const XEvent& xevent);
  // Whether a put awaits the server's confirmation.
  bool InFlight() const { return m_bInFlight; }

 private:
  bool Attach(int width, int height);
  void Detach();
  void PutWaiting();
  // A put that went before everything the server has answered since, yet was
  // never confirmed, failed (the window went): it confirms nothing more.
  void ForgetLostPut();

  Display* m_pDisplay;
  Window m_Window;
  GC m_GC;
  int m_nDepth;
  int m_nCompletion = -1;  // the confirmation's event type
  bool m_bUsable = false;
  XShmSegmentInfo m_Segment{};
  XImage m_Image{};  // over the segment; no pixels while none is attached
  bool m_bInFlight = false;
  unsigned long m_nPutRequest = 0;              // the serial of the unconfirmed put
  cairo_surface_t* m_pWaitingSource = nullptr;  // referenced while m_Waiting is not empty
  PlatformRect m_Waiting;
};
