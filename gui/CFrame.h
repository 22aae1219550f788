// CFrame: the root container of the view tree and the bridge to the host's
// window. It owns the editor's window (a child of the host's window) and its
// back buffer, turns the window's events into calls on its views, keeps the
// editor-wide state that views ask for (modal view, keyboard focus, cursor,
// mouse position, the editor) and runs the editor's idle source.
//
// Drawing: every context on the frame draws into the back buffer (an image
// surface of the frame's size); the frame notes the areas its drawing entry
// points cover and copies them onto the window when a context flushes
// (windowSurfaceChanged), the whole window when nothing was noted.
//
// Threads and the frame lock. Two threads use a frame: the host's
// user-interface thread (the editor calls from the dispatcher, and every
// window event, pumped from the host's editor-idle call) and the frame's own
// idle thread (the editor's idle source: it calls doIdleStuff every
// g_kIdleRate ms). Both hold the frame lock for everything they do, so events
// and idle never overlap; the idle thread's redraw gives way to a thread that
// waits for the lock (redrawGivesWay), so a host's call waits at most for one
// view's drawing. Every call on the window, and so on the editor's
// display connection, is made under the frame lock; that is what lets the
// window's library run without thread support. Input is dispatched only on
// the host's thread: the idle thread redraws and presents but never
// dispatches input, so mouse handling and the host calls it makes stay on
// the host's thread. A host that stops idling the editor for a while
// (kHostIdleStaleMs) leaves the window to the idle thread: it then answers
// exposes and visibility changes itself and keeps the input for the host's
// next call.
//
// Keys. The keyboard is the host's: the window takes the keyboard focus only
// while a text field is being edited, and gives it back when the edit ends
// or the editor closes; clicks and drags move no focus. Keys from the host
// (the editor's onKeyDown/onKeyUp) and from the window take one path,
// takeKey; a key from the window that no view takes is sent on to the host's
// window, so that the host's shortcuts keep working over the editor.
//
// Visibility. While the window is unmapped or wholly covered the frame draws
// nothing; when it shows again everything is redrawn.
//
// Pop-ups. A pop-up that runs apart from the host's calls (an option menu's
// list, on a thread of its own) is registered with the frame, which asks it
// at each pass of the host's events whether it has closed and then has it
// apply its outcome there, as the press that opened it would have; one per
// frame. Once its session holds the pointer the editor sees no presses; one
// that still reaches the editor (delivered with the opening click, before the
// pop-up showed) closes it as a click outside it does, and is used up.
//
// Fork. In a child forked while the frame was open, the frame, its window,
// display connection, idle thread and locks are the parent's
// (Helpers/ForkedChild.h): the editor sets the frame aside there untouched,
// and nothing of it may send a request, take a lock or join the thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Helpers/ForkedChild.h"
#include "Helpers/Lock.h"
#include "gui/CViewContainer.h"
#include "platform/CairoHandles.h"
#include "platform/PlatformWindow.h"

class AEffGUIEditor;
class CTextEditField;
struct VstWindow;

enum CCursorType {
  kCursorDefault = 0,
  kCursorWait = 1,
  kCursorHSize = 2,
  kCursorVSize = 3,
  kCursorSizeAll = 4,
  kCursorNESWSize = 5,
  kCursorNWSESize = 6,
  kCursorCopy = 7,
  kCursorNotAllowed = 8,
  kCursorHand = 9
};

// True while a frame handles a window event on the host's user-interface
// thread (any frame of the process). Written and read on that thread; the
// editor framework defers work that must not run inside an event.
extern std::atomic<bool> g_bAmHandlingCarbonEvent;

// Milliseconds without the host's editor-idle call after which the idle
// thread serves the window's exposes and visibility changes itself.
inline constexpr unsigned int kHostIdleStaleMs = 200;

// A pop-up registered with a frame (CFrame::beginPopup). [host's thread,
// under the frame lock]
class CFramePopup {
 public:
  // True once it has closed and its outcome waits.
  virtual bool popupClosed() const = 0;
  // Closes it if still under way; with apply, applies the outcome it had
  // reached, without, nothing. Either way what its press opened (an edit
  // bracket) is closed.
  virtual void popupEnd(bool apply) = 0;

