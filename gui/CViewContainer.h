// CViewContainer: a view holding an ordered list of child views laid out in
// its own coordinates (a child's size is relative to the container's top-left
// corner). It paints a background (colour or bitmap), then its children from
// first to last, optionally through an off-screen context; mouse, wheel, key
// and drag events go to the child under the point, the last child in the
// list being the topmost.
//
// Ownership: the container remembers every view it adds and releases all of
// them when it is destroyed; removeView/removeAll with forget also drop the
// reference the creator handed over.
//
// Thread contract: user-interface thread only. The container's own recursive
// lock is held while the child list is changed (removeView, removeAll) and
// walked for drawing and mouse dispatch, so the host's event thread and the
// frame's idle thread never change and walk one list at once; a child's
// handler may add or remove views of the same container on the same thread.
// Lock order: the frame's lock before any container's.
#pragma once

#include "Helpers/Lock.h"
#include "gui/CView.h"

class COffscreenContext;

// A child-list node; holds one reference to its view.
class CCView {
 public:
  explicit CCView(CView* view);
  ~CCView();
  CCView(const CCView&) = delete;
  CCView& operator=(const CCView&) = delete;

  CView* pView;
  CCView* pNext = nullptr;
  CCView* pPrevious = nullptr;
};

class CViewContainer : public CView {
 public:
  CViewContainer(const CRect& size, CFrame* parent, CBitmap* background = nullptr);
  ~CViewContainer() override;

  // Appends the view (null is ignored), remembers it, makes this container
  // its parent, then the view's attached(this) and setDirty(true).
  virtual void addView(CView* view);
  virtual void addView(CView* view, CRect& mouseableArea, bool mouseEnabled = true);
  // Removes a direct child. withForget also forgets the creator's reference;
  // without it the caller keeps one. Clears the frame's focus first when the
  // view holds it.
  virtual void removeView(CView* view, const bool& withForget = true);
  virtual void removeAll(const bool& withForget = true);
  virtual bool isChild(CView* view) const;
  virtual long getNbViews() const;
  // The child at position index (0 = first), or null when out of range.
  virtual CView* getView(long index) const;

  virtual void setBackgroundColor(CColor color);
  virtual CColor getBackgroundColor() const { return backgroundColor; }
  virtual void setBackgroundOffset(const CPoint& p) { backgroundOffset = p; }
  virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }
  // rect in local coordinates.
  virtual void drawBackgroundRect(CDrawContext* context, CRect& rect);

  // 0: redraw everything when dirty; 1: redraw only dirty children.
  virtual void setMode(long val) { mode = val; }
  virtual long getMode() const { return mode; }

  virtual void useOffscreen(bool b);

  // The topmost child under the current mouse position, or null.
  virtual CView* getCurrentView() const;
  // where in the parent's coordinates; with deep, descends into containers.
  virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
  virtual bool advanceNextFocusView(CView* oldFocus, bool reverse = false);

  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& update) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons = -1) override;
  long onKeyDown(VstKeyCode& keyCode) override;
  long onKeyUp(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis,
               float distance) override;
  bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
  void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
  void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
  void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
  void looseFocus(CDrawContext* context = nullptr) override;
  void takeFocus(CDrawContext* context = nullptr) override;
  bool isDirty() const override;
  bool hitTest(const CPoint& where, const long buttons = -1) override;
  void setViewSize(CRect& rect) override;
  bool removed(CView* parent) override;
  bool attached(CView* parent) override;
  CPoint& frameToLocal(CPoint& point) const override;
  CPoint& localToFrame(CPoint& point) const override;
  long notify(CView* sender, const char* message) override;
  void redrawRect(CDrawContext* context, const CRect& rect) override;
  bool isTypeOf(const char* type) const override;
  void update(CDrawContext* context) override;

  // Moves both offsets of the context by the container's top-left corner,
  // saving the old ones in save[4]; restoreDrawContext puts them back.
  void modifyDrawContext(long save[4], CDrawContext* context);
  void restoreDrawContext(CDrawContext* context, long save[4]);
  // True when some mouse-enabled child (last to first) answers hitTest.
  bool hitTestSubViews(const CPoint& where, const long buttons = -1);

  // How many more drawRect calls paint the background: negative always,
  // 0 never, n > 0 the next n calls. A call that leaves it out still paints
  // it under the transparent children it draws, which show what lies
  // behind them: a changed text is never drawn over its old glyphs.
  void setBackgroundDrawCount(long count) { backgroundDrawCount = count; }
  long getBackgroundDrawCount() const { return backgroundDrawCount; }

 protected:
  // Creates the off-screen context when drawing through one and none exists;
  // with transparency, copies the screen under the container into it.
  void prepareOffscreen(CDrawContext* context);
  // The background under every transparent child that meets rect.
  void drawBackgroundUnderTransparentViews(CDrawContext* context, const CRect& rect);
  void deleteNode(CCView* node);
  // removeAll's work under the container's lock alone.
  void RemoveAllChildren(bool withForget);
  // Offers the key to the children from the topmost down; -1 when none took
  // it.
  long DispatchKey(VstKeyCode& keyCode, long (CView::*handler)(VstKeyCode&));
  // Sends the leave to the current drag view, which is then none.
  void LeaveCurrentDragView(CDrawContext* context, CDragContainer* drag, const CPoint& local);

  CCView* pFirstView = nullptr;
  CCView* pLastView = nullptr;
  long mode = 1;
  COffscreenContext* pOffscreenContext = nullptr;  // one reference held
  CColor backgroundColor = kBlackCColor;
  CPoint backgroundOffset;
  bool bDrawInOffscreen = false;
  CView* pCurrentDragView = nullptr;
  Lock lock;
  long backgroundDrawCount = -1;
};
