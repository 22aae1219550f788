// The editor interface of an effect: what the effect layer calls when the
// host asks for the editor's rectangle, opens or closes it, idles it, or hands
// it mouse and key events. The GUI toolkit's editor adaptor implements it.
//
// Thread contract: every operation is called on the host's user-interface
// thread (through the effect's dispatcher). The effect owns its editor and
// deletes it through this interface's virtual destructor.
#pragma once

#include "vst/VstInterface.h"

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : effect(effect), systemWindow(nullptr) {}
  virtual ~AEffEditor() {}
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  virtual AudioEffect* getEffect() { return effect; }
  // Stores the address of the editor's rectangle through `rect`; the base
  // has none and stores null. `rect` is never null when called by the layer.
  virtual bool getRect(ERect** rect) {
    if (rect) *rect = nullptr;
    return false;
  }
  // `ptr` is the host's parent window (an X11 window id on this platform).
  virtual bool open(void* ptr) {
    systemWindow = ptr;
    return false;
  }
  virtual void close() { systemWindow = nullptr; }
  virtual bool isOpen() { return systemWindow != nullptr; }
  virtual void idle() {}
  virtual void draw(ERect* rect) { (void)rect; }
  virtual VstInt32 mouse(VstInt32 x, VstInt32 y) {
    (void)x;
    (void)y;
    return 0;
  }
  virtual VstInt32 key(VstInt32 keyCode) {
    (void)keyCode;
    return 0;
  }
  virtual void top() {}
  virtual void sleep() {}
  virtual bool onKeyDown(VstKeyCode& keyCode) {
    (void)keyCode;
    return false;
  }
  virtual bool onKeyUp(VstKeyCode& keyCode) {
    (void)keyCode;
    return false;
  }
  virtual bool onWheel(float distance) {
    (void)distance;
    return false;
  }
  virtual bool setKnobMode(VstInt32 val) {
    (void)val;
    return false;
  }

 protected:
  AudioEffect* effect;  // never null in this system
  void* systemWindow;   // the host's window while open, else null
};
