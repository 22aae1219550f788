// CSplashScreen: a click-to-show overlay. A click shows the background
// bitmap over the rectangle toDisplay through a modal view of the frame
// (CSplashScreenView); a left click on that overlay hides it again. The
// value is 1 while the overlay shows; the listener hears both changes.
//
// The overlay is drawn opaque while transparency is off; with transparency
// on, keyed (drawTransparent) for a bitmap transparency of 0 and blended
// with the bitmap transparency otherwise.
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

class CSplashScreen : public CControl {
 public:
  CSplashScreen(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                CRect& toDisplay, CPoint& offset);
  ~CSplashScreen() override;

  // Hides the overlay's state: when the value is not 0 it becomes 0 and the
  // listener is told.
  virtual void unSplash(CDrawContext* context);

  // 255 is opaque; any other value turns transparency on.
  void setBitmapTransparency(unsigned char transparency);

  // Draws the overlay's bitmap into rect from the overlay's offset.
  void drawOverlay(CDrawContext* context, CRect& rect);

  // Only while the value is not 0: the overlay into toDisplay.
  void draw(CDrawContext* context) override;
  // Toggles; on showing, hands a new overlay view to the frame as its
  // modal view and tells the listener when the frame takes it.
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  // Only for the left button inside the mouseable area, edges included.
  bool hitTest(const CPoint& where, const long buttons = -1) override;
  bool isTypeOf(const char* type) const override;

 protected:
  CRect toDisplay;  // the overlay's place
  CPoint offset;
  unsigned char bitmapTransparency = 255;
};

// The overlay: the frame's modal view over the splash screen's toDisplay.
// It holds a reference to its splash screen, so that a splash screen
// removed while its overlay shows stays valid until the overlay goes.
class CSplashScreenView : public CView {
 public:
  CSplashScreenView(const CRect& toDisplay, CSplashScreen* splashScreen);
  ~CSplashScreenView() override;

  void draw(CDrawContext* context) override;
  // A left click: the splash screen's unSplash, the frame marked dirty, the
  // modal view cleared, and this view released (it may be deleted here).
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

 protected:
  CSplashScreen* splashScreen;  // one reference held
};
