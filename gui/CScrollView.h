// CScrollView: a container that shows a window onto a larger content area
// (its CScrollContainer) with up to two scroll bars that move it. Views added
// to it go into the content.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"
#include "gui/CViewContainer.h"

class CScrollContainer;
class CScrollbar;

class CScrollView : public CViewContainer, public CControlListener {
 public:
  // Style bits: which bars the view has.
  enum { kHorizontalScrollbar = 2, kVerticalScrollbar = 4 };

  // size: the view; containerSize: the content; scrollbarWidth: the bars'
  // thickness. Transparent, redrawing only dirty children.
  CScrollView(const CRect& size, const CRect& containerSize, CFrame* frame, long style,
              long scrollbarWidth = 16, CBitmap* background = nullptr);
  ~CScrollView() override;

  // Into the content.
  void addView(CView* view) override;
  void addView(CView* view, CRect& mouseableArea, bool mouseEnabled = true) override;
  // Stores the content size and hands it to the content and the bars.
  virtual void setContainerSize(const CRect& cs);
  const CRect& getContainerSize() const { return containerSize; }

  CScrollbar* getVerticalScrollbar() const { return vsb; }
  CScrollbar* getHorizontalScrollbar() const { return hsb; }
  CScrollContainer* getScrollContainer() const { return sc; }

  // A bar moved: the content's offset follows.
  void valueChanged(CDrawContext* context, CControl* control) override;
  using CViewContainer::onWheel;
  // The view under the point first; else the bar of the wheel's axis.
  bool onWheel(CDrawContext* context, const CPoint& where, CMouseWheelAxis axis, float distance) override;
  // A black one-pixel frame, then the container's background.
  void drawBackgroundRect(CDrawContext* context, CRect& rect) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CScrollContainer* sc = nullptr;  // children of this view
  CScrollbar* vsb = nullptr;
  CScrollbar* hsb = nullptr;
  CRect containerSize;
  long style;
};
