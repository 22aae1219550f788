// CControl: the base of every control. A view that carries a float value in
// a range, a default value, a tag and a listener that hears of every change
// the user makes.
//
// Shared conventions of the stock controls (each control says in which order
// it applies them):
// - Click screening: a control with mouse handling off ignores the click; a
//   button word of -1 means "not known" and is read from the context; with
//   Shift, Command, Option or Control held the listener's
//   controlModifierClicked may take the click; only the left button starts
//   an action.
// - Edit brackets: every change a user makes runs between beginEdit() and
//   endEdit(), which reach the editor's edit brackets through the frame;
//   inside, the listener hears valueChanged only while isDirty() (a change
//   that does not move the value tells nobody).
// - Mouse tracking follows events and never holds the host's call: mouse()
//   does the press's work from the press event's buttons and place (never
//   from the pointer as it is now), asks the frame for the mouse
//   (trackMouse) and returns. Each motion then arrives at onMouseTrack and
//   the release at onMouseTrackEnd (also when the drag is cut short), each
//   in a call of its own; the edit bracket spans them. The editor's idle
//   redraws the control between events while the button is held.
// - Default reset: knob-like controls call checkDefaultValue first; a left
//   click with Command and nothing else (button word 17) or a double click
//   restores defaultValue inside an edit bracket.
// - Dirtiness: a control is dirty while value differs from oldValue (the
//   value at its last draw); each draw ends with setDirty(false).
//
// The accessors store or return their field and do nothing else: setValue
// neither clamps, nor marks dirty, nor tells the listener.
//
// Thread contract: user-interface thread only (events and idle, which take
// turns under the frame lock). The audio thread never touches a control.
#pragma once

#include "gui/CView.h"

class CControl;

// How a control reports to its owner. Owners are never deleted through this
// interface.
class CControlListener {
 public:
  // The control's value has changed; context may be null.
  virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
  // Asked before a control handles a click that carries a modifier key; a
  // non-zero answer takes the click and the control ignores it.
  virtual long controlModifierClicked(CDrawContext* context, CControl* control, long button);

 protected:
  ~CControlListener() = default;
};

