#include "platform/X11ErrorTrap.h"

#include <elf.h>
#include <link.h>

#include <cstring>
#include <mutex>

#include "platform/X11ErrorHub.h"

namespace {

// The note that marks a module holding a hub (X11ErrorHub.cpp).
constexpr uint32_t kHubNoteType = 0x31585651;  // "QVX1"
constexpr char kHubNoteName[] = "QVX";

using HubEntry = const QvxX11ErrorHub* (*)();

size_t AlignUp(size_t value, size_t alignment) { return (value + alignment - 1) & ~(alignment - 1); }

// The hub entry a module's notes point at, or null.
HubEntry EntryOf(const dl_phdr_info& module) {
  for (ElfW(Half) i = 0; i < module.dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = module.dlpi_phdr[i];
    if (segment.p_type != PT_NOTE) continue;
    // Notes in a segment aligned to 8 bytes are padded to 8, others to 4.
    const size_t alignment = segment.p_align == 8 ? 8 : 4;
    const char* at = reinterpret_cast<const char*>(module.dlpi_addr + segment.p_vaddr);
    const char* const end = at + segment.p_memsz;
    while (at + sizeof(ElfW(Nhdr)) <= end) {
      const auto* note = reinterpret_cast<const ElfW(Nhdr)*>(at);
      const char* name = at + sizeof(ElfW(Nhdr));
      const char* descriptor = name + AlignUp(note->n_namesz, alignment);
      const char* next = descriptor + AlignUp(note->n_descsz, alignment);
      if (next > end || next <= at) break;
      if (note->n_type == kHubNoteType && note->n_namesz == sizeof kHubNoteName &&
          std::memcmp(name, kHubNoteName, sizeof kHubNoteName) == 0 && note->n_descsz == sizeof(int64_t)) {
        int64_t offset = 0;
        std::memcpy(&offset, descriptor, sizeof offset);
        return reinterpret_cast<HubEntry>(reinterpret_cast<uintptr_t>(descriptor) + static_cast<uintptr_t>(offset));
      }
      at = next;
    }
  }
  return nullptr;
}

// The hub of the first module in load order that holds one of this layout.
int FindFirstHub(dl_phdr_info* module, size_t, void* found) {
  const HubEntry entry = EntryOf(*module);
  const QvxX11ErrorHub* hub = entry ? entry() : nullptr;
  if (!hub || hub->version != kQvxX11ErrorHubVersion || hub->size < sizeof(QvxX11ErrorHub)) return 0;
  *static_cast<const QvxX11ErrorHub**>(found) = hub;
  return 1;
}

// The process's hub, found once per module; this module's own when none
// can be found.
const QvxX11ErrorHub& Hub() {
  static const QvxX11ErrorHub* s_pHub = [] {
    const QvxX11ErrorHub* hub = nullptr;
    dl_iterate_phdr(FindFirstHub, &hub);
    return hub ? hub : X11OwnErrorHub();
  }();
  return *s_pHub;
}

}  // namespace

unsigned long X11SwallowedErrorCount() { return Hub().swallowed(); }

void X11KeepErrorHandler() { Hub().keepHandler(); }

void X11ConnectionClose::operator()(Display* display) const noexcept {
  if (display) Hub().closeDisplay(display);
}

X11ConnectionPtr X11OpenConnection() {
  Display* display = XOpenDisplay(nullptr);
  if (display) Hub().registerDisplay(display);
  return X11ConnectionPtr(display);
}

CX11ErrorTrap::CX11ErrorTrap(Display* display) : m_pDisplay(display), m_nErrorsBefore(0) {
  XSync(m_pDisplay, False);
  m_nErrorsBefore = Hub().errorsOf(m_pDisplay);
}

bool CX11ErrorTrap::Failed() {
  XSync(m_pDisplay, False);
  return Hub().errorsOf(m_pDisplay) != m_nErrorsBefore;
}
