// CDragContainer: the items of a drag in progress (files as paths, or text),
// handed to the views' drag calls. Reference counted: the frame holds the
// container of the drag in progress; a view that keeps it remembers it.
//
// Thread contract: the host's user-interface thread (window events).
#pragma once

#include <string>
#include <vector>

#include "gui/CReferenceCounter.h"
#include "platform/PlatformWindow.h"

class CDragContainer : public CReferenceCounter {
 public:
  // Item types.
  enum { kFile = 0, kText = 1, kUnknown = -1 };

  explicit CDragContainer(const std::vector<PlatformDragItem>& items);
  ~CDragContainer() override = default;

  // The first item's data (terminated), or null when there is none; size is
  // its length in bytes and type its item type. The data stays valid until
  // the next call or the container's end.
  void* first(long& size, long& type);
  // The next item's data, or null after the last.
  void* next(long& size, long& type);
  // The type of item index (0-based); -1 out of range.
  long getType(long index) const;
  long getCount() const { return static_cast<long>(m_Items.size()); }

 private:
  std::vector<PlatformDragItem> m_Items;
  long m_nIterator = 0;  // index of the item last returned, 0 before the first
  std::string m_Data;    // the data last returned
};

// The container of the drag in progress (one reference held), or null. One
// drag is in progress at a time in the process.
extern CDragContainer* gDragContainer;
