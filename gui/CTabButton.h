// CTabButton: the on/off button of one tab of a tab view (CTabView), with the
// tab's name drawn over its bitmap. A click turns it on (or, when on, off)
// and tells the tab view; dragging something over it opens its tab.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/COnOffButton.h"

class CTabButton : public COnOffButton {
 public:
  // name is copied (none for null).
  CTabButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background, const char* name);
  ~CTabButton() override;

  // The bitmap's half for the value, then the name centred, plain, in the
  // active colour while on and the inactive one while off.
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
  bool isTypeOf(const char* type) const override;

  void setTextFont(CFont font, long size) {
    fontId = font;
    textSize = size;
    setDirty(true);
  }
  void setActiveTextColor(CColor color) {
    activeTextColor = color;
    setDirty(true);
  }
  void setInactiveTextColor(CColor color) {
    inactiveTextColor = color;
    setDirty(true);
  }
  const char* getName() const { return name; }

 protected:
  char* name = nullptr;  // owned copy
  CFont fontId = kFontSystem;
  CColor activeTextColor = kBlackCColor;
  CColor inactiveTextColor = {90, 90, 90, 255};
  long textSize = 12;
};
