// CTabView: a container that shows one of several child views at a time,
// chosen by a strip of tab buttons (CTabButton) along one of its edges. Each
// tab (CTabChildView) links its view to its button.
//
// A tab's view is added as given: lay it out within getTabViewSize. The tab
// view holds the creator's reference of every view added as a tab.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"
#include "gui/CViewContainer.h"

class CTabButton;

// One tab: its view (released when the tab goes) and its button.
class CTabChildView : public CReferenceCounter {
 public:
  explicit CTabChildView(CView* view) : view(view) {}
  ~CTabChildView() override;

  CView* view;
  CTabChildView* previous = nullptr;
  CTabChildView* next = nullptr;
  CTabButton* button = nullptr;
};

class CTabView : public CViewContainer, public CControlListener {
 public:
  enum { kPositionLeft = 0, kPositionRight, kPositionTop, kPositionBottom };
  // alignTabs: centred on the strip, from its start, or to its end.
  enum { kAlignTabsCenter = 0, kAlignTabsStart = 1, kAlignTabsEnd = 2 };
  // Tab buttons carry tags from this one up, in the order the tabs came.
  static constexpr long kTabButtonTagStart = 20000;

  // The tab bitmap (both button states, one above the other; remembered)
  // gives the size of every tab.
  CTabView(const CRect& size, CFrame* parent, CBitmap* tabBitmap, CBitmap* background = nullptr,
           long tabPosition = kPositionTop, long style = 0);
  // Tabs of the given size, without a default bitmap.
  CTabView(const CRect& size, CFrame* parent, const CRect& tabSize, CBitmap* background = nullptr,
           long tabPosition = kPositionTop, long style = 0);
  ~CTabView() override;

  // Adds a tab for view (null fails) with a button named name, drawn with
  // tabBitmap or else the default one; the first tab becomes current.
  virtual bool addTab(CView* view, const char* name = nullptr, CBitmap* tabBitmap = nullptr);
  // Removes the tab of view; when it was current, the one before (else the
  // one after) becomes current. False when view is no tab's.
  virtual bool removeTab(CView* view);
  virtual bool removeAllTabs();
  // The index-th tab (from 0) becomes current; false when there is none.
  virtual bool selectTab(long index);
  // Shows child's view and turns its button on, hiding the current one.
  virtual void setCurrentChild(CTabChildView* child);
  // The view's area less the tab strip, from (0, 0).
  virtual const CRect& getTabViewSize(CRect& rect) const;
  // Lays the buttons out along the strip (kAlignTabs...).
  virtual void alignTabs(long alignment = kAlignTabsCenter);
  // Font, size and the on and off text colours of every button.
  virtual void setTabFontStyle(const CFont& font, long fontSize = 12, CColor selectedColor = kBlackCColor,
                               CColor deselectedColor = {90, 90, 90, 255});

  // A tab button was clicked: its tab becomes current.
  void valueChanged(CDrawContext* context, CControl* control) override;
  bool isTypeOf(const char* type) const override;

  long getNbTabs() const { return numberOfChilds; }
  CTabChildView* getCurrentChild() const { return currentChild; }
  // The index of the current tab, or -1.
  long getCurrentTab() const;

 protected:
  CRect buttonRect(long index) const;

  long numberOfChilds = 0;
  long tabPosition;
  long style;
  CRect tabSize;
  CBitmap* tabBitmap = nullptr;  // remembered
  CTabChildView* firstChild = nullptr;
  CTabChildView* lastChild = nullptr;
  CTabChildView* currentChild = nullptr;
};
