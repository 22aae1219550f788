// CKnob: a rotary control. A background bitmap with a handle drawn at the
// angle of the value, either as a small bitmap or as a two-colour line from
// the centre.
//
// Angles are in radians, counter-clockwise from the 3 o'clock direction.
// By default the minimum sits at 225 degrees (lower left), and the sweep
// runs 270 degrees clockwise to the maximum at -45 degrees (lower right).
// The angle coefficients are recomputed only by the angle setters
// (compute()); set the range before the angles, or call an angle setter
// after setMin/setMax.
//
// Mouse drags run in one of two modes chosen by the host's knob mode (the
// frame's getKnobMode): linear (kLinearMode) or circular (any other mode);
// Option swaps the two. Linear: 200 pixels for the full range, moving up or
// right raises the value, Shift makes it zoomFactor times finer. Circular:
// the value follows the pointer's angle; a jump across the gap below the
// knob pins the value at the end it came from. A drag follows the mouse's
// events (CControl): the press sets the value from its point, each motion
// and the release from theirs. Command-click or a double click resets to
// the default value and no drag follows. The wheel and the
// arrow keys step by wheelInc (a tenth of it with Shift).
//
// Thread contract: user-interface thread only.
#pragma once

#include "gui/CControl.h"

// The host's knob modes (AEffGUIEditor::knobMode).
enum CKnobMode { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

class CKnob : public CControl {
 public:
  // handle: the handle image (remembered), or null for a line handle.
  CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
        CBitmap* handle, const CPoint& offset);
  ~CKnob() override;

  virtual void drawHandle(CDrawContext* context);
  virtual void setStartAngle(float val);
  virtual float getStartAngle() const { return startAngle; }
  virtual void setRangeAngle(float val);
  virtual float getRangeAngle() const { return rangeAngle; }
  // The handle point of the current value, relative to the control's
  // top-left corner.
  virtual void valueToPoint(CPoint& point) const;
  // The value at a point relative to the control's top-left corner; a point
  // in the gap snaps to the nearer end.
  virtual float valueFromPoint(CPoint& point) const;
  virtual void setInsetValue(long val) { insetValue = val; }
  virtual void setColorShadowHandle(CColor color);
  virtual void setColorHandle(CColor color);
  // Null leaves insetValue as it was.
  virtual void setHandleBitmap(CBitmap* bitmap);
  virtual void setZoomFactor(float val) { zoomFactor = val; }
  virtual float getZoomFactor() const { return zoomFactor; }

  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
  void onMouseTrack(CDrawContext* context, CPoint& where, long buttons) override;
  void onMouseTrackEnd(CDrawContext* context, CPoint& where, long buttons) override;
  long onKeyDown(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  using CControl::onWheel;
  bool isTypeOf(const char* type) const override;

 protected:
  // Derives valuePerRadian, valueAtZeroAngle and halfGapAngle; marks dirty.
  void compute();
  // One step of the drag to where (parent coordinates) with the buttons
  // held: the value from the point, when it moved; Shift re-bases a linear
  // drag so that the value does not jump.
  void dragTo(CDrawContext* context, const CPoint& where, long buttons);

  CPoint offset;  // top-left point in the background bitmap
  CColor colorHandle = kWhiteCColor;
  CColor colorShadowHandle = kGreyCColor;
  CBitmap* handleBitmap;  // one reference held, or null
  long insetValue;        // handle's distance from the rim, pixels
  float startAngle = 3.9269907f;
  float rangeAngle = -4.712389f;
  float halfGapAngle = 0.0f;
  float valuePerRadian = 0.0f;
  float valueAtZeroAngle = 0.0f;
  float radius;
  float zoomFactor = 1.5f;

  // The drag under way, set up by the press.
  struct Drag {
    bool linear = false;
    float coef = 0.0f;        // linear: value per pixel
    float entryValue = 0.0f;  // linear: the value the pixels count from
    CPoint firstPoint;        // linear: the press point
    long buttons = 0;         // linear: the buttons coef was taken for
    float previous = 0.0f;    // circular: the last value followed
    float halfRange = 0.0f;   // circular: a larger jump crossed the gap
    CPoint lastPoint;         // the last point used
  } drag;
};

// The angle of `point` seen from `centre`, in 1/64 degree counter-clockwise
// from the positive horizontal axis (y pointing down), 0 to 23039. Used for
// arcs.
long convertPoint2Angle(const CPoint& centre, const CPoint& point);