 protected:
  ~CFramePopup() = default;
};

class CFrame : public CViewContainer {
 public:
  // A frame inside the host's window (systemWindow: the host's X window id)
  // for the editor (an AEffGUIEditor). Creates the window and its back
  // buffer; the editor starts the idle source (CreateIdleTimer) once it
  // holds the frame. [host's user-interface thread]
  CFrame(const CRect& size, void* systemWindow, void* editor);
  // A frame in a window of its own, opened through the host; unused here.
  CFrame(const CRect& size, const char* title, void* editor, const long style = 0);
  // Stops the idle source first, so that no idle call meets a half-destroyed
  // frame. [host's user-interface thread]
  ~CFrame() override;

  // The editor is about to close: a window the host has destroyed unseen is
  // noticed now (one round trip), so that nothing more is sent to it, and
  // the toolkit's X error handler is put back in force, whatever handler
  // the host installed since. The destructor does it too. Nothing in a
  // forked child.
  void prepareClose();
  // True in a process forked from the one that made the frame: everything
  // of the frame is the parent's. [any thread]
  bool isInheritedByFork() const { return process.IsForkedChild(); }

  virtual bool open(CPoint* where = nullptr);
  virtual bool close();
  virtual bool isOpen() const { return bOpenFlag; }
  // Redraws the dirty views (after the first draw, while open).
  virtual void idle();
  // One idle pass of the editor (editor's doIdleStuff), then flushes the
  // current drawing context.
  virtual void doIdleStuff();
  virtual unsigned long getTicks() const;
  virtual long getKnobMode() const;
  virtual bool setPosition(long x, long y);
  virtual bool getPosition(long& x, long& y) const;
  virtual bool setSize(long width, long height);
  virtual bool getSize(CRect* rect) const;
  virtual bool getSize(CRect& rect) const;
  virtual bool setModalView(CView* view);
  virtual CView* getModalView() const { return pModalView; }
  virtual void beginEdit(long index);
  virtual void endEdit(long index);
  // The mouse position in frame coordinates; true.
  virtual bool getCurrentLocation(CPoint& where);
  virtual void setCursor(CCursorType type);
  // While a text edit holding the focus is editing, the window takes the
  // keyboard focus and its keys itself; otherwise keys go to the host, which
  // may hand them to the editor.
  virtual void setFocusView(CView* view);
  virtual CView* getFocusView() const { return pFocusView; }
  virtual bool setDropActive(bool val);
  virtual bool isDropActive() const { return bDropActive; }
  virtual void setOpenFlag(bool val) { bOpenFlag = val; }
  virtual bool getOpenFlag() const { return bOpenFlag; }
  // Marks every direct child that touches rect dirty; draws nothing now.
  virtual void invalidate(const CRect& rect);
  virtual bool updatesDisabled() const { return bUpdatesDisabled; }
  // Stores the new value and returns the old one.
  virtual bool updatesDisabled(bool state);
  // Draws a direct child now (a transparent one over what lies behind it),
  // or the whole frame when view is not a child.
  virtual void draw(CView* view);

  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& update) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // The focus view's answer, else the modal view's, else Tab's focus walk;
  // 1 taken, -1 not. The view is held while it handles the key.
  long onKeyDown(VstKeyCode& keyCode) override;
  long onKeyUp(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis,
               float distance) override;
  void setViewSize(CRect& rect) override;
  AEffGUIEditor* getEditor() const override { return pEditor; }
  bool isTypeOf(const char* type) const override;
  void update(CDrawContext* context) override;
  void removeAll(const bool& withForget = true) override;
  CView* getCurrentView() const override;
  bool advanceNextFocusView(CView* oldFocus, bool reverse = false) override;

  // Window hooks, used by CDrawContext.
  // The back buffer: the surface holding the window's pixels, or null.
  virtual cairo_surface_t* getWindowSurface();
  // Called after a context drew into the back buffer and flushed it: the
  // drawn areas go onto the window.
  virtual void windowSurfaceChanged();
  // Pointer position in the back buffer's coordinates and the button word as
  // the window reports it (modifier keys mapped as platform/X11Input.h says);
  // false when the pointer cannot be read.
  virtual bool getPointerState(CPoint& where, long& buttons);
  // While a press is handed to the views (mouse): true, and its place in
  // frame coordinates; a view that loses the focus to it asks.
  bool getPressPoint(CPoint& where) const;

  // Mouse tracking (see CView::onMouseTrack): from a view's mouse(), the
  // view follows the mouse until the buttons of its press (buttons) go up.
  // A tracking under way ends first. [host's thread, under the frame lock]
  void beginMouseCapture(CView* view, long buttons);
  // The view tracking the mouse, or null.
  CView* getMouseCapture() const { return pMouseCapture; }
  // Ends the tracking under way as a release at the last place seen.
  void endMouseCapture();
  // True when view is the tracking view or holds it.
  bool isMouseCaptureWithin(CView* view) const;
  // Ends the tracking when so: the view leaves.
  void endMouseCaptureWithin(CView* view);

  // Pop-ups (see the file comment): `popup` is the view's, which is
  // remembered while it lasts. One under way ends first, as endPopup does.
  // [host's thread, under the frame lock]
  void beginPopup(CView* view, CFramePopup* popup);
  // The view whose pop-up is under way, or null.
  CView* getPopupView() const { return pPopupView; }
  // Ends the pop-up under way without its outcome (its view leaves, the
  // window goes, the editor closes).
  void endPopup();
  // True when view is the pop-up's view or holds it.
  bool isPopupWithin(CView* view) const;
  // Ends it when so: the view leaves.
  void endPopupWithin(CView* view);

  // Tells the window whether it wants the keys (a text edit holding the
  // focus is editing); text edits call it when they open or close a field.
  void updateKeyInput();

  // Every key, from the host or the window: true when a view took it
  // (answered exactly 1). Takes the frame lock.
  bool takeKey(VstKeyCode& keyCode, bool down);

  // Window events: handles every pending one. Called by the editor on the
  // host's editor-idle call, on the thread that made the frame, and on the
  // idle thread, where it serves only exposes, size and visibility changes
  // and only while the host's calls stay away (hostIdleStale); input waits
  // for the host's thread. Nothing inside an event. On the host's thread a
  // drag under way then hears of the pass (CView::onMouseTrackIdle).
  void handlePlatformEvents();
  // One event, as the window reports it (the toolkit's event handler).
  void handlePlatformEvent(const PlatformEvent& event);
  // True on the thread that made the frame (the host's user-interface thread).
  bool isOnHostThread() const { return std::this_thread::get_id() == hostThread; }
  // The window, for tests and the platform glue; null without one.
  CPlatformWindow* getPlatformWindow() const { return pPlatform.get(); }
  // Events and idle calls are served only while alive: cleared while a
  // resize runs and when the window is destroyed with the host's window.
  bool isAlive() const { return bAlive.load(); }
  // True when the host's thread has not read the window's events for
  // kHostIdleStaleMs. [any thread]
  bool hostIdleStale() const;
  // The window can be seen (it is not unmapped or wholly covered).
  bool isShown() const { return bShown; }
  // How often drawing reached the window. [any thread]
  unsigned long getDrawCount() const { return drawCount.load(); }

  // The desktop's clipboard: copies text onto it, and asks for its text on
  // behalf of an edit field, which receives it (pasteText) when it comes and
  // is still in the frame.
  void setClipboardText(const std::string& text);
  void requestClipboardText(CTextEditField* target);

  // The most recently constructed live drawing context of this frame, not
  // owned; set and cleared by the contexts themselves.
  CDrawContext* getCurrentDrawContext() const { return pCurrentDrawContext; }
  void setCurrentDrawContext(CDrawContext* context) { pCurrentDrawContext = context; }

  bool initFrame(void* systemWindow);
  // The current drawing context (remembered) or a new one on the back
  // buffer; the caller forgets it.
  CDrawContext* createDrawContext();
  // The idle source: a thread that calls doIdleStuff under the frame lock,
  // or nothing (the host's editor-idle calls drive the editor). The editor
  // starts it at the end of its open, after it stored the frame and built
  // its views: the thread's first pass reads the editor's frame pointer and
  // state, which starting the thread publishes to it. Destroying it joins
  // the thread; in a forked child it sets the parent's thread aside.
  void CreateIdleTimer();
  void DestroyIdleTimer();
  // The idle thread runs its own code: the thread library is done starting
  // it. [any thread]
  bool isIdleThreadRunning() const { return bIdleThreadRunning.load(); }

  Lock& getFrameLock() { return frameLock; }
  // True while the idle thread's pass runs and another thread (the host's,
  // for its call) waits for the frame lock: the pass stops before its next
  // view and leaves the rest dirty for a later pass. [under the frame lock]
  bool redrawGivesWay() const { return bIdlePass && frameLock.IsAwaited(); }
  void* getSystemWindow() const { return pSystemWindow; }

 protected:
  void dispatchKey(const PlatformEvent& event);
  void dispatchMouseMove(const PlatformEvent& event, bool left);
  void dispatchDrag(const PlatformEvent& event);
  // A mouse event while a view tracks the mouse: true when the tracking took
  // it, false when it goes its usual way.
  bool dispatchTracked(const PlatformEvent& event);
  // Hands the tracking view a motion, a pass without one, or its end at a
  // point in frame coordinates.
  enum class ETracked { kMotion, kIdle, kEnd };
  void sendTracked(const CPoint& framePoint, long buttons, ETracked call);
  // A closed pop-up's outcome is applied. [host's thread, under the frame lock]
  void servePopup();
  void finishPopup(bool apply);
  // Notes an area (frame coordinates) to copy onto the window.
  void addDamage(const CRect& rect);
  // (Re)creates the back buffer at the frame's size, keeping its pixels.
  void resizeBackBuffer(long width, long height);
  void idleThreadMain();

  AEffGUIEditor* pEditor = nullptr;
  void* pSystemWindow = nullptr;
  CView* pModalView = nullptr;
  CView* pFocusView = nullptr;
  bool bFirstDraw = true;
  bool bOpenFlag = true;
  bool bDropActive = false;
  bool bUpdatesDisabled = false;
  CPoint scrollOffset;  // always (0, 0): the window has no scrolling
  Lock frameLock;
  // Written under the frame lock; read by the idle thread before it takes it.
  std::atomic<bool> bAlive{true};
  bool bIdlePass = false;  // the idle thread's pass runs; under the frame lock
  CDrawContext* pCurrentDrawContext = nullptr;
  bool bOwnWindow = false;
  VstWindow* pVstWindow = nullptr;

  std::unique_ptr<CPlatformWindow> pPlatform;  // the editor's window
  CairoSurfacePtr pBackBuffer;                 // the window's pixels
  CRect damage;                                // drawn, not yet presented
  bool bHasDamage = false;
  bool bInEvents = false;                      // an event pass is running
  std::deque<PlatformEvent> deferredEvents;    // input the idle thread keeps for the host's thread
  std::thread::id hostThread;                  // made the frame
  const CProcessMark process;                  // the process that made the frame
  // GetTickCount of the host thread's last event pass: written there, read
  // by the idle thread.
  std::atomic<unsigned int> lastHostEventPass{0};
  bool bShown = true;                          // the window can be seen; under the frame lock
  std::atomic<unsigned long> drawCount{0};     // written under the frame lock, read by tests
  CTextEditField* pasteTarget = nullptr;       // remembered until the clipboard's text comes
  CView* pMouseCapture = nullptr;              // remembered while it tracks the mouse
  long captureButtons = 0;                     // the mouse buttons that hold the tracking
  CPoint captureLast;                          // the tracking's last place, frame coordinates
  long captureHeld = 0;                        // the buttons and modifiers last seen in it
  CPoint lastMousePoint;                       // of the last press, motion or release
  const CPoint* pPressPoint = nullptr;         // the press being handed to the views
  CView* pPopupView = nullptr;                 // remembered while its pop-up is under way
  CFramePopup* pPopup = nullptr;               // that pop-up

  // Idle thread: stop flag written by the destructor, read by the thread.
  std::thread idleThread;
  std::mutex idleMutex;
  std::condition_variable idleWake;
  bool bStopIdle = false;  // guarded by idleMutex
  std::atomic<bool> bIdleThreadRunning{false};  // set by the thread as it starts
};
