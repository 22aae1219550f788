// The bases of the owner-drawn controls (the whole unit with its meters and
// scopes: OwnerDrawControls.h): every graph, meter, scope and colour picker
// of the editor draws itself into a private off-screen surface and reaches
// the screen with one copy.
//
// COwnerDrawControl hands its drawing to a plain draw function and guards
// each frame with a lock of its own. A drag on a control is followed through
// the frame's events (FollowMouse): each motion arrives in the host call
// that brings it, which also redraws what the motion changed, so no control
// holds a host call for the length of a drag.
//
// CLayeredOwnerDrawControl adds a cached background layer (grid, scales,
// legends) that is redrawn only when flagged dirty and otherwise copied under
// each frame's live foreground, and reaches the effect for the displays that
// read it. It is also a hover hook (CMouseMoveAwayHook).
//
// Lifetime: the surfaces exist while the control is attached to a container
// (attached creates them, a second attached replaces them, removed deletes
// them). Owner-drawn controls carry tag -1: editors hold them by pointer,
// not through a parameter.
//
// Thread contract: user-interface thread only (the host's thread and the
// frame's idle thread, taking turns under the frame lock). Data that derived
// displays receive from the audio thread are guarded by their own means.
#pragma once

#include "Helpers/Lock.h"
#include "gui/CControl.h"
#include "gui/MouseMoveAwayHook.h"

class AEffGUIEditor;
class COffscreenContext;
class COwnerDrawControl;
class XREffect;

// Draws a frame of `control` into `offscreen`; rect is (0, 0, width, height).
typedef void (*OwnerDrawFunction)(const CRect& rect, COwnerDrawControl* control,
                                  CDrawContext* offscreen);

// Least time between two idle redraws that a control asks for.
inline constexpr unsigned int kOwnerDrawIdleIntervalMs = 20;

class COwnerDrawControl : public CControl {
 public:
  // `editor` is the owning editor (the editor framework's editor base, held
  // through its toolkit base so these controls build before it); never null
  // for the layered controls, which ask it for the effect.
  COwnerDrawControl(const CRect& size, OwnerDrawFunction drawFunction, AEffGUIEditor* editor,
                    CControlListener* listener);
  // Clears the draw function under the lock, so that a draw waiting for the
  // lock draws nothing.
  ~COwnerDrawControl() override;

  // Under the lock: the draw function into the off-screen, the copy to
  // `screen` over the control's rectangle, PostDraw; then clean. With
  // bDrawBlack the rectangle is filled black instead. Without a draw
  // function or a surface nothing is drawn and the control stays dirty.
  void draw(CDrawContext* screen) override;
  // (Re)creates the off-screen surface of the control's size, filled black.
  bool attached(CView* parent) override;
  // Deletes the off-screen surface.
  bool removed(CView* parent) override;
  // One idle pass of the frame (which redraws dirty views), at most every
  // kOwnerDrawIdleIntervalMs, with the direct rectangle fills switched off
  // meanwhile. A call made while one runs returns at once. The displays'
  // own drags no longer ask for it: their events' host calls redraw.
  void doIdleStuff() override;
  // From mouse(): the control follows the mouse until `buttons` go up. The
  // frame hands each motion to onMouseTrack and the end to onMouseTrackEnd,
  // each in its own event, and this returns at once. Without a frame (or
  // without a button) the end comes at once, at `where`.
  void FollowMouse(CDrawContext* ctx, CPoint& where, long buttons);

  // After the off-screen has been copied to the screen; empty here.
  virtual void PostDraw(CDrawContext* screen);

  OwnerDrawFunction pDrawFunction;
  AEffGUIEditor* pEditor;
  COffscreenContext* pOffscreen = nullptr;  // owned (one reference)
  bool bDrawBlack = false;                  // show a black rectangle instead
  Lock lock;                                // held around each draw and the destructor's clearing
  bool bInIdle = false;                     // doIdleStuff runs
  unsigned int nLastIdleTicks = 0;          // GetTickCount of the last idle redraw
};

class CLayeredOwnerDrawControl : public COwnerDrawControl, public virtual CMouseMoveAwayHook {
 public:
  CLayeredOwnerDrawControl(const CRect& size, AEffGUIEditor* editor, CControlListener* listener);
  ~CLayeredOwnerDrawControl() override;

  // The base's surface, then a background layer of the same size (black,
  // dirty).
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;

  // Background colour (each argument's low byte, alpha 255); makes the
  // layer dirty.
  virtual void SetBackground(int red, int green, int blue);
  // Draws the live foreground over the copied background.
  virtual void DoOwnerDrawInner(CDrawContext* offscreen) = 0;
  // Draws the background layer; empty here.
  virtual void DoDrawBackground(CDrawContext* layer);

  // One frame: remembers rect, fetches the effect, redraws the layer when
  // dirty, copies it into `offscreen` row for row, then DoOwnerDrawInner.
  void DoOwnerDraw(const CRect& rect, CDrawContext* offscreen);
  // pEffect = the editor's effect (null when it is not a framework effect).
  void FillInEffectFromEditor();
  // Stores the background colour without making the layer dirty and fills
  // rectDraw with it on `ctx`.
  void ClearBackground(CDrawContext* ctx, int red, int green, int blue);
  // The effect's sample rate, or 0.0 when no effect is reachable (callers
  // treat 0 as "no rate").
  double GetSampleRate();

  CRect rectDraw;                 // last frame's rectangle, (0, 0, width, height)
  XREffect* pEffect = nullptr;    // from the editor, refreshed every frame
  CColor colBackground = kBlackCColor;
  COffscreenContext* pBackgroundLayer = nullptr;  // owned (one reference)
  bool bBackgroundDirty = true;
};

// The draw function of every layered control: its DoOwnerDraw.
void CLayered_OwnerDraw(const CRect& rect, COwnerDrawControl* control, CDrawContext* offscreen);
