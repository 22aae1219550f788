// CMovieButton: a two-image toggle that tracks the pointer. While the
// buttons of the click stay held, the value is the toggled entry value with
// the pointer over the control and the entry value elsewhere, so a release
// outside leaves it as it was. The "off" image is at the top of the
// background bitmap, the "on" image imageHeight below it.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CMovieButton : public CControl {
 public:
  CMovieButton(const CRect& size, CControlListener* listener, long tag, long heightOfOneImage,
               CBitmap* background, CPoint& offset);
  // The image height is the height of size.
  CMovieButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
               CPoint& offset);
  ~CMovieButton() override;

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  bool isTypeOf(const char* type) const override;

 protected:
  // The drag's value at where: toggled over the button, else the entry value.
  float valueAt(const CPoint& where) const;

  CPoint offset;
  long imageHeight;
  float buttonState = 0.0f;  // the value at the last draw or click
  // The press under way: its value, and the value over the button.
  float entryValue = 0.0f;
  float toggledValue = 1.0f;
};
