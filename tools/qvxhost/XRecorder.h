// What the X server does for the plug-in, seen from outside it through the
// RECORD extension: the drawing requests every client makes on the windows
// the host watches (its editors' windows), and the X errors the server sends
// to each client. Drawing on a hidden window reaches the server too, so the
// counts tell whether an editor draws at all, not only whether it shows.
//
// The records reach the recorder's own thread some time after the server
// has done the requests, later still on a loaded machine: a count that must
// hold everything done up to a moment is read after CatchUp.
//
// Thread contract: Start, Stop, Watch and CatchUp on one thread (the
// script's); the counts may be read from any thread. The records are read on
// a thread of the recorder's own.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "tools/qvxhost/HostX11.h"

class XRecorder {
 public:
  struct Draws {
    long requests = 0;  // core drawing requests on the window
    long whole = 0;     // images that covered all of it
  };

  XRecorder() = default;
  ~XRecorder() { Stop(); }
  XRecorder(const XRecorder&) = delete;
  XRecorder& operator=(const XRecorder&) = delete;

  // False with `error` set when the server has no RECORD extension.
  bool Start(std::string& error);
  void Stop();

  // Counts the drawing on `window` of this size from now on.
  void Watch(unsigned long window, int width, int height);
  Draws DrawsOn(unsigned long window) const;
  // Waits until the records hold every request any client had sent by the
  // time of the call (at most `ms`); false when they do not by then.
  bool CatchUp(int ms);
  // X errors sent to the connection that drew on the watched `window` last
  // (0 before it has drawn).
  long ErrorsToDrawerOf(unsigned long window) const;

  // [record thread] One record: a request, an error, or a new client (whose
  // resource ids may be those of a client gone before). Public for the
  // record callback only.
  enum class Record { Request, FromServer, ClientStarted };
  void Take(Record kind, unsigned long idBase, bool swapped, const unsigned char* data, unsigned long bytes);

 private:
  // A put of an image from shared memory (guarded by m_Mutex).
  void TakeSharedPut(unsigned long idBase, bool swapped, const unsigned char* body, const unsigned char* end);
  struct Watched {
    int width = 0, height = 0;
    Draws draws;
    unsigned long drawer = 0;  // the resource id base of the client drawing on it
    bool drawn = false;
    int nextBand = -1;         // the row where a drawing of all of it goes on; -1: none under way
  };

  XConnection m_Control, m_Data;
  unsigned long m_Context = 0;
  // A window of the control connection, never shown: a clearing of it is the
  // mark CatchUp sends and waits to see recorded. Set before the records'
  // thread starts.
  unsigned long m_Mark = 0;
  int m_nShmOpcode = -1;              // the shared-memory extension's requests; -1: none. Set before the thread starts.
  long m_nMarksSent = 0;              // CatchUp's thread only
  std::atomic<long> m_nMarksSeen{0};  // written by the records' thread
  std::thread m_Thread;
  mutable std::mutex m_Mutex;
  std::map<unsigned long, Watched> m_Windows;  // guarded by m_Mutex
  std::map<unsigned long, long> m_Errors;      // by client id base; guarded by m_Mutex
};