class CControl : public CView {
 public:
  // Transparency off, mouse handling on; the background is remembered.
  CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0,
           CBitmap* background = nullptr);
  ~CControl() override;

  void draw(CDrawContext* context) override = 0;

  // The frame's doIdleStuff: one idle pass that redraws dirty views. Nothing
  // without a frame.
  virtual void doIdleStuff();

  virtual void setValue(float val) { value = val; }
  virtual float getValue() const { return value; }
  virtual void setMin(float val) { minValue = val; }
  virtual float getMin() const { return minValue; }
  virtual void setMax(float val) { maxValue = val; }
  virtual float getMax() const { return maxValue; }
  virtual void setOldValue(float val) { oldValue = val; }
  virtual float getOldValue() const { return oldValue; }
  virtual void setDefaultValue(float val) { defaultValue = val; }
  virtual float getDefaultValue() const { return defaultValue; }
  virtual void setTag(long val) { tag = val; }
  virtual long getTag() const { return tag; }

  // Takes the keyboard focus for the control (the previous focus view loses
  // it) and opens the editor's edit bracket for the tag. Nothing without a
  // frame.
  virtual void beginEdit();
  // Closes the editor's edit bracket for the tag. Nothing without a frame.
  virtual void endEdit();

  virtual void setBackOffset(CPoint& offset) { backOffset = offset; }
  // backOffset = the control's own top-left corner.
  virtual void copyBackOffset();

  virtual void setWheelInc(float val) { wheelInc = val; }
  virtual float getWheelInc() const { return wheelInc; }

  // Clamps value into minValue..maxValue through the virtual setValue; a
  // value in range is left alone (setValue is not called).
  virtual void bounceValue();

  // A default click (button word exactly 17, or else a double click):
  // beginEdit, value = defaultValue, valueChanged when dirty, endEdit; true.
  // Otherwise false. With word 17 the double-click clock is not consulted.
  virtual bool checkDefaultValue(CDrawContext* context, long button);

  // Between 0..1 parameters and control values: min + (max - min) * p and
  // (v - min) / (max - min); an empty range gives min and 0.
  virtual float ConvertParamToValue(float param);
  virtual float ConvertValueToParam(float val);

  // True while value differs from oldValue (NaN on either side counts as
  // different) or the view's dirty flag is set.
  bool isDirty() const override;
  // True: oldValue is set apart from value (-1, or 0 when value is -1).
  // False: oldValue = value.
  void setDirty(const bool val = true) override;
  bool isTypeOf(const char* type) const override;

  // Second click within the double-click window of the previous one (frame
  // ticks, ms): true, and the pair is used up; otherwise the click starts a
  // new pair.
  bool isDoubleClick();

 protected:
  // x truncated toward zero; NaN gives 0 and values beyond the 32-bit
  // range are held at its ends, so a stray value never makes a wild offset.
  static long truncToLong(double x);

  // From mouse(): the frame sends this control the drag of the press whose
  // buttons these are (onMouseTrack, onMouseTrackEnd). False without a
  // frame: no event follows, and the caller ends the drag itself.
  bool trackMouse(long buttons);
  // Ends this control's drag before its release (onMouseTrackEnd comes now).
  // The last thing a handler does: the end may release the control.
  void endTracking();
  // For drags that last only while the buttons (modifiers included) stay as
  // they were at the press: true while they do; else the drag ends here and
  // the caller returns at once.
  bool keepsPressButtons(long buttons);

  // Screening steps shared by the stock controls' click handlers.
  // A button word of -1 replaced by the context's current buttons.
  static long resolveButtons(CDrawContext* context, long buttons);
  // The context's current buttons; 0 without a context.
  static long currentButtons(CDrawContext* context);
  // where lies in the control's rectangle, all four edges included.
  bool insideWithEdges(const CPoint& where) const;
  // True when a listener exists, a modifier is held and the listener takes
  // the click.
  bool modifierClickTaken(CDrawContext* context, long buttons);
  // The screening in the common order: false (ignore the click) when mouse
  // handling is off, when the listener takes a modifier click, or without
  // the left button; buttons comes back resolved.
  bool screenClick(CDrawContext* context, long& buttons);
  // valueChanged when dirty and a listener exists.
  void tellListenerIfDirty(CDrawContext* context);
  // valueChanged whenever a listener exists.
  void tellListener(CDrawContext* context);

  // The drag shared by the controls that take each of its events' values
  // from that event's point alone (the switches, the rocker, the movie and
  // kick buttons; the knob and the slider carry state from step to step).
  // From mouse(), the click screened: opens the edit bracket, takes the
  // press's value (told when it moved) and follows the drag; a control
  // without a frame has its release at once (onMouseTrackEnd).
  void pressDrag(CDrawContext* context, CPoint& where, long buttons, float pressed);
  // Which buttons keep a drag going: those of the press only (a change
  // ends it, keepsPressButtons), or any.
  enum class EDragButtons { kAsPressed, kAny };
  // From onMouseTrack: the motion's value, told when it moved.
  void followDrag(CDrawContext* context, long buttons, float there, EDragButtons keep);

  // Steps shared by the knob-like controls' wheel and arrow keys: value +=
  // steps * wheelInc, clamped; when that moved the value, one edit bracket
  // with valueChanged.
  void stepByWheelInc(CDrawContext* context, float steps);
  // Wheel: distance steps, a tenth of that while Shift is held. False when
  // mouse handling is off, else true.
  bool wheelStep(CDrawContext* context, float distance);
  // Arrow keys: up and right +1, left and down -1, a tenth with Shift; 1, or
  // -1 for every other key.
  long arrowKeyStep(VstKeyCode& keyCode);

  CControlListener* listener;  // not owned
  long tag;
  float oldValue = 1.0f;
  float defaultValue = 0.5f;
  float value = 0.0f;
  float minValue = 0.0f;
  float maxValue = 1.0f;
  float wheelInc = 0.1f;
  long lastClickTicks = -1;
  long doubleClickTicks;
  long trackedButtons = 0;  // of the press whose drag trackMouse follows
  CPoint backOffset;
};

// Orientation and origin bits of the sliders' and meters' style words.
enum CControlStyle {
  kHorizontal = 1,
  kVertical = 2,
  kLeft = 8,     // origin at the left
  kRight = 16,   // origin at the right
  kTop = 32,     // origin at the top
  kBottom = 64   // origin at the bottom
};

// VST virtual key codes of the arrow keys, as the key record carries them.
enum CControlArrowKey : unsigned char {
  kArrowKeyLeft = VKEY_LEFT,
  kArrowKeyUp = VKEY_UP,
  kArrowKeyRight = VKEY_RIGHT,
  kArrowKeyDown = VKEY_DOWN
};
