#include "gui/CDragContainer.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/CDragContainer.cpp");

CDragContainer* gDragContainer = nullptr;

CDragContainer::CDragContainer(const std::vector<PlatformDragItem>& items) : m_Items(items) {}

void* CDragContainer::first(long& size, long& type) {
  m_nIterator = 0;
  return next(size, type);
}

void* CDragContainer::next(long& size, long& type) {
  size = 0;
  type = kUnknown;
  m_Data.clear();
  if (m_nIterator >= getCount()) return nullptr;
  const PlatformDragItem& item = m_Items[static_cast<size_t>(m_nIterator++)];
  m_Data = item.data;
  size = static_cast<long>(m_Data.size());
  type = item.type;
  return &m_Data[0];
}

long CDragContainer::getType(long index) const {
  if (index < 0 || index >= getCount()) return kUnknown;
  return m_Items[static_cast<size_t>(index)].type;
}
