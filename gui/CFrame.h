// CFrame: the root container of the view tree and the bridge to the host's
// window. It turns window-system events into calls on its views, keeps the
// editor-wide state that views ask for (modal view, keyboard focus, cursor,
// mouse position, the editor) and paces idle drawing. Its lock serialises
// the host's event thread against the idle thread.
//
// The window layer implements this class (the frame, its window, events,
// idle source and drag handling). The view core relies on the members marked
// "window hooks" below to reach the window without knowing the window system.
//
// Thread contract: user-interface thread only; events and idle calls hold the
// frame lock.
#pragma once

#include "Helpers/Lock.h"
#include "gui/CViewContainer.h"

class AEffGUIEditor;
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

class CFrame : public CViewContainer {
 public:
  // A frame inside the host's window (systemWindow) for the editor.
  CFrame(const CRect& size, void* systemWindow, void* editor);
  // A frame in a window of its own, opened through the host; unused here.
  CFrame(const CRect& size, const char* title, void* editor, const long style = 0);
  ~CFrame() override;

  virtual bool open(CPoint* where = nullptr);
  virtual bool close();
  virtual bool isOpen() const { return bOpenFlag; }
  virtual void idle();
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
  // Draws a direct child now, or the whole frame when view is not a child.
  virtual void draw(CView* view);

  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& update) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
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
  // The surface holding the window's pixels (its back buffer), or null.
  virtual cairo_surface_t* getWindowSurface();
  // Called after a context drew into the window surface and flushed it.
  virtual void windowSurfaceChanged();
  // Pointer position in the window surface's coordinates and the button word
  // (CButtonState, Control-click reported as the right button); false when
  // the pointer cannot be read.
  virtual bool getPointerState(CPoint& where, long& buttons);
  // Waits for the next click within the double-click time; true for a click.
  virtual bool waitForDoubleClick();
  // False unless the left button is down; else waits for the next button or
  // motion event, true when it is a drag.
  virtual bool waitForDrag();

  // The most recently constructed live drawing context of this frame, not
  // owned; set and cleared by the contexts themselves.
  CDrawContext* getCurrentDrawContext() const { return pCurrentDrawContext; }
  void setCurrentDrawContext(CDrawContext* context) { pCurrentDrawContext = context; }

  bool initFrame(void* systemWindow);
  // The current drawing context (remembered) or a new one on the window; the
  // caller forgets it.
  CDrawContext* createDrawContext();
  void CreateIdleTimer();
  void DestroyIdleTimer();

  Lock& getFrameLock() { return frameLock; }
  void* getSystemWindow() const { return pSystemWindow; }

 protected:
  AEffGUIEditor* pEditor = nullptr;
  void* pSystemWindow = nullptr;
  CView* pModalView = nullptr;
  CView* pFocusView = nullptr;
  bool bFirstDraw = true;
  bool bOpenFlag = true;
  bool bDropActive = false;
  bool bUpdatesDisabled = false;
  CPoint scrollOffset;
  Lock frameLock;
  bool bAlive = true;
  CDrawContext* pCurrentDrawContext = nullptr;
  bool bOwnWindow = false;
  VstWindow* pVstWindow = nullptr;
  void* pPlatform = nullptr;  // the window layer's own state
};
