// CView: a rectangle in its parent container's coordinates that draws itself
// into a CDrawContext, answers mouse, wheel, key and drag events and says
// whether it needs redrawing. Controls and every display derive from it;
// containers (CViewContainer) hold ordered lists of views and the frame
// (CFrame) is the root container in the host window.
//
// Lifetime: a view is created holding its creator's reference. Adding it to a
// container makes the container remember it; removing it with forget (or
// destroying the container) releases it, so a creator that hands its view to
// a container simply never forgets it itself.
//
// Thread contract: user-interface thread only (the host's event thread and
// the frame's idle thread, which take turns under the frame lock).
#pragma once

#include "gui/CReferenceCounter.h"
#include "gui/GuiTypes.h"
#include "vst/VstInterface.h"

class AEffGUIEditor;
class CBitmap;
class CDragContainer;
class CDrawContext;
class CFrame;

// The message to which a container answers 1 in notify(). Recognised by the
// pointer's identity, not by its text.
extern const char* const kMsgCheckIfViewContainer;

class CView : public CReferenceCounter {
 public:
  explicit CView(const CRect& size);
  ~CView() override;

  // Draws the background bitmap over size (transparent variant when
  // transparency is set), then setDirty(false).
  virtual void draw(CDrawContext* context);
  // Calls draw(context); the update rectangle is not used.
  virtual void drawRect(CDrawContext* context, const CRect& update);
  // True when update touches size, edges inclusive.
  virtual bool checkUpdate(CRect& update) const;
  virtual void mouse(CDrawContext* context, CPoint& where, long buttons = -1);
  virtual void mouseMove(CDrawContext* context, CPoint& where, long buttons = -1);

  // Mouse tracking is driven by events, never by a loop inside one: a view
  // that follows a drag asks its frame for the mouse in mouse()
  // (CFrame::beginMouseCapture) and returns at once. Each later motion then
  // arrives here in an event of its own, with the buttons held, in the
  // coordinates mouse() had; the release arrives at onMouseTrackEnd, also
  // when the drag is cut short (the view leaves the frame, the editor closes,
  // the window goes, the release was lost), at the last place seen.
  virtual void onMouseTrack(CDrawContext* context, CPoint& where, long buttons);
  virtual void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons);
  // While the drag's buttons stay held: once per pass of the host's events,
  // moved or not, at the last place seen with the buttons last seen, for a
  // view that repeats while the button is held (a scroll bar's paging).
  virtual void onMouseTrackIdle(CDrawContext* context, CPoint& where, long buttons);

  // Remembers the new bitmap before forgetting the old one, then marks dirty.
  virtual void setBackground(CBitmap* background);
  virtual CBitmap* getBackground() const { return pBackground; }

  // -1 means "not handled".
  virtual long onKeyDown(VstKeyCode& keyCode);
  virtual long onKeyUp(VstKeyCode& keyCode);
  virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
  // Calls the three-argument form whatever the axis.
  virtual bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis,
                       float distance);

  virtual bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where);
  virtual void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where);
  virtual void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where);
  virtual void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where);

  virtual void looseFocus(CDrawContext* context = nullptr);
  virtual void takeFocus(CDrawContext* context = nullptr);

  virtual bool isDirty() const { return bDirty; }
  virtual void setDirty(const bool val = true) { bDirty = val; }

  virtual void setMouseEnabled(const bool bEnable = true) { bMouseEnabled = bEnable; }
  virtual bool getMouseEnabled() const { return bMouseEnabled; }

  virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
  virtual CRect& getMouseableArea(CRect& rect) const {
    rect = mouseableArea;
    return rect;
  }

  // True when where lies in the mouseable area, all four edges inclusive.
  virtual bool hitTest(const CPoint& where, const long buttons = -1);

  virtual void setTransparency(bool val) { bTransparencyEnabled = val; }
  virtual bool getTransparency() const { return bTransparencyEnabled; }

  // size = rect, then setDirty(true); the mouseable area stays where it was.
  virtual void setViewSize(CRect& rect);
  virtual CRect& getViewSize(CRect& rect) const {
    rect = size;
    return rect;
  }

  virtual bool removed(CView* parent);
  virtual bool attached(CView* parent);

  // The mouse position in the coordinates in which the innermost container's
  // children are laid out; nothing without a context.
  virtual void getMouseLocation(CDrawContext* context, CPoint& point);

  virtual CPoint& frameToLocal(CPoint& point) const;
  virtual CPoint& localToFrame(CPoint& point) const;

  // The parent frame's editor, or null without a frame.
  virtual AEffGUIEditor* getEditor() const;

  // 0 here; containers answer 1 to kMsgCheckIfViewContainer.
  virtual long notify(CView* sender, const char* message);

  // rect is in the parent's coordinates: handed to the parent view, or to the
  // frame's drawRect when there is no parent view.
  virtual void redrawRect(CDrawContext* context, const CRect& rect);

  virtual bool wantsFocus() const { return bWantsFocus; }
  virtual void setWantsFocus(bool state) { bWantsFocus = state; }

  // True for the class's own name and every base's name ("CView" here).
  virtual bool isTypeOf(const char* type) const;

  // When dirty: redrawRect(context, size), or without a context the frame's
  // draw(this); then setDirty(false).
  virtual void update(CDrawContext* context);

  // Asks the parent frame to draw this view now.
  void redraw();

  // Per-view user data, keyed by id. setAttribute fails when an entry with
  // the id exists and size exceeds the entry's size; getAttribute fails when
  // the entry's size exceeds the caller's buffer.
  bool setAttribute(unsigned long id, long size, const void* data);
  bool getAttributeSize(unsigned long id, long& outSize) const;
  bool getAttribute(unsigned long id, long inSize, void* data, long& outSize) const;

  // Set by the container that adds the view.
  void setParentFrame(CFrame* frame) { pParentFrame = frame; }
  CFrame* getFrame() const { return pParentFrame; }
  void setParentView(CView* parent) { pParentView = parent; }
  CView* getParentView() const { return pParentView; }

  long getWidth() const { return size.width(); }
  long getHeight() const { return size.height(); }

 protected:
  struct CAttributeListEntry;

  CRect size;
  CRect mouseableArea;
  CFrame* pParentFrame = nullptr;
  CView* pParentView = nullptr;
  bool bDirty = false;
  bool bMouseEnabled = true;
  bool bTransparencyEnabled = false;
  bool bWantsFocus = false;
  CBitmap* pBackground = nullptr;  // one reference held
  CAttributeListEntry* pAttributeList = nullptr;

 private:
  CAttributeListEntry* findAttribute(unsigned long id) const;
};
