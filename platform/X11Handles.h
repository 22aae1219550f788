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
