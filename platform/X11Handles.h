// Owners of Xlib handles for std::unique_ptr: memory that Xlib hands out,
// input methods and input contexts. For platform/ sources only: no other
// layer includes Xlib. A display connection of the toolkit has an owner of
// its own that also registers it (X11ConnectionPtr, X11ErrorTrap.h).
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <type_traits>

struct X11Release {
  void operator()(void* memory) const noexcept { XFree(memory); }
  void operator()(XIM im) const noexcept { XCloseIM(im); }
  void operator()(XIC ic) const noexcept { XDestroyIC(ic); }
};

// Memory from Xlib (property data, lists): freed with XFree.
template <typename T>
using X11MemoryPtr = std::unique_ptr<T, X11Release>;
using X11InputMethodPtr = std::unique_ptr<std::remove_pointer_t<XIM>, X11Release>;
using X11InputContextPtr = std::unique_ptr<std::remove_pointer_t<XIC>, X11Release>;

// A window property as XGetWindowProperty reads it from offset 0; no data
// when the read failed or there is no such property.
struct X11Property {
  Atom type = None;
  int format = 0;               // bits per item: 8, 16 or 32 (32-bit items arrive as longs)
  unsigned long count = 0;      // items read
  unsigned long remaining = 0;  // bytes left unread
  X11MemoryPtr<unsigned char> data;
};

// Reads at most `longs` 32-bit units of the property, of the type asked
// (AnyPropertyType for any), deleting it afterwards when `remove` is set and
// everything was read.
inline X11Property X11ReadProperty(Display* display, Window window, Atom property, long longs, bool remove, Atom type) {
  X11Property read;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, longs, remove ? True : False, type, &read.type,
                                        &read.format, &read.count, &read.remaining, &data);
  read.data.reset(data);
  if (status != Success) read.data.reset();
  return read;
}
