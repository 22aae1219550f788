// CScrollContainer: the container inside a scroll view (CScrollView) that
// shows a window onto a larger content area. Scrolling moves its children:
// the horizontal offset runs from the content's left edge leftwards (its x
// goes negative as the view scrolls right), the vertical one from the
// content's top downwards.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CViewContainer.h"

class CScrollContainer : public CViewContainer {
 public:
  // size: the visible part in the scroll view; containerSize: the content.
  // Transparent, redrawing only dirty children.
  CScrollContainer(const CRect& size, const CRect& containerSize, CFrame* frame,
                   CBitmap* background = nullptr);
  ~CScrollContainer() override;

  // Clamps the offset into the content's range and moves every child (and
  // its mouseable area) by the change; marks the container dirty.
  void setScrollOffset(CPoint offset, bool withRedraw = false);
  const CPoint& getScrollOffset() const { return offset; }
  // Stores the content size and clamps the offset again.
  void setContainerSize(const CRect& cs);
  const CRect& getContainerSize() const { return containerSize; }

  // The rectangle (local) moved to the parent's coordinates and bounded by
  // the container, drawn through the parent (transparent) or the frame.
  void redrawRect(CDrawContext* context, const CRect& rect) override;
  // Its own flag, or a dirty child that shows in the container.
  bool isDirty() const override;
  bool isTypeOf(const char* type) const override;

 protected:
  CRect containerSize;
  CPoint offset;
};
