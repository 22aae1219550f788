#include "Helpers/ForkedChild.h"

#include <unistd.h>

#include <new>
#include <utility>

void CProcessMark::Mark() { m_nPid.store(::getpid()); }

bool CProcessMark::IsForkedChild() const { return ::getpid() != m_nPid.load(); }

void SetThreadAside(std::thread& thread) {
  // Each move ends the last one's life without its destructor, whose
  // effects nothing needs.
  alignas(std::thread) static unsigned char s_SetAside[sizeof(std::thread)];
  ::new (static_cast<void*>(s_SetAside)) std::thread(std::move(thread));
}
