// AEffGUIEditor: the VST editor interface on top of the toolkit's frame. The
// host opens, draws, idles and feeds the editor through it; every editor of
// the system derives from it and creates its frame in open (the frame makes
// the window inside the host's window). Open ends by starting the frame's
// idle source (CFrame::CreateIdleTimer): the idle thread reads the editor's
// frame pointer and views from its first pass, and what open wrote before
// the thread started needs no lock.
//
// It also paces editor idle: doIdleStuff runs the editor's idle at most every
// g_kIdleRate milliseconds. It never asks the host for its idle
// (audioMasterIdle, deprecated, and answered by some hosts with their own
// event loop): the displays stay live from the editor's own idle.
//
// Window events are read on the host's editor-idle call (idle). A host that
// stops idling the editor leaves the window to the frame's idle thread, which
// answers exposes and keeps the displays live (keepDisplaysLive) but leaves
// input for the host's next call.
//
// Thread contract: the dispatcher's calls arrive on the host's user-interface
// thread; doIdleStuff and idle also run on the frame's idle thread. Every
// call that reaches the frame holds the frame lock.
#pragma once

#include <atomic>

#include "vst/AEffEditor.h"
#include "vst/VstInterface.h"

class CFrame;

class AEffGUIEditor : public AEffEditor {
 public:
  // Registers itself as the effect's editor (setEditor).
  explicit AEffGUIEditor(AudioEffect* effect);
  ~AEffGUIEditor() override;

  // The editor's rectangle (set by the derived editor); true.
  bool getRect(ERect** rect) override;
  // The window's pending events (on the host's thread, outside an event),
  // then the frame's redraw of dirty views. Nothing without a frame.
  void idle() override;
  // Redraws rect, or the whole frame for null.
  void draw(ERect* rect) override;
  // A mouse press at (x, y), buttons read from the pointer; 1.
  VstInt32 mouse(VstInt32 x, VstInt32 y) override;
  // Keys from the host, on the path of the window's keys (CFrame::takeKey):
  // true only when a view took the key (result 1); false hands it back.
  bool onKeyDown(VstKeyCode& keyCode) override;
  bool onKeyUp(VstKeyCode& keyCode) override;
  // A wheel step from the host at the pointer: true when a view used it.
  bool onWheel(float distance) override;
  bool setKnobMode(VstInt32 val) override;

  virtual void setParameter(int index, float value);
  // The effect's edit brackets; their result.
  virtual bool beginEdit(int index);
  virtual bool endEdit(int index);
  // One paced idle pass under the frame lock: the editor's idle and the
  // frame's redraw.
  virtual void doIdleStuff();
  // Marks what the editor's displays show dirty, as the editor's own idle
  // work does on the host's thread: called on the frame's idle thread, under
  // the frame lock, while the host does not idle the editor. Nothing here.
  virtual void keepDisplaysLive() {}

  CFrame* getFrame() const { return frame; }
  // Waits ms milliseconds.
  void wait(unsigned int ms);
  // Milliseconds since an arbitrary start, wrapping (GetTickCount).
  static unsigned int getTicks();

  // The host's knob mode, read by the knobs. Written on the host's thread,
  // read on either editor thread.
  static std::atomic<VstInt32> knobMode;

 protected:
  ERect rect{};                 // reported to the host; the derived editor sets it
  unsigned int lastTicks = 0;   // doIdleStuff does not idle before this time, unless the clock went back
  CFrame* frame = nullptr;      // the open editor's frame (owned by the derived editor)
};
