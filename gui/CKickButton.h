// CKickButton: a momentary button. Its value is 1 only while the left
// button is held with the pointer over it, and every click ends at 0: the
// listener hears 1 while the pointer is over the button, the entry value
// when it leaves, and always a final 0, all inside one edit bracket. The
// press and each motion of its drag set the value from their point; the
// release, or buttons other than the left alone, end it.
//
// The background bitmap holds the released image at `offset` and the
// pressed image imageHeight pixels below it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CKickButton : public CControl {
 public:
  // imageHeight = the height of size.
  CKickButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
              CPoint& offset);
  CKickButton(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
              CBitmap* background, CPoint& offset);
  ~CKickButton() override;

  // bounceValue, then the pressed image while value is not 0.
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  bool isTypeOf(const char* type) const override;

 protected:
  // The drag's value at where: pressed over the button, else the entry value.
  float valueAt(const CPoint& where) const;

  CPoint offset;     // released image's top-left in the bitmap
  long imageHeight;  // from the released image down to the pressed one
  float entryValue = 0.0f;    // of the press under way
  float pressedValue = 1.0f;  // while the pointer is over the button
};
